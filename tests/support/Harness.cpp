#include "Harness.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace harness {

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

bool WaitUntil(const std::function<bool()>& condition, Clock::duration limit,
               std::chrono::milliseconds every) {
  const auto deadline = Clock::now() + limit;
  while (true) {
    if (condition())
      return true;
    if (Clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(every);
  }
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
    if (!envChanges.count(entry.substr(0, entry.find('='))))
      env.push_back(entry);
  }
  for (const auto& [name, value] : envChanges) {
    if (!value.empty())
      env.push_back(name + "=" + value);
  }
  // The child changes folder before exec: a relative program path is taken from ours.
  std::vector<std::string> program = argv;
  if (!program.empty() && program[0].find('/') != std::string::npos)
    program[0] = fs::absolute(program[0]).string();
  std::vector<char*> args, envp;
  for (const std::string& a : program)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : env)
    envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  OutFile = outFile;
  ErrFile = errFile;
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

bool Child::StartIn(const std::vector<std::string>& argv, const fs::path& folder,
                    const std::map<std::string, std::string>& envChanges) {
  return Start(argv, folder, envChanges, folder / "stdout.txt", folder / "stderr.txt");
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

bool Child::WaitEnd(Clock::duration timeout) {
  return WaitUntil([&] { return Ended(); }, timeout);
}

bool Child::Finish(Clock::duration timeout) {
  if (WaitEnd(timeout))
    return true;
  Kill();
  return false;
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
    Server.Finish(std::chrono::seconds(5));
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
  const bool started = Server.Start({"/usr/bin/Xvfb", "-displayfd", std::to_string(fd), "-screen",
                                     "0", "1024x768x24", "-nolisten", "tcp", "-noreset"},
                                    Logs.Path(), {}, Logs.Path() / "out", Logs.Path() / "err");
  close(fd);
  if (!started) {
    error = "cannot start Xvfb";
    return false;
  }
  std::string text;
  const bool listening = WaitUntil(
      [&] {
        text = ReadFile(numberFile);
        return (!text.empty() && text.back() == '\n') || Server.Ended();
      },
      std::chrono::seconds(30));
  if (listening && !text.empty() && text.back() == '\n') {
    DisplayName = ":" + text.substr(0, text.size() - 1);
    return true;
  }
  error = Server.Ended() ? "Xvfb ended (" + Server.Describe() + "): " + Server.Err()
                         : "Xvfb did not come up within 30 s";
  return false;
}

// ---------------------------------------------------------------------------------------------
// Pictures.

int Rgb::Max() const {
  return std::max({R, G, B});
}

int Shot::Count(int x0, int y0, int x1, int y1, const std::function<bool(const Rgb&)>& test) const {
  int n = 0;
  for (int y = std::max(0, y0); y < std::min(Height, y1); ++y) {
    for (int x = std::max(0, x0); x < std::min(Width, x1); ++x)
      n += test(At(x, y)) ? 1 : 0;
  }
  return n;
}

double Shot::Fraction(int x0, int y0, int x1, int y1,
                      const std::function<bool(const Rgb&)>& test) const {
  const int w = std::min(Width, x1) - std::max(0, x0);
  const int h = std::min(Height, y1) - std::max(0, y0);
  if (w <= 0 || h <= 0)
    return 0.0;
  return static_cast<double>(Count(x0, y0, x1, y1, test)) / (w * h);
}

int Differences(const Shot& a, const Shot& b) {
  int n = 0;
  for (size_t i = 0; i < a.Pixels.size() && i < b.Pixels.size(); ++i) {
    const Rgb& p = a.Pixels[i];
    const Rgb& q = b.Pixels[i];
    n += (p.R != q.R || p.G != q.G || p.B != q.B) ? 1 : 0;
  }
  return n;
}

int LitPixels(const Shot& shot) {
  return shot.Count(0, 0, shot.Width, shot.Height, [](const Rgb& p) { return p.Max() > 40; });
}

bool MostlyCrashBlue(const Shot& shot) {
  // Clear colour (0, 0, 0.75): blue 191, with a little room for the renderer's rounding.
  return shot.Fraction(0, 0, shot.Width, shot.Height, [](const Rgb& p) {
    return p.R < 20 && p.G < 20 && p.B > 170 && p.B < 210;
  }) > 0.5;
}

void SaveShot(const Shot& shot, const std::string& name) {
  const std::string folder = EnvOr("SIEVERUSH_SHOTS", "");
  if (folder.empty() || name.empty() || shot.Empty())
    return;
  std::error_code ignored;
  fs::create_directories(folder, ignored);
  const fs::path ppm = fs::path(folder) / (name + ".ppm");
  {
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n" << shot.Width << " " << shot.Height << "\n255\n";
    for (const Rgb& p : shot.Pixels) {
      const char bytes[3] = {static_cast<char>(p.R), static_cast<char>(p.G),
                             static_cast<char>(p.B)};
      out.write(bytes, 3);
    }
  }
  const fs::path png = fs::path(folder) / (name + ".png");
  const std::string command = "convert '" + ppm.string() + "' '" + png.string() + "' 2>/dev/null";
  if (std::system(command.c_str()) == 0)
    fs::remove(ppm, ignored);
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

long WindowPid(Display* dpy, Window w) {
  const Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", True);
  if (pidAtom == None)
    return -1;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long pid = -1;
  if (XGetWindowProperty(dpy, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                         &data) == Success &&
      data && count == 1 && format == 32)
    pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
  if (data)
    XFree(data);
  return pid;
}

unsigned long FindNamed(Display* dpy, Window w, const char* name, pid_t pid, int depth) {
  char* title = nullptr;
  if (XFetchName(dpy, w, &title) && title) {
    const bool match = std::strcmp(title, name) == 0;
    XFree(title);
    XWindowAttributes attributes;
    if (match && (pid <= 0 || WindowPid(dpy, w) == pid) &&
        XGetWindowAttributes(dpy, w, &attributes) && attributes.map_state == IsViewable)
      return w;
  }
  if (depth > 3)
    return 0;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  unsigned long found = 0;
  if (XQueryTree(dpy, w, &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count && !found; ++i)
      found = FindNamed(dpy, children[i], name, pid, depth + 1);
    if (children)
      XFree(children);
  }
  return found;
}

int Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0)
    return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0)
    ++shift;
  const unsigned long top = mask >> shift;
  return static_cast<int>(((pixel >> shift) & top) * 255 / top);
}

}  // namespace

XSession::~XSession() {
  if (Dpy)
    XCloseDisplay(D(Dpy));
}

bool XSession::Open(const std::string& displayName) {
  Dpy = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
  if (!Dpy)
    return false;
  XSetErrorHandler(IgnoreXErrors);
  int event = 0, error = 0, major = 0, minor = 0;
  return XTestQueryExtension(D(Dpy), &event, &error, &major, &minor);
}

int XSession::ScreenWidth() const {
  return DisplayWidth(D(Dpy), DefaultScreen(D(Dpy)));
}

int XSession::ScreenHeight() const {
  return DisplayHeight(D(Dpy), DefaultScreen(D(Dpy)));
}

int XSession::Depth() const {
  return DefaultDepth(D(Dpy), DefaultScreen(D(Dpy)));
}

unsigned long XSession::FindGameWindow(pid_t pid) {
  return FindNamed(D(Dpy), DefaultRootWindow(D(Dpy)), "Sieve Rush", pid, 0);
}

unsigned long XSession::WaitForGameWindow(Child& game, Clock::duration limit, bool ofThatProcess) {
  unsigned long window = 0;
  WaitUntil(
      [&] {
        window = FindGameWindow(ofThatProcess ? game.Pid() : 0);
        return window != 0 || game.Ended();
      },
      limit);
  return window;
}

Geometry XSession::WindowGeometry(unsigned long window) {
  Geometry g;
  XWindowAttributes attributes{};
  Window child = 0;
  if (XGetWindowAttributes(D(Dpy), window, &attributes) &&
      XTranslateCoordinates(D(Dpy), window, DefaultRootWindow(D(Dpy)), 0, 0, &g.X, &g.Y, &child)) {
    g.Width = attributes.width;
    g.Height = attributes.height;
  }
  return g;
}

void XSession::Focus(unsigned long window) {
  XSetInputFocus(D(Dpy), window, RevertToPointerRoot, CurrentTime);
  XSync(D(Dpy), False);
}

void XSession::SendDeleteWindow(unsigned long window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(D(Dpy), "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(D(Dpy), "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(D(Dpy), window, False, NoEventMask, &event);
  XSync(D(Dpy), False);
}

bool XSession::Key(const std::string& keysym, bool down) {
  const KeySym sym = XStringToKeysym(keysym.c_str());
  const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(D(Dpy), sym);
  if (code == 0)
    return false;
  XTestFakeKeyEvent(D(Dpy), code, down ? True : False, CurrentTime);
  XSync(D(Dpy), False);
  return true;
}

void XSession::Tap(const std::string& keysym, int holdMs) {
  Key(keysym, true);
  SleepMs(holdMs);
  Key(keysym, false);
}

void XSession::Button(int button, bool down) {
  XTestFakeButtonEvent(D(Dpy), static_cast<unsigned>(button), down ? True : False, CurrentTime);
  XSync(D(Dpy), False);
}

void XSession::Move(int x, int y) {
  XTestFakeMotionEvent(D(Dpy), DefaultScreen(D(Dpy)), x, y, CurrentTime);
  XSync(D(Dpy), False);
}

Shot XSession::Grab(unsigned long window, int x, int y, int width, int height) {
  Shot shot;
  XImage* image =
      XGetImage(D(Dpy), window ? window : DefaultRootWindow(D(Dpy)), x, y,
                static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (!image)
    return shot;
  shot.Width = width;
  shot.Height = height;
  shot.Pixels.reserve(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      const unsigned long p = XGetPixel(image, col, row);
      shot.Pixels.push_back({Channel(p, image->red_mask), Channel(p, image->green_mask),
                             Channel(p, image->blue_mask)});
    }
  }
  XDestroyImage(image);
  return shot;
}

// ---------------------------------------------------------------------------------------------

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

}  // namespace harness
