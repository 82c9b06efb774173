// The one rule the two builds do not share: an open hole drains 128 RAM per millisecond of
// frame time on a leak tick in the Linux build and 256 in the Windows build. Compiled for each
// target (natively by the suite, with MinGW-w64 and run under Wine by the Windows tests), so
// that it is the game's header as that target's compiler sees it that must say so.
#include <cstdio>

#include "game/Rules.h"

#ifdef _WIN32
constexpr double Expected = 256.0;
#else
constexpr double Expected = 128.0;
#endif

int main() {
  std::printf("drain per millisecond and open hole in this build: %g\n", DrainPerMs);
  if (DrainPerMs != Expected) {
    std::printf("FAILED: this build must drain %g\n", Expected);
    return 1;
  }
  return 0;
}
