// Plays the real game on a private X server with seeded random input for as long as asked,
// watching that it never dies and that its resident memory stops growing after the first
// minute; a final Esc must end it with status 0. In --script mode it plays one short, fixed game
// instead (title, start, turn, patch the holes it can see, sweep, quit) for slow runs such as
// valgrind's.
//
// Usage: soak_player --art DIR [--seconds N] [--seed S] [--log FILE] -- GAME [ARGS...]
//        soak_player --script --art DIR [--play-seconds N] [--timeout N] -- COMMAND...
// The command is run in a temporary copy of the art folder; it may be a wrapper (valgrind ...).
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Harness.h"

using namespace harness;

namespace {

// Pointer positions: the case fills the middle of the window; the screen is larger than the
// window, so a sweep can leave it to the right and below.
constexpr int CaseLeft = 200, CaseRight = 600, CaseTop = 120, CaseBottom = 480;
constexpr int ScreenWidth = 1024, ScreenHeight = 768;

// Memory is judged on the median of 10 one-second samples at the end of the first minute and at
// the end of the run, so one busy second of the renderer does not decide.
constexpr int WarmUpSeconds = 60;
constexpr int MedianWindow = 10;
constexpr long AllowedGrowthKiB = 1024;

// Keys the game does not use. Esc is never among them: it ends the run.
const char* const UnknownKeys[] = {
    "F1",        "F2",        "F3",       "F4",          "F5",         "F6",        "F7",
    "F8",        "F9",        "F10",      "F11",         "F12",        "a",         "b",
    "c",         "d",         "e",        "h",           "m",          "q",         "w",
    "x",         "z",         "1",        "5",           "0",          "KP_0",      "KP_5",
    "KP_9",      "KP_Add",    "KP_Enter", "KP_Subtract", "KP_Decimal", "KP_Divide", "KP_Multiply",
    "Tab",       "Return",    "Up",       "Down",        "Home",       "End",       "Page_Up",
    "Page_Down", "Insert",    "Shift_L",  "Control_L",   "Alt_L",      "Super_L",   "Caps_Lock",
    "Num_Lock",  "BackSpace", "Delete",   "minus",       "equal",      "comma",     "period"};

struct Sample {
  double Seconds;
  long Kib;
  bool Crash;
};

long Median(std::vector<long> values) {
  if (values.empty())
    return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

class Player {
public:
  Player(XSession& x, Child& game, unsigned long window, unsigned seed)
      : X(x), Game(game), Window(window), Rng(seed) {}

  // Sleeps in short steps; samples memory and the screen once a second. False once the game
  // has ended.
  bool Pause(int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    do {
      if (Game.Ended())
        return false;
      if (Clock::now() >= NextSample)
        TakeSample();
      SleepMs(static_cast<int>(std::min<long>(
          50, std::max<long>(
                  0, std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now())
                         .count()))));
    } while (Clock::now() < until);
    return !Game.Ended();
  }

  double Elapsed() const { return std::chrono::duration<double>(Clock::now() - Began).count(); }

  // One random action of a player who rarely patches; false once the game has ended.
  bool Act() {
    if (OnCrashScreen)
      return ActOnCrashScreen();
    // The first minute mostly waits for the RAM to run out, so every screen and its drawing
    // has been seen before memory is judged.
    const int neglect = Elapsed() < WarmUpSeconds ? 60 : 25;
    const int roll = Pick(0, 99);
    if (roll < neglect)
      return Neglect();
    switch (Pick(0, 8)) {
      case 0:
        return Turn();
      case 1:
        return Click();
      case 2:
        return Sweep();
      case 3:
        return UnknownKeyBurst();
      case 4:
        return OtherButtons();
      case 5:
        return SpaceBurst();
      case 6:
        return Chaos();
      case 7:
        return Wander();
      default:
        return Pause(Pick(10, 300));
    }
  }

  void Report(std::ostream& out) const {
    out << "actions " << Actions << ", game-over screens seen " << CrashScreens
        << ", restarts sent " << Restarts << ", samples " << Samples.size() << "\n";
  }

  const std::vector<Sample>& History() const { return Samples; }

private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Rng); }

  void TakeSample() {
    NextSample = Clock::now() + std::chrono::seconds(1);
    const long kib = ResidentKiB(Game.Pid());
    // The top rows are background on every screen: black, or the crash screen's blue.
    const bool crash = MostlyCrashBlue(X.Grab(Window, 0, 0, WindowWidth, 4));
    if (crash && !OnCrashScreen)
      ++CrashScreens;
    OnCrashScreen = crash;
    if (kib > 0)
      Samples.push_back({Elapsed(), kib, crash});
  }

  bool ActOnCrashScreen() {
    ++Actions;
    const int roll = Pick(0, 9);
    if (roll < 6) {
      X.Tap("space", Pick(5, 200));
      ++Restarts;
    } else if (roll < 7) {
      return SpaceBurst();
    } else if (roll < 8) {
      if (!UnknownKeyBurst())
        return false;
      X.Tap("space", 20);
      ++Restarts;
    } else if (roll < 9) {
      // Holding the bar as the next screen comes starts it at once.
      X.Key("space", true);
      if (!Pause(Pick(100, 1500)))
        return false;
      X.Key("space", false);
      ++Restarts;
    } else {
      return Pause(Pick(200, 2000));
    }
    OnCrashScreen = false;
    return Pause(Pick(20, 400));
  }

  bool Neglect() {
    ++Actions;
    // A Space now and then: on the title screen it starts the game, in play it does nothing.
    X.Tap("space", 20);
    const int steps = Pick(4, 12);
    for (int i = 0; i < steps; ++i) {
      X.Move(Pick(0, ScreenWidth - 1), Pick(0, ScreenHeight - 1));
      if (!Pause(Pick(200, 700)))
        return false;
    }
    return true;
  }

  bool Turn() {
    ++Actions;
    static const char* const Which[][2] = {
        {"Left", nullptr}, {"Right", nullptr}, {"Left", "Right"}};
    const auto& keys = Which[Pick(0, 2)];
    for (const char* k : keys)
      if (k)
        X.Key(k, true);
    const bool alive = Pause(Pick(30, 1500));
    for (const char* k : keys)
      if (k)
        X.Key(k, false);
    return alive;
  }

  bool Click() {
    ++Actions;
    X.Move(Pick(0, WindowWidth - 1), Pick(0, WindowHeight - 1));
    X.Button(1, true);
    const bool alive = Pause(Pick(5, 250));
    X.Button(1, false);
    return alive && Pause(Pick(10, 200));
  }

  // Button held while the pointer crosses the case, often leaving the window before release.
  bool Sweep() {
    ++Actions;
    int x = Pick(CaseLeft, CaseRight), y = Pick(CaseTop, CaseBottom);
    X.Move(x, y);
    X.Button(1, true);
    const int steps = Pick(5, 40);
    bool alive = true;
    for (int i = 0; i < steps && alive; ++i) {
      x = std::clamp(x + Pick(-80, 120), 0, ScreenWidth - 1);
      y = std::clamp(y + Pick(-60, 90), 0, ScreenHeight - 1);
      X.Move(x, y);
      alive = Pause(Pick(5, 60));
    }
    X.Button(1, false);
    return alive;
  }

  bool UnknownKeyBurst() {
    ++Actions;
    const int count = Pick(3, 15);
    constexpr int Known = sizeof UnknownKeys / sizeof UnknownKeys[0];
    // Sometimes one key stays down through the burst.
    const char* held = Pick(0, 2) == 0 ? UnknownKeys[Pick(0, Known - 1)] : nullptr;
    if (held)
      X.Key(held, true);
    bool alive = true;
    for (int i = 0; i < count && alive; ++i) {
      X.Tap(UnknownKeys[Pick(0, Known - 1)], Pick(1, 80));
      alive = Pause(Pick(0, 50));
    }
    if (held)
      X.Key(held, false);
    return alive;
  }

  // Middle, right and the scroll buttons 4 to 7: clicks, holds and scroll bursts.
  bool OtherButtons() {
    ++Actions;
    X.Move(Pick(0, WindowWidth - 1), Pick(0, WindowHeight - 1));
    const int count = Pick(1, 25);
    bool alive = true;
    for (int i = 0; i < count && alive; ++i) {
      const int button = Pick(2, 7);
      X.Button(button, true);
      alive = Pause(Pick(0, button <= 3 ? 400 : 10));
      X.Button(button, false);
    }
    return alive;
  }

  bool SpaceBurst() {
    ++Actions;
    const int count = Pick(5, 20);
    for (int i = 0; i < count; ++i) {
      X.Tap("space", Pick(1, 30));
      if (!Pause(Pick(5, 30)))
        return false;
    }
    ++Restarts;
    OnCrashScreen = false;
    return true;
  }

  // Everything at once: both arrows, the left button across the case, a stray key.
  bool Chaos() {
    ++Actions;
    X.Key("Left", true);
    X.Move(Pick(CaseLeft, CaseRight), Pick(CaseTop, CaseBottom));
    X.Button(1, true);
    X.Key("Right", true);
    X.Button(3, true);
    bool alive = Pause(Pick(50, 600));
    X.Tap(UnknownKeys[Pick(0, 11)], 20);
    X.Move(Pick(0, ScreenWidth - 1), Pick(0, ScreenHeight - 1));
    X.Key("Left", false);
    alive = alive && Pause(Pick(10, 300));
    X.Button(3, false);
    X.Button(1, false);
    X.Key("Right", false);
    return alive;
  }

  bool Wander() {
    ++Actions;
    const int steps = Pick(5, 30);
    for (int i = 0; i < steps; ++i) {
      X.Move(Pick(0, ScreenWidth - 1), Pick(0, ScreenHeight - 1));
      if (!Pause(Pick(1, 40)))
        return false;
    }
    return true;
  }

  XSession& X;
  Child& Game;
  unsigned long Window;
  std::mt19937 Rng;
  Clock::time_point Began = Clock::now();
  Clock::time_point NextSample = Clock::now();
  std::vector<Sample> Samples;
  bool OnCrashScreen = false;
  int CrashScreens = 0;
  int Restarts = 0;
  int Actions = 0;
};

// Waits until the window shows something other than black (the title text); false on timeout.
bool WaitForPicture(XSession& x, unsigned long window, Child& game, int timeoutSeconds) {
  return WaitUntil(
             [&] {
               return game.Ended() ||
                      LitPixels(x.Grab(window, 0, 0, WindowWidth, WindowHeight)) > 200;
             },
             std::chrono::seconds(timeoutSeconds), std::chrono::milliseconds(200)) &&
         !game.Ended();
}

struct Run {
  Options Opts;
  PrivateX Server;
  XSession X;
  TempDir Folder{"sieverush-soak"};
  Child Game;
  unsigned long Window = 0;
};

// Ends the game with Esc and checks how it went; prints the game's error output on failure.
bool Quit(Run& run, int timeoutSeconds) {
  run.X.Tap("Escape", 50);
  if (!run.Game.WaitEnd(std::chrono::seconds(timeoutSeconds))) {
    std::cerr << "FAIL: the game did not end within " << timeoutSeconds << " s of Esc\n";
    return false;
  }
  const std::string err = run.Game.Err();
  bool ok = true;
  if (!run.Game.ExitedWith(0)) {
    std::cerr << "FAIL: after Esc the game ended with " << run.Game.Describe() << "\n";
    ok = false;
  }
  if (HasSanitizerReport(err)) {
    std::cerr << "FAIL: sanitizer report\n";
    ok = false;
  }
  if (!ok)
    std::cerr << "--- game's standard error:\n" << err.substr(0, 20000) << "\n";
  return ok;
}

int Soak(Run& run) {
  const long seconds = run.Opts.GetLong("seconds", 120);
  const unsigned seed = static_cast<unsigned>(run.Opts.GetLong("seed", 1));
  std::cout << "soak: " << seconds << " s, seed " << seed << ", game pid " << run.Game.Pid()
            << std::endl;
  run.X.Focus(run.Window);
  Player player(run.X, run.Game, run.Window, seed);
  const auto deadline = Clock::now() + std::chrono::seconds(seconds);
  bool alive = true;
  while (alive && Clock::now() < deadline)
    alive = player.Act();
  if (!alive) {
    std::cerr << "FAIL: the game ended during play after " << player.Elapsed() << " s ("
              << run.Game.Describe() << ")\n--- standard error:\n"
              << run.Game.Err().substr(0, 20000) << "\n";
    return 1;
  }

  // Memory: the curve once a minute, then the judgement.
  const auto& history = player.History();
  if (run.Opts.Has("log")) {
    std::ofstream log(run.Opts.Get("log", ""));
    log << "seconds,rss_kib,crash_screen\n";
    for (const Sample& s : history)
      log << static_cast<long>(s.Seconds) << "," << s.Kib << "," << (s.Crash ? 1 : 0) << "\n";
  }
  for (const Sample& s : history) {
    if (static_cast<long>(s.Seconds) % 60 == 0 || &s == &history.back())
      std::cout << "  t=" << static_cast<long>(s.Seconds) << " s  VmRSS " << s.Kib << " KiB\n";
  }
  player.Report(std::cout);
  bool ok = true;
  if (seconds >= WarmUpSeconds + MedianWindow) {
    std::vector<long> atMinute, atEnd;
    long peak = 0;
    for (const Sample& s : history) {
      if (s.Seconds > WarmUpSeconds - MedianWindow && s.Seconds <= WarmUpSeconds)
        atMinute.push_back(s.Kib);
      if (s.Seconds > seconds - MedianWindow)
        atEnd.push_back(s.Kib);
      if (s.Seconds > WarmUpSeconds)
        peak = std::max(peak, s.Kib);
    }
    const long base = Median(atMinute), end = Median(atEnd);
    std::cout << "RSS after the first minute: " << base << " KiB; at the end: " << end
              << " KiB; growth " << end - base << " KiB (peak after the first minute " << peak
              << " KiB)\n";
    if (base < 0 || end < 0) {
      std::cerr << "FAIL: too few memory samples\n";
      ok = false;
    } else if (end - base >= AllowedGrowthKiB) {
      std::cerr << "FAIL: resident memory grew by " << end - base
                << " KiB after the first minute\n";
      ok = false;
    }
  } else {
    std::cout << "(run shorter than " << WarmUpSeconds + MedianWindow
              << " s: memory growth not judged)\n";
  }
  return Quit(run, 60) && ok ? 0 : 1;
}

// Screen positions inside the case region where the picture stays changed from a baseline in
// two grabs a second apart: holes (particles move on, holes stay).
std::vector<std::pair<int, int>> FindHoles(Run& run, const Shot& base, Child& game) {
  const int w = CaseRight - CaseLeft, h = CaseBottom - CaseTop;
  const auto first = run.X.Grab(run.Window, CaseLeft, CaseTop, w, h);
  SleepMs(1000);
  const auto second = run.X.Grab(run.Window, CaseLeft, CaseTop, w, h);
  std::vector<std::pair<int, int>> spots;
  if (game.Ended() || base.Empty() || first.Pixels.size() != base.Pixels.size() ||
      second.Pixels.size() != base.Pixels.size())
    return spots;
  auto differs = [](const Rgb& a, const Rgb& b) {
    return std::abs(a.R - b.R) + std::abs(a.G - b.G) + std::abs(a.B - b.B) > 90;
  };
  // 20-pixel cells with many changed pixels; their centres are the targets.
  constexpr int Cell = 20;
  for (int cy = 0; cy + Cell <= h; cy += Cell) {
    for (int cx = 0; cx + Cell <= w; cx += Cell) {
      int changed = 0;
      for (int y = cy; y < cy + Cell; ++y)
        for (int x = cx; x < cx + Cell; ++x) {
          const std::size_t i = static_cast<std::size_t>(y) * w + x;
          changed +=
              differs(first.Pixels[i], base.Pixels[i]) && differs(second.Pixels[i], base.Pixels[i])
                  ? 1
                  : 0;
        }
      if (changed > Cell * Cell / 3)
        spots.push_back({CaseLeft + cx + Cell / 2, CaseTop + cy + Cell / 2});
    }
  }
  return spots;
}

// One short game at a slow pace: every input is held long enough for several frames.
int Script(Run& run) {
  const int play = static_cast<int>(run.Opts.GetLong("play-seconds", 20));
  const int hold = static_cast<int>(run.Opts.GetLong("hold-ms", 1500));
  auto step = [&](const char* what) {
    std::cout << "[" << what << "]" << std::endl;
    return !run.Game.Ended();
  };
  run.X.Focus(run.Window);
  if (!step("title") || !WaitForPicture(run.X, run.Window, run.Game, 600)) {
    std::cerr << "FAIL: no title screen (" << run.Game.Describe() << ")\n";
    return 1;
  }
  run.X.Move(780, 20);
  run.X.Tap("space", hold);
  SleepMs(hold * 2);
  step("turn");
  run.X.Tap("Left", hold);
  run.X.Tap("Right", hold / 2);
  run.X.Key("Left", true);
  run.X.Key("Right", true);
  SleepMs(hold);
  run.X.Key("Left", false);
  run.X.Key("Right", false);
  SleepMs(hold * 2);
  const auto base =
      run.X.Grab(run.Window, CaseLeft, CaseTop, CaseRight - CaseLeft, CaseBottom - CaseTop);
  step("play");
  const auto playUntil = Clock::now() + std::chrono::seconds(play);
  int patches = 0;
  while (Clock::now() < playUntil && !run.Game.Ended()) {
    SleepMs(3000);
    for (const auto& [x, y] : FindHoles(run, base, run.Game)) {
      if (patches >= 12 || run.Game.Ended())
        break;
      run.X.Move(x, y);
      run.X.Button(1, true);
      SleepMs(hold);
      run.X.Button(1, false);
      ++patches;
    }
  }
  std::cout << "  patch clicks on holes seen on screen: " << patches << std::endl;
  step("sweep");
  run.X.Move(CaseLeft, (CaseTop + CaseBottom) / 2);
  run.X.Button(1, true);
  for (int x = CaseLeft; x <= ScreenWidth - 10; x += 40) {
    run.X.Move(x, (CaseTop + CaseBottom) / 2 + (x % 80) - 40);
    SleepMs(hold / 4);
  }
  run.X.Button(1, false);
  SleepMs(hold);
  if (!step("quit")) {
    std::cerr << "FAIL: the game ended before Esc (" << run.Game.Describe() << ")\n--- stderr:\n"
              << run.Game.Err().substr(0, 20000) << "\n";
    return 1;
  }
  return Quit(run, static_cast<int>(run.Opts.GetLong("timeout", 600))) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Run run;
  run.Opts = ParseOptions(argc, argv);
  if (run.Opts.Rest.empty() || !run.Opts.Has("art")) {
    std::cerr << "usage: soak_player [--script] --art DIR [--seconds N] [--seed S] -- GAME...\n";
    return 2;
  }
  std::string error;
  if (!CopyArt(run.Opts.Get("art", ""), run.Folder.Path(), error) || !run.Server.Start(error) ||
      !run.X.Open(run.Server.Name())) {
    std::cerr << "FAIL: set-up: " << (error.empty() ? "cannot open the X display" : error) << "\n";
    return 1;
  }
  std::map<std::string, std::string> env = {{"DISPLAY", run.Server.Name()}};
  if (!run.Game.StartIn(run.Opts.Rest, run.Folder.Path(), env)) {
    std::cerr << "FAIL: cannot start " << run.Opts.Rest[0] << "\n";
    return 1;
  }
  const int windowTimeout = static_cast<int>(run.Opts.GetLong("timeout", 60));
  // The command may be a wrapper: the only window on the private server is the game's.
  run.Window = run.X.WaitForGameWindow(run.Game, std::chrono::seconds(windowTimeout),
                                       /*ofThatProcess=*/false);
  if (!run.Window) {
    std::cerr << "FAIL: no game window within " << windowTimeout << " s (" << run.Game.Describe()
              << ")\n--- stdout:\n"
              << run.Game.Out() << "--- stderr:\n"
              << run.Game.Err().substr(0, 20000) << "\n";
    return 1;
  }
  const int result = run.Opts.Has("script") ? Script(run) : Soak(run);
  const std::string out = run.Game.Out();
  if (!out.empty())
    std::cout << "--- the game's standard output:\n" << out;
  std::cout << (result == 0 ? "PASS" : "FAIL") << std::endl;
  return result;
}
