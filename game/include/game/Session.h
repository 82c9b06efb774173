// One game session: everything the game owns, with the screens it moves through and the steps of
// a frame as member functions, so that each frame reads as the ordered list it is and tests can
// drive one step at a time. A frame never waits: the platform's loop runs one after another.
#pragma once

#include <cstdint>

#include "game/Compybox.h"
#include "game/Random.h"
#include "game/Replay.h"
#include "game/Rules.h"
#include "game/Text.h"
#include "gfx/ParticleManager.h"
#include "platform/Shell.h"
#include "sound/Mixer.h"

// Sentinel of GameOverTime and FinalUptime while a game runs; compared exactly.
constexpr double NotYet = -1.0;

// Something the player hears, where it happened: pan -1 (left of the picture) .. +1 (right), gain
// 0..1.
struct Heard {
  Cue What;
  float Pan;
  float Gain;
};

// The screens, in the order a run meets them: the title once, then play, the two seconds after
// the RAM ran out, and the game-over screen, which leads to play again or to the end. Play and the
// two seconds after it may be paused, by the player or by leaving the game.
enum class Screen { Title, Play, RunningOut, Paused, GameOver };

struct GameSession {
  Screen Shown = Screen::Title;
  Screen PausedFrom = Screen::Play;  // where a pause goes back to
  FrameInput Input;                  // the player and the clock in this frame
  FrameInput Previous;               // and in the frame before, for keys pressed rather than held
  Random Dice;                       // every random choice of the run
  std::uint64_t Seed = 0;            // Dice's seed, taken when the title screen is left
  double Drain = DrainPerMs;         // RAM an open hole drains per millisecond

  // What this frame sounds like: the cues it set off, and in play one spray voice a hole slot.
  static constexpr int MostCues = 16;
  Heard Cues[MostCues] = {};
  int CueCount = 0;
  SprayVoice Spray[HoleSlots] = {};
  int SprayCount = 0;

  ParticleManager LeakParticles;
  ParticleStruct Holes[HoleSlots] = {};
  FaceTextures Tex = {};

  float Angle = StartAngle;  // degrees about the vertical axis, never wrapped
  int Ram = StartRam;
  double StartTime = 0.0;        // seconds, start of this game's uptime
  double LastTime = 0.0;         // seconds, Now of the previous frame
  double NextTick = 0.0;         // seconds, earliest next leak tick
  double GameOverTime = NotYet;  // seconds, when the game-over screen is due
  double FinalUptime = NotYet;   // seconds of uptime when the RAM ran out
  int PatchedId = NoHole;        // hole patched in this frame
  double Now = 0.0;              // seconds, read once per frame
  double FrameMs = 0.0;          // milliseconds since the previous frame
  double ViewRotation[16] = {};  // the case's turn alone, column-major

  // The best uptimes: of this run of the program (the game-over screen's own line), and of any
  // run, kept between runs by the caller. Both are raised as the game-over screen comes up.
  int Best = 0;
  int BestEver = 0;
  // All sound off: M turns it off and on again on every screen. A run starts as the player left
  // it.
  bool Muted = false;

  LineBuffer<48> RamLine;
  LineBuffer<48> UptimeLine;

  // Stamps holes and patches into the face textures; tests put a recorder here.
  PaintFunction Paint;

  // Drawn over the game's picture before it is presented, on every screen (the watch's line),
  // with OverContext: under the pixel projection (picture pixels from the bottom-left), the
  // model-view identity, lighting and the depth test off, texturing on, SRC_ALPHA blending and
  // the colour white, as the status lines are drawn. It may leave any state behind. Null: nothing.
  using OverFunction = void (*)(void* context);
  OverFunction Over = nullptr;
  void* OverContext = nullptr;

  GameSession();

  // Start-up: the fixed GL state, the art and the slots. False after printing the first art file
  // that failed to load. A session started beside another (a game watched while the player's
  // waits) paints its own faces, clean; the font is shared and loaded once.
  bool Start();
  void SetFixedState();
  bool LoadArt();
  void ClearSlots();
  // Gives the session's textures back to the GL, while its context lives: a session started
  // beside the player's and done with. The player's own is left to the window's end.
  void Release();
  // The first game's values once the title screen is left; the random sequence starts here.
  void Begin(double now);

  // One frame of `input` on the screen shown: the game moved on, and, `drawn`, its picture drawn
  // and presented. Not drawn, only the GL work the game's state needs is done: a pick reads the
  // case under the pointer, holes and patches are painted into the faces. Several frames may so
  // run for one picture (a watch played fast), each as it would have run drawn.
  NextFrame Step(const FrameInput& input, bool drawn = true);
  // Draws the state as it stands and presents it, changing nothing of the game: a paused watch,
  // or a window that lost its picture.
  void Redraw() const;
  // The seconds of uptime the status line shows now (0 before the first game).
  int Uptime() const;
  // A digest of everything of the game the next frame reads, the random sequence included (the
  // flying bits decide nothing and are left out): two runs that agree on it play on alike.
  std::uint32_t Fingerprint() const;

  // A frame in three parts. Before its picture: the clock read, a pause or going on, the turn,
  // the pick, the bits' flight, the best raised, the status composed. The picture, from the state
  // alone. After it (face textures are painted only between presenting and the next clear, since
  // without framebuffer objects the painting borrows the back buffer): the leak tick, the patch
  // painted, running out, the spray, the screen left on Space or Esc.
  void BeforePicture();
  void Draw() const;
  NextFrame AfterPicture();

  // The steps of each part.
  bool Pressed(bool FrameInput::*key) const;
  bool GoingOn() const;
  bool Pausing() const;
  // Play stands still from the last frame played; going on, its clock takes up from there.
  void Pause();
  void GoOn(double now);
  void ReadClock(double now);
  void Turn();
  void Pick();
  void TakeViewRotation();
  void ComposeStatus();
  void RaiseBest();
  bool TickDue() const;
  void LeakTick();
  // Where an open hole is heard, turned with the case: panned by where it shows in the picture,
  // softer on a face turned away.
  SprayVoice HeardAt(const ParticleStruct& hole) const;
  void Hear(Cue what, float pan = 0, float gain = 1);
  void ListenToSpray();
  void PaintPatch();
  void RunOut();
  NextFrame LeaveTitle();
  NextFrame LeaveGameOver();

  // The picture's parts.
  // The perspective projection; leaves GL_MODELVIEW selected.
  void SetCamera() const;
  // The model-view of the camera in front of the case, the case turned by Angle.
  void LookAtCase() const;
  // The model-view of the camera alone, for what flies in the world.
  void LookAtWorld() const;
  // The case and the bits in flight, and the pixel projection for what goes over them.
  void DrawWorld() const;
  void DrawCase() const;
  void DrawCursor() const;
  void DrawStatus() const;
  void DrawOver() const;

  // After the game-over screen, when the player chose to play again at `now`: a fresh game.
  void Restart(double now);
};
