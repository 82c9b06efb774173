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
#else
// Desktop OpenGL: the internal format as the component count and the picture wrap the art
// was made for (GL_CLAMP), both from OpenGL 1.0.
constexpr GLint GLInternalRgb = 3;
constexpr GLint GLInternalRgba = 4;
constexpr GLint GLPictureWrap = GL_CLAMP;
constexpr GLint GLTargetRgba = GL_RGBA8;
constexpr bool GLReadsSignedRed = true;
constexpr bool GLHasAttribStack = true;
// Framebuffer objects come with OpenGL 3.0 or an extension; see the version and extension list.
constexpr bool GLFramebuffersInCore = false;
#endif

// An OpenGL entry point by name, null where the GL in use has none: how the owner of a context
// hands down the functions beyond OpenGL 1.1.
using GLProc = void (*)();
using GLProcLookup = GLProc (*)(const char* name);

// The current viewport (x, y, width, height). Where state queries wait for the GPU it is
// answered without asking the GL.
void ReadViewport(GLint viewport[4]);
