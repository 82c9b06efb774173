// Title and game-over screens.

#include "Screens.h"

#include "platform/GL.h"

#include "game/Render.h"
#include "game/Rules.h"

namespace {

struct PlacedText {
  const char* Text;
  int X, Y;  // window pixels from the bottom-left corner
};

constexpr PlacedText TitleLines[] = {
    {"Drain Storm", 320, 500},
    {"An entry for Quillhaven's 3rd Coding Competition", 150, 450},
    {"Your Mission: Stop leaky applications from using up all your RAM", 80, 380},
    {"Use the Left/Right cursor keys to rotate the compybox,", 120, 300},
    {"Left mouse button applies a patch to stop leaks.", 160, 270},
    {"Press the Spacebar to start", 260, 100},
};

// Where the two composed lines go, between the fixed ones.
constexpr int UptimeX = 160, UptimeY = 350;
constexpr int BestX = 210, BestY = 320;

constexpr PlacedText CrashHeader[] = {
    {"GAME OVER!", 325, 520},
    {"zOMG! Your Operating System is teh suX0rz!", 200, 450},
    {"All your memory are leaked out.", 250, 400},
};
constexpr PlacedText CrashFooter[] = {
    {"Here are some important looking numbers that no-one understands.", 80, 280},
    {"FF00:A0C8 ca80:FFF0 FC12:DC10 DEAD:BEEF 0ACE:FACE", 110, 240},
    {"F00D:CACE ACDC:0187 AC26:EC56 BEEF:FACE 78D1:CF51", 110, 215},
    {"FC80:DE52 8FF0:06F2 BCF1:747D C0DE:4EAD EF51:A7D2", 110, 190},
    {"Press the Spacebar to play again, or hit Esc to go vote for this entry.", 80, 100},
};
// The best of every run, in the room between the numbers and the way on, with the key that
// watches the game just played: the screen's other lines keep their words.
constexpr int BestEverY = 145;

// Centred. A touch player has the page's buttons, not keys: Pause and Space go on (a tap on the
// picture would patch, so it does not), and there is no Esc to quit with.
constexpr int PausedY = 320;
constexpr int WayOnY = 280;
constexpr const char* WayOnByKeys = "Press P or the Spacebar to go on, or Esc to quit.";
constexpr const char* WayOnByTouch = "Tap Pause or Space to go on.";
// How much of the paused game shows through the veil.
constexpr float VeilAlpha = 0.6f;

// The crashed system's blue.
constexpr float CrashBlue = 0.75f;

// A line centred across the picture at height y.
void PrintCentred(const char* text, int y) {
  Fnt.Print(text, (ScreenWidth - Fnt.GetWidth(text)) / 2, y);
}

}  // namespace

void SetPixelProjection() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, ScreenWidth, 0, ScreenHeight, -1, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void StartInfo() {
  SetPixelProjection();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // ezPrint turns the depth test off for itself: the title comes while lighting and the depth
  // test of the start-up state are still on.
  for (const PlacedText& line : TitleLines)
    Fnt.ezPrint(line.Text, line.X, line.Y);
}

void ComposeUptimeLines(int uptime, int best, ScreenLine& uptimeLine, ScreenLine& bestLine) {
  uptimeLine.Clear() << "You managed to keep the system up for " << uptime << " seconds.";
  bestLine.Clear() << "The best uptime this session is " << best << " seconds";
}

void GameOver(int uptime, int best, int bestEver) {
  SetPixelProjection();
  glClearColor(0, 0, CrashBlue, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  // Drawn straight under the pixel projection: the game loop has already turned lighting and
  // the depth test off.
  ScreenLine uptimeLine, bestLine;
  ComposeUptimeLines(uptime, best, uptimeLine, bestLine);
  Fnt.Select();
  for (const PlacedText& line : CrashHeader)
    Fnt.Print(line.Text, line.X, line.Y);
  Fnt.Print(uptimeLine.CStr(), UptimeX, UptimeY);
  Fnt.Print(bestLine.CStr(), BestX, BestY);
  for (const PlacedText& line : CrashFooter)
    Fnt.Print(line.Text, line.X, line.Y);
  ScreenLine bestEverLine;
  bestEverLine << "Your best ever is " << bestEver << " seconds. R watches this game.";
  PrintCentred(bestEverLine.CStr(), BestEverY);
}

void PausedInfo(bool touch) {
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(0, 0, 0, VeilAlpha);
  glBegin(GL_QUADS);
  glVertex2i(0, 0);
  glVertex2i(ScreenWidth, 0);
  glVertex2i(ScreenWidth, ScreenHeight);
  glVertex2i(0, ScreenHeight);
  glEnd();
  glColor4f(1, 1, 1, 1);
  glEnable(GL_TEXTURE_2D);
  Fnt.Select();
  PrintCentred("Paused", PausedY);
  PrintCentred(touch ? WayOnByTouch : WayOnByKeys, WayOnY);
}
