// One hidden 800x600 GLFW window with a real (Mesa) OpenGL context for a whole test program.
// Include it in a GL test file and derive fixtures from GLTest; the suite runs under Xvfb.
#pragma once

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

class GLTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    if (Window)
      return;
    ASSERT_TRUE(glfwInit()) << "no X display: run the suite under xvfb-run";
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    glfwWindowHint(GLFW_RED_BITS, 8);
    glfwWindowHint(GLFW_GREEN_BITS, 8);
    glfwWindowHint(GLFW_BLUE_BITS, 8);
    glfwWindowHint(GLFW_DEPTH_BITS, 8);
    Window = glfwCreateWindow(800, 600, "Sieve Rush test", nullptr, nullptr);
    ASSERT_NE(Window, nullptr);
    glfwMakeContextCurrent(Window);
  }
  void SetUp() override {
    ASSERT_NE(Window, nullptr);
    glViewport(0, 0, 800, 600);
  }

  // The red, green, blue bytes of one pixel of the back buffer (x, y from the bottom-left).
  static void ReadPixel(int x, int y, unsigned char rgb[3]) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  }

  static inline GLFWwindow* Window = nullptr;
};
