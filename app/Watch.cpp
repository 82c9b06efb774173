#include "Watch.h"

#include <algorithm>
#include <iterator>

#include "game/Render.h"
#include "platform/Shell.h"

namespace {

constexpr std::int64_t MicrosPerSecond = 1000000;
// Right skips this far ahead in the recording.
constexpr std::int64_t SkipMicros = 10 * MicrosPerSecond;
// Seconds of the machine's time a look may spend on frames played unseen before the watch starts
// (a long earlier game), so that the window answers meanwhile.
constexpr double PreRollSlice = 0.03;
// Seconds a look may spend on the frames due: a machine too slow for the pace falls behind (the
// watch slows down) rather than stalling.
constexpr double DueSlice = 0.25;
// The line over the picture: its left end and its height above the picture's bottom edge.
constexpr int LineX = 20;
constexpr int LineY = 570;

const char* const SpeedNames[] = {"1/4x", "1/2x", "1x", "2x", "4x", "8x"};

// `micros` as minutes and seconds, 2:05.
void PutClock(LineBuffer<64>& line, std::int64_t micros) {
  const int seconds = static_cast<int>(std::max<std::int64_t>(micros, 0) / MicrosPerSecond);
  line << seconds / 60 << (seconds % 60 < 10 ? ":0" : ":") << seconds % 60;
}

}  // namespace

bool Watch::Begin(Replay&& replay, Hearing& ears, Witness* seen, int speed) {
  Recording = std::move(replay);
  Speed = speed;
  Ears = &ears;
  Seen = seen;
  Session.Seed = Recording.Header.Seed;
  Session.Drain = Recording.Header.DrainPerMs;
  Session.Muted = Recording.Header.Muted;
  Session.BestEver = Recording.Header.BestEver;
  Session.Over = DrawLine;
  Session.OverContext = this;
  Start = static_cast<std::size_t>(
      std::min<std::uint64_t>(Recording.Header.WatchFrom, Recording.Frames.size()));
  ears.Reset();
  Started = Session.Start();
  return Started;
}

void Watch::End() {
  if (Started)
    Session.Release();
  Started = false;
}

NextFrame Watch::Tick(std::int64_t now, const AppKeys& keys) {
  if (keys.Back || (Ended() && keys.Choose))
    return NextFrame::Never;
  if (!Ready()) {
    PlayUnseen(Start, GetTime() + PreRollSlice);
    if (!Ready())
      return NextFrame::Now;
    if (!Ended())
      Anchor(now, Recording.Frames[Start].Micros);
  }
  Drawn = false;
  Respond(now, keys);
  if (!Held)
    PlayDue(now);
  if (!Drawn)
    Session.Redraw();
  Ears->Hold(Held);
  return Held || Ended() ? NextFrame::OnInput : NextFrame::Now;
}

std::int64_t Watch::Position(std::int64_t now) const {
  if (Held)
    return HeldAt;
  return AnchorMicros + (now - AnchorNow) * Speeds[Speed] / 4;
}

std::int64_t Watch::Due(std::int64_t micros) const {
  return AnchorNow + (micros - AnchorMicros) * 4 / Speeds[Speed];
}

void Watch::Anchor(std::int64_t now, std::int64_t micros) {
  AnchorNow = now;
  AnchorMicros = micros;
}

void Watch::Respond(std::int64_t now, const AppKeys& keys) {
  if (Ended())
    return;
  if (keys.Pause) {
    if (Held)
      Anchor(now, HeldAt);
    else
      HeldAt = Position(now);
    Held = !Held;
  }
  const int speed = std::clamp(Speed + keys.Faster - keys.Slower, 0, int{std::size(Speeds)} - 1);
  if (speed != Speed) {
    if (!Held)
      Anchor(now, Position(now));
    Speed = speed;
  }
  if (keys.Skip) {
    // Played faster than time, unseen and unheard; the last frame skipped to is drawn.
    const std::int64_t to = Position(now) + SkipMicros;
    std::size_t until = Next;
    while (until < Recording.Frames.size() && Recording.Frames[until].Micros <= to)
      ++until;
    PlayUnseen(until, -1);
    if (Held)
      HeldAt = to;
    else
      Anchor(now, to);
  }
}

void Watch::PlayUnseen(std::size_t until, double deadline) {
  while (Next < until && (deadline < 0 || GetTime() < deadline))
    Run(false, false);
}

void Watch::PlayDue(std::int64_t now) {
  const std::int64_t at = Position(now);
  std::size_t last = Next;
  while (last < Recording.Frames.size() && Recording.Frames[last].Micros <= at)
    ++last;
  const double deadline = GetTime() + DueSlice;
  while (Next < last) {
    Run(Next + 1 == last, true);
    if (Next < last && GetTime() > deadline) {
      Anchor(now, Recording.Frames[Next - 1].Micros);
      return;
    }
  }
}

void Watch::Run(bool drawn, bool heard) {
  const FrameInput& in = Recording.Frames[Next++];
  bool shot = false;  // a picture the witness asked for
  if (heard && Seen) {
    // The frame's moment on the watch's clock: where what it sets off is heard.
    FrameInput at = in;
    at.Micros = Due(in.Micros);
    shot = Seen->Before(at, Next);
  }
  Session.Step(in, drawn || shot);
  Drawn = Drawn || drawn;
  if (heard) {
    Ears->Listen(Session);
    if (Seen)
      Seen->After(Session, Next);
  }
}

void Watch::DrawLine(void* context) {
  Watch& watch = *static_cast<Watch*>(context);
  const std::vector<FrameInput>& frames = watch.Recording.Frames;
  if (frames.empty())
    return;
  const std::int64_t first = frames[watch.Start].Micros;
  const std::int64_t played = watch.Next > watch.Start ? frames[watch.Next - 1].Micros - first : 0;
  watch.Line.Clear() << (watch.Ended() ? "Watched " : watch.Held ? "Paused at " : "Watching ");
  PutClock(watch.Line, played);
  watch.Line << " of ";
  PutClock(watch.Line, frames.back().Micros - first);
  watch.Line << "  " << SpeedNames[watch.Speed];
  Fnt.ezPrint(watch.Line.CStr(), LineX, LineY);
}
