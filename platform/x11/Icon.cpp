// The X11 window's icon: the table tools/make_icon draws at build time, which window managers
// show in the title bar and the task list (_NET_WM_ICON), with no file read at start-up.
#include <GLFW/glfw3.h>

#include <vector>

#include "Target.h"
#include "WindowIcon.h"

void ShowIcon(GLFWwindow* window) {
  std::vector<GLFWimage> images;
  for (int i = 0; i < WindowIconCount; ++i) {
    // GLFW copies the pixels and never writes them.
    images.push_back({WindowIcons[i].Size, WindowIcons[i].Size,
                      const_cast<unsigned char*>(WindowIcons[i].Pixels)});
  }
  glfwSetWindowIcon(window, static_cast<int>(images.size()), images.data());
}
