// The sound output on Windows, through WinMM's waveOut, which every Windows has (its import
// library comes with MinGW-w64): no COM. Buffers are written to the device, and a top-up refills
// those it has played, told by their done flags; a device left without any falls silent.
// windows.h first: mmsystem.h builds on its types.
#include <windows.h>

#include <mmsystem.h>

#include <vector>

#include "Target.h"

namespace {

HWAVEOUT Device = nullptr;
std::vector<WAVEHDR> Headers;
std::vector<short> Frames;  // every buffer's frames, one after another
int BufferFrames = 0;

}  // namespace

const char* OpenSoundOutput(int rate, int buffers, int frames) {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = static_cast<DWORD>(rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  if (waveOutOpen(&Device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    Device = nullptr;
    return "no sound device";
  }
  BufferFrames = frames;
  Frames.resize(2 * static_cast<std::size_t>(buffers) * static_cast<std::size_t>(frames));
  Headers.assign(static_cast<std::size_t>(buffers), WAVEHDR{});
  for (std::size_t i = 0; i < Headers.size(); ++i) {
    Headers[i].lpData = reinterpret_cast<LPSTR>(&Frames[2 * i * static_cast<std::size_t>(frames)]);
    Headers[i].dwBufferLength = static_cast<DWORD>(4 * frames);
    if (waveOutPrepareHeader(Device, &Headers[i], sizeof Headers[i]) != MMSYSERR_NOERROR)
      return "the sound device would not play";
  }
  return nullptr;
}

bool TopUpSoundOutput(BufferFill fill) {
  // A buffer not in the device's queue is free: never written yet, or played.
  for (WAVEHDR& header : Headers) {
    if ((header.dwFlags & WHDR_INQUEUE) != 0)
      continue;
    fill(reinterpret_cast<short*>(header.lpData), BufferFrames);
    // A device unplugged refuses the buffer.
    if (waveOutWrite(Device, &header, sizeof header) != MMSYSERR_NOERROR)
      return false;
  }
  return true;
}

void CloseSoundOutput() {
  if (Device == nullptr)
    return;
  waveOutReset(Device);
  for (WAVEHDR& header : Headers)
    if ((header.dwFlags & WHDR_PREPARED) != 0)
      waveOutUnprepareHeader(Device, &header, sizeof header);
  waveOutClose(Device);
  Device = nullptr;
}
