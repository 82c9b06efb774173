// One game session: everything Render owns, with the frame's steps as member functions so the
// frame reads as the ordered list it is and tests can drive one step at a time.
#pragma once

#include "game/Compybox.h"
#include "game/Rules.h"
#include "game/Text.h"
#include "gfx/ParticleManager.h"

// Sentinel of GameOverTime and FinalUptime while a game runs; compared exactly.
constexpr double NotYet = -1.0;

struct GameSession {
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

  LineBuffer<48> RamLine;
  LineBuffer<48> UptimeLine;

  // Stamps holes and patches into the face textures; tests put a recorder here.
  PaintFunction Paint;

  GameSession();

  // Start-up: the fixed GL state, the art (false after printing the first failure), the slots,
  // and the first game's values once the title screen is done.
  void SetFixedState();
  bool LoadArt();
  void ClearSlots();
  void Begin(double now);

  // One frame of the main loop, all steps in order. Esc needs no step: the key callback ends the
  // run, and the loop stops before the next frame.
  void Frame();

  // The frame's steps.
  void ReadClock(double now);
  // The perspective projection; leaves GL_MODELVIEW selected.
  void SetCamera();
  void Turn();
  // The model-view of the camera in front of the case, the case turned by Angle.
  void LookAtCase();
  // The model-view of the camera alone, for what flies in the world.
  void LookAtWorld();
  void Pick();
  void DrawCase();
  void TakeViewRotation();
  void DrawCursor();
  void ComposeStatus();
  void DrawStatus();
  bool TickDue() const;
  void LeakTick();
  void PaintPatch();
  void RunOut();

  // After the game-over screen: a fresh game (`again`) or the end of the loop.
  void EndGame(bool again);
};
