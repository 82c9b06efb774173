// The Windows build's RAM drain, checked by the Windows compiler and run under Wine: an open
// hole takes 256 RAM per millisecond of frame time on a leak tick there (128 on Linux), and
// it is the headers as the Windows compiler sees them that must say so.
//
// Built by tests/windows/run-wine-tests.sh, which names the header and the constant:
//   -DDRAIN_HEADER='"game/Rules.h"' -DDRAIN_CONSTANT=DrainPerMs
#include DRAIN_HEADER

#include <cstdio>

#ifndef _WIN32
#error "this test is only meaningful when compiled for Windows"
#endif

int main() {
  const double drain = DRAIN_CONSTANT;
  std::printf("drain per millisecond and open hole in this build: %g\n", drain);
  if (drain != 256.0) {
    std::printf("FAILED: the Windows build must drain 256\n");
    return 1;
  }
  return 0;
}
