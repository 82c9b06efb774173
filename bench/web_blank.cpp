// The least a page of the game's kind can do: open the GLFW canvas, clear it and present it, then
// wait. scripts/web/bench-web.sh times the game's page to its title against this one.
#include "platform/GL.h"
#include "platform/Shell.h"

namespace {

// The game's picture.
constexpr int Width = 800;
constexpr int Height = 600;

NextFrame Blank(void*) {
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Present();
  return RunLevel == 0 ? NextFrame::Never : NextFrame::OnInput;
}

int End(void*) {
  return 0;
}

}  // namespace

int main() {
  if (InitWindow(Width, Height, 32, {}) != nullptr)
    return 1;
  return RunFrames(Blank, End, nullptr);
}
