// The sound output through OpenAL, on Linux (OpenAL Soft, which reaches PulseAudio, PipeWire or
// ALSA) and in the browser (emscripten's OpenAL over Web Audio): one streaming source and its
// queue of short buffers. A queue left to run dry stops the source; the next top-up starts it.
#include <AL/al.h>
#include <AL/alc.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "Target.h"

namespace {

// ALC_CONNECTED of the ALC_EXT_disconnect extension: whether the device is still there.
constexpr ALCenum DeviceConnected = 0x313;

ALCdevice* Device = nullptr;
ALCcontext* Context = nullptr;
ALuint Source = 0;
std::vector<ALuint> Names;  // every buffer
std::vector<ALuint> Free;   // those not queued
int Rate = 0;
bool Disconnects = false;
std::vector<short> Frames;  // one buffer's frames, filled before OpenAL copies them

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

}  // namespace

const char* OpenSoundOutput(int rate, int buffers, int frames) {
  Rate = rate;
  Device = OpenQuietly();
  if (Device == nullptr)
    return "no sound device";
  Context = alcCreateContext(Device, nullptr);
  if (Context == nullptr || alcMakeContextCurrent(Context) != ALC_TRUE)
    return "the sound device would not play";
  alGenSources(1, &Source);
  Names.resize(static_cast<std::size_t>(buffers));
  alGenBuffers(buffers, Names.data());
  if (alGetError() != AL_NO_ERROR)
    return "the sound device would not play";
  Free = Names;
  Frames.resize(2 * static_cast<std::size_t>(frames));
  Disconnects = alcIsExtensionPresent(Device, "ALC_EXT_disconnect") == ALC_TRUE;
  return nullptr;
}

bool TopUpSoundOutput(BufferFill fill) {
  // A headset unplugged, a sound server gone: OpenAL says the device is no longer connected.
  ALCint connected = ALC_TRUE;
  if (Disconnects)
    alcGetIntegerv(Device, DeviceConnected, 1, &connected);
  if (connected != ALC_TRUE)
    return false;
  ALint done = 0;
  alGetSourcei(Source, AL_BUFFERS_PROCESSED, &done);
  for (; done > 0 && Free.size() < Names.size(); --done) {
    Free.push_back(0);
    alSourceUnqueueBuffers(Source, 1, &Free.back());
  }
  const int count = static_cast<int>(Frames.size() / 2);
  while (!Free.empty()) {
    const ALuint buffer = Free.back();
    Free.pop_back();
    fill(Frames.data(), count);
    alBufferData(buffer, AL_FORMAT_STEREO16, Frames.data(),
                 static_cast<ALsizei>(Frames.size() * sizeof(short)), Rate);
    alSourceQueueBuffers(Source, 1, &buffer);
  }
  ALint state = AL_PLAYING;
  alGetSourcei(Source, AL_SOURCE_STATE, &state);
  if (state != AL_PLAYING)
    alSourcePlay(Source);
  return true;
}

void CloseSoundOutput() {
  if (Source != 0) {
    alSourceStop(Source);
    alDeleteSources(1, &Source);
    alDeleteBuffers(static_cast<ALsizei>(Names.size()), Names.data());
  }
  alcMakeContextCurrent(nullptr);
  if (Context != nullptr)
    alcDestroyContext(Context);
  if (Device != nullptr)
    alcCloseDevice(Device);
  Device = nullptr;
  Context = nullptr;
  Source = 0;
}
