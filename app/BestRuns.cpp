#include "BestRuns.h"

#include <cstdio>
#include <ctime>

#include "game/Render.h"
#include "game/Rules.h"
#include "platform/Shell.h"

namespace {

// Window pixels from the bottom-left, as the title lays out its lines.
constexpr int HeadingY = 500;
constexpr int FirstRunY = 440;
constexpr int RunStep = 30;  // between two runs' lines
constexpr int RunX = 170;
constexpr int KeysY = 100;
// The chosen run's colour, and the others'.
constexpr float ChosenColour[3] = {1.0f, 0.85f, 0.2f};
constexpr float OtherColour[3] = {1.0f, 1.0f, 1.0f};

void PrintCentred(const char* text, int y) {
  Fnt.ezPrint(text, (ScreenWidth - Fnt.GetWidth(text)) / 2, y);
}

}  // namespace

BestRuns::Answer BestRuns::Respond(const AppKeys& keys, std::size_t runs) {
  if (keys.Back)
    return Answer::Back;
  if (runs == 0)
    return Answer::Stay;
  if (keys.Slower && Chosen + 1 < runs)
    ++Chosen;
  if (keys.Faster && Chosen > 0)
    --Chosen;
  Chosen = Chosen < runs ? Chosen : runs - 1;
  return keys.Choose ? Answer::Watch : Answer::Stay;
}

void BestRuns::Draw(const std::vector<KeptRun>& runs) const {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, ScreenWidth, 0, ScreenHeight, -1, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_LIGHTING);
  PrintCentred("Your best runs", HeadingY);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    // The date as the player's clock tells it.
    const std::time_t when = static_cast<std::time_t>(runs[i].When);
    const std::tm* local = std::localtime(&when);
    char date[32] = "";
    if (local == nullptr || std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", local) == 0)
      std::snprintf(date, sizeof date, "?");
    char line[96];
    std::snprintf(line, sizeof line, "%2d.   %5d seconds     %s", static_cast<int>(i + 1),
                  runs[i].Uptime, date);
    // The font sets its own colour as it prints.
    const float* colour = i == Chosen ? ChosenColour : OtherColour;
    Fnt.SetColor(colour[0], colour[1], colour[2]);
    Fnt.ezPrint(line, RunX, FirstRunY - static_cast<int>(i) * RunStep);
  }
  Fnt.SetColor(OtherColour[0], OtherColour[1], OtherColour[2]);
  PrintCentred(runs.empty() ? "No runs kept yet: a game played to its end is kept here."
                            : "Up and Down choose, Enter watches, Esc goes back.",
               runs.empty() ? FirstRunY : KeysY);
  if (runs.empty())
    PrintCentred("Esc goes back.", KeysY);
  glEnable(GL_LIGHTING);
  Present();
}
