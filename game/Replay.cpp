// A recorded game's bytes (docs/replay.md). One encoding per game: the reader refuses every byte
// string the writer would not have written, so a file read and written again is the same file.

#include "game/Replay.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr unsigned char Magic[4] = {'S', 'R', 'R', 'P'};
constexpr unsigned Version = 4;

// The flags byte of a frame record; the end record's marker has every bit set, which no frame
// has: the frame that quits never carries bit 7 (the game pays no heed to leaving or M there).
// Version 1 had no pause key and no leaving; in version 2 bit 7 was leaving; from version 3 it
// says that a second byte of flags follows, for what a frame seldom holds.
constexpr unsigned LeftBit = 1, RightBit = 2, SpaceBit = 4, QuitBit = 8, ButtonBit = 16;
constexpr unsigned MovedBit = 32, PauseBit = 64, AwayBit = 128, MoreBit = 128;
constexpr unsigned FirstVersionBits = 63;
constexpr unsigned char EndMarker = 0xFF;
// The second byte of flags (version 3), never 0.
constexpr unsigned MoreAwayBit = 1, MoreMuteBit = 2, MoreBits = 3;
// The header's sound byte (version 3); the watch start, u64, follows the best (version 4).
constexpr unsigned MutedBit = 1;

// Times stay at or below 2^53 microseconds, so seconds as a double are exact.
constexpr std::uint64_t MaxMicros = std::uint64_t(1) << 53;
constexpr std::int64_t IntMin = std::numeric_limits<int>::min();
constexpr std::int64_t IntMax = std::numeric_limits<int>::max();

constexpr std::uint32_t FnvBasis = 2166136261u;
constexpr std::uint32_t FnvPrime = 16777619u;

std::uint32_t Fnv(std::uint32_t hash, const unsigned char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    hash = (hash ^ p[i]) * FnvPrime;
  return hash;
}

// `value` as `bytes` little-endian bytes.
void Append(std::vector<unsigned char>& out, std::uint64_t value, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i)
    out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void AppendHeader(std::vector<unsigned char>& out, const ReplayHeader& header) {
  for (const unsigned char c : Magic)
    out.push_back(c);
  Append(out, Version, 1);
  // A rate the file cannot hold is written as 0, which every reader refuses, rather than as a
  // different rate that would play a different game.
  const bool fits = header.DrainPerMs >= 1 && header.DrainPerMs <= 65535;
  Append(out, fits ? static_cast<std::uint64_t>(header.DrainPerMs) : 0, 2);
  Append(out, header.Seed, 8);
  Append(out, header.Muted ? MutedBit : 0, 1);
  Append(out, static_cast<std::uint64_t>(std::max(header.BestEver, 0)), 4);
  Append(out, header.WatchFrom, 8);
}

std::uint64_t ZigZag(std::int64_t v) {
  return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
}
std::int64_t UnZigZag(std::uint64_t u) {
  return static_cast<std::int64_t>(u >> 1) ^ -static_cast<std::int64_t>(u & 1);
}

// Walks the bytes; every read checks what is left first and says why it stopped.
class Reader {
public:
  Reader(const unsigned char* data, std::size_t size, std::size_t at)
      : Data(data), Size(size), Pos(at) {}
  std::size_t At() const { return Pos; }
  std::size_t Left() const { return Size - Pos; }

  bool Byte(unsigned& out) {
    if (Left() < 1)
      return false;
    out = Data[Pos++];
    return true;
  }
  // Little-endian unsigned of `bytes` bytes.
  bool Fixed(std::size_t bytes, std::uint64_t& out) {
    if (Left() < bytes)
      return false;
    out = 0;
    for (std::size_t i = 0; i < bytes; ++i)
      out |= std::uint64_t(Data[Pos + i]) << (8 * i);
    Pos += bytes;
    return true;
  }
  // An unsigned LEB128 in its shortest form that fits 64 bits. `cut` tells a file that ended
  // inside it from a malformed one.
  bool Varint(std::uint64_t& out, bool& cut) {
    out = 0;
    cut = false;
    for (unsigned i = 0; i < 10; ++i) {
      if (Left() < 1) {
        cut = true;
        return false;
      }
      const unsigned b = Data[Pos++];
      // The tenth byte holds bit 63 only; a last byte of zero after others is a longer spelling.
      if (i == 9 && b > 1)
        return false;
      out |= std::uint64_t(b & 127) << (7 * i);
      if (!(b & 128))
        return i == 0 || b != 0;
    }
    return false;
  }

private:
  const unsigned char* Data;
  std::size_t Size;
  std::size_t Pos;
};

// A pointer coordinate moved by a zigzag delta, kept in the range of int.
bool Move(int& coord, std::uint64_t zigzag) {
  const std::int64_t delta = UnZigZag(zigzag);
  // coord is an int, so both bounds below are computed without overflow.
  if (delta > IntMax - coord || delta < IntMin - coord)
    return false;
  coord = static_cast<int>(coord + delta);
  return true;
}

bool Parse(const unsigned char* data, std::size_t size, Replay& out, std::string& problem) {
  if (!data || size < sizeof Magic || std::memcmp(data, Magic, sizeof Magic) != 0) {
    problem = "not a Sieve Rush replay";
    return false;
  }
  Reader in(data, size, sizeof Magic);
  const auto cutShort = [&] {
    problem = "cut short";
    return false;
  };
  // The version first: a newer game may lay out the rest differently.
  unsigned version = 0;
  if (!in.Byte(version))
    return cutShort();
  if (version > Version) {
    problem =
        "made by a newer version of the game (replay version " + std::to_string(version) + ")";
    return false;
  }
  if (version == 0) {
    problem = "unknown replay version 0";
    return false;
  }
  std::uint64_t drain = 0, seed = 0;
  if (!in.Fixed(2, drain) || !in.Fixed(8, seed))
    return cutShort();
  if (drain == 0) {
    problem = "damaged (drain rate 0)";
    return false;
  }
  out.Header.DrainPerMs = static_cast<int>(drain);
  out.Header.Seed = seed;
  if (version >= 3) {
    unsigned sound = 0;
    std::uint64_t best = 0;
    if (!in.Byte(sound) || !in.Fixed(4, best))
      return cutShort();
    if (sound & ~MutedBit) {
      problem = "damaged (sound setting)";
      return false;
    }
    if (best > static_cast<std::uint64_t>(IntMax)) {
      problem = "damaged (best uptime)";
      return false;
    }
    out.Header.Muted = sound & MutedBit;
    out.Header.BestEver = static_cast<int>(best);
  }
  if (version >= 4 && !in.Fixed(8, out.Header.WatchFrom))
    return cutShort();

  FrameInput last;
  const auto damagedAt = [&](std::size_t at) {
    problem = "damaged (a frame record at byte " + std::to_string(at) + ")";
    return false;
  };
  for (;;) {
    const std::size_t at = in.At();
    unsigned flags = 0;
    if (!in.Byte(flags))
      return cutShort();
    if (flags == EndMarker)
      break;
    if ((version == 1 && (flags & ~FirstVersionBits)) || ((flags & QuitBit) && (flags & AwayBit)))
      return damagedAt(at);
    unsigned more = 0;
    if (version >= 3 && (flags & MoreBit)) {
      if (!in.Byte(more))
        return cutShort();
      if (more == 0 || (more & ~MoreBits))
        return damagedAt(at);
    }
    if (last.Quit) {
      problem = "frames after the game ended";
      return false;
    }
    FrameInput frame;
    frame.Left = flags & LeftBit;
    frame.Right = flags & RightBit;
    frame.Space = flags & SpaceBit;
    frame.Quit = flags & QuitBit;
    frame.Button = flags & ButtonBit;
    frame.Pause = flags & PauseBit;
    frame.Away = version >= 3 ? (more & MoreAwayBit) != 0 : (flags & AwayBit) != 0;
    frame.Mute = more & MoreMuteBit;
    std::uint64_t step = 0;
    bool cut = false;
    if (!in.Varint(step, cut))
      return cut ? cutShort() : damagedAt(at);
    // last.Micros is at most MaxMicros, so the difference does not wrap.
    if (step > MaxMicros - static_cast<std::uint64_t>(last.Micros)) {
      problem = "time out of range";
      return false;
    }
    frame.Micros = last.Micros + static_cast<std::int64_t>(step);
    frame.X = last.X;
    frame.Y = last.Y;
    if (flags & MovedBit) {
      std::uint64_t dx = 0, dy = 0;
      if (!in.Varint(dx, cut))
        return cut ? cutShort() : damagedAt(at);
      if (!in.Varint(dy, cut))
        return cut ? cutShort() : damagedAt(at);
      // The writer marks a move only when the pointer moved.
      if (dx == 0 && dy == 0)
        return damagedAt(at);
      if (!Move(frame.X, dx) || !Move(frame.Y, dy)) {
        problem = "pointer out of range";
        return false;
      }
    }
    out.Frames.push_back(frame);
    last = frame;
  }
  std::uint64_t count = 0, checksum = 0;
  if (!in.Fixed(8, count))
    return cutShort();
  const std::size_t hashed = in.At();
  if (!in.Fixed(4, checksum))
    return cutShort();
  if (Fnv(FnvBasis, data, hashed) != checksum) {
    problem = "damaged (checksum)";
    return false;
  }
  if (count != out.Frames.size()) {
    problem = "damaged (frame count)";
    return false;
  }
  // Watching starts at one of the frames (a file of none starts at 0).
  if (out.Header.WatchFrom != 0 && out.Header.WatchFrom >= count) {
    problem = "damaged (watch start)";
    return false;
  }
  if (in.Left() != 0) {
    problem = "bytes after the end";
    return false;
  }
  return true;
}

}  // namespace

ReplayWriter::ReplayWriter(const ReplayHeader& header) : Header(header) {
  AppendHeader(Bytes, Header);
  HeaderBytes = Bytes.size();
  Written = HeaderBytes;
  Hash = Fnv(FnvBasis, Bytes.data(), Bytes.size());
}

void ReplayWriter::Add(const FrameInput& frame) {
  // Nothing follows the end record or a frame that ended the game.
  if (Finished || Last.Quit)
    return;
  // The clock never goes back and stays where seconds as a double are exact; a time outside
  // that is held at the nearest one the file can say.
  std::int64_t micros = frame.Micros;
  if (micros < Last.Micros)
    micros = Last.Micros;
  if (micros > static_cast<std::int64_t>(MaxMicros))
    micros = static_cast<std::int64_t>(MaxMicros);
  const bool moved = frame.X != Last.X || frame.Y != Last.Y;
  // On the frame that quits, leaving and M matter no more.
  const std::uint64_t before = Written;
  const unsigned more =
      frame.Quit ? 0 : (frame.Away ? MoreAwayBit : 0) | (frame.Mute ? MoreMuteBit : 0);
  const unsigned flags = (frame.Left ? LeftBit : 0) | (frame.Right ? RightBit : 0) |
                         (frame.Space ? SpaceBit : 0) | (frame.Quit ? QuitBit : 0) |
                         (frame.Button ? ButtonBit : 0) | (moved ? MovedBit : 0) |
                         (frame.Pause ? PauseBit : 0) | (more ? MoreBit : 0);
  PutFixed(flags, 1);
  if (more)
    PutFixed(more, 1);
  PutVarint(static_cast<std::uint64_t>(micros - Last.Micros));
  if (moved) {
    PutVarint(ZigZag(std::int64_t(frame.X) - Last.X));
    PutVarint(ZigZag(std::int64_t(frame.Y) - Last.Y));
  }
  RecordBytes += Written - before;
  Last = frame;
  Last.Micros = micros;
  ++Count;
}

void ReplayWriter::Finish() {
  if (Finished)
    return;
  Finished = true;
  PutFixed(EndMarker, 1);
  PutFixed(Count, 8);
  const std::uint32_t checksum = Hash;
  PutFixed(checksum, 4);
}

bool ReplayWriter::Whole(std::uint64_t from, std::vector<unsigned char>& out) const {
  out.clear();
  if (Bytes.size() != Written || (from != 0 && from >= Count))
    return false;
  ReplayHeader header = Header;
  header.WatchFrom = from;
  AppendHeader(out, header);
  // Byte by byte: GCC 12 at -O3 sees an overflow that is not there in a range insert.
  for (std::size_t i = HeaderBytes; i < HeaderBytes + RecordBytes; ++i)
    out.push_back(Bytes[i]);
  out.push_back(EndMarker);
  Append(out, Count, 8);
  Append(out, Fnv(FnvBasis, out.data(), out.size()), 4);
  return true;
}

void ReplayWriter::Put(const unsigned char* p, std::size_t n) {
  // Byte by byte: GCC 12 at -O3 sees an overflow that is not there in a range insert.
  for (std::size_t i = 0; i < n; ++i)
    Bytes.push_back(p[i]);
  Hash = Fnv(Hash, p, n);
  Written += n;
}

void ReplayWriter::PutFixed(std::uint64_t value, std::size_t bytes) {
  unsigned char buffer[8];
  for (std::size_t i = 0; i < bytes; ++i)
    buffer[i] = static_cast<unsigned char>(value >> (8 * i));
  Put(buffer, bytes);
}

void ReplayWriter::PutVarint(std::uint64_t value) {
  unsigned char buffer[10];
  std::size_t n = 0;
  do {
    buffer[n] = static_cast<unsigned char>(value & 127);
    value >>= 7;
    if (value)
      buffer[n] |= 128;
    ++n;
  } while (value);
  Put(buffer, n);
}

bool ParseReplay(const unsigned char* data, std::size_t size, Replay& out, std::string& problem) {
  out = Replay{};
  problem.clear();
  if (Parse(data, size, out, problem))
    return true;
  // Nothing half read is left behind for a caller that forgets to check.
  out = Replay{};
  return false;
}
