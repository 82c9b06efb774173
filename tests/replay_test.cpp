// Recorded games in memory: what the writer writes reads back the same, and every damaged,
// shortened or foreign byte string is refused with the problem it has.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "game/Replay.h"

using Bytes = std::vector<unsigned char>;
constexpr std::int64_t Hours = 3'600'000'000, Max = std::int64_t(1) << 53;

// keys: bit 0 Left, 1 Right, 2 Space, 3 Quit, 4 Button, 6 Pause, 7 Away, 8 Mute.
FrameInput F(std::int64_t t, unsigned k, int x, int y) {
  const auto bit = [k](int n) { return bool(k >> n & 1); };
  return {t, bit(0), bit(1), bit(2), bit(3), bit(4), bit(6), bit(7), bit(8), x, y};
}
auto Tie(const FrameInput& f) {
  return std::tuple(f.Micros, f.Left, f.Right, f.Space, f.Quit, f.Button, f.Pause, f.Away, f.Mute,
                    f.X, f.Y);
}
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The writer's bytes, taken out of Pending() after every frame as the game does. A second
// Finish() and a frame after it must add nothing.
Bytes Write(const std::vector<FrameInput>& frames, ReplayHeader header = {7, 128}) {
  ReplayWriter writer(header);
  Bytes out;
  const auto flush = [&] { out = out + writer.Pending(), writer.Pending().clear(); };
  for (const FrameInput& frame : frames)
    writer.Add(frame), flush();
  writer.Finish(), writer.Finish(), writer.Add(frames[0]), flush();
  return out;
}
// `b` with its checksum made right again.
Bytes Seal(Bytes b) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i + 4 < b.size(); ++i)
    hash = (hash ^ b[i]) * 16777619u;
  for (std::size_t i = 4; i > 0; --i, hash >>= 8)
    b[b.size() - i] = static_cast<unsigned char>(hash);
  return b;
}
// `b` with the byte at `at` flipped by `bits`, then `more` inserted before it.
Bytes Edit(Bytes b, std::size_t at, const Bytes& more, unsigned char bits = 0) {
  b.at(at) ^= bits;
  b.insert(b.begin() + at, more.begin(), more.end());
  return b;
}

// Reads `file` and expects `want` frames, or a refusal whose text starts with `problem`.
Replay Check(const std::string& what, const Bytes& file, const std::vector<FrameInput>& want,
             const std::string& problem = "") {
  Replay replay;
  std::string said;
  EXPECT_EQ(ParseReplay(file.data(), file.size(), replay, said), problem.empty())
      << what << ": " << said;
  EXPECT_EQ(said.substr(0, problem.size()), problem) << what;
  EXPECT_EQ(replay.Frames.size(), want.size()) << what;
  for (std::size_t i = 0; i < replay.Frames.size() && i < want.size(); ++i)
    EXPECT_EQ(Tie(replay.Frames[i]), Tie(want[i])) << what << ", frame " << i;
  return replay;
}

// The first frame; small and large moves both ways, none, and a frame of hours; every flag.
const std::vector<FrameInput> Game({F(0, 0, 0, 0), F(16667, 1, 5, -3), F(33334, 6, 2, 7),
                                    F(33334, 16 + 64, 2, 7), F(5 * Hours, 128, INT_MIN, INT_MAX),
                                    F(5 * Hours + 1, 3 + 256, INT_MAX, INT_MIN), F(Max, 31, 0, 0)});

TEST(Replay, WrittenGamesReadBack) {
  const Replay replay =
      Check("the game", Write(Game, {0xFEDCBA9876543210u, 65535, true, INT_MAX, 6}), Game);
  EXPECT_EQ(std::tuple(replay.Header.Seed, replay.Header.DrainPerMs, replay.Header.Muted,
                       replay.Header.BestEver, replay.Header.WatchFrom),
            std::tuple(0xFEDCBA9876543210u, 65535, true, INT_MAX, 6u));
  // A version 3 file (no watch start) is watched from its first frame.
  Bytes v3 = Write(Game, {1, 2, false, 0, 4});
  v3.erase(v3.begin() + 20, v3.begin() + 28), v3[4] = 3;
  EXPECT_EQ(Check("version 3", Seal(v3), Game).Header.WatchFrom, 0u);
  // Times that go back or out of range are held; nothing follows a Quit or the end record; the
  // frame that quits drops Away and Mute, whose flag would make it the end record's marker.
  Check("held times",
        Write({F(-5, 0, 0, 0), F(100, 0, 0, 0), F(50, 0, 0, 0), F(Max + 9, 511 - 32, 0, 0),
               F(Max, 0, 1, 1)}),
        {F(0, 0, 0, 0), F(100, 0, 0, 0), F(100, 0, 0, 0), F(Max, 127 - 32, 0, 0)});
}

// A run recorded in memory keeps each game as a whole file of the run so far, watched from that
// game's start, and records on; once its bytes were taken out, it keeps nothing rather than half.
TEST(Replay, GamesOfARunAreKeptWhole) {
  ReplayWriter run({9, 256, false, 12});
  const std::vector<FrameInput> first(Game.begin(), Game.begin() + 4);
  for (const FrameInput& frame : first)
    run.Add(frame);
  Bytes kept, none = {1};
  EXPECT_FALSE(run.Whole(4, none) || !none.empty()) << "a start past the frames";
  ASSERT_TRUE(run.Whole(3, kept));
  EXPECT_EQ(Check("the first game", kept, first).Header.WatchFrom, 3u);
  for (std::size_t i = 4; i < Game.size(); ++i)
    run.Add(Game[i]);
  ASSERT_TRUE(run.Whole(0, kept));
  Check("the run so far", kept, Game);
  run.Pending().clear();
  EXPECT_FALSE(run.Whole(0, kept) || !kept.empty()) << "a run whose bytes were taken";
}

TEST(Replay, DamageIsRefused) {
  const Bytes file = Write(Game), late = Write({F(Max, 0, 0, 0)});
  for (std::size_t n = 0; n < file.size(); ++n)
    Check("cut to " + std::to_string(n), Bytes(file.begin(), file.begin() + n), {},
          n < 4 ? "not a Sieve Rush replay" : "cut short");
  const std::size_t end = file.size() - 13;  // the end record: 0xFF, count, checksum
  const char* first = "damaged (a frame record at byte 28)";
  const Bytes v1 = Edit(Bytes(file.begin(), file.begin() + 15), 4, {}, 5) + Bytes{64, 0};
  const Bytes ones(9, 255), long11(10, 128);
  const std::vector<std::tuple<const char*, Bytes, const char*>> cases = {
      {"bad magic", Edit(file, 0, {}, 1), "not a Sieve Rush replay"},
      {"version 5", Edit(file, 4, {}, 1), "made by a newer version of the game (replay version 5)"},
      {"version 0", Edit(file, 4, {}, 4), "unknown replay version 0"},
      {"sound setting 2", Edit(file, 15, {}, 2), "damaged (sound setting)"},
      {"best past INT_MAX", Edit(file, 19, {}, 128), "damaged (best uptime)"},
      {"drain -1", Write(Game, {1, -1}), "damaged (drain rate 0)"},
      {"drain 65537", Write(Game, {1, 65537}), "damaged (drain rate 0)"},
      {"a flag flipped", Edit(file, 30, {}, 2), "damaged (checksum)"},
      {"a byte appended", file + Bytes{0}, "bytes after the end"},
      {"watched from its end", Seal(Edit(file, 20, {}, 7)), "damaged (watch start)"},
      {"version 1 with a pause", v1, "damaged (a frame record at byte 15)"},
      {"Quit and more flags", Edit(file, 28, {}, 8 + 128), first},
      {"more flags of none", Edit(file, 28, {128, 0}), first},
      {"more flags unknown", Edit(file, 28, {128, 4}), first},
      {"11-byte varint", Edit(file, 28, Bytes{0} + long11 + Bytes{0}), first},
      {"over 64 bits", Edit(file, 28, Bytes{0} + ones + Bytes{2}), first},
      {"varint spelt long", Edit(file, 28, {0, 128, 0}), first},
      {"move of nothing", Edit(file, 28, {32, 0, 0, 0}), first},
      {"frame after Quit", Edit(file, end, {0, 0}), "frames after the game ended"},
      {"time past 2^53", Edit(late, late.size() - 13, {0, 1}), "time out of range"},
      {"x past INT_MAX", Edit(file, 28, {32, 0, 128, 128, 128, 128, 16, 0}), "pointer out"},
      {"y by -2^63", Edit(file, 28, Bytes{32, 0, 0} + ones + Bytes{1}), "pointer out of range"},
  };
  for (const auto& [what, bytes, problem] : cases)
    Check(what, bytes, {}, problem);
}
