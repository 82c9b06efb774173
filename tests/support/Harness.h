// What the end-to-end and reliability checks share: temporary play folders, the game as a child
// process with its output in files, a private X server, XTest input, screen reads and the
// process's resident memory.
//
// Every child is started with a parent-death signal, so nothing outlives a checker that is
// killed; every wait has a deadline.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace harness {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The six files the game reads at start-up, in the order it loads them.
inline const char* const ArtFiles[] = {"SieveFont.bff", "Case.tga", "CaseSide.tga",
                                       "Patch.tga",     "Hole.tga", "Bits.tga"};

// The game's window: 800 x 600 at the root's origin (Xvfb has no window manager).
constexpr int WindowWidth = 800;
constexpr int WindowHeight = 600;

void SleepMs(int ms);
std::string ReadFile(const fs::path& path);
// The environment variable's value, or the fallback when it is unset or empty.
std::string EnvOr(const char* name, const std::string& fallback);
// Polls the condition every few milliseconds until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, Clock::duration limit,
               std::chrono::milliseconds every = std::chrono::milliseconds(20));

// A new empty folder under the system's temporary folder; removed by the destructor.
class TempDir {
public:
  explicit TempDir(const std::string& prefix);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& Path() const { return Dir; }

private:
  fs::path Dir;
};

// Copies the six art files from a folder into another.
bool CopyArt(const fs::path& from, const fs::path& to, std::string& error);

// True when text holds a report of AddressSanitizer, LeakSanitizer or UBSan.
bool HasSanitizerReport(const std::string& text);

// A child process: argv[0] is a path; the environment is ours with the given changes (an empty
// value removes a variable). Standard output and error go to files.
class Child {
public:
  Child() = default;
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Start(const std::vector<std::string>& argv, const fs::path& workDir,
             const std::map<std::string, std::string>& envChanges, const fs::path& outFile,
             const fs::path& errFile);
  // Starts it in a play folder, its output in stdout.txt and stderr.txt there.
  bool StartIn(const std::vector<std::string>& argv, const fs::path& folder,
               const std::map<std::string, std::string>& envChanges = {});
  // True once the process has ended (reaped); then Status() is its wait status.
  bool Ended();
  // Waits up to timeout for the end; false if it is still running.
  bool WaitEnd(Clock::duration timeout);
  // Waits up to timeout for the end, kills it if it has not come; true if it ended by itself.
  bool Finish(Clock::duration timeout);
  // SIGKILL to this one process, then reap it. Does nothing once it has ended.
  void Kill();
  pid_t Pid() const { return Id; }
  // "exit 0", "signal 11" and the like.
  std::string Describe() const;
  bool ExitedWith(int code) const;
  std::string Out() const { return ReadFile(OutFile); }
  std::string Err() const { return ReadFile(ErrFile); }

private:
  pid_t Id = -1;
  bool Done = false;
  int WaitStatus = 0;
  fs::path OutFile, ErrFile;
};

// VmRSS of a process in KiB, or -1 when it cannot be read.
long ResidentKiB(pid_t pid);

// A private Xvfb on a free display, so that input meant for the game reaches nothing else.
class PrivateX {
public:
  PrivateX() = default;
  ~PrivateX();
  PrivateX(const PrivateX&) = delete;
  PrivateX& operator=(const PrivateX&) = delete;
  // Starts the server and waits until it takes connections.
  bool Start(std::string& error);
  const std::string& Name() const { return DisplayName; }

private:
  Child Server;
  std::string DisplayName;
  TempDir Logs{"sieverush-xvfb"};
};

struct Rgb {
  int R = 0, G = 0, B = 0;
  int Max() const;
};

// A picture read from the screen, rows top first; empty when nothing could be read.
struct Shot {
  int Width = 0;
  int Height = 0;
  std::vector<Rgb> Pixels;

  bool Empty() const { return Pixels.empty(); }
  const Rgb& At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
  // How many pixels of the rectangle [x0, x1) x [y0, y1) satisfy the test.
  int Count(int x0, int y0, int x1, int y1, const std::function<bool(const Rgb&)>& test) const;
  // The same as a fraction of the rectangle's part inside the picture.
  double Fraction(int x0, int y0, int x1, int y1,
                  const std::function<bool(const Rgb&)>& test) const;
};

// How many pixels differ between two shots of the same size.
int Differences(const Shot& a, const Shot& b);
// Counts pixels brighter than black.
int LitPixels(const Shot& shot);
// True when the shot is mostly the game-over screen's blue.
bool MostlyCrashBlue(const Shot& shot);
// Keeps a PNG of the shot as $SIEVERUSH_SHOTS/<name>.png when that variable is set (and the
// name is not empty).
void SaveShot(const Shot& shot, const std::string& name);

// Where a window is on the screen and how large it is.
struct Geometry {
  int X = -1, Y = -1, Width = 0, Height = 0;
};

// A connection to an X server: finding the game's window, XTest input, reading pixels.
class XSession {
public:
  XSession() = default;
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  // An empty name opens $DISPLAY. False without a display or without XTest.
  bool Open(const std::string& displayName);
  int ScreenWidth() const;
  int ScreenHeight() const;
  int Depth() const;
  // The viewable window named "Sieve Rush" (of that process when pid is given), or 0.
  unsigned long FindGameWindow(pid_t pid = 0);
  // Waits for the game's window; 0 when it did not come in time or the game ended first.
  unsigned long WaitForGameWindow(Child& game, Clock::duration limit, bool ofThatProcess = true);
  Geometry WindowGeometry(unsigned long window);
  // Gives the window the keyboard focus, so keys reach it wherever the pointer is.
  void Focus(unsigned long window);
  // Closes the window the way a window manager does when its close button is clicked.
  void SendDeleteWindow(unsigned long window);
  // Keys by keysym name ("space", "Left", "F5", "KP_Add").
  bool Key(const std::string& keysym, bool down);
  void Tap(const std::string& keysym, int holdMs = 30);
  void Button(int button, bool down);
  void Move(int x, int y);
  // A part of the window (0: of the whole screen); empty when it cannot be read.
  Shot Grab(unsigned long window, int x, int y, int width, int height);

private:
  void* Dpy = nullptr;  // Display*, kept out of this header
};

// Command-line options of the form --name value; the arguments after "--" are kept apart.
struct Options {
  std::map<std::string, std::string> Named;
  std::vector<std::string> Rest;
  std::string Get(const std::string& name, const std::string& fallback) const;
  long GetLong(const std::string& name, long fallback) const;
  bool Has(const std::string& name) const { return Named.count(name) != 0; }
};
Options ParseOptions(int argc, char** argv);

}  // namespace harness
