// Program entry: open the window, run the game, report a failed start in "GL_ERROR.txt".

#include <GLFW/glfw3.h>

#include <cstdlib>
#include <fstream>

#include "app/Shell.h"
#include "game/Render.h"

namespace {

// Exit statuses: a game that ran and ended, and a start that failed (no window, or art that
// did not load).
constexpr int Played = 0;
constexpr int FailedStart = 1;

// The status the program ends with. In the browser main returns long after the page got control
// back (every frame yields to it), and only exit() still tells the page that the game has ended.
int End(int status) {
#ifdef __EMSCRIPTEN__
  std::exit(status);
#endif
  return status;
}

}  // namespace

int main() {
  // Only the window's start throws. The game runs outside the guarded block: in the browser a
  // call inside one cannot be suspended while the page draws.
  try {
    InitWindow(800, 600, 32);
  } catch (const char* message) {
    // Text mode, so that each line ends the way the platform's text files do.
    std::ofstream report("GL_ERROR.txt", std::ios::out | std::ios::trunc);
    report << "Caught exception:\n  " << message << "\n";
    report.close();
    glfwTerminate();
    return End(FailedStart);
  }
  // The game has printed the art file that failed; only the window's failures go to the
  // report file.
  const int status = Render() ? Played : FailedStart;
  glfwTerminate();
  return End(status);
}
