// The shell on Linux (X11) and Windows: a window of the program's own on one of the system's
// monitors; nothing is handed back after a frame and main's status is the program's.
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>

#include "Target.h"
#include "platform/Shell.h"

namespace {

// Where the window was before it took the whole screen, to go back to.
int WindowedX = 0, WindowedY = 0, WindowedWidth = 0, WindowedHeight = 0;

// The monitor that holds the middle of the window, else the primary one.
GLFWmonitor* MonitorOf(GLFWwindow* window) {
  int x = 0, y = 0, width = 0, height = 0;
  glfwGetWindowPos(window, &x, &y);
  glfwGetWindowSize(window, &width, &height);
  const int middleX = x + width / 2, middleY = y + height / 2;
  int count = 0;
  GLFWmonitor** monitors = glfwGetMonitors(&count);
  for (int i = 0; i < count; ++i) {
    const GLFWvidmode* mode = glfwGetVideoMode(monitors[i]);
    int left = 0, top = 0;
    glfwGetMonitorPos(monitors[i], &left, &top);
    if (mode != nullptr && middleX >= left && middleX < left + mode->width && middleY >= top &&
        middleY < top + mode->height)
      return monitors[i];
  }
  return glfwGetPrimaryMonitor();
}

// Whether the window's content at `place` lies wholly within the work area (the screen less its
// panels) of a monitor connected now.
bool FitsAMonitor(const WindowPlace& place) {
  int count = 0;
  GLFWmonitor** monitors = glfwGetMonitors(&count);
  for (int i = 0; i < count; ++i) {
    int x = 0, y = 0, width = 0, height = 0;
    glfwGetMonitorWorkarea(monitors[i], &x, &y, &width, &height);
    if (place.X >= x && place.Y >= y && place.Width <= width && place.Height <= height &&
        place.X - x <= width - place.Width && place.Y - y <= height - place.Height)
      return true;
  }
  return false;
}

// A place that no longer fits (a monitor unplugged, a smaller screen) is not believed: the window
// opens where the system puts it.
bool Believed(const WindowPlace& last) {
  return last.Placed && last.Width > 0 && last.Height > 0 && FitsAMonitor(last);
}

}  // namespace

void OpenAt(GLFWwindow* window, const WindowPlace& last) {
  // Opened at the size kept (OpeningSize), unless drawn straight into and held at the picture's.
  if (Believed(last) && glfwGetWindowAttrib(window, GLFW_RESIZABLE) == GLFW_TRUE)
    glfwSetWindowPos(window, last.X, last.Y);
  glfwShowWindow(window);
}

WindowPlace PlaceOf(GLFWwindow* window) {
  WindowPlace place;
  place.Fullscreen = glfwGetWindowMonitor(window) != nullptr;
  if (place.Fullscreen) {
    place.X = WindowedX;
    place.Y = WindowedY;
    place.Width = WindowedWidth;
    place.Height = WindowedHeight;
  } else {
    glfwGetWindowPos(window, &place.X, &place.Y);
    glfwGetWindowSize(window, &place.Width, &place.Height);
  }
  // Minimised, a window has no place worth keeping.
  place.Placed = place.Width > 0 && place.Height > 0 &&
                 glfwGetWindowAttrib(window, GLFW_ICONIFIED) == GLFW_FALSE;
  return place;
}

int WindowAlphaBits() {
  return 1;
}

void OpeningSize(int& width, int& height, const WindowPlace& last) {
  if (Believed(last)) {
    width = last.Width;
    height = last.Height;
    return;
  }
  GLFWmonitor* monitor = glfwGetPrimaryMonitor();
  if (monitor == nullptr)
    return;
  // The monitor's content scale: Xft.dpi / 96 on X11, the system's DPI / 96 on Windows. The
  // window keeps the picture's shape and stays within the work area (the screen less panels).
  float scaleX = 1, scaleY = 1;
  glfwGetMonitorContentScale(monitor, &scaleX, &scaleY);
  int areaX = 0, areaY = 0, areaWidth = 0, areaHeight = 0;
  glfwGetMonitorWorkarea(monitor, &areaX, &areaY, &areaWidth, &areaHeight);
  double scale = std::max(1.0, static_cast<double>(scaleX));
  if (areaWidth > 0 && areaHeight > 0)
    scale = std::min(
        {scale, static_cast<double>(areaWidth) / width, static_cast<double>(areaHeight) / height});
  if (scale > 1) {
    width = static_cast<int>(std::lround(width * scale));
    height = static_cast<int>(std::lround(height * scale));
  }
}

void FixWindowSize(GLFWwindow* window, int width, int height) {
  glfwSetWindowAttrib(window, GLFW_RESIZABLE, GLFW_FALSE);
  glfwSetWindowSize(window, width, height);
}

void PrepareContext() {}

bool SoundAllowed() {
  return true;
}

// Frame after frame; a still screen sleeps in the event wait, using no processor, until input
// arrives or the window needs its picture again.
int RunFrames(FrameFunction frame, EndFunction end, void* game) {
  StartRun(frame, end, game);
  for (;;) {
    switch (TakeTurn()) {
      case Turn::Ended:
        return FinishRun();
      case Turn::Waited:
        glfwWaitEvents();
        break;
      case Turn::Ran:
        break;
    }
  }
}

void ToggleFullscreen(GLFWwindow* window) {
  if (glfwGetWindowMonitor(window) != nullptr) {
    glfwSetWindowMonitor(window, nullptr, WindowedX, WindowedY, WindowedWidth, WindowedHeight,
                         GLFW_DONT_CARE);
    return;
  }
  // A window drawn straight into (no off-screen picture) cannot be resized.
  if (glfwGetWindowAttrib(window, GLFW_RESIZABLE) == GLFW_FALSE)
    return;
  glfwGetWindowPos(window, &WindowedX, &WindowedY);
  glfwGetWindowSize(window, &WindowedWidth, &WindowedHeight);
  GLFWmonitor* monitor = MonitorOf(window);
  const GLFWvidmode* mode = glfwGetVideoMode(monitor);
  if (mode != nullptr)
    glfwSetWindowMonitor(window, monitor, 0, 0, mode->width, mode->height, mode->refreshRate);
}

// A desktop game runs on while its window is minimised or covered, as it always has.
double ClockSeconds() {
  return glfwGetTime();
}

int EndProgram(int status) {
  return status;
}

void ShowState(const ShownState&) {}

bool PlaysByTouch() {
  return false;
}
