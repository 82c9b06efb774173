// Sound on Windows through WinMM's waveOut, which every Windows has (its import library comes
// with MinGW-w64): no COM, no thread of its own. A few short buffers are written to the device,
// and each turn of the loop refills those the device has played, told by their done flags; a
// still screen's turns stop coming, so the device plays what it has and falls silent.
// windows.h first: mmsystem.h builds on its types.
#include <windows.h>

#include <mmsystem.h>

#include <cstdio>

#include "Target.h"

namespace {

// Frames in one buffer (11.6 ms at 44.1 kHz) and buffers written: a sound starts at most about
// 46 ms after the frame that asked for it.
constexpr int BufferFrames = 512;
constexpr int Buffers = 4;

HWAVEOUT Device = nullptr;
WAVEHDR Headers[Buffers] = {};
short Frames[Buffers][BufferFrames * 2] = {};
bool Playing = false;
bool Opened = false;
int Rate = 0;
SoundFill Fill = nullptr;
void* FillContext = nullptr;

void Silence(const char* why) {
  std::fprintf(stderr, "sieverush: %s; the game plays on in silence\n", why);
  Playing = false;
}

// Opens the device once the game has a frame on screen and may sound (Open), so that neither
// the start nor a page before its first gesture waits for it.
void Open() {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = static_cast<DWORD>(Rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  if (waveOutOpen(&Device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    Device = nullptr;
    return Silence("no sound device");
  }
  for (int i = 0; i < Buffers; ++i) {
    Headers[i].lpData = reinterpret_cast<LPSTR>(Frames[i]);
    Headers[i].dwBufferLength = sizeof Frames[i];
    if (waveOutPrepareHeader(Device, &Headers[i], sizeof Headers[i]) != MMSYSERR_NOERROR)
      return Silence("the sound device would not play");
  }
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
  // A buffer not in the device's queue is free: never written yet, or played.
  for (int i = 0; i < Buffers; ++i) {
    if ((Headers[i].dwFlags & WHDR_INQUEUE) != 0)
      continue;
    Fill(FillContext, Frames[i], BufferFrames);
    // A device unplugged refuses the buffer.
    if (waveOutWrite(Device, &Headers[i], sizeof Headers[i]) != MMSYSERR_NOERROR)
      return Silence("the sound device went away");
  }
}

void StopSound() {
  if (Device == nullptr)
    return;
  waveOutReset(Device);
  for (WAVEHDR& header : Headers)
    if ((header.dwFlags & WHDR_PREPARED) != 0)
      waveOutUnprepareHeader(Device, &header, sizeof header);
  waveOutClose(Device);
  Device = nullptr;
  Playing = false;
}
