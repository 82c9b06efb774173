// What a replay shows of itself for checking, all in game time whatever the machine's speed: a
// trace of a line a second, the game's sound as a WAV file, and pictures of chosen frames.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Hearing.h"
#include "game/Session.h"

struct WitnessFiles {
  std::string Trace;  // empty: none
  std::string Wav;
  struct Shot {
    std::uint64_t Frame;  // counted from 1, as the replay's closing line counts them
    std::string File;     // PNG
  };
  std::vector<Shot> Shots;
  bool Any() const { return !Trace.empty() || !Wav.empty() || !Shots.empty(); }
};

class Witness {
public:
  Witness() = default;
  Witness(const Witness&) = delete;
  Witness& operator=(const Witness&) = delete;
  ~Witness();

  // Opens the trace and the WAV file; false after saying which could not be written.
  bool Open(const WitnessFiles& files);
  // Before frame number `frame` runs on `in`: the sound up to its moment, its picture asked for.
  // True when its picture is one to keep, so the frame must be drawn.
  bool Before(const FrameInput& in, std::uint64_t frame);
  // After it ran: what it set off heard, a trace line on entering a new second, its picture.
  void After(const GameSession& game, std::uint64_t frame);
  // The trace's last line and the WAV file's sizes; false after saying what could not be
  // written.
  bool Close(const GameSession& game, std::uint64_t frames);

private:
  void Line(const GameSession& game, const char* when, std::uint64_t frame);
  void Sound(std::int64_t upTo);

  WitnessFiles Files;
  std::FILE* Trace = nullptr;
  std::FILE* Wav = nullptr;
  bool Failed = false;
  Hearing Ears;
  bool Hears = false;
  std::int64_t FirstMicros = -1;
  std::int64_t Second = -1;  // of the last trace line
  std::int64_t Samples = 0;  // the sound's place in game time, in stereo frames
  std::int64_t Written = 0;  // stereo frames mixed (a long gap is cut short)
  std::uint32_t SoundHash = 2166136261u;
  std::vector<short> Mixed;  // a chunk of the mixer's frames
  std::vector<unsigned char> Picture;
  bool PictureAsked = false;
};
