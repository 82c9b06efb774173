// Recordings on disk: one read whole before a replay, one written as a game is played.
#pragma once

#include <fstream>
#include <memory>
#include <string>

#include "game/Replay.h"

// Reads the recording `name` whole; false after saying on standard error what is wrong with it.
bool ReadRecording(const char* name, Replay& replay);

// Writes the game down as it is played, a chunk at a time.
class Recorder {
public:
  // False after saying why the file cannot be written.
  bool Open(const char* name, const ReplayHeader& header);
  void Add(const FrameInput& frame);
  // Ends the file; false after saying it could not be written whole.
  bool Finish();

private:
  void WriteOut();

  std::unique_ptr<ReplayWriter> Writer;
  std::ofstream File;
  std::string Name;
};
