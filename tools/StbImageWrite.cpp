// stb_image_write's own code, for the PNG icons and a replay's pictures. Only the in-memory writers
// are compiled: the callers write their files themselves.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
