// The best runs screen, opened by R on the title: the ten best uptimes kept, with their dates,
// one chosen by Up and Down and watched by Enter; Esc goes back to the title.
#pragma once

#include <cstddef>
#include <vector>

#include "Input.h"
#include "game/Kept.h"

class BestRuns {
public:
  enum class Answer { Stay, Back, Watch };
  // Shown afresh, the best chosen.
  void Show() { Chosen = 0; }
  // What the player's keys ask of the screen showing `runs`.
  Answer Respond(const AppKeys& keys, std::size_t runs);
  std::size_t Choice() const { return Chosen; }
  // The screen, whole, and presented.
  void Draw(const std::vector<KeptRun>& runs) const;

private:
  std::size_t Chosen = 0;
};
