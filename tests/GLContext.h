// A hidden 800x600 X window whose GLX context is current for a whole GL test program (xvfb-run).
#pragma once

#include <gtest/gtest.h>

#include <array>

// After gtest: Xlib defines None, Bool and Status as macros.
#include <GL/glx.h>
#include <X11/Xlib.h>

using Rgb = std::array<int, 3>;

class GLTest : public ::testing::Test {
protected:
  void SetUp() override {
    static const bool current = [] {
      Display* display = XOpenDisplay(nullptr);
      int wanted[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_DEPTH_SIZE, 8, None};
      XVisualInfo* visual = display ? glXChooseVisual(display, DefaultScreen(display), wanted) : 0;
      if (!visual)
        return false;
      const Window root = DefaultRootWindow(display);
      XSetWindowAttributes attributes{};
      attributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
      const Window window = XCreateWindow(display, root, 0, 0, 800, 600, 0, visual->depth,
                                          InputOutput, visual->visual, CWColormap, &attributes);
      const GLXContext context = glXCreateContext(display, visual, nullptr, True);
      XFree(visual);
      return context && glXMakeCurrent(display, window, context);
    }();
    ASSERT_TRUE(current) << "no X display or no GLX visual: run under xvfb-run";
  }

  // The red, green, blue bytes of one back-buffer pixel, x and y from the bottom-left.
  static Rgb Pixel(int x, int y) {
    unsigned char rgb[3];
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
  }
};
