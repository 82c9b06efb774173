// Program entry: open the window, run the game, report a failed start in "GL_ERROR.txt".

#include <GLFW/glfw3.h>

#include <fstream>

#include "app/Shell.h"
#include "game/Render.h"

int main() {
  try {
    InitWindow(800, 600, 32);
    Render();
  } catch (const char* message) {
    // Text mode, so that each line ends the way the platform's text files do.
    std::ofstream report("GL_ERROR.txt", std::ios::out | std::ios::trunc);
    report << "Caught exception:\n  " << message << "\n";
    report.close();
    glfwTerminate();
    return 1;
  }
  glfwTerminate();
  return 0;
}
