// libFuzzer target for the replay reader: any byte string is read or refused without undefined
// behaviour, and an accepted one is exactly what the writer makes of its game, a game having one
// encoding (an older version's file is written in today's, and reads back the same game). Each
// input is tried as is and sealed with the rest's checksum, to reach acceptance.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "game/Replay.h"

using Bytes = std::vector<unsigned char>;

static bool SameGame(const Bytes& file, const Replay& replay) {
  Replay again;
  std::string problem;
  const auto tie = [](const FrameInput& f) {
    return std::tuple(f.Micros, f.Left, f.Right, f.Space, f.Quit, f.Button, f.Pause, f.Away, f.X,
                      f.Y);
  };
  if (!ParseReplay(file.data(), file.size(), again, problem) ||
      again.Frames.size() != replay.Frames.size() || again.Header.Seed != replay.Header.Seed)
    return false;
  for (std::size_t i = 0; i < again.Frames.size(); ++i)
    if (tie(again.Frames[i]) != tie(replay.Frames[i]))
      return false;
  return true;
}

static void Check(const Bytes& file) {
  Replay replay;
  std::string problem;
  const bool ok = ParseReplay(file.data(), file.size(), replay, problem);
  ReplayWriter writer(replay.Header);
  for (const FrameInput& frame : replay.Frames)
    writer.Add(frame);
  writer.Finish();
  // A refusal says why and keeps no frame; an acceptance writes back to the same bytes.
  if (!ok            ? problem.empty() || !replay.Frames.empty()
      : file[4] == 2 ? writer.Pending() != file
                     : !SameGame(writer.Pending(), replay))
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes file(data, data + size);
  Check(file);
  // FNV-1a, 32 bits, over all but the last 4 bytes, stored there little-endian.
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i + 4 < size; ++i)
    hash = (hash ^ file[i]) * 16777619u;
  for (std::size_t i = 4; size >= 4 && i > 0; --i, hash >>= 8)
    file[size - i] = static_cast<unsigned char>(hash);
  Check(file);
  return 0;
}
