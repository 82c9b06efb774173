// What the reliability checks share: a private X server, the game as a child process with its
// output in files, XTest input, screen reads, and the process's resident memory.
//
// Every child is started with a parent-death signal, so nothing outlives a checker that is
// killed; every wait has a deadline.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace reliability {

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

// True when text holds a report of AddressSanitizer, LeakSanitizer or UBSan.
bool HasSanitizerReport(const std::string& text);

// A child process: argv[0] is a path; the environment is ours with the given changes (an empty
// value removes a variable). Standard output and error go to files beside nothing else.
class Child {
public:
  Child() = default;
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Start(const std::vector<std::string>& argv, const fs::path& workDir,
             const std::map<std::string, std::string>& envChanges, const fs::path& outFile,
             const fs::path& errFile);
  // True once the process has ended (reaped); then Status() is its wait status.
  bool Ended();
  // Waits up to timeout for the end; false if it is still running.
  bool WaitEnd(std::chrono::milliseconds timeout);
  // SIGKILL to this one process, then reap it. Does nothing once it has ended.
  void Kill();
  pid_t Pid() const { return Id; }
  int RawStatus() const { return WaitStatus; }
  // "exit 0", "signal 11" and the like.
  std::string Describe() const;
  bool ExitedWith(int code) const;

private:
  pid_t Id = -1;
  bool Done = false;
  int WaitStatus = 0;
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
};

// A connection to an X server: finding the game's window, XTest input, reading pixels.
class XSession {
public:
  XSession() = default;
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  bool Open(const std::string& displayName);
  // The top-level window named "Sieve Rush", or 0.
  unsigned long FindGameWindow();
  // Gives the window the keyboard focus, so keys reach it wherever the pointer is.
  void Focus(unsigned long window);
  // Keys by keysym name ("space", "Left", "F5", "KP_Add").
  bool Key(const std::string& keysym, bool down);
  void Tap(const std::string& keysym, int holdMs = 30);
  void Button(int button, bool down);
  void Move(int x, int y);
  void Flush();
  // The window's pixels, rows top first; empty when the window cannot be read.
  std::vector<Rgb> Grab(unsigned long window, int x, int y, int width, int height);

private:
  void* Dpy = nullptr;  // Display*, kept out of this header
};

// Counts pixels brighter than black in a grab.
int LitPixels(const std::vector<Rgb>& pixels);
// True when the grab is mostly the game-over screen's blue.
bool MostlyCrashBlue(const std::vector<Rgb>& pixels);

// Copies the six art files from a folder into another.
bool CopyArt(const fs::path& from, const fs::path& to, std::string& error);

// Command-line options of the form --name value; the arguments after "--" are kept apart.
struct Options {
  std::map<std::string, std::string> Named;
  std::vector<std::string> Rest;
  std::string Get(const std::string& name, const std::string& fallback) const;
  long GetLong(const std::string& name, long fallback) const;
  bool Has(const std::string& name) const { return Named.count(name) != 0; }
};
Options ParseOptions(int argc, char** argv);

}  // namespace reliability
