// The mixer's frames: alike for alike calls, each sound placed and scaled as asked, the spray
// growing gently with the holes, every cue heard, nothing clipped, mute and pause faded out and
// in, never cut; the mixer quiet, and a device free to rest, only when nothing more can sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>
#include <vector>

#include "sound/Mixer.h"

using Scene = std::function<void(Mixer&)>;
using Frames = std::vector<std::int16_t>;
constexpr int Length = SoundRate / 2;  // frames heard of each scene

// What a fresh mixer makes after a scene's calls.
Frames Hear(const Scene& scene) {
  Frames out(2 * Length);
  Mixer mixer;
  scene(mixer);
  mixer.Mix(out.data(), Length);
  return out;
}

// `count` holes at `gain`: one at `pan`, or more spread evenly from left to right.
Scene Holes(int count, float pan = 0, float gain = 1) {
  return [=](Mixer& m) {
    std::vector<SprayVoice> voices;
    for (int i = 0; i < count; ++i)
      voices.push_back({count > 1 ? -1 + 2.0f * i / (count - 1) : pan, gain});
    m.SetSpray(voices.data(), count);
  };
}
Scene Play(Cue cue, float pan = 0) {
  return [=](Mixer& m) { m.Play(cue, pan, 1); };
}
// One scene, `frames` frames mixed, then the other.
Scene Then(Scene first, Scene second, int frames = 0) {
  return [=](Mixer& m) {
    Frames skipped(2 * frames);
    first(m);
    m.Mix(skipped.data(), frames);
    second(m);
  };
}
const Scene Mute = [](Mixer&m) { m.SetMuted(true); }, Unmute = [](Mixer&m) { m.SetMuted(false); };
const Scene Pause = [](Mixer&m) { m.SetPaused(true); }, GoOn = [](Mixer&m) { m.SetPaused(false); };
const Scene Nothing = [](Mixer&) {};
// Twelve holes, and every cue twice at full gain, all on the left: more than the game ever asks.
const Cue Cues[] = {Cue::GameStart, Cue::HoleOpened, Cue::Patch, Cue::RamLow, Cue::Crash};
const Scene Everything = [](Mixer& m) {
  Holes(12)(m);
  for (Cue cue : Cues)
    m.Play(cue, -1, 1), m.Play(cue, -1, 1);
};

enum Channel { Left, Right, Both };
// RMS of one channel of a scene's frames, or of both.
double Level(const Scene& scene, Channel channel = Both) {
  const Frames f = Hear(scene);
  double sum = 0;
  for (std::size_t i = channel == Right; i < f.size(); i += channel == Both ? 1 : 2)
    sum += double(f[i]) * f[i];
  return std::sqrt(sum / (channel == Both ? 2 * Length : Length));
}

// The largest magnitude in a scene's frames from `from` to `to`.
int Peak(const Scene& scene, int from = 0, int to = Length) {
  const Frames f = Hear(scene);
  const auto [low, high] = std::minmax_element(f.begin() + 2 * from, f.begin() + 2 * to);
  return std::max(-*low, int(*high));
}

TEST(Mixer, PlacesScalesAndGrowsEachSoundAsAsked) {
  // The second is clearly louder than the first (by a quarter, and more than a whisper), and
  // when AtMost is given, no more than that many times as loud.
  const struct {
    const char* Name;
    double Quiet, Loud, AtMost = 0;
  } cases[] = {
      {"a cue panned left", Level(Play(Cue::Patch, -1), Right), Level(Play(Cue::Patch, -1), Left)},
      {"a hole on the left", Level(Holes(1, -1), Right), Level(Holes(1, -1), Left)},
      {"a hole on a face turned away", Level(Holes(1, 0, 0.3f)), Level(Holes(1))},
      {"4 holes, not 4 times 1", Level(Holes(1)), Level(Holes(4)), 2.5},
      {"12 holes, not 3 times 4", Level(Holes(4)), Level(Holes(12)), 2.2},
      {"the spray after unmuting", 0, Level(Then(Then(Holes(12), Mute), Unmute, 900))},
  };
  for (const auto& c : cases) {
    EXPECT_GT(c.Loud, c.Quiet * 1.25 + 30) << c.Name;
    EXPECT_TRUE(!c.AtMost || c.Loud <= c.Quiet * c.AtMost)
        << c.Name << ": " << c.Loud << " to " << c.Quiet;
  }
  for (Cue cue : Cues)
    EXPECT_GT(Level(Play(cue)), 30) << "cue " << int(cue) << " is silent";
}

TEST(Mixer, RepeatsItselfNeverClipsAndFadesOutAndInWithoutAClick) {
  const Scene busy = Then(Then(Everything, Mute, 3000), Then(Unmute, Holes(1, 0.5f), 900), 700);
  EXPECT_EQ(Hear(busy), Hear(busy));
  EXPECT_LT(Peak(Everything), 32767);
  const Frames loudest = Hear(Everything);  // a sum wrapped round int16 jumps, even if it is small
  for (std::size_t i = 2; i < loudest.size(); ++i)
    ASSERT_LT(std::abs(loudest[i] - loudest[i - 2]), 16384) << "at frame " << i / 2;
  // Off: still heard in the first half millisecond, exact zeros from 20 ms on; on again: soft in
  // the first half millisecond. Paused, nothing moves on: a long pause goes on as a short one.
  const Scene sounding = Then(Holes(12), Play(Cue::Crash), 2000);
  for (const auto& [name, off, on] : {std::tuple{"muted", Mute, Unmute}, {"paused", Pause, GoOn}}) {
    EXPECT_GT(Peak(Then(sounding, off), 0, 22), 2000) << name << ": cut short";
    EXPECT_EQ(Peak(Then(sounding, off), 882), 0) << name;
    EXPECT_LT(Peak(Then(Then(sounding, off), on, 900), 0, 22), 400)
        << name << ": back with a click";
  }
  EXPECT_EQ(Hear(Then(Then(sounding, Pause), GoOn, 900)),
            Hear(Then(Then(sounding, Pause), GoOn, 9000)));
}

TEST(Mixer, IsQuietOnlyWhenNothingMoreCanSoundAndThenWritesZeros) {
  const struct {
    const char* Name;
    Scene Before;
    bool Quiet;
  } cases[] = {
      {"a patch played out", Then(Play(Cue::Patch), Nothing, Length), true},
      {"a hole, muted", Then(Then(Holes(1), Mute), Nothing, Length), false},
      {"holes shut", Then(Then(Holes(12), Holes(0)), Nothing, Length), true},
      {"a crash, paused", Then(Then(Play(Cue::Crash), Pause), Nothing, 900), true},
  };
  for (const auto& c : cases) {
    Mixer mixer;
    c.Before(mixer);
    EXPECT_EQ(mixer.Quiet(), c.Quiet) << c.Name;
    Frames after(2 * Length);
    mixer.Mix(after.data(), Length);
    EXPECT_TRUE(!c.Quiet || after == Frames(2 * Length)) << c.Name;
  }
}
