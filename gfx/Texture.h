// Turning TGA pictures into OpenGL textures.
#pragma once

class TGAImg;

// Texture handle meaning "no texture" (all 32 bits set).
constexpr unsigned NoTexture = 0xFFFFFFFFu;

// Uploads a loaded 24- or 32-bit picture into the texture bound to GL_TEXTURE_2D, with the
// game's picture parameters (linear filters, GL_CLAMP). False for any other depth.
bool UploadPicture(const TGAImg& img);

// Loads a TGA file into a new texture, left bound; NoTexture on failure.
unsigned LoadTexture(const char* filename);
