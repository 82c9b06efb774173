// The shell in the browser: the page shows a frame only when the script hands control back. The
// page (page.html) fits the canvas to the screen, keeps the game's clock while it is hidden, hears
// how the game ended, and hands the game its pointer, touches and touch controls through the
// Page* functions below.
#include <GLFW/glfw3.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include "platform/Callbacks.h"
#include "platform/Shell.h"
#include "platform/Target.h"

namespace {

// Frames shown and turns of the wait loops so far.
int Turns = 0;

// A press from the page keeps its release until a frame (or a turn of a wait) has seen it: a tap
// on a touch screen, or a scripted click, can be shorter than a frame.
struct Latch {
  int PressedAt = -1;  // Turns when pressed
  bool ReleaseDue = false;
};
Latch ButtonLatch;
Latch KeyLatches[KeyLast + 1];

void Press(Latch& latch) {
  latch.PressedAt = Turns;
  latch.ReleaseDue = false;
}

// Whether a release may happen now; otherwise it is kept for the next turn.
bool ReleaseNow(Latch& latch) {
  latch.ReleaseDue = latch.PressedAt == Turns;
  return !latch.ReleaseDue;
}

EM_JS(double, PageClock, (), { return Module.pageClock(); });
EM_JS(void, FitPage, (), { Module.fitPage(); });

// The canvas's drawing buffer is the window's frame, which the page shows scaled.
void FollowCanvas() {
  int width = 0, height = 0;
  emscripten_get_canvas_element_size("#canvas", &width, &height);
  WindowResized(width, height, width, height);
}

// A turn begins: the releases kept for it happen now.
void NextTurn() {
  ++Turns;
  if (ButtonLatch.ReleaseDue) {
    ButtonLatch.ReleaseDue = false;
    MouseButtonCallback(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
  }
  for (int key = 0; key <= KeyLast; ++key) {
    if (KeyLatches[key].ReleaseDue) {
      KeyLatches[key].ReleaseDue = false;
      KeyCallback(key, GLFW_RELEASE);
    }
  }
}

EM_ASYNC_JS(void, WaitForAnimationFrame, (), { await new Promise(requestAnimationFrame); });

}  // namespace

// The pointer at (x, y) in pixels of the canvas's drawing buffer.
extern "C" EMSCRIPTEN_KEEPALIVE void PagePointer(double x, double y) {
  PointerMoved(x, y);
}

// The left button (or a finger) down or up.
extern "C" EMSCRIPTEN_KEEPALIVE void PageButton(int down) {
  if (down)
    Press(ButtonLatch);
  if (down || ReleaseNow(ButtonLatch))
    MouseButtonCallback(GLFW_MOUSE_BUTTON_LEFT, down ? GLFW_PRESS : GLFW_RELEASE);
}

// A key of the page's touch controls (a GLFW key code) down or up.
extern "C" EMSCRIPTEN_KEEPALIVE void PageKey(int key, int down) {
  if (key < 0 || key > KeyLast)
    return;
  if (down)
    Press(KeyLatches[key]);
  if (down || ReleaseNow(KeyLatches[key]))
    KeyCallback(key, down ? GLFW_PRESS : GLFW_RELEASE);
}

// Any alpha bits make the canvas see-through where the game clears to black.
int WindowAlphaBits() {
  return 0;
}

// The browser keeps the canvas's picture until the page draws again.
bool WindowKeepsItsPixels() {
  return true;
}

// The emulation keeps no current normal: whatever is drawn lit without normals of its own (the
// title's text) takes vertex attribute 1, its normal's slot, which starts at zero (black) instead
// of OpenGL's (0, 0, 1) facing the viewer. The page fits the canvas to the screen once the window
// has set its size.
extern "C" void glVertexAttrib3f(GLuint index, GLfloat x, GLfloat y, GLfloat z);
void PrepareContext() {
  glVertexAttrib3f(1, 0, 0, 1);
  FitPage();
  FollowCanvas();
}

// The page sizes the canvas.
void OpeningSize(int&, int&) {}
void FixWindowSize(GLFWwindow*, int, int) {}

// A page has no window icon of its own.
void ShowIcon(GLFWwindow*) {}

// The browser's own key (F11) and the page's button take a page fullscreen.
void ToggleFullscreen(GLFWwindow*) {}

// Each presented frame yields until the next animation frame, which also paces the game to the
// display.
void YieldFrame() {
  NextTurn();
  WaitForAnimationFrame();
  FollowCanvas();
}

// Events reach the page only while it has control back: a wait is one animation frame.
void WaitForEvents() {
  NextTurn();
  glfwPollEvents();
  WaitForAnimationFrame();
  FollowCanvas();
}

// The page's clock stops while the page is hidden: the browser runs no frame then, and the time
// away must neither drain RAM nor count as uptime.
double ClockSeconds() {
  return PageClock();
}

// main returns long after the page got control back (every frame yields to it), when nobody
// waits for its status any more: the page hears it here. Nothing is thrown to end the program, so
// the browser's console stays quiet.
EM_JS(void, TellPageEnded, (int status), { Module.onExit(status); });
int EndProgram(int status) {
  TellPageEnded(status);
  return status;
}
