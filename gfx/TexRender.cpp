// Painting a hole or patch into a face texture through a 256x256 square: an off-screen
// framebuffer where the GL offers one, else the lower-left corner of the back buffer.
#include "gfx/TexRender.h"

#include "platform/GL.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Face textures are 256x256 and one texel is one pixel of the composition square.
constexpr int SquareSize = 256;
// Cells are 42.5 pixels apart on a 6x6 grid; column 0 and row 0 sit at the high end of the
// square, 22 pixels in from its edge.
constexpr int FirstCentre = 234;
constexpr double CellPitch = 42.5;
constexpr int CellsPerColumn = 6;
// Half the side of the stamped sprite, in pixels.
constexpr int SpriteHalf = 20;

// Framebuffer objects: the entry points and enums are the same in OpenGL 3.0 and
// ARB_framebuffer_object, and EXT_framebuffer_object names them with an "EXT" suffix and the
// same values. Windows' OpenGL 1.1 header knows none of them.
constexpr GLenum Framebuffer = 0x8D40;
constexpr GLenum ColourAttachment0 = 0x8CE0;
constexpr GLenum FramebufferComplete = 0x8CD5;
using GenFramebuffersProc = void(APIENTRY*)(GLsizei count, GLuint* names);
using DeleteFramebuffersProc = void(APIENTRY*)(GLsizei count, const GLuint* names);
using BindFramebufferProc = void(APIENTRY*)(GLenum target, GLuint name);
using FramebufferTexture2DProc = void(APIENTRY*)(GLenum target, GLenum attachment,
                                                 GLenum textureTarget, GLuint texture, GLint level);
using CheckFramebufferStatusProc = GLenum(APIENTRY*)(GLenum target);

// Where TexRender paints: a framebuffer object with a 256x256 colour texture, or (name 0) the
// window's back buffer.
struct PaintTarget {
  GenFramebuffersProc Gen = nullptr;
  DeleteFramebuffersProc Delete = nullptr;
  BindFramebufferProc Bind = nullptr;
  FramebufferTexture2DProc Attach = nullptr;
  CheckFramebufferStatusProc Check = nullptr;
  GLuint Name = 0;
  GLuint Colour = 0;
};
PaintTarget Target;

// Whether the space-separated extension list names `name` exactly (not as a prefix of another).
bool HasExtension(const char* list, const char* name) {
  const std::size_t length = std::strlen(name);
  for (const char* p = list; p != nullptr && (p = std::strstr(p, name)) != nullptr; p += length)
    if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0'))
      return true;
  return false;
}

// The suffix of the framebuffer object entry points the current GL offers ("" for OpenGL 3.0
// and ARB_framebuffer_object, "EXT"), or null when it offers none.
const char* FramebufferSuffix() {
  if (GLFramebuffersInCore)
    return "";
  // The version string starts with "major.minor".
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (version != nullptr && std::atoi(version) >= 3)
    return "";
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (HasExtension(extensions, "GL_ARB_framebuffer_object"))
    return "";
  if (HasExtension(extensions, "GL_EXT_framebuffer_object"))
    return "EXT";
  return nullptr;
}

template <typename Proc>
bool Find(GLProcLookup lookup, const char* name, const char* suffix, Proc& proc) {
  proc = reinterpret_cast<Proc>(lookup((std::string(name) + suffix).c_str()));
  return proc != nullptr;
}

void ReleaseTarget() {
  if (Target.Name != 0) {
    Target.Delete(1, &Target.Name);
    glDeleteTextures(1, &Target.Colour);
  }
  Target = PaintTarget();
}

// Random offset of a scattered patch: -4..+3 pixels.
int Jitter() {
  return std::rand() % 8 - 4;
}

// The base picture fills the square one texel per pixel. Nearest sampling copies each texel
// exactly, so a face composed onto itself keeps every texel outside the new sprite.
void DrawBase(unsigned base) {
  glBindTexture(GL_TEXTURE_2D, base);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBegin(GL_QUADS);
  glTexCoord2i(0, 0);
  glVertex2i(0, 0);
  glTexCoord2i(1, 0);
  glVertex2i(SquareSize, 0);
  glTexCoord2i(1, 1);
  glVertex2i(SquareSize, SquareSize);
  glTexCoord2i(0, 1);
  glVertex2i(0, SquareSize);
  glEnd();
  // Face textures are drawn on the case with linear filtering.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

// The sprite square around the current model-view origin.
void DrawSprite() {
  glBegin(GL_QUADS);
  glTexCoord2i(0, 0);
  glVertex2i(-SpriteHalf, -SpriteHalf);
  glTexCoord2i(1, 0);
  glVertex2i(SpriteHalf, -SpriteHalf);
  glTexCoord2i(1, 1);
  glVertex2i(SpriteHalf, SpriteHalf);
  glTexCoord2i(0, 1);
  glVertex2i(-SpriteHalf, SpriteHalf);
  glEnd();
}

}  // namespace

bool ChoosePaintTarget(GLProcLookup lookup) {
  ReleaseTarget();
  // A lookup may answer for names the GL does not offer (GLX's does): ask the GL first.
  const char* suffix = lookup != nullptr ? FramebufferSuffix() : nullptr;
  PaintTarget t;
  if (suffix == nullptr || !Find(lookup, "glGenFramebuffers", suffix, t.Gen) ||
      !Find(lookup, "glDeleteFramebuffers", suffix, t.Delete) ||
      !Find(lookup, "glBindFramebuffer", suffix, t.Bind) ||
      !Find(lookup, "glFramebufferTexture2D", suffix, t.Attach) ||
      !Find(lookup, "glCheckFramebufferStatus", suffix, t.Check))
    return false;

  // Eight bits a channel, as an ordinary window's colour buffer has: the same blending, so the
  // same texels.
  glGenTextures(1, &t.Colour);
  glBindTexture(GL_TEXTURE_2D, t.Colour);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GLTargetRgba, SquareSize, SquareSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  t.Gen(1, &t.Name);
  t.Bind(Framebuffer, t.Name);
  t.Attach(Framebuffer, ColourAttachment0, GL_TEXTURE_2D, t.Colour, 0);
  const bool complete = t.Check(Framebuffer) == FramebufferComplete;
  t.Bind(Framebuffer, 0);
  Target = t;
  // A driver may still refuse this target; the back buffer then serves as before.
  if (!complete)
    ReleaseTarget();
  return complete;
}

void CellCentre(int cell, int& x, int& y) {
  // C division: cells below 0 give negative columns and rows and land outside the square,
  // which is how the game stamps nothing when it restores a clean face.
  const int column = cell / CellsPerColumn;
  const int row = cell % CellsPerColumn;
  x = FirstCentre - static_cast<int>(CellPitch * column);
  y = FirstCentre - static_cast<int>(CellPitch * row);
}

void TexRender(unsigned base, unsigned target, unsigned overlay, int cell, bool scatter) {
  // One unit is one window pixel.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 800, 0, 600, -1, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  // The viewport stays the window's: in the 256x256 target the square's pixels are the same
  // pixels as in the back buffer, and the rest falls outside.
  if (Target.Name != 0)
    Target.Bind(Framebuffer, Target.Name);
  glDisable(GL_SCISSOR_TEST);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);

  int x, y;
  CellCentre(cell, x, y);
  // The order of the draws is part of the game's random sequence: x, then y, then the angle.
  if (scatter) {
    x += Jitter();
    y += Jitter();
  }

  DrawBase(base);

  // The overlay's alpha cuts the hole or patch shape out of its square.
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glBindTexture(GL_TEXTURE_2D, overlay);
  glTranslatef(static_cast<float>(x), static_cast<float>(y), 0);
  if (scatter)
    glRotatef(static_cast<float>(std::rand() % 90), 0, 0, 1);
  DrawSprite();

  // Redefines the target's whole image, dropping any alpha it was loaded with.
  glBindTexture(GL_TEXTURE_2D, target);
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, SquareSize, SquareSize, 0);
  if (Target.Name != 0)
    Target.Bind(Framebuffer, 0);
}
