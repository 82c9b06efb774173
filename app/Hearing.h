// What the game sounds like: each frame's cues and spray handed to a mixer, and the mixer's
// frames for whoever plays them: the platform's sound device (which may ask on a thread of its
// own) or a recording's sound written out in game time. The device plays one hearing at a time:
// the player's game, or the game being watched, each with a mixer of its own, so that a game
// waiting behind a watch keeps what it was sounding.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "game/Session.h"
#include "sound/Mixer.h"

class Hearing {
public:
  // What the frame just played set off, and whether the game is muted or paused now. The mixer
  // is made at the first call: synthesizing the sounds takes a few milliseconds.
  void Listen(const GameSession& game);
  // Held (a paused watch): silent once faded, every voice waiting where it was; and heard again.
  void Hold(bool held);
  // A fresh mixer, nothing sounding, for a game watched afresh: made before its first frame.
  void Reset();
  // The next `count` stereo frames; silence until the first Listen. False when they end in a
  // silence that lasts until the next Listen (the mixer quiet).
  bool Mix(short* frames, int count);

private:
  std::mutex Lock;  // Listen and Mix may run on different threads
  std::unique_ptr<Mixer> Sound;
  bool Held = false;
  bool GamePaused = false;
};

// The hearing the sound device plays now.
class Speaker {
public:
  explicit Speaker(Hearing& first) : Heard(&first) {}
  void Play(Hearing& hearing) { Heard = &hearing; }
  // Mix, as the platform's SoundFill, of the hearing played now.
  static bool Fill(void* speaker, short* frames, int count);

private:
  std::atomic<Hearing*> Heard;
};
