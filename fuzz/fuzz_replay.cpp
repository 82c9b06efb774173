// libFuzzer target for the replay reader: any byte string must read or be refused without a read
// outside the buffer or undefined behaviour, and a file it accepts must be exactly the bytes the
// writer makes of the same game, since a game has one encoding. Each input is tried as it is and
// with its last 4 bytes set to the checksum of the rest, so that mutations reach acceptance.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "game/Replay.h"

namespace {

void Check(const unsigned char* data, std::size_t size) {
  Replay replay;
  std::string problem;
  if (!ParseReplay(data, size, replay, problem)) {
    if (problem.empty() || !replay.Frames.empty())
      std::abort();
    return;
  }
  ReplayWriter writer(replay.Header);
  for (const FrameInput& frame : replay.Frames)
    writer.Add(frame);
  writer.Finish();
  const std::vector<unsigned char>& bytes = writer.Pending();
  if (bytes.size() != size || std::memcmp(bytes.data(), data, size) != 0)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Check(data, size);
  if (size < 4)
    return 0;
  // FNV-1a, 32 bits, over all but the last 4 bytes, stored there little-endian.
  std::vector<unsigned char> sealed(data, data + size);
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i + 4 < size; ++i)
    hash = (hash ^ sealed[i]) * 16777619u;
  for (int i = 0; i < 4; ++i)
    sealed[size - 4 + i] = static_cast<unsigned char>(hash >> (8 * i));
  Check(sealed.data(), size);
  return 0;
}
