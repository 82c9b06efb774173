// The sound front end, the same on every target (its layers: Target.h). The loop's FeedSound
// opens the device once and then only wakes the feeder, so that however slow a frame is, the
// feeder alone decides when the device gets more.
#include <atomic>
#include <cstdio>

#include "Target.h"

namespace {

// The fraction of a second of silence fed after the mixer falls quiet (FillBuffer).
constexpr int QuietTail = 4;

int Rate = 0;
SoundFill Fill = nullptr;
void* FillContext = nullptr;
bool Opened = false;
// The device open and still there: the feeder's to clear when it goes away, the loop's to read.
std::atomic<bool> Playing{false};
// A frame ran since the feeder last topped up: what it sets off may sound, however quiet the
// mixer was.
std::atomic<bool> News{false};
// Frames of silence filled since the mixer fell quiet, and whether the feeder has more to do
// (the feeder's own).
int QuietFrames = 0;
bool Sounding = true;

void Silence(const char* why) {
  std::fprintf(stderr, "sieverush: %s; the game plays on in silence\n", why);
  Playing = false;
}

// The feeder goes on filling a quarter of a second of silence once the mixer falls quiet, and
// only then rests: an output may hold back the last scrap of what it was given (Wine's waveOut
// keeps what falls short of its sound server's next request, tens of milliseconds), which would
// otherwise be heard only when sound comes again, a fade-out cut off and played much later.
void FillBuffer(short* frames, int count) {
  QuietFrames = Fill(FillContext, frames, count) ? 0 : QuietFrames + count;
  Sounding = QuietFrames < Rate / QuietTail;
}

}  // namespace

void StartSound(int rate, SoundFill fill, void* context) {
  Rate = rate;
  Fill = fill;
  FillContext = context;
}

// Opens the device once the game has a frame on screen and may sound, so that neither the start
// nor a page before its first gesture waits for it.
void FeedSound() {
  if (Fill != nullptr && !Opened && SoundAllowed()) {
    Opened = true;
    if (const char* why = OpenSoundOutput(Rate, Queued.Buffers, Queued.BufferFrames))
      return Silence(why);
    Playing = true;
    StartFeeding(Rate);
  }
  if (!Playing)
    return;
  News = true;
  WakeFeeder();
}

bool TopUpSound() {
  if (!Playing)
    return false;
  if (News.exchange(false))
    Sounding = true;
  // Quiet, the buffers were all filled with the silence that lasts: nothing to refill.
  if (Sounding && !TopUpSoundOutput(FillBuffer))
    Silence("the sound device went away");
  return Sounding && Playing;
}

void StopSound() {
  if (!Opened)
    return;
  StopFeeding();
  CloseSoundOutput();
  Playing = false;
}
