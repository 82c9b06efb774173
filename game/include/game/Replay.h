// A recorded game: its seed and the rules it was played under, then for each frame the time and
// what the player held. The game is a function of exactly these, so the same file plays the same
// game on every target. The byte format is in docs/replay.md; this is standard library only, and
// works on bytes in memory so that tests and the fuzzer drive it without files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the game reads of the player and the clock in one frame.
struct FrameInput {
  std::int64_t Micros = 0;  // the frame's time on the game's clock, microseconds
  bool Left = false;        // the Left arrow key held
  bool Right = false;       // the Right arrow key held
  bool Space = false;       // the Spacebar held
  bool Quit = false;        // Esc pressed or the window closed: the run ends after this frame
  bool Button = false;      // the left mouse button held
  bool Pause = false;       // the P key held
  bool Away = false;        // the player left since the last frame (the window or page lost)
  bool Mute = false;        // the M key held: sound off, and on again
  int X = 0;                // the pointer, picture pixels from the left edge
  int Y = 0;                // picture pixels from the top edge; outside 0..799, 0..599 off it
};

// What a game needs besides its frames to be played again.
struct ReplayHeader {
  std::uint64_t Seed = 0;  // the game's random sequence
  int DrainPerMs = 0;      // RAM an open hole drains per millisecond (differs by build)
  bool Muted = false;      // the sound was off when the run began
  int BestEver = 0;        // seconds: the best uptime the player had kept when the run began
  // The frame (counted from 0) where watching starts: the Space that began the game kept. A
  // second game of a run starts from what the first left, so its file holds the run from the
  // start, and the frames before this one are played unseen.
  std::uint64_t WatchFrom = 0;
};

struct Replay {
  ReplayHeader Header;
  std::vector<FrameInput> Frames;
};

// Writes a recording as the game is played: the header first, then one record per frame, then
// an end record that lets the reader tell a whole file from one cut short. The bytes collect in
// Pending(), which the caller writes out and clears whenever it likes.
class ReplayWriter {
public:
  explicit ReplayWriter(const ReplayHeader& header);
  void Add(const FrameInput& frame);
  void Finish();
  std::vector<unsigned char>& Pending() { return Bytes; }
  // Frames added so far.
  std::uint64_t Frames() const { return Count; }
  // The frames so far as a whole file of their own, watched from frame `from`, into `out`; this
  // writer goes on. How a run recorded in memory keeps each game at its game over. False, with
  // `out` empty, when Pending() has been cleared meanwhile or `from` is not one of the frames.
  bool Whole(std::uint64_t from, std::vector<unsigned char>& out) const;

private:
  void Put(const unsigned char* p, std::size_t n);
  void PutFixed(std::uint64_t value, std::size_t bytes);
  void PutVarint(std::uint64_t value);

  ReplayHeader Header;
  std::vector<unsigned char> Bytes;
  std::size_t HeaderBytes = 0;
  std::size_t RecordBytes = 0;  // of the frame records
  std::uint64_t Written = 0;    // bytes ever put in Bytes: more than it holds once it was cleared
  FrameInput Last;
  std::uint32_t Hash;
  std::uint64_t Count = 0;
  bool Finished = false;
};

// Reads a whole recording. False for anything but a whole, undamaged file of a version this
// game knows, with `problem` saying what is wrong in a few words ("cut short", "made by a newer
// version of the game", ...).
bool ParseReplay(const unsigned char* data, std::size_t size, Replay& out, std::string& problem);
