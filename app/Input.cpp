#include "Input.h"

#include <algorithm>
#include <cmath>

#include "platform/Shell.h"

namespace {

// The keys the app's screens answer, in the order KeyPresses remembers them.
constexpr int Answered[KeyPresses::Count] = {KeyEscape,   KeyEnter,   KeyPadEnter, KeySpace,
                                             KeyEqual,    KeyPadPlus, KeyUp,       KeyMinus,
                                             KeyPadMinus, KeyDown,    KeyRight,    KeyR};

}  // namespace

FrameInput LiveInput(std::int64_t lastMicros) {
  FrameInput in;
  in.Micros = std::max<std::int64_t>(lastMicros, std::llround(GetTime() * 1e6));
  in.Left = Keys[KeyLeft];
  in.Right = Keys[KeyRight];
  in.Space = Keys[KeySpace];
  // The window closed, or Esc held.
  in.Quit = RunLevel == 0 || Keys[KeyEscape];
  in.Button = Mouse.Left;
  in.Pause = Keys[KeyP];
  in.Mute = Keys[KeyM];
  in.Away = PlayerAway;
  PlayerAway = false;
  in.X = Mouse.X;
  in.Y = Mouse.Y;
  return in;
}

AppKeys KeyPresses::Take() {
  bool pressed[Count];
  for (int i = 0; i < Count; ++i) {
    const bool down = Keys[Answered[i]];
    pressed[i] = down && !Held[i];
    Held[i] = down;
  }
  AppKeys keys;
  keys.Back = pressed[0];
  keys.Choose = pressed[1] || pressed[2] || pressed[3];
  keys.Pause = pressed[3];
  keys.Faster = pressed[4] || pressed[5] || pressed[6];
  keys.Slower = pressed[7] || pressed[8] || pressed[9];
  keys.Skip = pressed[10];
  keys.Watch = pressed[11];
  return keys;
}

void KeyPresses::Swallow() {
  EscSwallowed = Keys[KeyEscape];
  SpaceSwallowed = Keys[KeySpace] || Keys[KeyEnter] || Keys[KeyPadEnter];
}

FrameInput KeyPresses::Live(std::int64_t lastMicros) {
  FrameInput in = LiveInput(lastMicros);
  EscSwallowed = EscSwallowed && Keys[KeyEscape];
  SpaceSwallowed = SpaceSwallowed && Keys[KeySpace];
  if (EscSwallowed)
    in.Quit = RunLevel == 0;
  if (SpaceSwallowed)
    in.Space = false;
  return in;
}
