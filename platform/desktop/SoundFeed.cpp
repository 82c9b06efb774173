// The sound feeder on the desktop (Linux and Windows): a thread of its own keeps the device's
// queue topped up, so that a slow frame of the loop (a busy machine, a window being dragged) never
// leaves it dry. While sound plays it looks in twice a buffer; while nothing sounds (a still
// screen, a paused game) it rests on a condition until the loop's next frame wakes it, and uses
// no processor.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Target.h"

// Eight buffers of 256 frames (5.8 ms each at 44.1 kHz): 46 ms queued at most, so a sound set off
// by a frame is queued within a few milliseconds and heard at most 46 ms later.
const SoundQueue Queued = {8, 256};

namespace {

std::thread Feeder;
// Half a buffer's time: how long the feeder sleeps between looks while sound plays.
std::chrono::microseconds Nap{0};
std::mutex Lock;
std::condition_variable Woken;
bool Asked = false;     // a frame ran since the feeder last looked
bool Resting = false;   // the feeder waits for a frame, not for its next look
bool Stopping = false;  // the device is about to close

void Feed() {
  for (;;) {
    const bool more = TopUpSound();
    std::unique_lock<std::mutex> hold(Lock);
    Resting = !more;
    if (more)
      Woken.wait_for(hold, Nap, [] { return Stopping; });
    else
      Woken.wait(hold, [] { return Asked || Stopping; });
    Resting = Asked = false;
    if (Stopping)
      return;
  }
}

}  // namespace

void StartFeeding(int rate) {
  Nap = std::chrono::microseconds{1000000LL * Queued.BufferFrames / 2 / rate};
  Feeder = std::thread(Feed);
}

void WakeFeeder() {
  const std::lock_guard<std::mutex> hold(Lock);
  Asked = true;
  if (Resting)
    Woken.notify_one();
}

void StopFeeding() {
  if (!Feeder.joinable())
    return;
  {
    const std::lock_guard<std::mutex> hold(Lock);
    Stopping = true;
  }
  Woken.notify_one();
  Feeder.join();
}
