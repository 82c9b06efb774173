// The sound feeder in the page, which has no threads: each animation frame that runs tops the
// queue up. Emscripten's OpenAL plays only queued buffers, so enough is queued that one slow
// frame (a busy page, a collection of its garbage) does not let it run dry.
#include "Target.h"

// Eight buffers of 512 frames (11.6 ms each at 44.1 kHz): 93 ms queued, so a sound set off by a
// frame is heard at most 93 ms later.
const SoundQueue Queued = {8, 512};

void StartFeeding(int) {}

void WakeFeeder() {
  TopUpSound();
}

void StopFeeding() {}
