// Recordings: one read whole before a replay or a watch, one written to a file as a game is
// played (--record), and every run recorded in memory, each game of it kept at its game over.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "game/Replay.h"
#include "game/Session.h"

// Reads the recording `name` whole; false after saying on standard error, in one line, what is
// wrong with it ("cannot `verb` 'name': ...").
bool ReadRecording(const char* name, Replay& replay, const char* verb = "replay");

// Writes the game down as it is played, a chunk at a time.
class Recorder {
public:
  Recorder() = default;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;
  ~Recorder();

  // False after saying why the file cannot be written.
  bool Open(const char* name, const ReplayHeader& header);
  void Add(const FrameInput& frame);
  // Ends the file; false after saying it could not be written whole.
  bool Finish();

private:
  void WriteOut();

  std::unique_ptr<ReplayWriter> Writer;
  std::FILE* File = nullptr;
  bool Whole = true;  // every chunk written
  std::string Name;
};

// The run being played, recorded in memory from its start (a few KB a minute, its room made once:
// the frame allocates nothing). At each game over the game just ended is made a whole file: the
// run up to there, watched from the frame whose Space began that game.
class RunRecording {
public:
  void Start(const ReplayHeader& header);
  // After frame `in` ran, `before` the screen it ran on: recorded, and a game's start or end
  // noted. True on the first frame of a game's game-over screen, LastGame() then holding it.
  bool Add(const FrameInput& in, Screen before, const GameSession& game);
  const std::vector<unsigned char>& LastGame() const { return Last; }

private:
  std::unique_ptr<ReplayWriter> Writer;
  std::uint64_t GameStart = 0;
  bool Ending = false;  // the last frame left play for the game-over screen
  std::vector<unsigned char> Last;
};
