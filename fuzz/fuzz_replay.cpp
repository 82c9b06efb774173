// libFuzzer target for the replay reader: any byte string is read or refused (saying why, keeping
// no frame) without undefined behaviour, and an accepted one is exactly what the writer makes of
// its game, a game having one encoding (an older version's file is written in today's, which then
// writes back as itself). Each input is tried as is and sealed with the rest's checksum, to reach
// acceptance.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/Replay.h"

using Bytes = std::vector<unsigned char>;

// What the writer makes of the game read from `file`; nothing when it is refused.
static Bytes Rewritten(const Bytes& file) {
  Replay replay;
  std::string problem;
  if (!ParseReplay(file.data(), file.size(), replay, problem)) {
    if (problem.empty() || !replay.Frames.empty())
      std::abort();
    return {};
  }
  ReplayWriter writer(replay.Header);
  for (const FrameInput& frame : replay.Frames)
    writer.Add(frame);
  writer.Finish();
  return writer.Pending();
}

static void Check(const Bytes& file) {
  const Bytes again = Rewritten(file);
  if (!again.empty() && (file[4] == 4 ? again != file : Rewritten(again) != again))
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
