// The game's sounds, synthesized once from code, and the mixer that turns what happens in the
// game into stereo frames. Standard library only: no device, no threads, no files; the platform
// pulls the frames and plays them. The same calls give the same bytes on every target: the mixing
// is integer arithmetic, the synthesis plain floating-point arithmetic with no library maths.
#pragma once

#include <cstdint>
#include <vector>

// Frames a second of the mixer's output: stereo, 16-bit signed, interleaved left then right.
constexpr int SoundRate = 44100;

// What happened in the game that makes a sound.
enum class Cue { GameStart, HoleOpened, Patch, RamLow, Crash };

// One open hole's voice in the spray: where it is heard. pan -1 (left) .. +1 (right); gain 0..1
// (the game gives less to a hole on a face turned away).
struct SprayVoice {
  float Pan;
  float Gain;
};

class Mixer {
public:
  // Synthesizes every sound once, into buffers it owns; nothing is allocated afterwards.
  Mixer();

  // Starts one cue now, heard at `pan` with `gain`. Several may overlap (a fixed number of
  // voices; when all are busy the oldest is replaced).
  void Play(Cue cue, float pan, float gain);
  // The spray bed from now on: one voice per open hole (count 0..12); its level follows how many
  // are open. Voice i keeps its own noise from call to call, and every gain glides to its new
  // value over a few milliseconds, so calling this every frame never clicks.
  void SetSpray(const SprayVoice* voices, int count);
  // All sound off or on again, faded out or in over a few milliseconds so that neither clicks:
  // muted, what plays moves on in silence (exact zeros once faded).
  void SetMuted(bool muted);
  // The game paused or going on, faded the same way: paused, once faded, the mixer writes exact
  // zeros and every voice waits where it was, to go on from there.
  void SetPaused(bool paused);
  // Whether Mix writes nothing but zeros, and will until the next Play, SetSpray, SetMuted or
  // SetPaused: paused and faded, or nothing sounding. Whoever plays the frames may rest meanwhile.
  bool Quiet() const;
  // The next `frames` stereo frames (2 * frames int16 values) into `out`.
  void Mix(std::int16_t* out, int frames);

private:
  // Cues that can sound at once, and spray voices (holes open at most).
  static constexpr int CueVoices = 8;
  static constexpr int SprayVoices = 12;
  static constexpr int CueCount = 5;

  // A cue playing: its samples (borrowed from Sounds), where it is, and its channel gains (Q15).
  struct CueVoice {
    const std::int16_t* Samples = nullptr;
    int Length = 0;
    int Position = 0;
    std::int32_t GainLeft = 0;
    std::int32_t GainRight = 0;
    std::uint64_t Started = 0;  // Play calls before this one: the smallest is the oldest
  };
  // One hole's hiss: its own noise generator and filters, and channel gains (Q30) gliding to
  // their targets.
  struct SprayState {
    std::uint32_t Noise = 0;
    std::int32_t HighPass = 0;
    std::int32_t Low1 = 0;
    std::int32_t Low2 = 0;
    std::int32_t LowPassCoefficient = 0;  // Q16
    std::int32_t Flutter = 0;             // Q15, the slow wander of its level
    std::int32_t FlutterTarget = 0;
    std::int32_t GainLeft = 0;
    std::int32_t GainRight = 0;
    std::int32_t TargetLeft = 0;
    std::int32_t TargetRight = 0;
  };

  void MixCues(std::int32_t& left, std::int32_t& right);
  void MixSpray(std::int32_t& left, std::int32_t& right);

  std::vector<std::int16_t> Sounds[CueCount];  // one mono buffer per Cue
  CueVoice Cues[CueVoices];
  SprayState Spray[SprayVoices];
  std::uint64_t Plays = 0;
  std::uint32_t Frame = 0;  // frames mixed so far, modulo 2^32: paces the spray's flutter
  // What a replaced voice was sounding, fading out so that cutting it short does not click.
  std::int32_t DeclickLeft = 0;
  std::int32_t DeclickRight = 0;
  bool IsMuted = false;
  bool IsPaused = false;
  std::int32_t Master = 32768;  // Q15: 1 while heard, gliding to 0 when muted or paused and back
};
