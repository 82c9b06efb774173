// stb_image, built into the benchmarks only, as the reference decoder they compare with. Only
// its TGA reader is compiled, so the reference does not pay for probing other formats.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb_image.h>
