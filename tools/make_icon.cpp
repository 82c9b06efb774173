// make_icon: draws the game's desktop icon and writes it as PNG at the usual sizes, laid out
// as a freedesktop icon theme folder: <folder>/<N>x<N>/apps/sieverush.png.
//   make_icon <output folder>
#include <cstdio>
#include <filesystem>
#include <string>

#include "IconArt.h"
#include "PngFile.h"

// The hicolor theme's usual application icon sizes, in pixels.
constexpr int kSizes[] = {16, 32, 48, 64, 128, 256};

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon <output folder>\n");
    return 2;
  }
  for (int size : kSizes) {
    const std::string side = std::to_string(size);
    const std::filesystem::path folder =
        std::filesystem::path(argv[1]) / (side + "x" + side) / "apps";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string path = (folder / "sieverush.png").string();
    if (error || !WriteFile(path, EncodePng(DrawIcon(size)))) {
      std::fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
