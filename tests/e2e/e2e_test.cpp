// End-to-end tests: the real sieverush binary, started the way a player starts it (from a folder
// holding the six art files), on the X server of the test run. Input goes in as real X events
// through XTest; what the player sees is read back from the screen.
//
// Set SIEVERUSH_SHOTS to a folder to keep PNG screenshots of what the tests saw. The game and
// its art come from the build; SIEVERUSH_GAME and SIEVERUSH_ART (a folder) run the same tests
// against another build of the game.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "Harness.h"

namespace {

using namespace harness;
using std::chrono::milliseconds;
using std::chrono::seconds;

// The fixed layout of what the game draws, in window pixels.
// Where a line of text starts: the lower-left corner of its first glyph, counted from the
// bottom-left corner of the window.
struct TextLine {
  int X, Y;
};
constexpr TextLine TitleLines[] = {{320, 500}, {150, 450}, {80, 380},
                                   {120, 300}, {160, 270}, {260, 100}};
constexpr TextLine GameOverLines[] = {{325, 520}, {200, 450}, {250, 400}, {160, 350}, {210, 320},
                                      {80, 280},  {110, 240}, {110, 215}, {110, 190}, {80, 100}};
// The two status lines during play: remaining RAM at the left, uptime from x = 600.
constexpr int StatusLineY = 30;
constexpr int RamLineX = 20;
constexpr int UptimeLineX = 600;
// The game-over screen's blue: clear colour (0, 0, 0.75).
constexpr int CrashBlue = 191;
// Where the pointer rests while the tests look at the case: inside the window (so the game's
// patch cursor is drawn there), clear of the case and the status lines.
constexpr int RestX = 770;
constexpr int RestY = 30;

// How long the game may take for things that happen at once for a player; generous, since the
// machines are shared and the renderer is software.
constexpr auto Prompt = seconds(20);

// The executable under test and the folder its art is copied from.
std::string GameBinary() {
  return EnvOr("SIEVERUSH_GAME", SIEVERUSH_BINARY);
}
fs::path ArtFolder() {
  return EnvOr("SIEVERUSH_ART", SIEVERUSH_PLAY_DIR);
}

// The X server of the test run ($DISPLAY).
XSession& X() {
  static XSession session;
  return session;
}
bool XOpen() {
  static const bool open = X().Open("");
  return open;
}

// What the screen shows in the window's area, or, given a window, what that window shows (an
// empty shot once the window is gone).
Shot Capture(unsigned long from = 0) {
  return X().Grab(from, 0, 0, WindowWidth, WindowHeight);
}

// Polls the screen until a shot satisfies the test; returns the last shot taken and whether it
// satisfied the test.
std::pair<Shot, bool> WaitForScreen(const std::function<bool(const Shot&)>& test,
                                    Clock::duration limit) {
  Shot last;
  const bool ok = WaitUntil(
      [&] {
        last = Capture();
        return !last.Empty() && test(last);
      },
      limit, milliseconds(50));
  return {last, ok};
}

// A key or the left button held down until this goes out of scope.
class HeldKey {
public:
  explicit HeldKey(std::string keysym) : Name(std::move(keysym)) { X().Key(Name, true); }
  ~HeldKey() { X().Key(Name, false); }
  HeldKey(const HeldKey&) = delete;
  HeldKey& operator=(const HeldKey&) = delete;

private:
  std::string Name;
};

class HeldButton {
public:
  HeldButton() { X().Button(1, true); }
  ~HeldButton() { X().Button(1, false); }
  HeldButton(const HeldButton&) = delete;
  HeldButton& operator=(const HeldButton&) = delete;
};

// A press and release, held long enough for the game to see it in a frame or a poll.
void Tap(const std::string& keysym) {
  X().Tap(keysym, 150);
}

// Puts the pointer in the screen's far corner, outside the game's window.
void MovePointerAway() {
  X().Move(X().ScreenWidth() - 1, X().ScreenHeight() - 1);
}

// A fresh folder holding copies of the art files, removed again afterwards.
class PlayFolder : public TempDir {
public:
  PlayFolder() : TempDir("sieverush-e2e") {
    std::string error;
    EXPECT_TRUE(CopyArt(ArtFolder(), Path(), error)) << error;
  }
};

// One run of the game in a play folder. A game still running when this goes away is killed.
class Game {
public:
  explicit Game(const PlayFolder& folder) {
    EXPECT_TRUE(Process.StartIn({GameBinary()}, folder.Path())) << "cannot start " << GameBinary();
  }
  ~Game() {
    Process.Kill();
    // What the game said on its standard error helps to explain a failure.
    const std::string errors = Process.Err();
    if (::testing::Test::HasFailure() && !errors.empty())
      std::cerr << "The game's standard error:\n" << errors.substr(0, 8000) << "\n";
  }
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  bool Running() { return !Process.Ended(); }

  // The game's window once it is on the screen, focused (there is no window manager to give
  // it the keyboard). 0 when it did not appear in time or the game ended first.
  unsigned long FindWindow() {
    Handle = X().WaitForGameWindow(Process, Prompt);
    if (Handle)
      Focus();
    return Handle;
  }
  void Focus() { X().Focus(Handle); }
  void SendDeleteWindow() { X().SendDeleteWindow(Handle); }

  Child Process;
  unsigned long Handle = 0;
};

// ---------------------------------------------------------------------------------------------
// What the player sees.

bool Black(const Rgb& p) {
  return p.Max() <= 8;
}
bool Lit(const Rgb& p) {
  return p.Max() >= 48;
}
bool Blue(const Rgb& p) {
  return p.R <= 8 && p.G <= 8 && std::abs(p.B - CrashBlue) <= 6;
}
// Dark inside of a hole.
bool Dark(const Rgb& p) {
  return p.Max() < 45;
}
// The plasters' skin colour: clearly red over blue, unlike the case's beige and grey, the
// green spray or the dark holes.
bool Skin(const Rgb& p) {
  return p.R >= 50 && p.R > p.G && p.G > p.B && (p.R - p.B) * 10 >= p.R * 3;
}

// Height of the font's cells in pixels, from the font file the game draws its text with.
int FontCellHeight() {
  static const int height = [] {
    const std::string font = ReadFile(ArtFolder() / "SieveFont.bff");
    if (font.size() < 18)
      return 0;
    auto byte = [&](size_t i) { return static_cast<unsigned char>(font[i]); };
    return static_cast<int>(byte(14) | byte(15) << 8 | byte(16) << 16 | byte(17) << 24);
  }();
  return height;
}

// Screen rows (from the top) of a text line drawn at y (from the bottom): [first, last).
std::pair<int, int> TextRows(int y) {
  return {WindowHeight - y - FontCellHeight(), WindowHeight - y};
}

// Whether every line of text is lit where it is drawn and nothing is drawn left of it or
// between the lines; `background` tells the clear colour.
template <size_t N>
void ExpectTextLayout(const Shot& shot, const TextLine (&lines)[N],
                      const std::function<bool(const Rgb&)>& background) {
  const auto notBackground = [&](const Rgb& p) { return !background(p); };
  // How many lines cover each row (lines closer than a cell height share rows).
  std::vector<int> linesOnRow(WindowHeight, 0);
  for (const auto& [x, y] : lines) {
    const auto [top, bottom] = TextRows(y);
    for (int row = std::max(0, top); row < std::min(WindowHeight, bottom); ++row)
      ++linesOnRow[row];
  }
  for (const auto& [x, y] : lines) {
    const auto [top, bottom] = TextRows(y);
    EXPECT_GT(shot.Count(x, top, WindowWidth, bottom, notBackground), 40)
        << "no text on the line at y = " << y;
    // Nothing left of where the line starts, on the rows that belong to this line alone.
    int left = 0;
    for (int row = std::max(0, top); row < std::min(WindowHeight, bottom); ++row) {
      if (linesOnRow[row] == 1)
        left += shot.Count(0, row, x - 1, row + 1, notBackground);
    }
    EXPECT_EQ(left, 0) << "something left of the line at x = " << x << ", y = " << y;
  }
  std::vector<bool> textRow(WindowHeight, false);
  for (int row = 0; row < WindowHeight; ++row)
    textRow[row] = linesOnRow[row] > 0;
  int stray = 0;
  for (int row = 0; row < WindowHeight; ++row) {
    // One row of slack round each line for the edges of the glyph quads.
    const bool nearText = textRow[row] || (row > 0 && textRow[row - 1]) ||
                          (row + 1 < WindowHeight && textRow[row + 1]);
    if (!nearText)
      stray += shot.Count(0, row, WindowWidth, row + 1, notBackground);
  }
  EXPECT_EQ(stray, 0) << "pixels drawn outside the text lines";
}

// The case is in the middle of the window: drawn (not black) and textured (not one colour).
bool CaseInMiddle(const Shot& shot) {
  const int x0 = 340, y0 = 240, x1 = 460, y1 = 360;
  if (shot.Fraction(x0, y0, x1, y1, [](const Rgb& p) { return !Black(p); }) < 0.95)
    return false;
  int lo = 255, hi = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const int v = shot.At(x, y).R + shot.At(x, y).G + shot.At(x, y).B;
      lo = std::min(lo, v / 3);
      hi = std::max(hi, v / 3);
    }
  }
  return hi - lo >= 40;
}

bool BlueScreen(const Shot& shot) {
  return shot.Fraction(0, 0, WindowWidth, WindowHeight, Blue) > 0.8;
}

// A frame of play (not the title or game-over screen, not an empty screen).
bool Playing(const Shot& shot) {
  return CaseInMiddle(shot) && !BlueScreen(shot);
}

// The horizontal extent of the case: the first and last columns that are solidly drawn over a
// band of rows in the middle. Spray crossing the black background covers a column only in
// part, so it does not count.
using Outline = std::pair<int, int>;
Outline CaseExtent(const Shot& shot) {
  const int top = 250, bottom = 350;
  int first = -1, last = -1;
  for (int x = 0; x < WindowWidth; ++x) {
    if (shot.Fraction(x, top, x + 1, bottom, [](const Rgb& p) { return !Black(p); }) >= 0.9) {
      if (first < 0)
        first = x;
      last = x;
    }
  }
  return {first, last};
}

// How far apart two outlines are: the larger move of the two edges, in pixels.
int Apart(const Outline& a, const Outline& b) {
  return std::max(std::abs(a.first - b.first), std::abs(a.second - b.second));
}

// Waits until the game has presented `count` new frames: each differs from the one before
// (while the game plays its spray moves and its uptime counts). `shot` ends as the last one.
// The frame after a new frame shows the input that reached the game before that new frame.
bool WaitForFrames(Shot& shot, int count) {
  for (int i = 0; i < count; ++i) {
    const Shot before = shot;
    if (!WaitUntil(
            [&] {
              shot = Capture();
              return !shot.Empty() && Differences(before, shot) > 0;
            },
            Prompt, milliseconds(5)))
      return false;
  }
  return true;
}

// Why the game showed no new frame, for the failure message.
std::string NoNewFrame() {
  if (BlueScreen(Capture()))
    return "no new frame: the game ran out of RAM and shows its game-over screen";
  return "no new frame from the game";
}

// The camera of the game: 2.75 units in front of the case, a frustum of +-1 by +-0.75 at the
// near plane 1, the case turned by `angle` degrees about the vertical axis. Window pixels with
// y from the top.
struct Point {
  double X, Y;
};
Point Project(double x, double y, double z, double angle) {
  const double a = angle * M_PI / 180.0;
  const double ex = std::cos(a) * x + std::sin(a) * z;
  const double ez = -std::sin(a) * x + std::cos(a) * z - 2.75;
  const double depth = -ez;
  return {(ex / depth + 1.0) * WindowWidth / 2,
          WindowHeight - (y / (0.75 * depth) + 1.0) * WindowHeight / 2};
}

// One cell of a face that faces the camera, with the screen rectangle of its middle part.
struct Cell {
  int Face;  // 0: +Z side, 1: -X end (the faces seen at the starting angle)
  int Column, Row;
  Point Centre;
  int X0, Y0, X1, Y1;
};

constexpr double CellSize = 0.3334;
constexpr double StartAngle = 60.0;

// The cells of the two faces seen at the starting angle: the +Z side face and the -X end face.
std::vector<Cell> VisibleCells() {
  std::vector<Cell> cells;
  auto add = [&](int face, int column, int row, auto at) {
    // The middle half of the cell, in the face's own coordinates (u across, v up).
    const double u = (column + 0.5) * CellSize, v = -1.0 + (row + 0.5) * CellSize;
    const double h = CellSize / 4;
    Cell cell{face, column, row, at(u, v), 0, 0, 0, 0};
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (double du : {-h, h}) {
      for (double dv : {-h, h}) {
        const Point p = at(u + du, v + dv);
        x0 = std::min(x0, p.X), x1 = std::max(x1, p.X);
        y0 = std::min(y0, p.Y), y1 = std::max(y1, p.Y);
      }
    }
    cell.X0 = static_cast<int>(std::ceil(x0)), cell.X1 = static_cast<int>(std::floor(x1));
    cell.Y0 = static_cast<int>(std::ceil(y0)), cell.Y1 = static_cast<int>(std::floor(y1));
    cells.push_back(cell);
  };
  for (int column = 0; column < 6; ++column) {
    for (int row = 0; row < 6; ++row)
      add(0, column, row, [](double u, double v) { return Project(1.0 - u, v, 0.5, StartAngle); });
  }
  for (int column = 0; column < 3; ++column) {
    for (int row = 0; row < 6; ++row)
      add(1, column, row,
          [](double u, double v) { return Project(-1.0, v, -0.5 + u, StartAngle); });
  }
  return cells;
}

double DarkIn(const Shot& shot, const Cell& c) {
  return shot.Fraction(c.X0, c.Y0, c.X1, c.Y1, Dark);
}
double SkinIn(const Shot& shot, const Cell& c) {
  return shot.Fraction(c.X0, c.Y0, c.X1, c.Y1, Skin);
}

// The game's cursor (the patch picture) is drawn where the pointer rests.
bool CursorAtRest(const Shot& shot) {
  return shot.Count(RestX - 24, RestY - 24, RestX + 24, RestY + 24, Skin) > 30;
}

// ---------------------------------------------------------------------------------------------

class EndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(XOpen()) << "no X display with XTest: run the tests under xvfb-run";
    // The window must fit with room to spare for the pointer, in true colour.
    ASSERT_GT(X().ScreenWidth(), WindowWidth + 64) << "run Xvfb with -screen 0 1024x768x24";
    ASSERT_GT(X().ScreenHeight(), WindowHeight + 64) << "run Xvfb with -screen 0 1024x768x24";
    ASSERT_EQ(X().Depth(), 24) << "run Xvfb with -screen 0 1024x768x24";
    for (const char* name : ArtFiles) {
      ASSERT_TRUE(fs::exists(ArtFolder() / name))
          << name << " is missing from the play folder: build the art target";
    }
    ASSERT_TRUE(fs::exists(GameBinary())) << GameBinary();
    ASSERT_GT(FontCellHeight(), 0);
    // The pointer starts outside the window, so no cursor or pick lands on the case.
    MovePointerAway();
  }

  // Starts a game in the folder and waits for its title screen to be drawn.
  static void WaitForTitle(Game& game) {
    ASSERT_NE(game.FindWindow(), 0u) << "the window did not appear";
    // With no window manager the window opens at the screen's origin, where the tests look.
    const Geometry at = X().WindowGeometry(game.Handle);
    ASSERT_EQ(at.X, 0);
    ASSERT_EQ(at.Y, 0);
    const auto [shot, ok] = WaitForScreen(
        [](const Shot& s) {
          const auto [top, bottom] = TextRows(TitleLines[0].Y);
          return s.Count(0, top, WindowWidth, bottom, Lit) > 40;
        },
        Prompt);
    ASSERT_TRUE(ok) << "the title screen was not drawn";
  }

  // From the title screen into play: Space, then the case in the middle of the window.
  static Shot StartPlaying(Game& game) {
    game.Focus();
    X().Move(RestX, RestY);
    Tap("space");
    auto [shot, ok] = WaitForScreen(CaseInMiddle, Prompt);
    EXPECT_TRUE(ok) << "Space did not start a game";
    return shot;
  }

  static void ExpectEndsWithZeroAndSaysNothing(Game& game) {
    ASSERT_TRUE(game.Process.Finish(Prompt)) << "the game did not end";
    EXPECT_TRUE(game.Process.ExitedWith(0)) << game.Process.Describe();
    EXPECT_EQ(game.Process.Out(), "");
  }
};

TEST_F(EndToEnd, TitleScreenShowsItsLinesInTheNamedWindow) {
  PlayFolder folder;
  Game game(folder);
  ASSERT_NO_FATAL_FAILURE(WaitForTitle(game));

  // The window was found by its name; it has the game's size.
  const Geometry size = X().WindowGeometry(game.Handle);
  EXPECT_EQ(size.Width, WindowWidth);
  EXPECT_EQ(size.Height, WindowHeight);

  // The title is drawn once and then waits: give it a moment and look.
  SleepMs(300);
  const Shot shot = Capture();
  SaveShot(shot, "title");
  ExpectTextLayout(shot, TitleLines, Black);

  // Keys other than Space and Esc, and the mouse, do nothing on the title screen.
  Tap("Left");
  Tap("a");
  X().Move(400, 300);
  {
    HeldButton click;
    SleepMs(100);
  }
  MovePointerAway();
  SleepMs(300);
  EXPECT_TRUE(game.Running());
  ExpectTextLayout(Capture(), TitleLines, Black);

  game.Focus();
  Tap("Escape");
  ExpectEndsWithZeroAndSaysNothing(game);
}

TEST_F(EndToEnd, EscOnTheTitleScreenQuits) {
  PlayFolder folder;
  Game game(folder);
  ASSERT_NO_FATAL_FAILURE(WaitForTitle(game));
  Tap("Escape");
  ExpectEndsWithZeroAndSaysNothing(game);
  // Nothing is written into the play folder during a normal run.
  EXPECT_FALSE(fs::exists(folder.Path() / "GL_ERROR.txt"));
}

TEST_F(EndToEnd, SpaceStartsPlayWithTheCaseAndStatusLines) {
  PlayFolder folder;
  Game game(folder);
  ASSERT_NO_FATAL_FAILURE(WaitForTitle(game));
  const Shot shot = StartPlaying(game);
  ASSERT_TRUE(CaseInMiddle(shot));

  // The two status lines sit 30 pixels above the bottom edge: the RAM line from x = 20, the
  // uptime line from x = 600, both in the font's white.
  const auto [top, bottom] = TextRows(StatusLineY);
  const auto white = [](const Rgb& p) { return p.R >= 200 && p.G >= 200 && p.B >= 200; };
  EXPECT_GT(shot.Count(RamLineX, top, UptimeLineX - 20, bottom, white), 40);
  EXPECT_GT(shot.Count(UptimeLineX, top, WindowWidth, bottom, white), 40);
  // Nothing white just above or below the lines, nor left of the RAM line (the spray is green).
  EXPECT_EQ(shot.Count(0, top - 12, WindowWidth, top - 1, white), 0);
  EXPECT_EQ(shot.Count(0, bottom + 1, WindowWidth, bottom + 12, white), 0);
  EXPECT_EQ(shot.Count(0, top, RamLineX - 1, bottom, white), 0);
  // The title is gone: the band of its first line holds no text now.
  const auto [titleTop, titleBottom] = TextRows(TitleLines[0].Y);
  EXPECT_EQ(shot.Count(0, titleTop, WindowWidth, titleBottom, white), 0);
  // The case stands clear of the window's edges.
  const auto [first, last] = CaseExtent(shot);
  EXPECT_GT(first, 100);
  EXPECT_LT(last, WindowWidth - 100);
  EXPECT_LT(first, 360);
  EXPECT_GT(last, 440);

  game.Focus();
  Tap("Escape");
  ExpectEndsWithZeroAndSaysNothing(game);
}

TEST_F(EndToEnd, ArrowKeysTurnTheCaseAndCancelOutTogether) {
  PlayFolder folder;
  Game game(folder);
  ASSERT_NO_FATAL_FAILURE(WaitForTitle(game));
  const Shot start = StartPlaying(game);
  const Outline start0 = CaseExtent(start);
  ASSERT_GE(start0.first, 0) << "no case to measure";

  // At the starting angle the case's outline is where the camera puts it: the corner of the
  // -X end and the -Z side at the left, the corner of the +Z side and the +X end at the right.
  EXPECT_NEAR(start0.first, Project(-1.0, 0.0, -0.5, StartAngle).X, 12.0);
  EXPECT_NEAR(start0.second, Project(1.0, 0.0, 0.5, StartAngle).X, 12.0);

  {
    // Both keys held: the turns cancel and the outline stays put, also once the keys repeat.
    // The two presses may reach the game a frame apart, and that frame turns: the outline is
    // taken once frames with both keys down are on the screen.
    HeldKey left("Left");
    HeldKey right("Right");
    const auto pressed = Clock::now();
    Shot shot = Capture();
    ASSERT_TRUE(WaitForFrames(shot, 3)) << NoNewFrame();
    const Outline held = CaseExtent(shot);
    int frames = 0;
    int turned = 0;
    while (frames < 6 || Clock::now() - pressed < milliseconds(1500)) {
      ASSERT_TRUE(WaitForFrames(shot, 1)) << NoNewFrame();
      ++frames;
      turned = std::max(turned, Apart(CaseExtent(shot), held));
    }
    EXPECT_LE(turned, 2) << "the case turned with both keys held";
  }

  // One key alone: the case turns (0.15 degrees per millisecond), so its outline moves, and
  // it keeps turning for as long as the key is held, also once the X server repeats the key
  // (after 660 ms). When it is released the case stops again.
  const auto turns = [&](const std::string& key, const char* name, const std::string& shotName) {
    Shot shot = Capture();
    ASSERT_TRUE(WaitForFrames(shot, 2)) << NoNewFrame();
    {
      HeldKey held(key);
      const auto pressed = Clock::now();
      const Outline before = CaseExtent(shot);
      const auto [moved, ok] = WaitForScreen(
          [&](const Shot& s) { return Playing(s) && Apart(CaseExtent(s), before) > 15; }, Prompt);
      EXPECT_TRUE(ok) << "holding " << name << " did not turn the case";
      SaveShot(moved, shotName);
      // A frame drawn after the first repeats reached the game, then more turning.
      std::this_thread::sleep_until(pressed + milliseconds(1000));
      shot = Capture();
      ASSERT_TRUE(WaitForFrames(shot, 2)) << NoNewFrame();
      const Outline repeating = CaseExtent(shot);
      EXPECT_TRUE(
          WaitForScreen(
              [&](const Shot& s) { return Playing(s) && Apart(CaseExtent(s), repeating) > 15; },
              Prompt)
              .second)
          << "the case stopped turning while " << name << " was still held";
    }
    shot = Capture();
    ASSERT_TRUE(WaitForFrames(shot, 2)) << NoNewFrame();
    const Outline released = CaseExtent(shot);
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(WaitForFrames(shot, 1)) << NoNewFrame();
      EXPECT_LE(Apart(CaseExtent(shot), released), 2)
          << "the case kept turning after " << name << " was released";
    }
  };
  turns("Left", "Left", "turning");
  turns("Right", "Right", "");

  game.Focus();
  Tap("Escape");
  ExpectEndsWithZeroAndSaysNothing(game);
}

TEST_F(EndToEnd, ClickingAnOpenHolePatchesIt) {
  PlayFolder folder;
  Game game(folder);
  ASSERT_NO_FATAL_FAILURE(WaitForTitle(game));
  // The case keeps its starting angle throughout: no arrow key is touched here.
  const Shot reference = StartPlaying(game);
  ASSERT_TRUE(CaseInMiddle(reference));
  const std::vector<Cell> cells = VisibleCells();

  // Wait for a hole to open on a face the camera sees: a cell whose middle has turned dark.
  // Cells that held a hole already at the start, or dark parts of the case, are not taken.
  const auto holeIn = [&](const Shot& shot) -> int {
    for (size_t i = 0; i < cells.size(); ++i) {
      const Cell& c = cells[i];
      if ((c.X1 - c.X0) < 8 || (c.Y1 - c.Y0) < 8)
        continue;
      if (DarkIn(reference, c) < 0.1 && DarkIn(shot, c) > 0.35 &&
          SkinIn(shot, c) < SkinIn(reference, c) + 0.05)
        return static_cast<int>(i);
    }
    return -1;
  };
  int hole = -1;
  Shot withHoles;
  const auto [found, ok] = WaitForScreen(
      [&](const Shot& s) {
        hole = holeIn(s);
        return hole >= 0;
      },
      seconds(180));
  ASSERT_TRUE(ok) << "no hole opened on the faces in view";
  // Let the holes spray a while before taking the picture of play.
  SleepMs(3000);
  SaveShot(Capture(), "play");

  // Click it: press on the middle of the cell until the game has drawn a frame with the button
  // down (the button is a level: a click shorter than a frame goes unseen), then move the
  // pointer (and with it the game's patch cursor) out of the way again.
  const Cell& target = cells[hole];
  X().Move(static_cast<int>(target.Centre.X), static_cast<int>(target.Centre.Y));
  {
    HeldButton click;
    Shot shot = Capture();
    ASSERT_TRUE(WaitForFrames(shot, 3)) << NoNewFrame();
  }
  X().Move(RestX, RestY);
  ASSERT_TRUE(WaitForScreen(CursorAtRest, Prompt).second);

  // The hole now shows the patch's plasters; no other cell got one.
  const auto [patched, shown] = WaitForScreen(
      [&](const Shot& s) { return SkinIn(s, target) >= SkinIn(reference, target) + 0.1; },
      seconds(5));
  SaveShot(patched, "patched");
  EXPECT_TRUE(shown) << "no patch on the clicked hole (cell " << target.Face << "/" << target.Column
                     << "/" << target.Row << ")";
  for (size_t i = 0; i < cells.size(); ++i) {
    if (static_cast<int>(i) == hole)
      continue;
    EXPECT_LT(SkinIn(patched, cells[i]), SkinIn(reference, cells[i]) + 0.1)
        << "a patch appeared on a cell that was not clicked (" << cells[i].Face << "/"
        << cells[i].Column << "/" << cells[i].Row << ")";
  }

  game.Focus();
  Tap("Escape");
  ExpectEndsWithZeroAndSaysNothing(game);
}

TEST_F(EndToEnd, ClickingTheBackgroundPatchesNothing) {
  PlayFolder folder;
  Game game(folder);
  ASSERT_NO_FATAL_FAILURE(WaitForTitle(game));
  const Shot reference = StartPlaying(game);
  // Hold the button well away from the case for a while: holes keep opening, none is patched.
  X().Move(60, 300);
  {
    HeldButton click;
    SleepMs(1500);
  }
  X().Move(RestX, RestY);
  ASSERT_TRUE(WaitForScreen(CursorAtRest, Prompt).second);
  const Shot shot = Capture();
  for (const Cell& c : VisibleCells()) {
    EXPECT_LT(SkinIn(shot, c), SkinIn(reference, c) + 0.1)
        << "a patch appeared on cell " << c.Face << "/" << c.Column << "/" << c.Row;
  }
  game.Focus();
  Tap("Escape");
  ExpectEndsWithZeroAndSaysNothing(game);
}

// The one slow test: left alone, the holes drain all the RAM.
TEST_F(EndToEnd, LeftAloneTheGameEndsOnTheBlueScreenAndSpacePlaysAgain) {
  PlayFolder folder;
  Game game(folder);
  ASSERT_NO_FATAL_FAILURE(WaitForTitle(game));
  StartPlaying(game);

  const auto [over, ok] = WaitForScreen(BlueScreen, seconds(240));
  ASSERT_TRUE(ok) << "the game-over screen did not come";
  SleepMs(300);
  const Shot shot = Capture();
  SaveShot(shot, "gameover");
  ExpectTextLayout(shot, GameOverLines, Blue);
  EXPECT_TRUE(game.Running());

  // Space: a fresh game, on black again.
  game.Focus();
  Tap("space");
  const auto [again, playing] =
      WaitForScreen([](const Shot& s) { return CaseInMiddle(s) && !BlueScreen(s); }, Prompt);
  EXPECT_TRUE(playing) << "Space did not start a new game";
  EXPECT_EQ(again.Count(0, 0, WindowWidth, WindowHeight, Blue), 0);

  game.Focus();
  Tap("Escape");
  ExpectEndsWithZeroAndSaysNothing(game);
}

TEST_F(EndToEnd, ClosingTheWindowQuitsFromTheTitleAndFromPlay) {
  {
    PlayFolder folder;
    Game game(folder);
    ASSERT_NO_FATAL_FAILURE(WaitForTitle(game));
    game.SendDeleteWindow();
    ExpectEndsWithZeroAndSaysNothing(game);
  }
  {
    PlayFolder folder;
    Game game(folder);
    ASSERT_NO_FATAL_FAILURE(WaitForTitle(game));
    StartPlaying(game);
    game.SendDeleteWindow();
    // The frame that sees the close is the last one shown: while the window lasts, it shows
    // the same picture (a game that played on would move its spray and count its uptime).
    SleepMs(300);
    const Shot last = Capture(game.Handle);
    bool playedOn = false;
    WaitUntil(
        [&] {
          const Shot now = Capture(game.Handle);
          if (last.Empty() || now.Empty())
            return true;  // the window is gone
          playedOn = Differences(last, now) > 0 && game.Running();
          return playedOn || !game.Running();
        },
        Prompt);
    EXPECT_FALSE(playedOn) << "the game played on after its window was closed";
    ExpectEndsWithZeroAndSaysNothing(game);
  }
}

}  // namespace
