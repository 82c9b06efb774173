// The window, its OpenGL context and the input state that GLFW's callbacks keep for the game: what
// every target shares. What differs is in Target.h's files.

#include "platform/Shell.h"

#include <GLFW/glfw3.h>

#include <cmath>

#include "platform/Callbacks.h"
#include "platform/Target.h"

static_assert(KeySpace == GLFW_KEY_SPACE && KeyEscape == GLFW_KEY_ESCAPE &&
                  KeyRight == GLFW_KEY_RIGHT && KeyLeft == GLFW_KEY_LEFT &&
                  KeyLast == GLFW_KEY_LAST,
              "the game's key codes must be GLFW's");

int RunLevel = 1;
bool Keys[KeyLast + 1] = {};
MouseStruct Mouse = {};

namespace {

GLFWwindow* Window = nullptr;
// The window's size, kept by its size callback.
int Width = 0;
int Height = 0;

// GLFW 3's callbacks carry the window and more detail than the game wants; pass the rest on.
void OnKey(GLFWwindow*, int key, int, int action, int) {
  KeyCallback(key, action);
}
void OnMouseButton(GLFWwindow*, int button, int action, int) {
  MouseButtonCallback(button, action);
}
// GLFW reports sub-pixel positions; the game works in whole pixels (floor, so that a pointer
// just left of or above the window stays outside it).
void OnCursorPos(GLFWwindow*, double x, double y) {
  MousePosCallback(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}
void OnSize(GLFWwindow*, int width, int height) {
  Width = width;
  Height = height;
}

}  // namespace

void KeyCallback(int key, int action) {
  // GLFW_KEY_UNKNOWN (-1) and anything beyond the table have no place in Keys.
  if (key < 0 || key > KeyLast)
    return;
  // A held key sends repeats; it is still down until it is released.
  Keys[key] = (action != GLFW_RELEASE);
  // Esc ends the run on whichever screen it is pressed.
  if (Keys[KeyEscape])
    RunLevel = 0;
}

void MouseButtonCallback(int button, int action) {
  if (button == GLFW_MOUSE_BUTTON_LEFT)
    Mouse.Left = (action == GLFW_PRESS);
  if (button == GLFW_MOUSE_BUTTON_RIGHT)
    Mouse.Right = (action == GLFW_PRESS);
}

void MousePosCallback(int x, int y) {
  Mouse.X = x;
  Mouse.Y = y;
}

void InitWindow(int width, int height, int bits) {
  if (glfwInit() != GLFW_TRUE)
    throw "Failed to initialize GLFW.";

  // A third of the depth for each colour (10 bits each for 32), one alpha bit, 8 depth bits and
  // one stencil bit. GLFW takes these as wishes and picks the closest framebuffer.
  glfwWindowHint(GLFW_RED_BITS, bits / 3);
  glfwWindowHint(GLFW_GREEN_BITS, bits / 3);
  glfwWindowHint(GLFW_BLUE_BITS, bits / 3);
  glfwWindowHint(GLFW_ALPHA_BITS, WindowAlphaBits());
  glfwWindowHint(GLFW_DEPTH_BITS, 8);
  glfwWindowHint(GLFW_STENCIL_BITS, 1);
  // The game draws for a window of exactly this size: no maximising, snapping or tiling.
  glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
  Window = glfwCreateWindow(width, height, "Sieve Rush", nullptr, nullptr);
  if (!Window)
    throw "Failed to open window.";
  ShowIcon(Window);
  glfwMakeContextCurrent(Window);
  glfwGetWindowSize(Window, &Width, &Height);
  glfwSetWindowSizeCallback(Window, OnSize);
  PrepareContext();

  glfwSetKeyCallback(Window, OnKey);
  glfwSetMouseButtonCallback(Window, OnMouseButton);
  glfwSetCursorPosCallback(Window, OnCursorPos);
  // GLFW 3 reports the pointer only when it moves: start from where it is now.
  double x = 0.0, y = 0.0;
  glfwGetCursorPos(Window, &x, &y);
  OnCursorPos(Window, x, y);

  // A provisional projection; the game sets its own viewport and projection before drawing.
  const double aspect = static_cast<double>(width) / height;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-0.5 * aspect, 0.5 * aspect, -0.5, 0.5, 1.0, 500.0);
  glMatrixMode(GL_MODELVIEW);
}

void FlipBuffers() {
  // GLFW 3 does not process events inside the swap: the frame's input arrives here, first.
  glfwPollEvents();
  glfwSwapBuffers(Window);
  YieldFrame();
  if (glfwWindowShouldClose(Window))
    RunLevel = 0;
}

void PollEvents() {
  glfwPollEvents();
  YieldFrame();
}

bool WindowOpen() {
  return !glfwWindowShouldClose(Window);
}

double GetTime() {
  return glfwGetTime();
}

void WindowSize(int& width, int& height) {
  width = Width;
  height = Height;
}

GLProc GetGLProc(const char* name) {
  return glfwGetProcAddress(name);
}

void CloseWindow() {
  glfwTerminate();
}
