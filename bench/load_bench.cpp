// The game's start-up loads, as the game makes them (the font, the eight picture loads and the
// particle picture, from the play folder), against the same files read by stb_image and
// uploaded with the same OpenGL calls, in a real context on a hidden window.
#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "bench/Ratios.h"
#include "font/BitmapFont.h"
#include "gfx/ParticleManager.h"
#include "gfx/Texture.h"

namespace {

// Loads are rare and slow; the goal is to load no slower than the reference.
constexpr double LoadGoal = 1.0;

// The picture loads of the game's start-up, in its order: four checked loads, the particle
// picture, then the clean copy of the case and the two working side faces.
const char* const Pictures[] = {"Case.tga", "CaseSide.tga", "Patch.tga",    "Hole.tga",
                                "Bits.tga", "Case.tga",     "CaseSide.tga", "CaseSide.tga"};
const char* const FontFile = "SieveFont.bff";
constexpr int BitsIndex = 4;

// The game's own loaders. Everything they made is deleted afterwards, outside the timing.
void LoadOurs(benchmark::State& state) {
  ParticleManager particles;
  std::vector<GLuint> names;
  for (auto _ : state) {
    CBitmapFont font;
    bool ok = font.Load(FontFile);
    names.push_back(font.GetTexture());
    for (int i = 0; i < 8; ++i) {
      if (i == BitsIndex) {
        ok = particles.LoadTexture(Pictures[i]) && ok;
        names.push_back(particles.GetTexture());
      } else {
        names.push_back(LoadTexture(Pictures[i]));
        ok = names.back() != NoTexture && ok;
      }
    }
    glFinish();
    state.PauseTiming();
    if (!ok)
      state.SkipWithError("a load failed");
    glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
    names.clear();
    state.ResumeTiming();
  }
}

// The font with no checks at all: one read, the sheet uploaded as the game uploads it.
GLuint PlainFont(const char* file) {
  std::FILE* f = std::fopen(file, "rb");
  if (!f)
    return 0;
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
  const bool read = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  std::fclose(f);
  if (!read || bytes.size() < 276)
    return 0;
  auto int32 = [&](std::size_t at) {
    return int(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
  };
  const GLenum format = bytes[18] == 32 ? GL_RGBA : bytes[18] == 24 ? GL_RGB : GL_LUMINANCE;
  GLuint name;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), int32(2), int32(6), 0, format,
               GL_UNSIGNED_BYTE, bytes.data() + 276);
  return name;
}

// A picture read by stb_image and uploaded with the calls and parameters LoadTexture uses.
GLuint StbPicture(const char* file) {
  int w, h, comp;
  std::unique_ptr<unsigned char, void (*)(void*)> pixels(stbi_load(file, &w, &h, &comp, 0),
                                                         stbi_image_free);
  if (!pixels || (comp != 3 && comp != 4))
    return 0;
  GLuint name;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, comp, w, h, 0, comp == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
               pixels.get());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  return name;
}

void LoadReference(benchmark::State& state) {
  std::vector<GLuint> names;
  for (auto _ : state) {
    names.push_back(PlainFont(FontFile));
    for (const char* picture : Pictures)
      names.push_back(StbPicture(picture));
    glFinish();
    state.PauseTiming();
    for (GLuint name : names)
      if (name == 0)
        state.SkipWithError("a load failed");
    glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
    names.clear();
    state.ResumeTiming();
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The art, from the folder the game is started in.
  std::filesystem::current_path(SIEVERUSH_PLAY_DIR);
  if (!glfwInit()) {
    std::fputs("load_bench: no X display (run it under scripts/with-x.sh)\n", stderr);
    return 1;
  }
  glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
  GLFWwindow* window = glfwCreateWindow(800, 600, "Sieve Rush load benchmark", nullptr, nullptr);
  if (!window) {
    std::fputs("load_bench: no OpenGL window\n", stderr);
    return 1;
  }
  glfwMakeContextCurrent(window);
  std::printf("OpenGL renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

  benchmark::RegisterBenchmark("startup/ours", LoadOurs)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("startup/stb_image", LoadReference)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  const int result =
      RunRatioTable(argc, argv,
                    {{"Start-up loads: font + 8 pictures, decode and upload (vs stb_image)",
                      "startup/ours", "startup/stb_image", LoadGoal, ""}});
  glfwDestroyWindow(window);
  glfwTerminate();
  return result;
}
