// What the player does, as the app reads it each frame: the game's input on the game's clock, and
// the keys the app's own screens answer (watching, the best runs), each counted once when pressed.
#pragma once

#include <cstdint>

#include "game/Replay.h"

// The player's input now, on the game's clock in whole microseconds, which never goes back past
// `lastMicros`. Takes PlayerAway (whoever reads it clears it).
FrameInput LiveInput(std::int64_t lastMicros);

// The keys of the app's own screens, pressed since the last look.
struct AppKeys {
  bool Back = false;    // Esc
  bool Choose = false;  // Enter, or Space
  bool Pause = false;   // Space
  bool Faster = false;  // +, or Up
  bool Slower = false;  // -, or Down
  bool Skip = false;    // Right
  bool Watch = false;   // R
  bool Any() const { return Back || Choose || Pause || Faster || Slower || Skip || Watch; }
};

// Tells a key pressed from one held: a key counts once, on the first look that finds it down.
class KeyPresses {
public:
  // The keys pressed since the last call.
  AppKeys Take();
  // The keys that ended one of the app's screens (Esc, Space, Enter) are not the game's until
  // they are let go: the game behind a watch neither ends on its Esc nor starts on its Space.
  void Swallow();
  // LiveInput, without the keys swallowed.
  FrameInput Live(std::int64_t lastMicros);

  static constexpr int Count = 12;  // keys answered

private:
  bool Held[Count] = {};
  bool EscSwallowed = false;
  bool SpaceSwallowed = false;
};
