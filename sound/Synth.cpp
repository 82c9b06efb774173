#include "Synth.h"

#include <cmath>
#include <iterator>

namespace {

constexpr double Rate = SoundRate;
constexpr double Pi = 3.14159265358979323846;
// Every sound ends with a fade this long, so its last sample is silence (seconds).
constexpr double EndFade = 0.01;

using Signal = std::vector<double>;

Signal Silence(double seconds) {
  return Signal(static_cast<std::size_t>(seconds * Rate));
}

// Xorshift32: white noise, the same sequence everywhere for a given seed.
struct Noise {
  std::uint32_t State;
  // Uniform in [-1, 1).
  double Next() {
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return static_cast<std::int32_t>(State) / 2147483648.0;
  }
};

// A sine oscillator whose frequency may change every sample.
struct Oscillator {
  double Turns = 0;
  double Next(double hertz) {
    const double out = Sine(Turns);
    Turns += hertz / Rate;
    Turns -= std::floor(Turns);
    return out;
  }
};

// Linear rise over `attack` seconds, held at the top for `hold` seconds, then an exponential fall
// with time constant `tau` seconds (1 - 1/n per sample is e^(-1/n) to within 1/(2n^2), and needs
// no exp()).
struct Envelope {
  Envelope(double attack, double tau, double hold = 0)
      : Rise(1 / (attack * Rate)), Fall(1 - 1 / (tau * Rate)), Hold(hold * Rate) {}
  double Next() {
    if (Rising) {
      Level += Rise;
      Rising = Level < 1;
      Level = Rising ? Level : 1;
    } else if (Hold > 0) {
      Hold -= 1;
    } else {
      Level *= Fall;
    }
    return Level;
  }
  double Rise;
  double Fall;
  double Hold;  // samples still to hold
  double Level = 0;
  bool Rising = true;
};

// Chamberlin's state-variable filter: low-pass and band-pass outputs of one resonant filter whose
// cutoff may change every sample (stable below about a sixth of the rate).
struct Filter {
  double Damping;  // 1 / Q
  double Low = 0;
  double Band = 0;
  void Step(double in, double hertz) {
    const double f = 2 * Sine(hertz / (2 * Rate));
    Low += f * Band;
    const double high = in - Low - Damping * Band;
    Band += f * high;
  }
};

// A pitched note struck at `start` seconds: partials at `ratios` times `hertz`, each with its
// level and decay, over a shared soft attack.
struct Partial {
  double Ratio;
  double Level;
  double Tau;  // seconds
};
template <std::size_t N>
void Strike(Signal& out, double start, double hertz, double level, const Partial (&partials)[N],
            double attack) {
  for (const Partial& p : partials) {
    Oscillator osc;
    Envelope env(attack, p.Tau);
    for (std::size_t i = static_cast<std::size_t>(start * Rate); i < out.size(); ++i)
      out[i] += level * p.Level * env.Next() * osc.Next(hertz * p.Ratio);
  }
}

// Four bell-like notes climbing a C major arpeggio, each rung while the last still sounds.
Signal GameStart() {
  Signal out = Silence(1.0);
  // The fundamental and its octave, and a faint inharmonic partial that gives the strike.
  static const Partial Bell[] = {{1, 1, 0.28}, {2, 0.22, 0.12}, {2.76, 0.08, 0.04}};
  const double notes[] = {523.25, 659.26, 783.99, 1046.5};
  for (int i = 0; i < 4; ++i)
    Strike(out, 0.075 * i, notes[i], i == 3 ? 1.0 : 0.8, Bell, 0.004);
  return out;
}

// A short pop that drops in pitch, then a puff of hiss: the case's skin giving way.
Signal HoleOpened() {
  Signal out = Silence(0.3);
  Oscillator pop;
  Envelope popLevel(0.002, 0.025), popPitch(0.0001, 0.015), hissLevel(0.008, 0.06);
  Noise noise{0x5eed0001};
  Filter hiss{1.2};
  for (double& s : out) {
    const double popHertz = 140 + 280 * popPitch.Next();
    hiss.Step(noise.Next(), 3200);
    s = 0.8 * popLevel.Next() * pop.Next(popHertz) + 0.5 * hissLevel.Next() * hiss.Band;
  }
  return out;
}

// A soft low thump under a brief dull slap: a plaster pressed flat.
Signal Patch() {
  Signal out = Silence(0.22);
  Oscillator thump;
  Envelope thumpLevel(0.0015, 0.045), thumpPitch(0.0001, 0.02), slapLevel(0.0005, 0.012);
  Noise noise{0x5eed0002};
  Filter slap{1.0};
  for (double& s : out) {
    const double thumpHertz = 75 + 150 * thumpPitch.Next();
    slap.Step(noise.Next(), 1800);
    s = thumpLevel.Next() * thump.Next(thumpHertz) + 0.6 * slapLevel.Next() * slap.Low;
  }
  return out;
}

// High, low, high, low: two soft tones a fourth apart, each faded in and out.
Signal RamLow() {
  constexpr double Tone = 0.13, Gap = 0.02, Ramp = 0.012;  // seconds
  const double notes[] = {880, 660, 880, 660};
  Signal out = Silence(4 * (Tone + Gap));
  for (int n = 0; n < 4; ++n) {
    Oscillator first, second;
    const std::size_t begin = static_cast<std::size_t>(n * (Tone + Gap) * Rate);
    const std::size_t length = static_cast<std::size_t>(Tone * Rate),
                      ramp = std::size_t(Ramp * Rate);
    for (std::size_t i = 0; i < length; ++i) {
      const std::size_t edge = i < length - i ? i : length - i;
      const double fade = edge < ramp ? static_cast<double>(edge) / ramp : 1;
      out[begin + i] = fade * (first.Next(notes[n]) + 0.12 * second.Next(2 * notes[n]));
    }
  }
  return out;
}

// The machine powering down: a buzzing tone and a rumble of noise, both sliding down from a
// few hundred hertz to a low growl as they fade.
Signal Crash() {
  Signal out = Silence(1.15);
  Oscillator harmonics[4];
  Envelope slide(0.0001, 0.3), level(0.01, 0.4, 0.15);
  Noise noise{0x5eed0003};
  Filter rumble{0.7};
  for (double& s : out) {
    const double down = slide.Next();
    const double hertz = 38 + 260 * down;
    double buzz = 0;
    for (int h = 0; h < 4; ++h)
      buzz += harmonics[h].Next(hertz * (h + 1)) / (h + 1);
    rumble.Step(noise.Next(), 110 + 2400 * down);
    s = level.Next() * (0.45 * buzz + 0.9 * rumble.Low);
  }
  return out;
}

// Peak level of each cue, a fraction of full scale, in the order of Cue: the chime and the crash
// carry, the pop stays under the rest (it comes often), the alert is soft because it is steady
// tone; every cue at once on top of twelve holes stays under the limiter's knee.
constexpr double Peaks[] = {0.24, 0.17, 0.26, 0.16, 0.34};
static_assert(std::size(Peaks) == static_cast<std::size_t>(Cue::Crash) + 1);

}  // namespace

double Sine(double turns) {
  double t = turns - std::floor(turns);  // [0, 1)
  const double sign = t < 0.5 ? 1 : -1;
  t = t < 0.5 ? t : t - 0.5;
  t = t < 0.25 ? t : 0.5 - t;  // [0, 1/4]: sin rises over a quarter turn
  const double a = 2 * Pi * t, a2 = a * a;
  // Taylor series to a^11: the next term is under 6e-8 at a = pi/2.
  const double series =
      1 +
      a2 * (-1.0 / 6 + a2 * (1.0 / 120 + a2 * (-1.0 / 5040 + a2 * (1.0 / 362880 - a2 / 39916800))));
  return sign * a * series;
}

std::vector<std::int16_t> SynthesizeCue(Cue cue) {
  Signal s;
  switch (cue) {
    case Cue::GameStart:
      s = GameStart();
      break;
    case Cue::HoleOpened:
      s = HoleOpened();
      break;
    case Cue::Patch:
      s = Patch();
      break;
    case Cue::RamLow:
      s = RamLow();
      break;
    case Cue::Crash:
      s = Crash();
      break;
  }
  const std::size_t fade = static_cast<std::size_t>(EndFade * Rate);
  for (std::size_t i = 0; i < fade && i < s.size(); ++i)
    s[s.size() - 1 - i] *= static_cast<double>(i) / fade;
  double peak = 0;
  for (double v : s)
    peak = std::fabs(v) > peak ? std::fabs(v) : peak;
  const double scale = peak > 0 ? Peaks[static_cast<int>(cue)] * 32767 / peak : 0;
  std::vector<std::int16_t> out(s.size());
  for (std::size_t i = 0; i < s.size(); ++i)
    out[i] = static_cast<std::int16_t>(std::floor(s[i] * scale + 0.5));
  return out;
}
