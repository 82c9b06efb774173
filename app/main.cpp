// Program entry: open the window, run the game, report a failed start in "GL_ERROR.txt".

#include <fstream>

#include "game/Render.h"
#include "platform/Shell.h"

namespace {

// Exit statuses: a game that ran and ended, and a start that failed (no window, or art that
// did not load).
constexpr int Played = 0;
constexpr int FailedStart = 1;

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
    CloseWindow();
    return EndProgram(FailedStart);
  }
  // The game has printed the art file that failed; only the window's failures go to the
  // report file.
  const int status = Render() ? Played : FailedStart;
  CloseWindow();
  return EndProgram(status);
}
