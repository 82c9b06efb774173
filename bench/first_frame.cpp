// The reference for the game's start-up (scripts/bench-runs.py startup): the least a GLFW game
// does to show one picture. It opens an 800x600 window titled like the game's, uploads one
// 64x64 RGBA texture and draws one textured, lit, blended quad, presents it once and ends. Run
// with bench/first_frame_shim preloaded, it is timed from its exec to that present.
#include <GLFW/glfw3.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int Width = 800;
constexpr int Height = 600;
constexpr int TextureSize = 64;

// A checkerboard of 8x8 squares whose opacity falls from left to right, so that blending has
// something to do.
std::vector<unsigned char> TexturePixels() {
  std::vector<unsigned char> pixels;
  pixels.reserve(TextureSize * TextureSize * 4);
  for (int y = 0; y < TextureSize; ++y) {
    for (int x = 0; x < TextureSize; ++x) {
      const bool light = ((x / 8) + (y / 8)) % 2 == 0;
      pixels.push_back(light ? 230 : 40);
      pixels.push_back(light ? 200 : 90);
      pixels.push_back(light ? 60 : 160);
      pixels.push_back(static_cast<unsigned char>(255 - x * 2));
    }
  }
  return pixels;
}

void DrawQuad() {
  glViewport(0, 0, Width, Height);
  glClearColor(0.1f, 0.1f, 0.2f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  const std::vector<unsigned char> pixels = TexturePixels();
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, TextureSize, TextureSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               pixels.data());

  // Light 0 as GL starts it: white, from the viewer's direction.
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  glBegin(GL_QUADS);
  glNormal3f(0.0f, 0.0f, 1.0f);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-0.5f, -0.5f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(0.5f, -0.5f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(0.5f, 0.5f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(-0.5f, 0.5f);
  glEnd();
}

}  // namespace

int main() {
  if (glfwInit() != GLFW_TRUE) {
    std::fprintf(stderr, "first_frame: GLFW did not start\n");
    return 1;
  }
  GLFWwindow* window = glfwCreateWindow(Width, Height, "Sieve Rush", nullptr, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "first_frame: no window\n");
    glfwTerminate();
    return 1;
  }
  glfwMakeContextCurrent(window);
  DrawQuad();
  glfwSwapBuffers(window);
  glfwDestroyWindow(window);
  glfwTerminate();
  return 0;
}
