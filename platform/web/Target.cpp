// The shell in the browser: the page's animation frames run the game's loop, and the page shows
// a frame when the script hands control back. The page (page.html) fits the canvas to the screen,
// keeps the game's clock while it is hidden, hears how the game ended, and hands the game its
// pointer, touches and touch controls through the Page* functions below.
#include <GLFW/glfw3.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include "Callbacks.h"
#include "Target.h"
#include "platform/Shell.h"

namespace {

// Frames run so far.
int Turns = 0;

// A press from the page keeps its release until a frame has seen it: a tap on a touch screen, or
// a scripted click, can be shorter than a frame.
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
EM_JS(bool, PageGestured, (), { return Module.gestured; });

// The canvas's drawing buffer is the window's frame, which the page shows scaled.
void FollowCanvas() {
  int width = 0, height = 0;
  emscripten_get_canvas_element_size("#canvas", &width, &height);
  WindowResized(width, height, width, height);
}

// The page hidden (another tab, the browser minimised, the phone locked) or the browser's window
// left for another: the player has left the game.
EM_BOOL OnHidden(int, const EmscriptenVisibilityChangeEvent* event, void*) {
  if (event->hidden)
    PlayerAway = true;
  return EM_FALSE;
}
EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void*) {
  PlayerAway = true;
  return EM_FALSE;
}

// A frame has seen the input: the releases kept for it happen now.
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

// A recording played back asks for frames that need not be shown (NextFrame::Ahead): they run back
// to back for at most this long, in milliseconds of the browser's clock, before the browser gets
// its turn to show the last picture and hear the player; nothing waits for it. A recording then
// plays many times faster than it was played, and the page still answers at every animation frame.
constexpr double AheadBudget = 10;

// The game's frame, and what the last one asked for next.
FrameFunction GameFrame = nullptr;
NextFrame Asked = NextFrame::Now;
NextFrame AskingFrame(void* game) {
  return Asked = GameFrame(game);
}

// One animation frame of the page: a turn of the game's loop (more while they run ahead), then the
// page shows what was drawn last. A still screen with nothing new costs next to nothing here.
void AnimationFrame() {
  const double start = emscripten_get_now();
  Turn turn = Turn::Ran;
  do {
    turn = TakeTurn();
    if (turn == Turn::Ran)
      NextTurn();
  } while (turn == Turn::Ran && Asked == NextFrame::Ahead &&
           emscripten_get_now() - start < AheadBudget);
  if (turn == Turn::Ended) {
    emscripten_cancel_main_loop();
    FinishRun();
    return;
  }
  FollowCanvas();
}

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

// The emulation keeps no current normal: whatever is drawn lit without normals of its own (the
// title's text) takes vertex attribute 1, its normal's slot, which starts at zero (black) instead
// of OpenGL's (0, 0, 1) facing the viewer. The page fits the canvas to the screen once the window
// has set its size.
extern "C" void glVertexAttrib3f(GLuint index, GLfloat x, GLfloat y, GLfloat z);
void PrepareContext() {
  glVertexAttrib3f(1, 0, 0, 1);
  FitPage();
  FollowCanvas();
  emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, OnHidden);
  emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, OnBlur);
}

// A browser lets a page sound only after the player's first key, click or touch; before it, even
// making the sound device would earn a console warning.
bool SoundAllowed() {
  return PageGestured();
}

// The page sizes the canvas.
void OpeningSize(int&, int&, const WindowPlace&) {}
void FixWindowSize(GLFWwindow*, int, int) {}

// A page has no window icon of its own.
void ShowIcon(GLFWwindow*) {}

// The browser's own key (F11) and the page's button take a page fullscreen; the page holds the
// game, so there is no window to place.
void ToggleFullscreen(GLFWwindow*) {}
void OpenAt(GLFWwindow*, const WindowPlace&) {}
WindowPlace PlaceOf(GLFWwindow*) {
  return {};
}

// The page's animation frames run the loop, which also paces the game to the display (a recording
// played back runs ahead of it, AskingFrame hears when); main's stack stays as it is (nothing is
// unwound), so the game it holds lives on. The browser keeps the canvas's picture while a still
// screen waits.
int RunFrames(FrameFunction frame, EndFunction end, void* game) {
  GameFrame = frame;
  StartRun(AskingFrame, end, game);
  emscripten_set_main_loop(AnimationFrame, 0, 1);
  return 0;
}

// The page's clock stops while the page is hidden: the browser runs no frame then, and the time
// away must neither drain RAM nor count as uptime.
double ClockSeconds() {
  return PageClock();
}

// The game ends inside an animation frame, when nobody waits for main's status any more: the page
// hears it here. Nothing is thrown to end the program, so the browser's console stays quiet.
EM_JS(void, TellPageEnded, (int status), { Module.onExit(status); });
int EndProgram(int status) {
  TellPageEnded(status);
  return status;
}

// The page shows the game's state beside the picture (its buttons' labels, the help); it hears of
// each change only, since a page that lays itself out again every frame would cost the frame.
EM_JS(void, PageShowState, (bool muted, bool paused, bool watching),
      { Module.showState(muted, paused, watching); });
void ShowState(const ShownState& state) {
  static bool told = false;
  static ShownState shown;
  if (told && state.Muted == shown.Muted && state.Paused == shown.Paused &&
      state.Watching == shown.Watching)
    return;
  told = true;
  shown = state;
  PageShowState(state.Muted, state.Paused, state.Watching);
}

// The page decided it when it laid itself out for a touch screen (its touch controls shown).
EM_JS(bool, PageTouch, (), { return document.body.classList.contains('touch'); });
bool PlaysByTouch() {
  return PageTouch();
}
