// The GL header's answers on desktop OpenGL, which reads its state back at no cost.
#include "platform/GL.h"

void ReadViewport(GLint viewport[4]) {
  glGetIntegerv(GL_VIEWPORT, viewport);
}
