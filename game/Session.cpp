// The game session: start-up, and each screen's frame step by step.

#include "game/Session.h"

#include "platform/GL.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Screens.h"
#include "game/Leak.h"
#include "game/Picking.h"
#include "game/Render.h"
#include "gfx/TexRender.h"
#include "gfx/Texture.h"

namespace {

// The perspective camera: a 90 degree wide view with the window's 4:3 shape.
constexpr double FrustumHalfWidth = 1.0;
constexpr double FrustumHalfHeight = 0.75;
constexpr double NearPlane = 1.0;
constexpr double FarPlane = 100.0;

// A hole on a face turned away from the player is heard at this share of its gain.
constexpr float AwayGain = 0.35f;
// Under this much RAM the game sounds its alert: a quarter of the start.
constexpr int LowRam = StartRam / 4;

// The cursor is the 64x64 patch picture centred on the pointer.
constexpr int CursorHalfSize = 32;

// Status lines: RAM at the left, uptime from x = 600, both 30 pixels above the bottom edge.
constexpr int RamLineX = 20;
constexpr int UptimeLineX = 600;
constexpr int StatusLineY = 30;

bool ReportFailedLoad(const char* file) {
  std::printf("Unable to load '%s'\n", file);
  std::fflush(stdout);
  return false;
}

bool LoadPicture(unsigned& handle, const char* file) {
  handle = LoadTexture(file);
  return handle != NoTexture || ReportFailedLoad(file);
}

}  // namespace

GameSession::GameSession() : Paint(TexRender) {
  Tex = {NoTexture, NoTexture, NoTexture, NoTexture, NoTexture, NoTexture, NoTexture};
}

bool GameSession::Start() {
  SetFixedState();
  if (!LoadArt())
    return false;
  ClearSlots();
  return true;
}

void GameSession::SetFixedState() {
  // Faces are painted off-screen where the GL can, out of reach of other windows.
  ChoosePaintTarget(GetGLProc);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glViewport(0, 0, ScreenWidth, ScreenHeight);
  glMatrixMode(GL_MODELVIEW);
  // Light 0 and the material keep OpenGL's defaults: a white light from the viewer.
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_TEXTURE_2D);
}

bool GameSession::LoadArt() {
  // One font for every session: a second session (a game watched) finds it loaded.
  if (!Fnt.Loaded() && !Fnt.Load("SieveFont.bff"))
    return ReportFailedLoad("SieveFont.bff");
  if (!LoadPicture(Tex.CaseTex, "Case.tga") || !LoadPicture(Tex.SideCleanTex, "CaseSide.tga") ||
      !LoadPicture(Tex.PatchTex, "Patch.tga") || !LoadPicture(Tex.HoleTex, "Hole.tga"))
    return false;
  if (!LeakParticles.LoadTexture("Bits.tga"))
    return ReportFailedLoad("Bits.tga");
  // The game paints into textures, so every working face needs a picture of its own, and
  // the clean copy that restores the end faces is a second load of the same file.
  return LoadPicture(Tex.CaseCleanTex, "Case.tga") &&
         LoadPicture(Tex.SidePosZTex, "CaseSide.tga") &&
         LoadPicture(Tex.SideNegZTex, "CaseSide.tga");
}

void GameSession::Release() {
  for (unsigned* texture : {&Tex.CaseTex, &Tex.SideCleanTex, &Tex.PatchTex, &Tex.HoleTex,
                            &Tex.CaseCleanTex, &Tex.SidePosZTex, &Tex.SideNegZTex}) {
    if (*texture != NoTexture)
      glDeleteTextures(1, texture);
    *texture = NoTexture;
  }
  LeakParticles.Release();
}

void GameSession::ClearSlots() {
  for (ParticleStruct& slot : Holes) {
    slot.Active = false;
    slot.Id = NoHole;
  }
}

void GameSession::Begin(double now) {
  // One random sequence for every choice of the run: holes, jitter, scatter, sprites.
  Dice.Seed(Seed);
  StartTime = now;
  Angle = StartAngle;
  PatchedId = NoHole;
  GameOverTime = NotYet;
  // The first frame measures from the start of the game, not from the program's: time spent
  // reading the title screen must not turn the case or count as draining time. Until then the
  // uptime is 0, not the time since a clock the title never read.
  LastTime = now;
  Now = now;
  NextTick = 0.0;
  Ram = StartRam;
  FinalUptime = NotYet;
}

NextFrame GameSession::Step(const FrameInput& input, bool drawn) {
  Input = input;
  CueCount = 0;
  if (Pressed(&FrameInput::Mute))
    Muted = !Muted;
  BeforePicture();
  if (drawn)
    Redraw();
  const NextFrame next = AfterPicture();
  Previous = Input;
  return next;
}

void GameSession::Redraw() const {
  Draw();
  DrawOver();
  Present();
}

void GameSession::BeforePicture() {
  if (Shown == Screen::Title)
    return;
  if (Shown == Screen::GameOver) {
    RaiseBest();
    return;
  }
  if (Shown == Screen::Paused && GoingOn())
    GoOn(Input.Micros / 1e6);
  else if (Shown != Screen::Paused && Pausing())
    Pause();
  if (Shown == Screen::Paused) {
    // Nothing moves; the bits that fell out of sight in the last frame played are gone from the
    // still picture.
    LeakParticles.Move(0);
  } else {
    // Play, and the two seconds after the RAM ran out.
    ReadClock(Input.Micros / 1e6);
    Turn();
    Pick();
    TakeViewRotation();
    LeakParticles.Move(FrameMs);
  }
  ComposeStatus();
}

void GameSession::Draw() const {
  switch (Shown) {
    case Screen::Title:
      // Drawn in the start-up state every time: lit, with the depth test on, whatever presenting
      // the last frame left.
      glEnable(GL_DEPTH_TEST);
      glEnable(GL_LIGHTING);
      glEnable(GL_TEXTURE_2D);
      // Its lit text faces the light, as at start-up: a game watched before it left the normal of
      // the case's last face, where the GL keeps one.
      if (GLKeepsNormal)
        glNormal3f(0, 0, 1);
      StartInfo();
      return;
    case Screen::GameOver:
      glDisable(GL_LIGHTING);
      glDisable(GL_DEPTH_TEST);
      GameOver(static_cast<int>(FinalUptime), Best, BestEver);
      return;
    case Screen::Paused:
      // The game as it stood, nothing moved, under a veil, and the way on.
      DrawWorld();
      DrawStatus();
      PausedInfo(PlaysByTouch());
      return;
    default:
      DrawWorld();
      DrawCursor();
      DrawStatus();
      return;
  }
}

NextFrame GameSession::AfterPicture() {
  switch (Shown) {
    case Screen::Title:
      return LeaveTitle();
    case Screen::GameOver:
      return LeaveGameOver();
    case Screen::Paused:
      return Input.Quit ? NextFrame::Never : NextFrame::OnInput;
    default:
      break;
  }
  if (TickDue())
    LeakTick();
  PaintPatch();
  RunOut();
  ListenToSpray();
  LastTime = Now;
  // Esc, or the window closed: the frame has run to its end, and the run ends with it.
  return Input.Quit ? NextFrame::Never : NextFrame::Now;
}

bool GameSession::Pressed(bool FrameInput::*key) const {
  return Input.*key && !(Previous.*key);
}

int GameSession::Uptime() const {
  if (Shown == Screen::Title)
    return 0;
  // The uptime freezes when the RAM runs out.
  return static_cast<int>(FinalUptime != NotYet ? FinalUptime : Now - StartTime);
}

namespace {

// FNV-1a, 32 bits, over the bytes of each value fed to it.
class Digest {
public:
  template <typename T>
  Digest& operator<<(const T& value) {
    unsigned char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    for (const unsigned char b : bytes)
      Hash = (Hash ^ b) * 16777619u;
    return *this;
  }
  std::uint32_t Value() const { return Hash; }

private:
  std::uint32_t Hash = 2166136261u;
};

Digest& operator<<(Digest& digest, const FrameInput& in) {
  return digest << in.Micros << in.Left << in.Right << in.Space << in.Quit << in.Button << in.Pause
                << in.Away << in.Mute << in.X << in.Y;
}

}  // namespace

std::uint32_t GameSession::Fingerprint() const {
  Digest digest;
  digest << static_cast<int>(Shown) << static_cast<int>(PausedFrom) << Previous << Dice.Position()
         << Seed << Drain << Angle << Ram << StartTime << LastTime << NextTick << GameOverTime
         << FinalUptime << PatchedId << Now << BestEver << Best << Muted;
  for (const ParticleStruct& hole : Holes)
    digest << hole.Active << hole.Id << hole.X << hole.Y << hole.Z << hole.VelX << hole.VelY
           << hole.VelZ;
  return digest.Value();
}

NextFrame GameSession::LeaveTitle() {
  if (Input.Quit)
    return NextFrame::Never;
  if (!Input.Space)
    return NextFrame::OnInput;
  Begin(Input.Micros / 1e6);
  Shown = Screen::Play;
  Hear(Cue::GameStart);
  return NextFrame::Now;
}

void GameSession::RaiseBest() {
  Best = std::max(Best, static_cast<int>(FinalUptime));
  BestEver = std::max(BestEver, static_cast<int>(FinalUptime));
}

NextFrame GameSession::LeaveGameOver() {
  if (Input.Quit)
    return NextFrame::Never;
  if (!Input.Space)
    return NextFrame::OnInput;
  Restart(Input.Micros / 1e6);
  return NextFrame::Now;
}

bool GameSession::Pausing() const {
  // P, or leaving the game (on the frame that quits it, it matters no more).
  return Pressed(&FrameInput::Pause) || (Input.Away && !Input.Quit);
}

bool GameSession::GoingOn() const {
  // A button or a tap would patch: only P and Space go on.
  return !Input.Quit && (Pressed(&FrameInput::Pause) || Pressed(&FrameInput::Space));
}

void GameSession::Pause() {
  PausedFrom = Shown;
  Shown = Screen::Paused;
  SprayCount = 0;
}

void GameSession::GoOn(double now) {
  // Every time the game keeps moves on by the time it stood still, so that none of it counts.
  const double stood = std::max(0.0, now - LastTime);
  StartTime += stood;
  NextTick += stood;
  if (GameOverTime != NotYet)
    GameOverTime += stood;
  LastTime += stood;
  Shown = PausedFrom;
}

void GameSession::DrawWorld() const {
  // Play's black, whatever screen another session last drew.
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SetCamera();
  LookAtCase();
  DrawCase();
  // Particles are drawn under the camera alone: once emitted they no longer turn with the case.
  LookAtWorld();
  LeakParticles.Draw();
  glDisable(GL_DEPTH_TEST);
  Fnt.SetScreen(ScreenWidth, ScreenHeight);
}

void GameSession::DrawOver() const {
  if (!Over)
    return;
  SetPixelProjection();
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1, 1, 1, 1);
  Over(OverContext);
}

void GameSession::ReadClock(double now) {
  Now = now;
  FrameMs = (Now - LastTime) * 1000.0;
}

void GameSession::SetCamera() const {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-FrustumHalfWidth, FrustumHalfWidth, -FrustumHalfHeight, FrustumHalfHeight, NearPlane,
            FarPlane);
  glMatrixMode(GL_MODELVIEW);
}

void GameSession::LookAtWorld() const {
  glLoadIdentity();
  glTranslatef(0, 0, -CameraDistance);
}

void GameSession::LookAtCase() const {
  LookAtWorld();
  glRotatef(Angle, 0, 1, 0);
}

void GameSession::Turn() {
  // Both keys held cancel out.
  if (Input.Left)
    Angle += TurnPerMs * FrameMs;
  if (Input.Right)
    Angle += -TurnPerMs * FrameMs;
}

void GameSession::Pick() {
  // No edge detection: a held button picks in every frame, so sweeping patches all it passes.
  if (!Input.Button)
    return;
  SetCamera();
  LookAtCase();
  const int pick = PickUnderPointer(Input.X, Input.Y);
  if (CloseHoles(Holes, HoleSlots, pick))
    PatchedId = pick;
}

void GameSession::DrawCase() const {
  glEnable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glColor3f(1, 1, 1);
  DrawCompybox(Tex);
}

void GameSession::TakeViewRotation() {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glRotatef(Angle, 0, 1, 0);
  glGetDoublev(GL_MODELVIEW_MATRIX, ViewRotation);
  glPopMatrix();
}

void GameSession::DrawCursor() const {
  glBindTexture(GL_TEXTURE_2D, Tex.PatchTex);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // A pointer over the bars around the picture is not over the game.
  if (Input.X < 0 || Input.X >= ScreenWidth || Input.Y < 0 || Input.Y >= ScreenHeight)
    return;
  const int x = Input.X;
  const int y = ScreenHeight - Input.Y;
  glBegin(GL_QUADS);
  glTexCoord2f(0, 1);
  glVertex2i(x - CursorHalfSize, y - CursorHalfSize);
  glTexCoord2f(1, 1);
  glVertex2i(x + CursorHalfSize, y - CursorHalfSize);
  glTexCoord2f(1, 0);
  glVertex2i(x + CursorHalfSize, y + CursorHalfSize);
  glTexCoord2f(0, 0);
  glVertex2i(x - CursorHalfSize, y + CursorHalfSize);
  glEnd();
}

void GameSession::ComposeStatus() {
  RamLine.Clear() << "Remaining RAM: ";
  if (Ram > 0)
    RamLine << Ram << "k";
  else
    RamLine << "0";
  UptimeLine.Clear() << "Uptime: " << Uptime() << " Seconds";
}

void GameSession::DrawStatus() const {
  Fnt.Select();
  Fnt.ezPrint(RamLine.CStr(), RamLineX, StatusLineY);
  Fnt.ezPrint(UptimeLine.CStr(), UptimeLineX, StatusLineY);
}

bool GameSession::TickDue() const {
  return Now > NextTick && Ram > 0;
}

void GameSession::LeakTick() {
  // Perhaps open a hole in the lowest free slot; with all slots open nothing is drawn.
  for (ParticleStruct& slot : Holes) {
    if (slot.Active)
      continue;
    if (Dice.Next() % OpenChance == 1) {
      PaintHole(Paint, Tex, Tex.HoleTex, CreateLeak(&slot, Dice), Scatter());
      const SprayVoice at = HeardAt(slot);
      Hear(Cue::HoleOpened, at.Pan, at.Gain);
    }
    break;
  }
  const bool plenty = Ram >= LowRam;
  // Every open hole, a new one included, sprays and drains. The drain is this frame's time,
  // not the time since the last tick, and is cut to whole RAM after each hole.
  for (const ParticleStruct& slot : Holes) {
    if (!slot.Active)
      continue;
    EmitLeak(LeakParticles, slot, ViewRotation, Dice);
    const double left = FrameMs * -Drain + Ram;
    // A frame long enough to drain past the int range (hours away on a screen) just ends the
    // game, instead of converting an out-of-range value.
    Ram = left > INT_MIN ? static_cast<int>(left) : INT_MIN;
  }
  NextTick = Now + TickSpacing;
  if (plenty && Ram < LowRam && Ram > 0)
    Hear(Cue::RamLow);
}

SprayVoice GameSession::HeardAt(const ParticleStruct& hole) const {
  // The camera looks down -z from CameraDistance in front of the case's centre; a face turned
  // towards it has its outward normal along +z.
  const VectorStruct p = RotateVector(hole.X, hole.Y, hole.Z, ViewRotation);
  const VectorStruct out = RotateVector(hole.VelX, 0, hole.VelZ, ViewRotation);
  const float across = p.X / (CameraDistance - p.Z);
  const float facing = out.Z / std::sqrt(out.X * out.X + out.Z * out.Z);
  return {std::clamp(across, -1.0f, 1.0f), AwayGain + (1 - AwayGain) * std::max(0.0f, facing)};
}

void GameSession::Hear(Cue what, float pan, float gain) {
  if (CueCount < MostCues)
    Cues[CueCount++] = {what, pan, gain};
}

void GameSession::ListenToSpray() {
  // One voice a slot, silent while the slot is shut, so that each hole keeps its own voice.
  SprayCount = Shown == Screen::Play ? HoleSlots : 0;
  for (int i = 0; i < SprayCount; ++i)
    Spray[i] = Holes[i].Active ? HeardAt(Holes[i]) : SprayVoice{0, 0};
}

void GameSession::PaintPatch() {
  if (PatchedId == NoHole)
    return;
  // Scattered: each patch sits a little off centre and turned. It is heard where it was clicked.
  PaintHole(Paint, Tex, Tex.PatchTex, PatchedId, DrawScatter(Dice));
  Hear(Cue::Patch, std::clamp((Input.X - ScreenWidth / 2.0f) / (ScreenWidth / 2.0f), -1.0f, 1.0f));
  PatchedId = NoHole;
}

void GameSession::RunOut() {
  if (Ram > 0)
    return;
  if (GameOverTime == NotYet) {
    // The uptime stops now; the case stays on screen for two more seconds.
    GameOverTime = Now + GameOverDelay;
    FinalUptime = Now - StartTime;
    Ram = 0;
    Shown = Screen::RunningOut;
    Hear(Cue::Crash);
    return;
  }
  Ram = 0;
  if (Now > GameOverTime)
    Shown = Screen::GameOver;
}

void GameSession::Restart(double now) {
  // The angle, the tick clock, the frame clock, Best and the particles in flight carry over.
  for (ParticleStruct& slot : Holes)
    slot.Active = false;
  RestoreFaces(Paint, Tex, Dice);
  // The new game's uptime starts when the player chose it, and so does the next frame's time, so
  // the wait on the game-over screen drains nothing.
  StartTime = now;
  Now = now;
  LastTime = now;
  GameOverTime = NotYet;
  Ram = StartRam;
  FinalUptime = NotYet;
  Shown = Screen::Play;
  Hear(Cue::GameStart);
}
