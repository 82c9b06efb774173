// stb_image, built into the tools test only, as an independent reader of the PNG files the
// icon tools write. Only its PNG reader is compiled.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
