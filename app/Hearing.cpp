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
  if (Sound->Muted() != game.Muted)
    Sound->SetMuted(game.Muted);
  Paused = game.Shown == Screen::Paused;
}

void Hearing::Mix(short* frames, int count) {
  const std::lock_guard<std::mutex> hold(Lock);
  // A paused game is silent, and what it was playing waits where it stopped.
  if (Sound && !Paused)
    Sound->Mix(frames, count);
  else
    std::fill(frames, frames + 2 * count, short{0});
}

void Hearing::Fill(void* hearing, short* frames, int count) {
  static_cast<Hearing*>(hearing)->Mix(frames, count);
}
