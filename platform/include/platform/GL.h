// OpenGL 1.x for every room, and what each target's GL lacks of it, named once: the rooms above
// use these values and never ask which target they are built for.
#pragma once

// Windows' <GL/gl.h> needs <windows.h> first for its calling-convention macros.
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
#include <GL/gl.h>

// Windows' gl.h stops at OpenGL 1.1; the edge clamp's value is fixed by the 1.2 core.
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

#ifdef __EMSCRIPTEN__
// The browser: WebGL under emscripten's emulation of the fixed-function pipeline.
// A depth buffer of 16 bits at most in a framebuffer object.
constexpr GLenum GLDepthFormat = 0x81A5;  // GL_DEPTH_COMPONENT16
// Texture formats by name only, never as a component count, and no GL_CLAMP wrap.
constexpr GLint GLInternalRgb = GL_RGB;
constexpr GLint GLInternalRgba = GL_RGBA;
constexpr GLint GLPictureWrap = GL_CLAMP_TO_EDGE;
// Render targets by the unsized format alone (eight bits a channel there too).
constexpr GLint GLTargetRgba = GL_RGBA;
// Read-back of unsigned RGBA bytes only: no GL_RED, no signed bytes.
constexpr bool GLReadsSignedRed = false;
// No attribute stack (glPushAttrib), and every state query waits for the GPU.
constexpr bool GLHasAttribStack = false;
// Framebuffer objects are core, whatever the version string says.
constexpr bool GLFramebuffersInCore = true;
// A normal only between glBegin and glEnd, for the vertices there: none is kept between them.
constexpr bool GLKeepsNormal = false;
#else
// Desktop OpenGL: the internal format as the component count and the picture wrap the art
// was made for (GL_CLAMP), both from OpenGL 1.0; a window's usual 24 depth bits.
constexpr GLenum GLDepthFormat = 0x81A6;  // GL_DEPTH_COMPONENT24
constexpr GLint GLInternalRgb = 3;
constexpr GLint GLInternalRgba = 4;
constexpr GLint GLPictureWrap = GL_CLAMP;
constexpr GLint GLTargetRgba = GL_RGBA8;
constexpr bool GLReadsSignedRed = true;
constexpr bool GLHasAttribStack = true;
// Framebuffer objects come with OpenGL 3.0 or an extension; see the version and extension list.
constexpr bool GLFramebuffersInCore = false;
// The current normal is state, kept from one glBegin to the next.
constexpr bool GLKeepsNormal = true;
#endif

// An OpenGL entry point by name, null where the GL in use has none: how the owner of a context
// hands down the functions beyond OpenGL 1.1.
using GLProc = void (*)();
using GLProcLookup = GLProc (*)(const char* name);

// The current viewport (x, y, width, height). Where state queries wait for the GPU it is
// answered without asking the GL.
void ReadViewport(GLint viewport[4]);

// Framebuffer objects: the entry points and enums are the same in OpenGL 3.0,
// ARB_framebuffer_object and WebGL, and EXT_framebuffer_object names them with an "EXT" suffix
// and the same values. Windows' OpenGL 1.1 header knows none of them.
constexpr GLenum GLFramebuffer = 0x8D40;
constexpr GLenum GLFramebufferBinding = 0x8CA6;
constexpr GLenum GLRenderbuffer = 0x8D41;
constexpr GLenum GLColourAttachment0 = 0x8CE0;
constexpr GLenum GLDepthAttachment = 0x8D00;
constexpr GLenum GLFramebufferComplete = 0x8CD5;
struct GLFramebufferProcs {
  void(APIENTRY* GenFramebuffers)(GLsizei count, GLuint* names) = nullptr;
  void(APIENTRY* DeleteFramebuffers)(GLsizei count, const GLuint* names) = nullptr;
  void(APIENTRY* BindFramebuffer)(GLenum target, GLuint name) = nullptr;
  void(APIENTRY* FramebufferTexture2D)(GLenum target, GLenum attachment, GLenum textureTarget,
                                       GLuint texture, GLint level) = nullptr;
  GLenum(APIENTRY* CheckFramebufferStatus)(GLenum target) = nullptr;
  void(APIENTRY* GenRenderbuffers)(GLsizei count, GLuint* names) = nullptr;
  void(APIENTRY* DeleteRenderbuffers)(GLsizei count, const GLuint* names) = nullptr;
  void(APIENTRY* BindRenderbuffer)(GLenum target, GLuint name) = nullptr;
  void(APIENTRY* RenderbufferStorage)(GLenum target, GLenum format, GLsizei width,
                                      GLsizei height) = nullptr;
  void(APIENTRY* FramebufferRenderbuffer)(GLenum target, GLenum attachment,
                                          GLenum renderbufferTarget, GLuint renderbuffer) = nullptr;
};
// Finds the framebuffer object entry points of the current context through `lookup`. False,
// with `procs` all null, where the GL offers none or `lookup` is null.
bool FindFramebufferProcs(GLProcLookup lookup, GLFramebufferProcs& procs);
// The framebuffer bound for drawing now: 0 for the window's.
GLuint BoundFramebuffer();

// A framebuffer object that draws into a texture of its own: eight bits a channel, as an
// ordinary window's colour buffer, so that the same drawing and blending give the same pixels.
struct GLTextureTarget {
  GLuint Framebuffer = 0;  // 0: none made
  GLuint Colour = 0;       // the texture, nearest filters, clamped to its edge
  GLuint Depth = 0;        // a renderbuffer, if asked for
  int Width = 0;
  int Height = 0;
};
// Makes a width x height target, with a depth buffer if `depth`. False, with nothing made, where
// the driver refuses it. Leaves the framebuffer binding as it found it and texture 0 bound.
bool MakeTextureTarget(const GLFramebufferProcs& procs, int width, int height, bool depth,
                       GLTextureTarget& target);
// Deletes what MakeTextureTarget made, if anything; `target` is empty after.
void FreeTextureTarget(const GLFramebufferProcs& procs, GLTextureTarget& target);
