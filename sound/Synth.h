// The cues' sounds, made from sines and noise. Only +, -, *, / and floor on doubles (no library
// maths, no fused multiply-add: see CMakeLists.txt), so every target rounds alike and makes the
// same samples.
#pragma once

#include <cstdint>
#include <vector>

#include "sound/Mixer.h"

// sin(2 pi turns), from a polynomial: within 1e-7 of the true value.
double Sine(double turns);

// The cue's sound: mono samples at SoundRate that rise from silence and end in it.
std::vector<std::int16_t> SynthesizeCue(Cue cue);
