#include "Recording.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
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
  std::FILE* file = std::fopen(name, "rb");
  std::vector<unsigned char> bytes;
  if (!file) {
    problem = std::strerror(errno);
  } else {
    const long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    if (size < 0 || static_cast<std::uintmax_t>(size) > LargestReplay) {
      problem = "not a Sieve Rush replay (too large)";
    } else {
      bytes.resize(static_cast<std::size_t>(size));
      std::rewind(file);
      if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
        problem = "could not be read";
    }
    std::fclose(file);
  }
  if (problem.empty() && ParseReplay(bytes.data(), bytes.size(), replay, problem))
    return true;
  std::fprintf(stderr, "sieverush: cannot %s '%s': %s\n", verb, name, problem.c_str());
  return false;
}

bool Recorder::Open(const char* name, const ReplayHeader& header) {
  Name = name;
  File = std::fopen(name, "wb");
  if (!File) {
    std::fprintf(stderr, "sieverush: cannot record to '%s': %s\n", name, std::strerror(errno));
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
  const bool closed = std::fclose(File) == 0;
  File = nullptr;
  if (closed && Whole)
    return true;
  std::fprintf(stderr, "sieverush: could not write the recording '%s'\n", Name.c_str());
  return false;
}

Recorder::~Recorder() {
  if (File)
    std::fclose(File);
}

void Recorder::WriteOut() {
  std::vector<unsigned char>& bytes = Writer->Pending();
  Whole = std::fwrite(bytes.data(), 1, bytes.size(), File) == bytes.size() && Whole;
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
