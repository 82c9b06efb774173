// OpenGL 1.x for the game's sources. Windows' <GL/gl.h> needs <windows.h> first for its
// calling-convention macros.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
#include <GL/gl.h>
