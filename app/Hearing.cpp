#include "Hearing.h"

#include <algorithm>

void Hearing::Listen(const GameSession& game) {
  if (!Sound) {
    auto made = std::make_unique<Mixer>();
    const std::lock_guard<std::mutex> hold(Lock);
    Sound = std::move(made);
  }
  const std::lock_guard<std::mutex> hold(Lock);
  for (int i = 0; i < game.CueCount; ++i)
    Sound->Play(game.Cues[i].What, game.Cues[i].Pan, game.Cues[i].Gain);
  Sound->SetSpray(game.Spray, game.SprayCount);
  Sound->SetMuted(game.Muted);
  // A paused game is silent, and what it was playing waits where it stopped.
  GamePaused = game.Shown == Screen::Paused;
  Sound->SetPaused(GamePaused || Held);
}

void Hearing::Hold(bool held) {
  const std::lock_guard<std::mutex> hold(Lock);
  Held = held;
  if (Sound)
    Sound->SetPaused(GamePaused || Held);
}

void Hearing::Reset() {
  // Made now, before the watch's first frame, rather than by that frame's Listen.
  auto fresh = std::make_unique<Mixer>();
  const std::lock_guard<std::mutex> hold(Lock);
  Sound = std::move(fresh);
  Held = GamePaused = false;
}

bool Hearing::Mix(short* frames, int count) {
  const std::lock_guard<std::mutex> hold(Lock);
  if (!Sound) {
    std::fill(frames, frames + 2 * count, short{0});
    return false;
  }
  Sound->Mix(frames, count);
  return !Sound->Quiet();
}

bool Speaker::Fill(void* speaker, short* frames, int count) {
  return static_cast<Speaker*>(speaker)->Heard.load()->Mix(frames, count);
}
