// make_art: draws the game's art and writes the six files it loads into one folder. This file
// is where the build learns their names: the folder holds exactly these files, and the build
// and the installation take the folder whole.
//   make_art <output folder> [--font <TrueType file>]
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/Art.h"
#include "tools/ArtFiles.h"
#include "tools/FontBake.h"

constexpr const char* DefaultFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// The bitmap font, baked from the TrueType file.
constexpr const char* FontFile = "SieveFont.bff";

// Each picture with its file layout. The mix is deliberate: the game's reader meets run-length
// and raw files, 24 and 32 bits, stored both top-down and bottom-up.
struct PictureFile {
  const char* Name;
  Picture (*Draw)();
  TgaLayout Layout;
};

static const PictureFile Pictures[] = {
    {"Case.tga", DrawCaseEnds, {24, true, false}},
    {"CaseSide.tga", DrawCaseSide, {24, false, true}},
    {"Hole.tga", DrawHole, {32, true, true}},
    {"Patch.tga", DrawPatch, {32, false, false}},
    {"Bits.tga", DrawBits, {32, true, false}},
};

// Writes one file into the folder, or says why it could not.
static bool Write(const std::filesystem::path& folder, const char* name, const Bytes& bytes) {
  const std::string path = (folder / name).string();
  if (WriteFile(path, bytes)) {
    return true;
  }
  std::fprintf(stderr, "make_art: cannot write %s\n", path.c_str());
  return false;
}

int main(int argc, char** argv) {
  std::string folder;
  std::string fontPath = DefaultFont;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--font" && i + 1 < argc) {
      fontPath = argv[++i];
    } else if (folder.empty() && arg.rfind("--", 0) != 0) {
      folder = arg;
    } else {
      folder.clear();
      break;
    }
  }
  if (folder.empty()) {
    std::fprintf(stderr, "usage: make_art <output folder> [--font <TrueType file>]\n");
    return 2;
  }

  BffFont font;
  std::string error;
  if (!BakeFont(fontPath, font, error)) {
    std::fprintf(stderr, "make_art: %s\n", error.c_str());
    return 1;
  }
  if (!Write(folder, FontFile, EncodeBff(font))) {
    return 1;
  }
  for (const PictureFile& file : Pictures) {
    if (!Write(folder, file.Name, EncodeTga(file.Draw(), file.Layout))) {
      return 1;
    }
  }
  return 0;
}
