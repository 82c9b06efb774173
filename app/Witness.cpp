#include "Witness.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "game/Rules.h"
#include "platform/Shell.h"

namespace {

// A gap between two frames longer than this (a machine asleep) is heard as this long, so that a
// recording cannot ask for years of sound.
constexpr std::int64_t LongestGap = 600LL * SoundRate;
// Stereo frames mixed at a time.
constexpr int Chunk = 1024;
constexpr std::int64_t MicrosPerSecond = 1000000;

const char* ScreenName(Screen shown) {
  switch (shown) {
    case Screen::Title:
      return "title";
    case Screen::Play:
      return "play";
    case Screen::RunningOut:
      return "running-out";
    case Screen::Paused:
      return "paused";
    case Screen::GameOver:
      return "game-over";
  }
  return "?";
}

void PutLittle(std::FILE* file, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
}

// A RIFF WAVE header of 16-bit stereo PCM at the mixer's rate holding `frames` frames.
void PutWavHeader(std::FILE* file, std::uint32_t frames) {
  const std::uint32_t data = frames * 4;
  std::fputs("RIFF", file);
  PutLittle(file, 36 + data, 4);
  std::fputs("WAVEfmt ", file);
  PutLittle(file, 16, 4);
  PutLittle(file, 1, 2);  // PCM
  PutLittle(file, 2, 2);  // channels
  PutLittle(file, SoundRate, 4);
  PutLittle(file, SoundRate * 4, 4);  // bytes a second
  PutLittle(file, 4, 2);              // bytes a frame
  PutLittle(file, 16, 2);             // bits a sample
  std::fputs("data", file);
  PutLittle(file, data, 4);
}

void WritePng(void* file, void* data, int size) {
  std::fwrite(data, 1, static_cast<std::size_t>(size), static_cast<std::FILE*>(file));
}

// Closes `file`: whether all written to it reached it. A write that failed outright (a whole
// picture at once on a full disk) leaves nothing for fclose to flush and report, only the error
// mark.
bool Closed(std::FILE* file) {
  const bool failed = std::ferror(file) != 0;
  return std::fclose(file) == 0 && !failed;
}

bool Said(const std::string& name, const char* what) {
  std::fprintf(stderr, "sieverush: cannot write %s '%s'\n", what, name.c_str());
  return false;
}

}  // namespace

Witness::~Witness() {
  if (Trace)
    std::fclose(Trace);
  if (Wav)
    std::fclose(Wav);
}

bool Witness::Open(const WitnessFiles& files) {
  Files = files;
  Hears = !Files.Trace.empty() || !Files.Wav.empty();
  if (Hears)
    Ears.Reset();  // its mixer made now, not by the first frame heard
  Mixed.resize(2 * Chunk);
  // Binary: the trace's lines end in LF on every target, so traces compare byte for byte.
  if (!Files.Trace.empty() && !(Trace = std::fopen(Files.Trace.c_str(), "wb")))
    return Said(Files.Trace, "the trace");
  if (!Files.Wav.empty()) {
    if (!(Wav = std::fopen(Files.Wav.c_str(), "wb")))
      return Said(Files.Wav, "the sound");
    PutWavHeader(Wav, 0);
  }
  return true;
}

bool Witness::Before(const FrameInput& in, std::uint64_t frame) {
  if (FirstMicros < 0)
    FirstMicros = in.Micros;
  // The frame's moment in the sound: seconds and the rest apart, so that no time overflows.
  const std::int64_t since = in.Micros - FirstMicros;
  if (Hears)
    Sound(since / MicrosPerSecond * SoundRate +
          since % MicrosPerSecond * SoundRate / MicrosPerSecond);
  PictureAsked = std::any_of(Files.Shots.begin(), Files.Shots.end(),
                             [&](const WitnessFiles::Shot& shot) { return shot.Frame == frame; });
  if (PictureAsked) {
    Picture.resize(std::size_t{ScreenWidth} * ScreenHeight * 3);
    ReadNextPicture(Picture.data());
  }
  return PictureAsked;
}

void Witness::Sound(std::int64_t upTo) {
  std::int64_t left = std::min(upTo - Samples, LongestGap);
  Samples = std::max(Samples, upTo);
  while (left > 0) {
    const int count = static_cast<int>(std::min<std::int64_t>(left, Chunk));
    Ears.Mix(Mixed.data(), count);
    for (int i = 0; i < 2 * count; ++i) {
      const auto sample = static_cast<std::uint16_t>(Mixed[i]);
      SoundHash = (SoundHash ^ (sample & 0xFF)) * 16777619u;
      SoundHash = (SoundHash ^ (sample >> 8)) * 16777619u;
      if (Wav)
        PutLittle(Wav, sample, 2);
    }
    left -= count;
    Written += count;
  }
}

void Witness::After(const GameSession& game, std::uint64_t frame) {
  if (Hears)
    Ears.Listen(game);
  const std::int64_t second = game.Input.Micros / MicrosPerSecond;
  if (Trace && second != Second) {
    Second = second;
    Line(game, "second", frame);
  }
  if (PictureAsked) {
    for (const WitnessFiles::Shot& shot : Files.Shots) {
      if (shot.Frame != frame)
        continue;
      std::FILE* file = std::fopen(shot.File.c_str(), "wb");
      const bool made = file && stbi_write_png_to_func(WritePng, file, ScreenWidth, ScreenHeight, 3,
                                                       Picture.data(), ScreenWidth * 3);
      if (!(file && Closed(file) && made))
        Failed = !Said(shot.File, "the picture");
    }
  }
}

void Witness::Line(const GameSession& game, const char* when, std::uint64_t frame) {
  const int holes =
      static_cast<int>(std::count_if(std::begin(game.Holes), std::end(game.Holes),
                                     [](const ParticleStruct& h) { return h.Active; }));
  // The angle in thousandths of a degree: the same digits wherever it is printed.
  std::fprintf(Trace,
               "%s %lld frame %llu %s uptime %d ram %d holes %d angle %lld state %08x sound %08x\n",
               when, static_cast<long long>(game.Input.Micros / MicrosPerSecond),
               static_cast<unsigned long long>(frame), ScreenName(game.Shown), game.Uptime(),
               game.Ram, holes, std::llround(static_cast<double>(game.Angle) * 1000),
               static_cast<unsigned>(game.Fingerprint()), static_cast<unsigned>(SoundHash));
}

bool Witness::Close(const GameSession& game, std::uint64_t frames) {
  bool whole = !Failed;
  if (Trace) {
    Line(game, "end", frames);
    if (!Closed(Trace))
      whole = Said(Files.Trace, "the trace");
    Trace = nullptr;
  }
  if (Wav) {
    // The sizes, now that they are known; a file past 4 GiB keeps the largest a header can say.
    std::fseek(Wav, 0, SEEK_SET);
    PutWavHeader(Wav, static_cast<std::uint32_t>(std::min<std::int64_t>(Written, 0x3FFFFFF0)));
    if (!Closed(Wav))
      whole = Said(Files.Wav, "the sound");
    Wav = nullptr;
  }
  return whole;
}
