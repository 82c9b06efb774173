// The shell in the browser: the page shows a frame only when the script hands control back, and
// learns that the game has ended only through exit().
#include <GLFW/glfw3.h>
#include <emscripten/emscripten.h>

#include <cstdlib>

#include "platform/Shell.h"
#include "platform/Target.h"

// Any alpha bits make the canvas see-through where the game clears to black.
int WindowAlphaBits() {
  return 0;
}

// The emulation keeps no current normal: whatever is drawn lit without normals of its own (the
// title's text) takes vertex attribute 1, its normal's slot, which starts at zero (black) instead
// of OpenGL's (0, 0, 1) facing the viewer.
extern "C" void glVertexAttrib3f(GLuint index, GLfloat x, GLfloat y, GLfloat z);
void PrepareContext() {
  glVertexAttrib3f(1, 0, 0, 1);
}

// The canvas keeps the page's size for it.
void OpeningSize(int&, int&) {}
void FixWindowSize(GLFWwindow*, int, int) {}

// A page has no window icon of its own.
void ShowIcon(GLFWwindow*) {}

// The browser's own key (F11) and the page's controls take a page fullscreen.
void ToggleFullscreen(GLFWwindow*) {}

// Each presented frame and each turn of a wait loop yields until the next animation frame, which
// also paces the game to the display.
EM_ASYNC_JS(void, WaitForAnimationFrame, (), { await new Promise(requestAnimationFrame); });
void YieldFrame() {
  WaitForAnimationFrame();
}

// Events reach the page only while it has control back: a wait is one animation frame.
void WaitForEvents() {
  glfwPollEvents();
  WaitForAnimationFrame();
}

// main returns long after the page got control back (every frame yields to it), and only exit()
// still tells the page that the game has ended.
int EndProgram(int status) {
  std::exit(status);
}
