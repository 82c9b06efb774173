// Turning TGA pictures into OpenGL textures.
#pragma once

class TGAImg;

// Texture handle meaning "no texture" (all 32 bits set).
constexpr unsigned NoTexture = 0xFFFFFFFFu;

// Uploads a loaded 24- or 32-bit picture into the texture bound to GL_TEXTURE_2D, with the
// game's picture parameters (linear filters, GL_CLAMP). False for any other depth, with nothing
// uploaded. Leaves GL_UNPACK_ALIGNMENT at 1.
bool UploadPicture(const TGAImg& img);

// Loads a TGA file into a new texture, left bound; NoTexture on failure. The picture's top row
// is t = 0. A file that reads but has a depth other than 24 or 32 bits makes no texture: the
// name made for it is deleted again, which leaves texture name 0 bound.
unsigned LoadTexture(const char* filename);
