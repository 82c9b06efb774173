// gfx on a real GL context, judged by the texels and pixels it leaves behind.
#include <algorithm>
#include <tuple>

#include "GLContext.h"
#include "gfx/TexRender.h"
#include "gfx/Texture.h"

// A top-first TGA of `type` (1: with a 256-entry palette in `body`).
Bytes Tga(int type, int w, int h, int depth, const Bytes& body) {
  Bytes f(18 + body.size());
  f[1] = f[6] = type == 1, f[2] = Byte(type), f[7] = 24 * (type == 1), f[16] = Byte(depth);
  f[12] = Byte(w), f[13] = Byte(w >> 8), f[14] = Byte(h), f[15] = Byte(h >> 8), f[17] = 32;
  std::copy(body.begin(), body.end(), f.begin() + 18);
  return f;
}

// LoadTexture: 24-bit rows of 3 bytes and 32-bit ones exactly, top row first and wrapped by
// GL_CLAMP; colour-mapped ones refused.
TEST_F(GLTest, LoadTextureUploadsEachDepthExactlyAndRefusesTheRest) {
  for (const auto& [tga, components, texels] :
       {std::tuple{Tga(2, 1, 2, 24, {1, 2, 3, 4, 5, 6}), 3, Bytes{3, 2, 1, 6, 5, 4}},
        {Tga(2, 2, 1, 32, {1, 2, 3, 4, 5, 6, 7, 8}), 4, Bytes{3, 2, 1, 4, 7, 6, 5, 8}},
        {Tga(1, 1, 1, 8, Bytes(769)), 0, Bytes{}}})
    ExpectLoad([&tga = tga] { return LoadTexture(Put(tga).c_str()) != NoTexture; }, components,
               components == 3 ? GL_RGB : GL_RGBA, GL_CLAMP, texels);
}

// GLX's entry points, handed down as the shell hands down GLFW's.
GLProc Glx(const char* name) {
  return glXGetProcAddress(reinterpret_cast<const GLubyte*>(name));
}

// A 40x40 stamp lands centred on its cell (cell 8 at 192, 149; cell 35 at 22, 22) of a face of
// distinct texels composed onto itself, left bound, blended by its own alpha; the rest stays. Its
// texels, black, red, green or yellow at alphas 0, 51, ... 255, blend to fifths of a byte, never a
// tie. Through the back buffer and a framebuffer object, the window's corner bare or covered.
TEST_F(GLTest, TexRenderStampsTheCellAndKeepsTheRestOfTheFace) {
  Display* dpy = glXGetCurrentDisplay();
  XSetWindowAttributes over{};  // a window over the corner: no manager, the root's depth
  over.override_redirect = True;
  const Window cover = XCreateWindow(dpy, DefaultRootWindow(dpy), 0, 300, 400, 300, 0, 0,
                                     InputOutput, nullptr, CWOverrideRedirect, &over);
  XMapWindow(dpy, glXGetCurrentDrawable());
  const std::pair<GLProcLookup, bool> targets[] = {{nullptr, 0}, {nullptr, 1}, {Glx, 0}, {Glx, 1}};
  for (auto [lookup, covered] : targets) {
    covered ? XMapRaised(dpy, cover) : XUnmapWindow(dpy, cover);
    XSync(dpy, False);
    ASSERT_EQ(ChoosePaintTarget(lookup), lookup != nullptr);
    Bytes want;  // texel x, y is red x, green y, blue x: the same stored as blue, green, red
    for (int i = 0; i < 256 * 256; ++i)
      want.insert(want.end(), {Byte(i % 256), Byte(i / 256), Byte(i % 256)});
    const unsigned face = LoadTexture(Put(Tga(2, 256, 256, 24, want)).c_str());
    Bytes stamp;  // B, G, R, A; its top row lands on the square's bottom row
    for (int i = 0; i < 40 * 40; ++i)
      stamp.insert(stamp.end(), {0, Byte(i / 40 % 2 * 255), Byte(i % 2 * 255), Byte(i % 6 * 51)});
    const unsigned overlay = LoadTexture(Put(Tga(2, 40, 40, 32, stamp)).c_str());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);  // no clamp border
    for (auto [cell, cx, cy] : {std::array{8, 192, 149}, {35, 22, 22}}) {
      glColor3f(1, 0, 0);  // as a pick leaves it: no tint
      TexRender(face, face, overlay, cell, Scatter());
      for (int i = 0; i < 40 * 40; ++i)
        for (int c = 0; c < 3; ++c) {
          const int a = stamp[i * 4 + 3], s = stamp[i * 4 + 2 - c];
          Byte& d = want[(cy - 20 + i / 40) * 768 + (cx - 20 + i % 40) * 3 + c];
          d = Byte((s * a + d * (255 - a) + 127) / 255);
        }
    }
    EXPECT_EQ(Texels(GL_RGB, want.size()), want)
        << "framebuffer object, covered: " << (lookup != nullptr) << covered;
  }
  XDestroyWindow(dpy, cover);
}
