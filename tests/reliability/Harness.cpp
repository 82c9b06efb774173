#include "Harness.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <thread>

extern char** environ;

namespace reliability {

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TempDir::TempDir(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()))
    Dir = pattern;
}

TempDir::~TempDir() {
  std::error_code error;
  if (!Dir.empty())
    fs::remove_all(Dir, error);
}

bool HasSanitizerReport(const std::string& text) {
  return text.find("ERROR: AddressSanitizer") != std::string::npos ||
         text.find("ERROR: LeakSanitizer") != std::string::npos ||
         text.find("runtime error:") != std::string::npos ||
         text.find("SUMMARY: UndefinedBehaviorSanitizer") != std::string::npos;
}

// ---------------------------------------------------------------------------------------------
// Child processes.

Child::~Child() {
  Kill();
}

bool Child::Start(const std::vector<std::string>& argv, const fs::path& workDir,
                  const std::map<std::string, std::string>& envChanges, const fs::path& outFile,
                  const fs::path& errFile) {
  // Everything the child needs is prepared before fork: after it, only async-signal-safe calls.
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (!envChanges.count(name))
      env.push_back(entry);
  }
  for (const auto& [name, value] : envChanges) {
    if (!value.empty())
      env.push_back(name + "=" + value);
  }
  std::vector<char*> args, envp;
  for (const std::string& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : env)
    envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const std::string dir = workDir.string(), out = outFile.string(), err = errFile.string();
  const pid_t parent = getpid();

  Id = fork();
  if (Id < 0)
    return false;
  if (Id == 0) {
    // Dies with the checker, whatever kills it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
      _exit(127);
    const int in = open("/dev/null", O_RDONLY);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0 || dup2(in, 0) < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0 ||
        chdir(dir.c_str()) != 0)
      _exit(127);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  Done = false;
  WaitStatus = 0;
  return true;
}

bool Child::Ended() {
  if (Id < 0 || Done)
    return true;
  int status = 0;
  const pid_t r = waitpid(Id, &status, WNOHANG);
  if (r == Id || (r < 0 && errno == ECHILD)) {
    Done = true;
    WaitStatus = status;
  }
  return Done;
}

bool Child::WaitEnd(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!Ended()) {
    if (Clock::now() > deadline)
      return false;
    SleepMs(20);
  }
  return true;
}

void Child::Kill() {
  if (Id < 0 || Ended())
    return;
  kill(Id, SIGKILL);
  int status = 0;
  if (waitpid(Id, &status, 0) == Id)
    WaitStatus = status;
  Done = true;
}

std::string Child::Describe() const {
  if (Id < 0)
    return "not started";
  if (!Done)
    return "running";
  if (WIFEXITED(WaitStatus))
    return "exit " + std::to_string(WEXITSTATUS(WaitStatus));
  if (WIFSIGNALED(WaitStatus))
    return std::string("signal ") + std::to_string(WTERMSIG(WaitStatus)) + " (" +
           strsignal(WTERMSIG(WaitStatus)) + ")";
  return "status " + std::to_string(WaitStatus);
}

bool Child::ExitedWith(int code) const {
  return Id >= 0 && Done && WIFEXITED(WaitStatus) && WEXITSTATUS(WaitStatus) == code;
}

long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0)
      return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------
// The private X server.

PrivateX::~PrivateX() {
  if (Server.Pid() > 0 && !Server.Ended()) {
    kill(Server.Pid(), SIGTERM);
    if (!Server.WaitEnd(std::chrono::seconds(5)))
      Server.Kill();
  }
}

bool PrivateX::Start(std::string& error) {
  // Xvfb picks a free display itself (-displayfd) and writes its number once it listens; the
  // number comes back through a file, polled, so that no pipe has to cross the fork.
  const fs::path numberFile = Logs.Path() / "display";
  const int fd = open(numberFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    error = "cannot create " + numberFile.string();
    return false;
  }
  const std::string fdText = std::to_string(fd);
  const bool started = Server.Start({"/usr/bin/Xvfb", "-displayfd", fdText, "-screen", "0",
                                     "1024x768x24", "-nolisten", "tcp", "-noreset"},
                                    Logs.Path(), {}, Logs.Path() / "out", Logs.Path() / "err");
  close(fd);
  if (!started) {
    error = "cannot start Xvfb";
    return false;
  }
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < deadline) {
    const std::string text = ReadFile(numberFile);
    if (!text.empty() && text.back() == '\n') {
      DisplayName = ":" + text.substr(0, text.size() - 1);
      return true;
    }
    if (Server.Ended()) {
      error = "Xvfb ended (" + Server.Describe() + "): " + ReadFile(Logs.Path() / "err");
      return false;
    }
    SleepMs(20);
  }
  error = "Xvfb did not come up within 30 s";
  return false;
}

// ---------------------------------------------------------------------------------------------
// X input and screen reads.

namespace {

int IgnoreXErrors(Display*, XErrorEvent*) {
  // The game's window can go between finding it and reading it.
  return 0;
}

Display* D(void* p) {
  return static_cast<Display*>(p);
}

unsigned long FindNamed(Display* dpy, Window w, const char* name, int depth) {
  char* title = nullptr;
  if (XFetchName(dpy, w, &title) && title) {
    const bool match = std::strcmp(title, name) == 0;
    XFree(title);
    if (match) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(dpy, w, &attributes) && attributes.map_state == IsViewable)
        return w;
    }
  }
  if (depth > 3)
    return 0;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  unsigned long found = 0;
  if (XQueryTree(dpy, w, &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count && !found; ++i)
      found = FindNamed(dpy, children[i], name, depth + 1);
    if (children)
      XFree(children);
  }
  return found;
}

}  // namespace

XSession::~XSession() {
  if (Dpy)
    XCloseDisplay(D(Dpy));
}

bool XSession::Open(const std::string& displayName) {
  Dpy = XOpenDisplay(displayName.c_str());
  if (!Dpy)
    return false;
  XSetErrorHandler(IgnoreXErrors);
  int event = 0, error = 0, major = 0, minor = 0;
  return XTestQueryExtension(D(Dpy), &event, &error, &major, &minor);
}

unsigned long XSession::FindGameWindow() {
  return FindNamed(D(Dpy), DefaultRootWindow(D(Dpy)), "Sieve Rush", 0);
}

void XSession::Focus(unsigned long window) {
  XSetInputFocus(D(Dpy), window, RevertToPointerRoot, CurrentTime);
  XSync(D(Dpy), False);
}

bool XSession::Key(const std::string& keysym, bool down) {
  const KeySym sym = XStringToKeysym(keysym.c_str());
  const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(D(Dpy), sym);
  if (code == 0)
    return false;
  XTestFakeKeyEvent(D(Dpy), code, down ? True : False, CurrentTime);
  XFlush(D(Dpy));
  return true;
}

void XSession::Tap(const std::string& keysym, int holdMs) {
  Key(keysym, true);
  SleepMs(holdMs);
  Key(keysym, false);
}

void XSession::Button(int button, bool down) {
  XTestFakeButtonEvent(D(Dpy), static_cast<unsigned>(button), down ? True : False, CurrentTime);
  XFlush(D(Dpy));
}

void XSession::Move(int x, int y) {
  XTestFakeMotionEvent(D(Dpy), DefaultScreen(D(Dpy)), x, y, CurrentTime);
  XFlush(D(Dpy));
}

void XSession::Flush() {
  XSync(D(Dpy), False);
}

std::vector<Rgb> XSession::Grab(unsigned long window, int x, int y, int width, int height) {
  std::vector<Rgb> pixels;
  XImage* image = XGetImage(D(Dpy), window, x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (!image)
    return pixels;
  pixels.reserve(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      const unsigned long p = XGetPixel(image, col, row);
      pixels.push_back({static_cast<int>((p & image->red_mask) >> 16),
                        static_cast<int>((p & image->green_mask) >> 8),
                        static_cast<int>(p & image->blue_mask)});
    }
  }
  XDestroyImage(image);
  return pixels;
}

int LitPixels(const std::vector<Rgb>& pixels) {
  int lit = 0;
  for (const Rgb& p : pixels)
    lit += (p.R > 40 || p.G > 40 || p.B > 40) ? 1 : 0;
  return lit;
}

bool MostlyCrashBlue(const std::vector<Rgb>& pixels) {
  // Clear colour (0, 0, 0.75): blue 191, with a little room for the renderer's rounding.
  std::size_t blue = 0;
  for (const Rgb& p : pixels)
    blue += (p.R < 20 && p.G < 20 && p.B > 170 && p.B < 210) ? 1 : 0;
  return !pixels.empty() && blue * 2 > pixels.size();
}

bool CopyArt(const fs::path& from, const fs::path& to, std::string& error) {
  for (const char* name : ArtFiles) {
    std::error_code e;
    fs::copy_file(from / name, to / name, fs::copy_options::overwrite_existing, e);
    if (e) {
      error = "cannot copy " + (from / name).string() + ": " + e.message();
      return false;
    }
  }
  return true;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      options.Rest.assign(argv + i + 1, argv + argc);
      break;
    }
    if (arg.rfind("--", 0) == 0) {
      const bool hasValue = i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0;
      options.Named[arg.substr(2)] = hasValue ? argv[++i] : "1";
    }
  }
  return options;
}

std::string Options::Get(const std::string& name, const std::string& fallback) const {
  const auto it = Named.find(name);
  return it == Named.end() ? fallback : it->second;
}

long Options::GetLong(const std::string& name, long fallback) const {
  const auto it = Named.find(name);
  return it == Named.end() ? fallback : std::strtol(it->second.c_str(), nullptr, 10);
}

}  // namespace reliability
