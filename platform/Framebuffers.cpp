// Framebuffer objects, wherever the GL offers them.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/GL.h"

namespace {

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

}  // namespace

bool FindFramebufferProcs(GLProcLookup lookup, GLFramebufferProcs& procs) {
  procs = GLFramebufferProcs();
  // A lookup may answer for names the GL does not offer (GLX's does): ask the GL first.
  const char* suffix = lookup != nullptr ? FramebufferSuffix() : nullptr;
  GLFramebufferProcs p;
  if (suffix == nullptr || !Find(lookup, "glGenFramebuffers", suffix, p.GenFramebuffers) ||
      !Find(lookup, "glDeleteFramebuffers", suffix, p.DeleteFramebuffers) ||
      !Find(lookup, "glBindFramebuffer", suffix, p.BindFramebuffer) ||
      !Find(lookup, "glFramebufferTexture2D", suffix, p.FramebufferTexture2D) ||
      !Find(lookup, "glCheckFramebufferStatus", suffix, p.CheckFramebufferStatus) ||
      !Find(lookup, "glGenRenderbuffers", suffix, p.GenRenderbuffers) ||
      !Find(lookup, "glDeleteRenderbuffers", suffix, p.DeleteRenderbuffers) ||
      !Find(lookup, "glBindRenderbuffer", suffix, p.BindRenderbuffer) ||
      !Find(lookup, "glRenderbufferStorage", suffix, p.RenderbufferStorage) ||
      !Find(lookup, "glFramebufferRenderbuffer", suffix, p.FramebufferRenderbuffer))
    return false;
  procs = p;
  return true;
}

GLuint BoundFramebuffer() {
  GLint name = 0;
  glGetIntegerv(GLFramebufferBinding, &name);
  return static_cast<GLuint>(name);
}

bool MakeTextureTarget(const GLFramebufferProcs& procs, int width, int height, bool depth,
                       GLTextureTarget& target) {
  target = GLTextureTarget();
  if (procs.GenFramebuffers == nullptr)
    return false;
  const GLuint before = BoundFramebuffer();
  GLTextureTarget t;
  t.Width = width;
  t.Height = height;
  glGenTextures(1, &t.Colour);
  glBindTexture(GL_TEXTURE_2D, t.Colour);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GLTargetRgba, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  procs.GenFramebuffers(1, &t.Framebuffer);
  procs.BindFramebuffer(GLFramebuffer, t.Framebuffer);
  procs.FramebufferTexture2D(GLFramebuffer, GLColourAttachment0, GL_TEXTURE_2D, t.Colour, 0);
  if (depth) {
    procs.GenRenderbuffers(1, &t.Depth);
    procs.BindRenderbuffer(GLRenderbuffer, t.Depth);
    procs.RenderbufferStorage(GLRenderbuffer, GLDepthFormat, width, height);
    procs.BindRenderbuffer(GLRenderbuffer, 0);
    procs.FramebufferRenderbuffer(GLFramebuffer, GLDepthAttachment, GLRenderbuffer, t.Depth);
  }
  const bool complete = procs.CheckFramebufferStatus(GLFramebuffer) == GLFramebufferComplete;
  procs.BindFramebuffer(GLFramebuffer, before);
  if (complete)
    target = t;
  else
    FreeTextureTarget(procs, t);
  return complete;
}

void FreeTextureTarget(const GLFramebufferProcs& procs, GLTextureTarget& target) {
  if (target.Framebuffer != 0) {
    procs.DeleteFramebuffers(1, &target.Framebuffer);
    glDeleteTextures(1, &target.Colour);
  }
  if (target.Depth != 0)
    procs.DeleteRenderbuffers(1, &target.Depth);
  target = GLTextureTarget();
}
