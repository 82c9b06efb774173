#include "Recording.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <vector>

namespace {

// A recording is written out whenever this many bytes have collected.
constexpr std::size_t RecordChunk = 64 * 1024;
// No game of ours makes a recording anywhere near this size; a file that large is not one.
constexpr std::uintmax_t LargestReplay = 256u << 20;
// Room made at the start for the run recorded in memory: over an hour at 60 frames a second.
constexpr std::size_t RunRoom = 1u << 20;

}  // namespace

bool ReadRecording(const char* name, Replay& replay, const char* verb) {
  std::string problem;
  std::ifstream file(name, std::ios::binary);
  std::vector<unsigned char> bytes;
  if (!file) {
    problem = std::strerror(errno);
  } else {
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0);
    if (size < 0 || static_cast<std::uintmax_t>(size) > LargestReplay) {
      problem = "not a Sieve Rush replay (too large)";
    } else {
      bytes.resize(static_cast<std::size_t>(size));
      if (!file.read(reinterpret_cast<char*>(bytes.data()), size))
        problem = "could not be read";
    }
  }
  if (problem.empty() && ParseReplay(bytes.data(), bytes.size(), replay, problem))
    return true;
  std::cerr << "sieverush: cannot " << verb << " '" << name << "': " << problem << "\n";
  return false;
}

bool Recorder::Open(const char* name, const ReplayHeader& header) {
  Name = name;
  File.open(name, std::ios::binary | std::ios::trunc);
  if (!File) {
    std::cerr << "sieverush: cannot record to '" << name << "': " << std::strerror(errno) << "\n";
    return false;
  }
  Writer = std::make_unique<ReplayWriter>(header);
  // A frame adds at most 31 bytes, so a chunk's room is made once: recording allocates nothing in
  // the frame.
  Writer->Pending().reserve(2 * RecordChunk);
  return true;
}

void Recorder::Add(const FrameInput& frame) {
  Writer->Add(frame);
  if (Writer->Pending().size() >= RecordChunk)
    WriteOut();
}

bool Recorder::Finish() {
  Writer->Finish();
  WriteOut();
  File.close();
  if (File)
    return true;
  std::cerr << "sieverush: could not write the recording '" << Name << "'\n";
  return false;
}

void Recorder::WriteOut() {
  std::vector<unsigned char>& bytes = Writer->Pending();
  File.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  bytes.clear();
}

void RunRecording::Start(const ReplayHeader& header) {
  Writer = std::make_unique<ReplayWriter>(header);
  Writer->Pending().reserve(RunRoom);
}

bool RunRecording::Add(const FrameInput& in, Screen before, const GameSession& game) {
  Writer->Add(in);
  // A game is kept with the first frame run on its game-over screen, the one that draws it (the
  // frame that leaves play still draws play), so that a watch ends on the screen the player saw.
  const bool kept = Ending && before == Screen::GameOver && Writer->Whole(GameStart, Last);
  Ending = before != Screen::GameOver && game.Shown == Screen::GameOver;
  const bool waiting = before == Screen::Title || before == Screen::GameOver;
  if (waiting && game.Shown == Screen::Play)
    GameStart = Writer->Frames() - 1;
  return kept;
}
