// What the game sounds like: each frame's cues and spray handed to the mixer, and the mixer's
// frames for whoever plays them: the platform's sound device (which may ask on a thread of its
// own) or a recording's sound written out in game time.
#pragma once

#include <memory>
#include <mutex>

#include "game/Session.h"
#include "sound/Mixer.h"

class Hearing {
public:
  // What the frame just played set off, and whether the game is muted or paused now. The mixer
  // is made at the first call: synthesizing the sounds takes a few milliseconds.
  void Listen(const GameSession& game);
  // The next `count` stereo frames; silence until the first Listen. False when they end in a
  // silence that lasts until the next Listen (the mixer quiet).
  bool Mix(short* frames, int count);
  // Mix, as the platform's SoundFill.
  static bool Fill(void* hearing, short* frames, int count);

private:
  std::mutex Lock;  // Listen and Mix may run on different threads
  std::unique_ptr<Mixer> Sound;
};
