// On Windows GLFW gives the window the executable's own icon resource, GLFW_ICON
// (windows/sieverush.rc.in): nothing to do here.
#include "Target.h"

void ShowIcon(GLFWwindow*) {}
