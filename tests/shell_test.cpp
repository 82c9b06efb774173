// The application shell: the input callbacks that keep Keys, Mouse and RunLevel, and the real
// window that InitWindow opens on the X server (run the suite under xvfb-run).

#include <gtest/gtest.h>

#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Callbacks.h"
#include "app/Shell.h"

namespace {

// Every key, button and the pointer up, and the run going: the state before main.
void ResetInput() {
  for (int key = 0; key <= KeyLast; ++key)
    Keys[key] = false;
  Mouse = MouseStruct{};
  RunLevel = 1;
}

int CountKeysDown() {
  int down = 0;
  for (int key = 0; key <= KeyLast; ++key)
    down += Keys[key] ? 1 : 0;
  return down;
}

class InputCallbacks : public ::testing::Test {
protected:
  void SetUp() override { ResetInput(); }
  void TearDown() override { ResetInput(); }
};

TEST_F(InputCallbacks, KeyIsDownFromPressThroughRepeatsUntilRelease) {
  KeyCallback(KeyLeft, GLFW_PRESS);
  EXPECT_TRUE(Keys[KeyLeft]);
  // A held key keeps sending repeats; the case must keep turning.
  KeyCallback(KeyLeft, GLFW_REPEAT);
  KeyCallback(KeyLeft, GLFW_REPEAT);
  EXPECT_TRUE(Keys[KeyLeft]);
  EXPECT_EQ(CountKeysDown(), 1);
  KeyCallback(KeyLeft, GLFW_RELEASE);
  EXPECT_FALSE(Keys[KeyLeft]);
  EXPECT_EQ(RunLevel, 1);
}

TEST_F(InputCallbacks, KeysAreIndependent) {
  KeyCallback(KeyLeft, GLFW_PRESS);
  KeyCallback(KeyRight, GLFW_PRESS);
  KeyCallback(KeySpace, GLFW_PRESS);
  KeyCallback(KeyRight, GLFW_RELEASE);
  EXPECT_TRUE(Keys[KeyLeft]);
  EXPECT_FALSE(Keys[KeyRight]);
  EXPECT_TRUE(Keys[KeySpace]);
  EXPECT_EQ(CountKeysDown(), 2);
}

TEST_F(InputCallbacks, LastKeyCodeIsStoredInTheLastElement) {
  KeyCallback(GLFW_KEY_LAST, GLFW_PRESS);
  EXPECT_TRUE(Keys[KeyLast]);
  EXPECT_EQ(CountKeysDown(), 1);
  KeyCallback(GLFW_KEY_LAST, GLFW_RELEASE);
  EXPECT_FALSE(Keys[KeyLast]);
}

TEST_F(InputCallbacks, CodesOutsideTheTableChangeNothing) {
  Mouse = MouseStruct{11, 22, false, true};
  for (int key : {GLFW_KEY_UNKNOWN, -2, GLFW_KEY_LAST + 1, GLFW_KEY_LAST + 100, 1 << 20}) {
    for (int action : {GLFW_PRESS, GLFW_REPEAT, GLFW_RELEASE})
      KeyCallback(key, action);
  }
  EXPECT_EQ(CountKeysDown(), 0);
  EXPECT_EQ(RunLevel, 1);
  EXPECT_EQ(Mouse.X, 11);
  EXPECT_EQ(Mouse.Y, 22);
  EXPECT_FALSE(Mouse.Left);
  EXPECT_TRUE(Mouse.Right);
}

TEST_F(InputCallbacks, EscEndsTheRunAndKeepsEndingItWhileHeld) {
  KeyCallback(KeyEscape, GLFW_PRESS);
  EXPECT_TRUE(Keys[KeyEscape]);
  EXPECT_EQ(RunLevel, 0);

  // Any later key event while Esc is still down ends the run again.
  RunLevel = 1;
  KeyCallback(KeySpace, GLFW_PRESS);
  EXPECT_EQ(RunLevel, 0);
  RunLevel = 1;
  KeyCallback(KeyEscape, GLFW_REPEAT);
  EXPECT_EQ(RunLevel, 0);

  // Releasing Esc does not end anything by itself, and keys after it do not either.
  RunLevel = 1;
  KeyCallback(KeyEscape, GLFW_RELEASE);
  EXPECT_FALSE(Keys[KeyEscape]);
  EXPECT_EQ(RunLevel, 1);
  KeyCallback(KeyLeft, GLFW_PRESS);
  EXPECT_EQ(RunLevel, 1);
}

TEST_F(InputCallbacks, OtherKeysNeverEndTheRun) {
  for (int key = 0; key <= KeyLast; ++key) {
    if (key == KeyEscape)
      continue;
    KeyCallback(key, GLFW_PRESS);
    KeyCallback(key, GLFW_RELEASE);
  }
  EXPECT_EQ(RunLevel, 1);
  EXPECT_EQ(CountKeysDown(), 0);
}

TEST_F(InputCallbacks, LeftAndRightButtonsAreKeptApart) {
  MouseButtonCallback(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
  EXPECT_TRUE(Mouse.Left);
  EXPECT_FALSE(Mouse.Right);
  MouseButtonCallback(GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS);
  EXPECT_TRUE(Mouse.Left);
  EXPECT_TRUE(Mouse.Right);
  MouseButtonCallback(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
  EXPECT_FALSE(Mouse.Left);
  EXPECT_TRUE(Mouse.Right);
  MouseButtonCallback(GLFW_MOUSE_BUTTON_RIGHT, GLFW_RELEASE);
  EXPECT_FALSE(Mouse.Right);
}

TEST_F(InputCallbacks, MiddleAndFurtherButtonsChangeNothing) {
  Mouse = MouseStruct{5, 6, true, false};
  for (int button = GLFW_MOUSE_BUTTON_MIDDLE; button <= GLFW_MOUSE_BUTTON_LAST; ++button) {
    MouseButtonCallback(button, GLFW_PRESS);
    EXPECT_TRUE(Mouse.Left) << "button " << button;
    EXPECT_FALSE(Mouse.Right) << "button " << button;
    MouseButtonCallback(button, GLFW_RELEASE);
    EXPECT_TRUE(Mouse.Left) << "button " << button;
  }
  EXPECT_EQ(Mouse.X, 5);
  EXPECT_EQ(Mouse.Y, 6);
  EXPECT_EQ(RunLevel, 1);
}

TEST_F(InputCallbacks, PointerPositionIsStoredAsGiven) {
  MousePosCallback(123, 456);
  EXPECT_EQ(Mouse.X, 123);
  EXPECT_EQ(Mouse.Y, 456);
  // Dragged outside the window the pointer reports negative or oversized positions.
  MousePosCallback(-7, 900);
  EXPECT_EQ(Mouse.X, -7);
  EXPECT_EQ(Mouse.Y, 900);
  EXPECT_FALSE(Mouse.Left);
  EXPECT_FALSE(Mouse.Right);
}

// Without an X display GLFW cannot start; InitWindow says so with its message. Runs in a fresh
// process (threadsafe death test) so that GLFW has not been started by another test.
TEST(InitWindowFailure, NoDisplayThrowsTheGlfwMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        try {
          InitWindow(800, 600, 32);
        } catch (const char* message) {
          std::exit(std::strcmp(message, "Failed to initialize GLFW.") == 0 ? 3 : 4);
        }
        std::exit(5);
      },
      ::testing::ExitedWithCode(3), "");
}

// Where the test puts the X pointer before the window opens (root window pixels).
constexpr int PointerStartX = 137;
constexpr int PointerStartY = 211;

// One real window opened by InitWindow(800, 600, 32) for the whole suite. What InitWindow leaves
// behind is recorded right after it returns, before any test touches the GL state or input.
class ShellWindow : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    XDisplay = XOpenDisplay(nullptr);
    ASSERT_NE(XDisplay, nullptr) << "no X display: run the suite under xvfb-run";
    const ::Window root = DefaultRootWindow(XDisplay);
    XWarpPointer(XDisplay, 0, root, 0, 0, 0, 0, PointerStartX, PointerStartY);
    XSync(XDisplay, False);

    ResetInput();
    try {
      InitWindow(800, 600, 32);
    } catch (const char* message) {
      FAIL() << "InitWindow threw: " << message;
    }
    glGetIntegerv(GL_MATRIX_MODE, &MatrixModeAfterInit);
    MouseAfterInit = Mouse;
    Handle = glfwGetCurrentContext();
    ASSERT_NE(Handle, nullptr);
    Native = glfwGetX11Window(Handle);
    // Where the pointer is in the window's own pixels.
    ::Window child = 0;
    XTranslateCoordinates(XDisplay, root, Native, PointerStartX, PointerStartY, &ExpectedX,
                          &ExpectedY, &child);
  }
  static void TearDownTestSuite() {
    if (Handle)
      glfwDestroyWindow(Handle);
    glfwTerminate();
    if (XDisplay)
      XCloseDisplay(XDisplay);
    ResetInput();
  }
  void SetUp() override {
    ASSERT_NE(Handle, nullptr);
    ResetInput();
  }
  void TearDown() override {
    glfwSetWindowShouldClose(Handle, GLFW_FALSE);
    ResetInput();
  }

  static inline ::Display* XDisplay = nullptr;
  static inline GLFWwindow* Handle = nullptr;
  static inline ::Window Native = 0;
  static inline GLint MatrixModeAfterInit = 0;
  static inline MouseStruct MouseAfterInit = {};
  static inline int ExpectedX = -1;
  static inline int ExpectedY = -1;
};

TEST_F(ShellWindow, OpensAnEightHundredBySixHundredWindowTitledSieveRush) {
  int width = 0, height = 0;
  glfwGetWindowSize(Handle, &width, &height);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  char* name = nullptr;
  ASSERT_NE(XFetchName(XDisplay, Native, &name), 0);
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name, "Sieve Rush");
  XFree(name);
  EXPECT_TRUE(WindowOpen());
}

TEST_F(ShellWindow, LeavesTheModelViewMatrixSelected) {
  EXPECT_EQ(MatrixModeAfterInit, GL_MODELVIEW);
}

TEST_F(ShellWindow, KnowsWhereThePointerIsBeforeItMoves) {
  // The pointer was put inside the window's area before it opened and has not moved since.
  ASSERT_GE(ExpectedX, 0);
  ASSERT_GE(ExpectedY, 0);
  EXPECT_EQ(MouseAfterInit.X, ExpectedX);
  EXPECT_EQ(MouseAfterInit.Y, ExpectedY);
  EXPECT_FALSE(MouseAfterInit.Left);
  EXPECT_FALSE(MouseAfterInit.Right);
}

TEST_F(ShellWindow, FlipBuffersEndsTheRunOnceTheWindowShouldClose) {
  FlipBuffers();
  EXPECT_EQ(RunLevel, 1);
  EXPECT_TRUE(WindowOpen());

  glfwSetWindowShouldClose(glfwGetCurrentContext(), GLFW_TRUE);
  EXPECT_FALSE(WindowOpen());
  FlipBuffers();
  EXPECT_EQ(RunLevel, 0);
}

}  // namespace
