// A hidden 800x600 X window whose GLX context is current for a whole GL test program (xvfb-run),
// and the files and read-backs the GL tests share.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <string>
#include <vector>

// After gtest: Xlib defines None, Bool and Status as macros.
#include <GL/glx.h>
#include <X11/Xlib.h>

using Byte = unsigned char;
using Bytes = std::vector<Byte>;
enum class Path { File, Folder, Pipe };

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
};

// The first `size` bytes of the bound texture's level 0 in `format`, row 0 first.
inline Bytes Texels(GLenum format, std::size_t size) {
  Bytes out(size);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
  return out;
}

// A path of this process's own to load from: a file of `bytes`, a writerless pipe or a folder.
inline std::string Put(const Bytes& bytes, Path kind = Path::File) {
  const std::string path = testing::TempDir() + "gl_test_" + std::to_string(getpid());
  static const struct Gone {  // nothing left behind when the program ends
    std::string path;
    ~Gone() { unlink(path.c_str()); }
  } gone{path};
  unlink(path.c_str());
  if (kind == Path::File)
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  EXPECT_TRUE(kind != Path::Pipe || mkfifo(path.c_str(), 0644) == 0);
  return kind == Path::Folder ? testing::TempDir() : path;
}

// Runs `load` with no texture bound and unpack alignment 4 (rows of any width must load right):
// true exactly when `internal` is not 0, leaving bound a texture of that internal format, linear
// filters, `wrap` and exactly `texels` as `format`; or else none.
template <class Load>
void ExpectLoad(Load load, GLint internal, GLenum format, GLint wrap, const Bytes& texels) {
  glBindTexture(GL_TEXTURE_2D, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  ASSERT_EQ(load(), internal != 0);
  std::vector<GLint> got(1);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &got[0]);
  ASSERT_EQ(got[0] != 0, internal != 0);
  if (internal == 0)
    return;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &got[0]);
  for (GLenum name :
       {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T})
    glGetTexParameteriv(GL_TEXTURE_2D, name, &got.emplace_back());
  EXPECT_EQ(got, std::vector<GLint>({internal, GL_LINEAR, GL_LINEAR, wrap, wrap}));
  EXPECT_EQ(Texels(format, texels.size()), texels);
}
