// The game's one random sequence: every choice of a run (where holes open, the spray's jitter and
// sprites, how patches sit) comes from it in the order the game makes them. The same generator on
// every target, so that one seed plays one game on Linux, on Windows and in the browser.
#pragma once

#include <cstdint>

// O'Neill's PCG32 (XSH RR): 64 bits of state, 32 bits out a draw.
class Random {
public:
  void Seed(std::uint64_t seed) {
    State = 0;
    Next32();
    State += seed;
    Next32();
  }

  // A draw of 0 to 2^31 - 1, taken modulo the number of choices as the game always has.
  int Next() { return static_cast<int>(Next32() >> 1); }
  // Where the sequence stands: two generators that agree on it draw alike from here on.
  std::uint64_t Position() const { return State; }

private:
  std::uint32_t Next32() {
    const std::uint64_t old = State;
    State = old * Multiplier + Increment;
    const auto shifted = static_cast<std::uint32_t>(((old >> 18) ^ old) >> 27);
    const auto turn = static_cast<unsigned>(old >> 59);
    return (shifted >> turn) | (shifted << ((32 - turn) & 31));
  }

  static constexpr std::uint64_t Multiplier = 6364136223846793005ULL;
  static constexpr std::uint64_t Increment = 1442695040888963407ULL;
  std::uint64_t State = 0;
};
