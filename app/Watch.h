// Watching a recorded game: a game session of its own, fed from the recording at the pace it was
// played, or faster or slower, heard as it was heard, with a line over the picture that says
// where the watch is. The frames before the watch's start (the earlier games of the run the game
// was kept from) are played first, unseen and unheard.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Hearing.h"
#include "Input.h"
#include "Witness.h"
#include "game/Replay.h"
#include "game/Session.h"
#include "game/Text.h"

class Watch {
public:
  // The speeds, in quarters of the pace the game was played at: 1/4x to 8x.
  static constexpr int Speeds[] = {1, 2, 4, 8, 16, 32};
  static constexpr int Normal = 2;  // 1x

  Watch() = default;
  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;

  // Starts watching `replay` at 1x, heard by `ears` (and written down by `seen`, when there is
  // one: the fast check's --trace and --wav). False after the session said why it cannot start.
  bool Begin(Replay&& replay, Hearing& ears, Witness* seen, int speed = Normal);
  // The watch at `now` on the watch's clock (microseconds, never going back), answering `keys`:
  // the frames due played, the last of them drawn (or the picture drawn again), once. Now: more
  // to play; OnInput: paused, or the recording's last frame stands; Never: the player went back
  // (Esc, or Space once the recording has ended).
  NextFrame Tick(std::int64_t now, const AppKeys& keys);
  // Gives the session's textures back: the watch is over.
  void End();

  bool Paused() const { return Held; }
  bool Ended() const { return Next == Recording.Frames.size(); }
  bool Ready() const { return Next >= Start; }
  std::uint64_t Played() const { return Next; }
  const GameSession& Game() const { return Session; }

private:
  // Where the recording is at `now`, in its own microseconds.
  std::int64_t Position(std::int64_t now) const;
  // When the frame recorded at `micros` is due on the watch's clock.
  std::int64_t Due(std::int64_t micros) const;
  void Anchor(std::int64_t now, std::int64_t micros);
  // Plays frames up to `until` unseen and unheard, until the machine's clock reaches `deadline`
  // (none below 0).
  void PlayUnseen(std::size_t until, double deadline);
  void PlayDue(std::int64_t now);
  void Run(bool drawn, bool heard);
  void Respond(std::int64_t now, const AppKeys& keys);
  static void DrawLine(void* watch);

  GameSession Session;
  Replay Recording;
  Hearing* Ears = nullptr;
  Witness* Seen = nullptr;
  bool Started = false;   // the session's art is loaded
  std::size_t Start = 0;  // the first frame watched
  std::size_t Next = 0;   // the next frame to play
  int Speed = Normal;
  bool Held = false;
  bool Drawn = false;  // in this look
  // The watch's clock and the recording's time at the last change of pace: from there the
  // recording moves Speeds[Speed] / 4 microseconds a microsecond.
  std::int64_t AnchorNow = 0;
  std::int64_t AnchorMicros = 0;
  std::int64_t HeldAt = 0;  // the recording's time where it was paused
  LineBuffer<64> Line;
};
