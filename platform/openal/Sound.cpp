// Sound through OpenAL, on Linux (OpenAL Soft, which reaches PulseAudio, PipeWire or ALSA) and in
// the browser (emscripten's OpenAL over Web Audio): one streaming source whose queue of a few
// short buffers the loop tops up from the mixer on each turn. A still screen's turns stop coming,
// so the queue runs dry and the source stops; the next turn starts it again.
#include <AL/al.h>
#include <AL/alc.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "Target.h"

namespace {

// Frames in one buffer (11.6 ms at 44.1 kHz) and buffers queued: a sound starts at most about
// 46 ms after the frame that asked for it, and a frame may take up to that long without a gap.
constexpr int BufferFrames = 512;
constexpr int Buffers = 4;
// ALC_CONNECTED of the ALC_EXT_disconnect extension: whether the device is still there.
constexpr ALCenum DeviceConnected = 0x313;

ALCdevice* Device = nullptr;
ALCcontext* Context = nullptr;
ALuint Source = 0;
ALuint Names[Buffers] = {};
ALuint Free[Buffers] = {};
int FreeCount = 0;
bool Playing = false;
bool Opened = false;
int Rate = 0;
bool Disconnects = false;
SoundFill Fill = nullptr;
void* FillContext = nullptr;
short Frames[BufferFrames * 2] = {};

void Silence(const char* why) {
  std::fprintf(stderr, "sieverush: %s; the game plays on in silence\n", why);
  Playing = false;
}

// Opens the device once the game has a frame on screen and may sound (Open), so that neither
// the start nor a page before its first gesture waits for it.
// OpenAL Soft and the ALSA library would each say why they found no device (several lines on a
// machine without sound): standard error is set aside while the device is looked for, and the
// game says it in one line.
ALCdevice* OpenQuietly() {
  std::fflush(stderr);
  const int kept = dup(STDERR_FILENO);
  const int nowhere = open("/dev/null", O_WRONLY);
  if (kept >= 0 && nowhere >= 0)
    dup2(nowhere, STDERR_FILENO);
  ALCdevice* device = alcOpenDevice(nullptr);
  if (kept >= 0 && nowhere >= 0)
    dup2(kept, STDERR_FILENO);
  if (kept >= 0)
    close(kept);
  if (nowhere >= 0)
    close(nowhere);
  return device;
}

void Open() {
  Device = OpenQuietly();
  if (Device == nullptr)
    return Silence("no sound device");
  Context = alcCreateContext(Device, nullptr);
  if (Context == nullptr || alcMakeContextCurrent(Context) != ALC_TRUE)
    return Silence("the sound device would not play");
  alGenSources(1, &Source);
  alGenBuffers(Buffers, Names);
  if (alGetError() != AL_NO_ERROR)
    return Silence("the sound device would not play");
  for (ALuint name : Names)
    Free[FreeCount++] = name;
  Disconnects = alcIsExtensionPresent(Device, "ALC_EXT_disconnect") == ALC_TRUE;
  Playing = true;
}

}  // namespace

void StartSound(int rate, SoundFill fill, void* context) {
  Rate = rate;
  Fill = fill;
  FillContext = context;
}

void FeedSound() {
  if (Fill != nullptr && !Opened && SoundAllowed()) {
    Opened = true;
    Open();
  }
  if (!Playing)
    return;
  // A headset unplugged, a sound server gone: OpenAL says the device is no longer connected.
  ALCint connected = ALC_TRUE;
  if (Disconnects)
    alcGetIntegerv(Device, DeviceConnected, 1, &connected);
  if (connected != ALC_TRUE)
    return Silence("the sound device went away");
  ALint done = 0;
  alGetSourcei(Source, AL_BUFFERS_PROCESSED, &done);
  for (; done > 0 && FreeCount < Buffers; --done)
    alSourceUnqueueBuffers(Source, 1, &Free[FreeCount++]);
  while (FreeCount > 0) {
    const ALuint buffer = Free[--FreeCount];
    Fill(FillContext, Frames, BufferFrames);
    alBufferData(buffer, AL_FORMAT_STEREO16, Frames, sizeof Frames, Rate);
    alSourceQueueBuffers(Source, 1, &buffer);
  }
  ALint state = AL_PLAYING;
  alGetSourcei(Source, AL_SOURCE_STATE, &state);
  if (state != AL_PLAYING)
    alSourcePlay(Source);
}

void StopSound() {
  if (Source != 0) {
    alSourceStop(Source);
    alDeleteSources(1, &Source);
    alDeleteBuffers(Buffers, Names);
  }
  alcMakeContextCurrent(nullptr);
  if (Context != nullptr)
    alcDestroyContext(Context);
  if (Device != nullptr)
    alcCloseDevice(Device);
  Device = nullptr;
  Context = nullptr;
  Source = 0;
  Playing = false;
}
