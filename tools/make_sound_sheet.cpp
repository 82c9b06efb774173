// make_sound_sheet: plays each of the game's sounds through the mixer, as the game would, and
// writes it into a folder as a WAV file (16-bit stereo, 44.1 kHz) to listen to, together with
// sounds.png, a sheet with one row per sound: its level over time (left channel above, right below)
// and its spectrogram. Prints each sound's peak and RMS level.
//   make_sound_sheet <output folder>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "sound/Mixer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Frames = std::vector<std::int16_t>;

// Every sound is heard for this long, so the rows of the sheet share one time scale.
constexpr int Length = SoundRate * 5 / 4;
constexpr double Pi = 3.14159265358979323846;

// Twelve holes spread from left to right, as many as may be open.
void SprayOf(Mixer& mixer, int count) {
  std::vector<SprayVoice> voices;
  for (int i = 0; i < count; ++i)
    voices.push_back({count > 1 ? -1 + 2.0f * i / (count - 1) : 0, 1});
  mixer.SetSpray(voices.data(), count);
}

struct Sound {
  const char* Name;  // the WAV file's name, without .wav
  std::function<void(Mixer&)> Start;
};

// The sheet's rows, top to bottom.
const Sound Sounds[] = {
    {"game-start", [](Mixer& m) { m.Play(Cue::GameStart, 0, 1); }},
    {"hole-opened", [](Mixer& m) { m.Play(Cue::HoleOpened, 0, 1); }},
    {"patch", [](Mixer& m) { m.Play(Cue::Patch, 0, 1); }},
    {"ram-low", [](Mixer& m) { m.Play(Cue::RamLow, 0, 1); }},
    {"crash", [](Mixer& m) { m.Play(Cue::Crash, 0, 1); }},
    {"spray-1", [](Mixer& m) { SprayOf(m, 1); }},
    {"spray-4", [](Mixer& m) { SprayOf(m, 4); }},
    {"spray-12", [](Mixer& m) { SprayOf(m, 12); }},
    // The loudest moment the game can make: every hole open and every cue at once, all of them
    // on the left.
    {"everything",
     [](Mixer& m) {
       SprayOf(m, 12);
       for (Cue cue : {Cue::GameStart, Cue::HoleOpened, Cue::Patch, Cue::RamLow, Cue::Crash})
         m.Play(cue, -1, 1);
     }},
};

void Put(Bytes& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A RIFF WAVE file: a 44-byte header, then the frames as they are.
Bytes EncodeWav(const Frames& frames) {
  const std::uint32_t data = static_cast<std::uint32_t>(frames.size() * 2);
  Bytes out;
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  Put(out, 36 + data, 4);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put(out, 16, 4);             // format block size
  Put(out, 1, 2);              // PCM
  Put(out, 2, 2);              // channels
  Put(out, SoundRate, 4);      // frames a second
  Put(out, SoundRate * 4, 4);  // bytes a second
  Put(out, 4, 2);              // bytes a frame
  Put(out, 16, 2);             // bits a sample
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  Put(out, data, 4);
  for (std::int16_t s : frames)
    Put(out, static_cast<std::uint16_t>(s), 2);
  return out;
}

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file)
    std::fprintf(stderr, "make_sound_sheet: cannot write %s\n", path.string().c_str());
  return static_cast<bool>(file);
}

// The sheet: an RGB picture with one row per sound.
struct Rgb {
  std::uint8_t R, G, B;
};
struct Sheet {
  int Width, Height;
  std::vector<Rgb> Pixels;
  void Set(int x, int y, Rgb c) { Pixels[static_cast<std::size_t>(y) * Width + x] = c; }
};

// Layout in pixels: each sound's row holds its waveform panel and its spectrogram side by side.
constexpr int Margin = 8, PanelWidth = 500, LaneHeight = 64, RowHeight = 2 * LaneHeight;
constexpr int SheetWidth = 3 * Margin + 2 * PanelWidth;
// The spectrogram: a Hann window of this many frames, centred on each column's time, at
// log-spaced frequencies from LowHertz to HighHertz, coloured over Floor..0 dB full scale.
constexpr int Window = 2048;
constexpr double LowHertz = 40, HighHertz = 16000, Floor = -96;

const Rgb Background{16, 18, 24}, Grid{44, 48, 60}, Extent{60, 150, 80}, Body{150, 240, 160};

// Faint lines every quarter second across both panels of a row.
void DrawTimeGrid(Sheet& sheet, int top) {
  for (int q = 1; q < 5; ++q)
    for (int panel = 0; panel < 2; ++panel)
      for (int y = 0; y < RowHeight; ++y)
        sheet.Set(Margin + panel * (PanelWidth + Margin) + q * PanelWidth / 5, top + y, Grid);
}

// Height in a lane, 0 .. LaneHeight / 2 - 1, of a sample magnitude on the lanes' decibel scale:
// WaveFloor dBFS and below at the middle line, full scale at the lane's edge.
constexpr double WaveFloor = -60;
int Reach(double magnitude) {
  const double db = 20 * std::log10(magnitude / 32768 + 1e-12);
  return static_cast<int>(std::clamp(1 - db / WaveFloor, 0.0, 1.0) * (LaneHeight / 2 - 1) + 0.5);
}

// The channel's envelope, mirrored about the lane's middle on a decibel scale so that soft sounds
// show as well as loud ones: each column's peak in a dim green, its RMS in a bright one, and faint
// lines at -20 and -40 dBFS.
void DrawWave(Sheet& sheet, const Frames& f, int channel, int top) {
  const int middle = top + LaneHeight / 2;
  for (int x = 0; x < PanelWidth; ++x) {
    const int begin = static_cast<int>(std::int64_t(x) * Length / PanelWidth);
    const int end = static_cast<int>(std::int64_t(x + 1) * Length / PanelWidth);
    int peak = 0;
    double power = 0;
    for (int i = begin; i < end; ++i) {
      const int s = f[2 * i + channel];
      peak = std::max(peak, std::abs(s));
      power += double(s) * s;
    }
    for (double line : {3276.8, 327.68})
      sheet.Set(Margin + x, middle - Reach(line), Grid),
          sheet.Set(Margin + x, middle + Reach(line), Grid);
    const int outer = Reach(peak), inner = Reach(std::sqrt(power / (end - begin)));
    for (int y = -outer; y <= outer; ++y)
      sheet.Set(Margin + x, middle + y, std::abs(y) <= inner ? Body : Extent);
  }
}

// Black through blue, red and yellow to white as the level rises from Floor to full scale, in
// steps of HeatStep dB: plenty to read, and a sheet of noise that still compresses.
constexpr double HeatStep = 6;
Rgb Heat(double db) {
  const double stepped = std::floor((db - Floor) / HeatStep) * HeatStep;
  const double t = std::clamp(stepped / -Floor, 0.0, 1.0) * 4;
  const int step = std::min(static_cast<int>(t), 3);
  const double u = t - step;
  const Rgb stops[] = {{0, 0, 0}, {30, 30, 140}, {200, 40, 60}, {250, 200, 40}, {255, 255, 255}};
  const Rgb a = stops[step], b = stops[step + 1];
  auto mix = [u](int p, int q) { return static_cast<std::uint8_t>(p + (q - p) * u + 0.5); };
  return {mix(a.R, b.R), mix(a.G, b.G), mix(a.B, b.B)};
}

// The mono mix's level at each row's frequency around each column's time, by a direct Fourier
// sum at just those frequencies; grid lines at 100 Hz, 1 kHz and 10 kHz.
void DrawSpectrogram(Sheet& sheet, const Frames& f, int top) {
  const int left = 2 * Margin + PanelWidth;
  std::vector<double> hann(Window), mono(Window);
  for (int n = 0; n < Window; ++n)
    hann[n] = 0.5 - 0.5 * std::cos(2 * Pi * n / Window);
  // A full-scale sine under the window sums to 32767 * Window / 4.
  const double fullScale = 32767.0 * Window / 4;
  std::vector<double> cosines(std::size_t(RowHeight) * Window), sines(cosines.size());
  std::vector<int> gridRow(RowHeight);
  for (int y = 0; y < RowHeight; ++y) {
    const double hertz = LowHertz * std::pow(HighHertz / LowHertz, 1 - (y + 0.5) / RowHeight);
    for (int n = 0; n < Window; ++n) {
      cosines[std::size_t(y) * Window + n] = std::cos(2 * Pi * hertz * n / SoundRate);
      sines[std::size_t(y) * Window + n] = std::sin(2 * Pi * hertz * n / SoundRate);
    }
    const double above = LowHertz * std::pow(HighHertz / LowHertz, 1 - double(y) / RowHeight);
    for (double line : {100.0, 1000.0, 10000.0})
      gridRow[y] |= hertz <= line && line < above;
  }
  for (int x = 0; x < PanelWidth; ++x) {
    const int centre = static_cast<int>((x + 0.5) * Length / PanelWidth);
    for (int n = 0; n < Window; ++n) {
      const int i = centre - Window / 2 + n;
      mono[n] = i < 0 || i >= Length ? 0 : hann[n] * (f[2 * i] + f[2 * i + 1]) / 2;
    }
    for (int y = 0; y < RowHeight; ++y) {
      double re = 0, im = 0;
      for (int n = 0; n < Window; ++n) {
        re += mono[n] * cosines[std::size_t(y) * Window + n];
        im += mono[n] * sines[std::size_t(y) * Window + n];
      }
      const double db = 20 * std::log10(std::sqrt(re * re + im * im) / fullScale + 1e-12);
      sheet.Set(left + x, top + y, gridRow[y] && db < Floor / 2 ? Grid : Heat(db));
    }
  }
}

// Peak and RMS in dB full scale over both channels, the RMS over the frames until the sound ends.
void Report(const char* name, const Frames& f) {
  int peak = 0;
  std::size_t last = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    peak = std::max(peak, std::abs(int(f[i])));
    last = f[i] ? i + 1 : last;
  }
  double power = 0;
  for (std::size_t i = 0; i < last; ++i)
    power += double(f[i]) * f[i];
  const double rms = last ? std::sqrt(power / last) : 0;
  std::printf("%-12s %5.2f s  peak %5d (%6.1f dBFS)  RMS %6.0f (%6.1f dBFS)\n", name,
              last / 2.0 / SoundRate, peak, 20 * std::log10(peak / 32768.0 + 1e-12), rms,
              20 * std::log10(rms / 32768 + 1e-12));
}

// stb hands over the finished file in pieces; they land in the caller's Bytes.
void AppendTo(void* context, void* data, int size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  static_cast<Bytes*>(context)->insert(static_cast<Bytes*>(context)->end(), bytes, bytes + size);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sound_sheet <output folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  constexpr int rows = sizeof Sounds / sizeof Sounds[0];
  Sheet sheet{SheetWidth, Margin + rows * (RowHeight + Margin), {}};
  sheet.Pixels.assign(std::size_t(sheet.Width) * sheet.Height, Background);
  for (int row = 0; row < rows; ++row) {
    Mixer mixer;
    Sounds[row].Start(mixer);
    Frames frames(2 * Length);
    mixer.Mix(frames.data(), Length);
    if (!WriteFile(folder / (std::string(Sounds[row].Name) + ".wav"), EncodeWav(frames)))
      return 1;
    Report(Sounds[row].Name, frames);
    const int top = Margin + row * (RowHeight + Margin);
    DrawTimeGrid(sheet, top);
    DrawWave(sheet, frames, 0, top);
    DrawWave(sheet, frames, 1, top + LaneHeight);
    DrawSpectrogram(sheet, frames, top);
  }
  Bytes png;
  if (!stbi_write_png_to_func(AppendTo, &png, sheet.Width, sheet.Height, 3, sheet.Pixels.data(),
                              sheet.Width * 3))
    return 1;
  return WriteFile(folder / "sounds.png", png) ? 0 : 1;
}
