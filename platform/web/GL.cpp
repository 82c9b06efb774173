// The GL header's answers in the browser, and what emscripten's emulation of OpenGL lacks.
#include "platform/GL.h"

namespace {

// The viewport as last set, kept here: WebGL answers a query of it only after waiting for the
// GPU.
GLint Viewport[4] = {0, 0, 0, 0};

}  // namespace

extern "C" void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);

// Every glViewport of the game and the platform comes here first.
extern "C" void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  Viewport[0] = x;
  Viewport[1] = y;
  Viewport[2] = width;
  Viewport[3] = height;
  emscripten_glViewport(x, y, width, height);
}

void ReadViewport(GLint viewport[4]) {
  for (int i = 0; i < 4; ++i)
    viewport[i] = Viewport[i];
}

// The emulation lacks glGetDoublev; the matrices it answers from its own copies, through
// glGetFloatv, without asking the GPU.
extern "C" void glGetDoublev(GLenum name, GLdouble* values) {
  GLfloat m[16];
  glGetFloatv(name, m);
  for (int i = 0; i < 16; ++i)
    values[i] = m[i];
}
