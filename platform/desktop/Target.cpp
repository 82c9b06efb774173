// The shell on Linux (X11) and Windows: the window is the program's own, so nothing is handed
// back after a frame and main's status is the program's.
#include "platform/Target.h"
#include "platform/Shell.h"

int WindowAlphaBits() {
  return 1;
}

void PrepareContext() {}

void YieldFrame() {}

int EndProgram(int status) {
  return status;
}
