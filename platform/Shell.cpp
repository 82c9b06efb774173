// The window, its OpenGL context and the input state that GLFW's callbacks keep for the game: what
// every target shares. What differs is in Target.h's files.

#include "platform/Shell.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "Callbacks.h"
#include "Picture.h"
#include "Target.h"

static_assert(KeySpace == GLFW_KEY_SPACE && KeyM == GLFW_KEY_M && KeyP == GLFW_KEY_P &&
                  KeyEscape == GLFW_KEY_ESCAPE && KeyRight == GLFW_KEY_RIGHT &&
                  KeyLeft == GLFW_KEY_LEFT && KeyLast == GLFW_KEY_LAST &&
                  KeyMinus == GLFW_KEY_MINUS && KeyEqual == GLFW_KEY_EQUAL && KeyR == GLFW_KEY_R &&
                  KeyEnter == GLFW_KEY_ENTER && KeyDown == GLFW_KEY_DOWN && KeyUp == GLFW_KEY_UP &&
                  KeyPadMinus == GLFW_KEY_KP_SUBTRACT && KeyPadPlus == GLFW_KEY_KP_ADD &&
                  KeyPadEnter == GLFW_KEY_KP_ENTER,
              "the game's key codes must be GLFW's");

int RunLevel = 1;
bool Keys[KeyLast + 1] = {};
MouseStruct Mouse = {};
bool PlayerAway = false;

namespace {

GLFWwindow* Window = nullptr;
// The game's picture: what the game draws into, and how it shows in the window.
Picture GamePicture;
int PictureWidth = 0;
int PictureHeight = 0;
// The window's size in screen coordinates and in framebuffer pixels, kept by their callbacks.
int WindowWidth = 0, WindowHeight = 0;
int FrameWidth = 0, FrameHeight = 0;
// The pointer where GLFW last reported it, in screen coordinates of the window.
double PointerX = 0, PointerY = 0;
// Set when the window's pixels were lost or its size changed: a still screen is drawn again.
bool PictureLost = false;
// Frames of a still screen owed since the window's size changed. A GL driver may learn a window's
// new size only as a frame is shown (Mesa's X11 drivers do), so the first frame drawn after a
// resize can land in buffers of the old size and never be seen: a still screen is drawn twice.
int DrawsOwed = 0;
// Set when input changed since the last frame: a still screen looks at it.
bool InputArrived = false;

// The game the loop runs, and whether its last frame was of a still screen.
FrameFunction GameFrame = nullptr;
EndFunction GameEnd = nullptr;
void* TheGame = nullptr;
bool Still = false;
// Where the next Present reads the picture into, if anywhere (ReadNextPicture).
unsigned char* PictureWanted = nullptr;

// The pointer in picture pixels, for the game: mapped from the window through where the picture
// shows now. Kept as it was while the window has no pixels at all (minimised).
void MapPointer() {
  if (WindowWidth <= 0 || WindowHeight <= 0 || FrameWidth <= 0 || FrameHeight <= 0)
    return;
  // Whole framebuffer pixels (floor, so that a pointer just left of or above the window stays
  // outside it); screen coordinates and pixels differ where the system scales windows itself.
  const int x = static_cast<int>(std::floor(PointerX * FrameWidth / WindowWidth));
  const int y = static_cast<int>(std::floor(PointerY * FrameHeight / WindowHeight));
  int pictureX = 0, pictureY = 0;
  FrameToPicture(GamePicture.Shown(FrameWidth, FrameHeight), FrameHeight, PictureWidth,
                 PictureHeight, x, y, pictureX, pictureY);
  MousePosCallback(pictureX, pictureY);
}

// GLFW 3's callbacks carry the window and more detail than the game wants; pass the rest on.
// F11 and Alt+Enter switch between the window and the whole screen, and reach the game too.
void OnKey(GLFWwindow* window, int key, int, int action, int mods) {
  if (action == GLFW_PRESS &&
      (key == GLFW_KEY_F11 || (key == GLFW_KEY_ENTER && (mods & GLFW_MOD_ALT) != 0)))
    ToggleFullscreen(window);
  KeyCallback(key, action);
}
void OnMouseButton(GLFWwindow*, int button, int action, int) {
  MouseButtonCallback(button, action);
}
void OnCursorPos(GLFWwindow*, double x, double y) {
  PointerMoved(x, y);
}
void OnWindowSize(GLFWwindow*, int width, int height) {
  WindowResized(width, height, FrameWidth, FrameHeight);
}
void OnFramebufferSize(GLFWwindow*, int width, int height) {
  WindowResized(WindowWidth, WindowHeight, width, height);
}
// Minimised, or another window has the focus: the player has left.
void OnIconify(GLFWwindow*, int iconified) {
  if (iconified == GLFW_TRUE)
    PlayerAway = true;
}
void OnFocus(GLFWwindow*, int focused) {
  if (focused == GLFW_FALSE)
    PlayerAway = true;
}
// Uncovered, restored or resized: what the window showed is gone.
void OnRefresh(GLFWwindow*) {
  PictureLost = true;
}

// The file last dropped on the window, until the game takes it. GLFW's strings live only while
// its callback runs, so the path is copied. Of several files dropped at once only the first is
// kept: the game watches one recording at a time.
std::string DroppedPath;
bool Dropped = false;
void OnDrop(GLFWwindow*, int count, const char** paths) {
  if (count < 1 || !paths[0] || paths[0][0] == '\0')
    return;
  DroppedPath = paths[0];
  Dropped = true;
  // A still screen (the title) wakes to take it.
  InputArrived = true;
}

}  // namespace

void PointerMoved(double x, double y) {
  PointerX = x;
  PointerY = y;
  MapPointer();
}

void WindowResized(int windowWidth, int windowHeight, int frameWidth, int frameHeight) {
  if (frameWidth != FrameWidth || frameHeight != FrameHeight)
    PictureLost = true, DrawsOwed = 2;
  WindowWidth = windowWidth;
  WindowHeight = windowHeight;
  FrameWidth = frameWidth;
  FrameHeight = frameHeight;
  MapPointer();
}

void KeyCallback(int key, int action) {
  // GLFW_KEY_UNKNOWN (-1) and anything beyond the table have no place in Keys.
  if (key < 0 || key > KeyLast)
    return;
  // A held key sends repeats; it is still down until it is released.
  Keys[key] = (action != GLFW_RELEASE);
  InputArrived = true;
}

void MouseButtonCallback(int button, int action) {
  if (button == GLFW_MOUSE_BUTTON_LEFT)
    Mouse.Left = (action == GLFW_PRESS);
  if (button == GLFW_MOUSE_BUTTON_RIGHT)
    Mouse.Right = (action == GLFW_PRESS);
  InputArrived = true;
}

void MousePosCallback(int x, int y) {
  if (x != Mouse.X || y != Mouse.Y)
    InputArrived = true;
  Mouse.X = x;
  Mouse.Y = y;
}

namespace {

// GLFW's own words for its last error, kept for a start that fails (GLFW frees them once the
// callback returns): why there is no display, no visual, no context.
char GlfwSaid[512] = "";

// Kept as one line: Windows' own messages, which GLFW quotes, end in a line break.
void OnGlfwError(int, const char* description) {
  std::size_t n = 0;
  for (; description && description[n] != '\0' && n + 1 < sizeof GlfwSaid; ++n)
    GlfwSaid[n] = description[n] == '\n' || description[n] == '\r' ? ' ' : description[n];
  while (n > 0 && GlfwSaid[n - 1] == ' ')
    --n;
  GlfwSaid[n] = '\0';
}

// A failed start says why on standard error, in one line, besides the report the caller writes.
const char* StartFailed(const char* what) {
  if (GlfwSaid[0] != '\0')
    std::fprintf(stderr, "sieverush: GLFW: %s\n", GlfwSaid);
  return what;
}

}  // namespace

const char* InitWindow(int width, int height, int bits, const WindowPlace& last) {
  glfwSetErrorCallback(OnGlfwError);
  if (glfwInit() != GLFW_TRUE)
    return StartFailed("Failed to initialize GLFW.");

  // A third of the depth for each colour (10 bits each for 32), one alpha bit, 8 depth bits and
  // one stencil bit. GLFW takes these as wishes and picks the closest framebuffer.
  glfwWindowHint(GLFW_RED_BITS, bits / 3);
  glfwWindowHint(GLFW_GREEN_BITS, bits / 3);
  glfwWindowHint(GLFW_BLUE_BITS, bits / 3);
  glfwWindowHint(GLFW_ALPHA_BITS, WindowAlphaBits());
  glfwWindowHint(GLFW_DEPTH_BITS, 8);
  glfwWindowHint(GLFW_STENCIL_BITS, 1);
  int openWidth = width, openHeight = height;
  OpeningSize(openWidth, openHeight, last);
  // Shown once it is where it belongs.
  glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
  Window = glfwCreateWindow(openWidth, openHeight, "Sieve Rush", nullptr, nullptr);
  if (!Window)
    return StartFailed("Failed to open window.");
  ShowIcon(Window);
  glfwMakeContextCurrent(Window);
  PictureWidth = width;
  PictureHeight = height;
  // Drawn straight into the window, the picture cannot follow the window's size.
  if (!GamePicture.Create(GetGLProc, width, height))
    FixWindowSize(Window, width, height);
  OpenAt(Window, last);
  glfwGetWindowSize(Window, &WindowWidth, &WindowHeight);
  glfwGetFramebufferSize(Window, &FrameWidth, &FrameHeight);
  PrepareContext();
  GamePicture.Direct(FrameWidth, FrameHeight);
  glfwSetWindowSizeCallback(Window, OnWindowSize);
  glfwSetFramebufferSizeCallback(Window, OnFramebufferSize);
  glfwSetWindowRefreshCallback(Window, OnRefresh);
  glfwSetWindowIconifyCallback(Window, OnIconify);
  glfwSetWindowFocusCallback(Window, OnFocus);

  glfwSetKeyCallback(Window, OnKey);
  glfwSetMouseButtonCallback(Window, OnMouseButton);
  glfwSetCursorPosCallback(Window, OnCursorPos);
  glfwSetDropCallback(Window, OnDrop);
  // GLFW 3 reports the pointer only when it moves: start from where it is now.
  double x = 0.0, y = 0.0;
  glfwGetCursorPos(Window, &x, &y);
  OnCursorPos(Window, x, y);
  // Last: the callbacks above see the window grow to the whole screen, and the first frames are
  // drawn again at its size.
  if (last.Fullscreen)
    ToggleFullscreen(Window);

  // A provisional projection; the game sets its own viewport and projection before drawing.
  const double aspect = static_cast<double>(width) / height;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-0.5 * aspect, 0.5 * aspect, -0.5, 0.5, 1.0, 500.0);
  glMatrixMode(GL_MODELVIEW);
  return nullptr;
}

void StartRun(FrameFunction frame, EndFunction end, void* game) {
  GameFrame = frame;
  GameEnd = end;
  TheGame = game;
  Still = false;
}

Turn TakeTurn() {
  // GLFW 3 delivers input here, to the callbacks; a frame sees one consistent state.
  glfwPollEvents();
  if (glfwWindowShouldClose(Window) && RunLevel != 0) {
    RunLevel = 0;
    InputArrived = true;
  }
  if (Still && !InputArrived && !PictureLost && DrawsOwed == 0)
    return Turn::Waited;
  InputArrived = false;
  PictureLost = false;
  DrawsOwed = std::max(0, DrawsOwed - 1);
  // The window's size may have changed since the last frame: this one goes where it now belongs.
  GamePicture.Direct(FrameWidth, FrameHeight);
  const NextFrame next = GameFrame(TheGame);
  FeedSound();
  Still = next == NextFrame::OnInput;
  return next == NextFrame::Never ? Turn::Ended : Turn::Ran;
}

int FinishRun() {
  const int status = GameEnd(TheGame);
  CloseWindow();
  return EndProgram(status);
}

void ReadNextPicture(unsigned char* rgb) {
  PictureWanted = rgb;
}

// The picture just drawn, read where it was drawn (off-screen, or the window's back buffer) as the
// RGBA that every target reads back, and turned top row first.
static void ReadPicture(unsigned char* rgb) {
  std::vector<unsigned char> rgba(std::size_t{4} * PictureWidth * PictureHeight);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, PictureWidth, PictureHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  for (int y = 0; y < PictureHeight; ++y)
    for (int x = 0; x < PictureWidth; ++x)
      for (int c = 0; c < 3; ++c)
        rgb[(std::size_t{3} * (PictureHeight - 1 - y) * PictureWidth) + 3 * x + c] =
            rgba[(std::size_t{4} * y * PictureWidth) + 4 * x + c];
}

void Present() {
  if (PictureWanted) {
    ReadPicture(PictureWanted);
    PictureWanted = nullptr;
  }
  GamePicture.Present(FrameWidth, FrameHeight);
  glfwSwapBuffers(Window);
}

double GetTime() {
  return ClockSeconds();
}

WindowPlace CurrentPlace() {
  return PlaceOf(Window);
}

GLProc GetGLProc(const char* name) {
  return glfwGetProcAddress(name);
}

void CloseWindow() {
  StopSound();
  glfwTerminate();
}

bool TakeOpenedFile(std::string& path) {
  if (!Dropped)
    return false;
  Dropped = false;
  path = DroppedPath;
  return true;
}
