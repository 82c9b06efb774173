// The GL header's answers in the browser, and what emscripten's emulation of OpenGL lacks.
#include "platform/GL.h"

#include <emscripten/html5_webgl.h>

// The game's viewport always covers the canvas's drawing buffer, whose size the page knows
// without asking the GPU.
void ReadViewport(GLint viewport[4]) {
  viewport[0] = viewport[1] = 0;
  emscripten_webgl_get_drawing_buffer_size(emscripten_webgl_get_current_context(), &viewport[2],
                                           &viewport[3]);
}

// The emulation lacks glGetDoublev; the matrices it answers from its own copies, through
// glGetFloatv, without asking the GPU.
extern "C" void glGetDoublev(GLenum name, GLdouble* values) {
  GLfloat m[16];
  glGetFloatv(name, m);
  for (int i = 0; i < 16; ++i)
    values[i] = m[i];
}
