#include "sound/Mixer.h"

#include <algorithm>
#include <iterator>

#include "Synth.h"

namespace {

constexpr std::int32_t One = 32768;  // 1.0 in Q15

// The spray's loudness: each voice's white noise is its 32-bit draw shifted down to +/- 8192
// before its filters, then scaled by SprayLevel; one hole straight ahead comes out at about
// -42 dBFS RMS, twelve at about -30, under the cues.
constexpr int NoiseShift = 18;
constexpr std::int32_t SprayLevel = 20000;  // Q15
// The spray's band: a one-pole high-pass cuts the rumble below this (hertz); each voice's
// low-pass lies a little higher than the last, so holes differ slightly in colour.
constexpr double SprayLowCut = 350;
constexpr double SprayHighCut = 1300, SprayHighCutStep = 70;
// Each voice's level wanders between these (Q15), picking a new aim every FlutterPeriod frames
// and gliding to it with time constant 2^FlutterShift frames (both about 0.1 s): a shower, not
// a steady hiss.
constexpr std::int32_t FlutterLow = 20000, FlutterHigh = One;
constexpr std::uint32_t FlutterPeriod = 4096;
constexpr int FlutterShift = 12;
// Spray gains glide to their targets with time constant 2^GlideShift frames (5.8 ms).
constexpr int GlideShift = 8;
// Muting, pausing and going on fade the output out or in over this many frames (10 ms): a
// step in a sound is heard as a click.
constexpr std::int32_t FadeFrames = 441;
// A cut-short voice's last value decays by this fraction per frame (time constant 2.9 ms).
constexpr std::int32_t DeclickKeep = 127, DeclickOf = 128;
// The limiter: below Knee the sum passes untouched; above it, it bends smoothly (slope 1 at the
// knee) towards Ceiling, which it never reaches, so no sum can clip.
constexpr std::int32_t Knee = 24576, Ceiling = 32000;

// Constant-power panning: left and right gains (Q15) whose squares add up to `gain` squared.
// Out-of-range values are clamped; NaN counts as the lower end.
void PanGains(float pan, float gain, std::int32_t& left, std::int32_t& right) {
  pan = pan > -1 ? (pan < 1 ? pan : 1) : -1;
  gain = gain > 0 ? (gain < 1 ? gain : 1) : 0;
  const double turns = (pan + 1.0) / 8;  // 0 (all left) .. 1/4 (all right) of a turn
  left = static_cast<std::int32_t>(Sine(turns + 0.25) * gain * One + 0.5);
  right = static_cast<std::int32_t>(Sine(turns) * gain * One + 0.5);
}

// One-pole low-pass coefficient (Q16) for a cutoff in hertz: w / (1 + w), close to 1 - e^-w.
constexpr std::int32_t OnePole(double hertz) {
  const double w = 2 * 3.14159265358979323846 * hertz / SoundRate;
  return static_cast<std::int32_t>(w / (1 + w) * 65536 + 0.5);
}
constexpr std::int32_t LowCut = OnePole(SprayLowCut);

std::uint32_t Xorshift(std::uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

// `value` moved the fraction coefficient / 2^16 of the way to `target`.
std::int32_t Towards(std::int32_t value, std::int32_t target, std::int32_t coefficient) {
  return value +
         static_cast<std::int32_t>((static_cast<std::int64_t>(target - value) * coefficient) >> 16);
}

// The output sample for a summed value: the limiter's curve.
std::int16_t Limit(std::int32_t sum) {
  const std::int64_t magnitude = sum < 0 ? -static_cast<std::int64_t>(sum) : sum;
  if (magnitude <= Knee)
    return static_cast<std::int16_t>(sum);
  const std::int64_t over = magnitude - Knee, room = Ceiling - Knee;
  const auto bent = static_cast<std::int16_t>(Knee + over * room / (over + room));
  return static_cast<std::int16_t>(sum < 0 ? -bent : bent);
}

}  // namespace

Mixer::Mixer() {
  for (int c = 0; c < CueCount; ++c)
    Sounds[c] = SynthesizeCue(static_cast<Cue>(c));
  for (int v = 0; v < SprayVoices; ++v) {
    SprayState& s = Spray[v];
    s.Noise = 0x9e3779b9u * static_cast<std::uint32_t>(v + 1);  // distinct, never zero
    s.LowPassCoefficient = OnePole(SprayHighCut + SprayHighCutStep * v);
    s.Flutter = s.FlutterTarget = FlutterHigh;
  }
}

void Mixer::Play(Cue cue, float pan, float gain) {
  const int index = static_cast<int>(cue);
  if (index < 0 || index >= CueCount)
    return;
  CueVoice* voice = &Cues[0];
  for (CueVoice& v : Cues) {
    if (!v.Samples) {
      voice = &v;
      break;
    }
    voice = v.Started < voice->Started ? &v : voice;
  }
  // Cutting a sound short would step from its last value to zero: hand that value to the
  // declicker, which lets it fade.
  if (voice->Samples && voice->Position > 0) {
    const std::int32_t last = voice->Samples[voice->Position - 1];
    DeclickLeft += (last * voice->GainLeft) >> 15;
    DeclickRight += (last * voice->GainRight) >> 15;
  }
  const std::vector<std::int16_t>& sound = Sounds[index];
  *voice = {sound.data(), static_cast<int>(sound.size()), 0, 0, 0, Plays++};
  PanGains(pan, gain, voice->GainLeft, voice->GainRight);
}

void Mixer::SetSpray(const SprayVoice* voices, int count) {
  count = voices && count > 0 ? (count < SprayVoices ? count : SprayVoices) : 0;
  for (int v = 0; v < SprayVoices; ++v) {
    std::int32_t left = 0, right = 0;
    if (v < count)
      PanGains(voices[v].Pan, voices[v].Gain, left, right);
    Spray[v].TargetLeft = left << 15;  // Q30, for a glide fine enough to reach zero
    Spray[v].TargetRight = right << 15;
  }
}

void Mixer::SetMuted(bool muted) {
  IsMuted = muted;
}

void Mixer::SetPaused(bool paused) {
  IsPaused = paused;
}

bool Mixer::Quiet() const {
  if (IsPaused && Master == 0)
    return true;
  const auto still = [](const SprayState& s) {
    return (s.GainLeft | s.GainRight | s.TargetLeft | s.TargetRight) == 0;
  };
  return std::none_of(std::begin(Cues), std::end(Cues),
                      [](const CueVoice& v) { return v.Samples; }) &&
         std::all_of(std::begin(Spray), std::end(Spray), still) &&
         (DeclickLeft | DeclickRight) == 0;
}

void Mixer::MixCues(std::int32_t& left, std::int32_t& right) {
  for (CueVoice& v : Cues) {
    if (!v.Samples)
      continue;
    const std::int32_t s = v.Samples[v.Position];
    left += (s * v.GainLeft) >> 15;
    right += (s * v.GainRight) >> 15;
    if (++v.Position == v.Length)
      v.Samples = nullptr;
  }
  left += DeclickLeft;
  right += DeclickRight;
  DeclickLeft = DeclickLeft * DeclickKeep / DeclickOf;
  DeclickRight = DeclickRight * DeclickKeep / DeclickOf;
}

// Each voice: its white noise, band-limited (high-pass, then two low-passes), its level
// wandering slowly, then placed by its gliding gains. Voices never share noise, so N holes at
// one gain add in power: sqrt(N) times as loud as one, not N times.
void Mixer::MixSpray(std::int32_t& left, std::int32_t& right) {
  const bool newAim = Frame % FlutterPeriod == 0;
  for (SprayState& s : Spray) {
    const std::int32_t white = static_cast<std::int32_t>(Xorshift(s.Noise)) >> NoiseShift;
    s.HighPass = Towards(s.HighPass, white, LowCut);
    s.Low1 = Towards(s.Low1, white - s.HighPass, s.LowPassCoefficient);
    s.Low2 = Towards(s.Low2, s.Low1, s.LowPassCoefficient);
    if (newAim)
      s.FlutterTarget = FlutterLow + static_cast<std::int32_t>(Xorshift(s.Noise) >> 17) %
                                         (FlutterHigh - FlutterLow);
    s.Flutter += (s.FlutterTarget - s.Flutter) >> FlutterShift;
    s.GainLeft += (s.TargetLeft - s.GainLeft) >> GlideShift;
    s.GainRight += (s.TargetRight - s.GainRight) >> GlideShift;
    const std::int32_t sample = (((s.Low2 * s.Flutter) >> 15) * SprayLevel) >> 15;
    left += (sample * (s.GainLeft >> 15)) >> 15;
    right += (sample * (s.GainRight >> 15)) >> 15;
  }
}

void Mixer::Mix(std::int16_t* out, int frames) {
  const std::int32_t step = One / FadeFrames;
  for (int i = 0; out && i < frames; ++i) {
    // Paused and faded: time stands still for every voice.
    if (IsPaused && Master == 0) {
      out[2 * i] = out[2 * i + 1] = 0;
      continue;
    }
    std::int32_t left = 0, right = 0;
    MixCues(left, right);
    MixSpray(left, right);
    ++Frame;
    Master = IsMuted || IsPaused ? std::max(Master - step, 0) : std::min(Master + step, One);
    out[2 * i] = Limit(static_cast<std::int32_t>((static_cast<std::int64_t>(left) * Master) >> 15));
    out[2 * i + 1] =
        Limit(static_cast<std::int32_t>((static_cast<std::int64_t>(right) * Master) >> 15));
  }
}
