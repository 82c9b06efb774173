// make_icon: draws the game's icon and writes it in every form the builds take, into one folder:
//   <N>x<N>/apps/sieverush.png   the desktop icon, laid out as a freedesktop icon theme folder
//   sieverush.ico                the Windows executable's icon resource
//   WindowIcon.cpp               the X11 window's icon, compiled into the game
//   (platform/WindowIcon.h) make_icon <output folder>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/IcoFile.h"
#include "tools/IconArt.h"
#include "tools/PngFile.h"

namespace {

// The hicolor theme's usual application icon sizes, in pixels; 192 and 512 are also those a web
// app's manifest names for its home-screen icon and splash screen.
constexpr int ThemeSizes[] = {16, 32, 48, 64, 128, 192, 256, 512};
// What Windows asks an executable's icon for: the small and large icon at normal and high DPI,
// and Explorer's largest view.
constexpr int IcoSizes[] = {16, 32, 48, 256};
// What window managers show in title bars, task lists and window switchers.
constexpr int WindowSizes[] = {16, 32, 48};

// C++ source defining the window icon table of platform/WindowIcon.h: R, G, B, A bytes, rows
// top first, as GLFW takes them.
Bytes WindowIconSource() {
  std::ostringstream s;
  s << "// Written by tools/make_icon: the game's icon for its window, drawn at build time.\n"
       "#include \"WindowIcon.h\"\n\nnamespace {\n";
  for (int size : WindowSizes) {
    const Picture p = DrawIcon(size);
    s << "\nconst unsigned char Pixels" << size << "[] = {";
    for (int i = 0; i < size * size; ++i) {
      const Rgba c = p.At(i % size, i / size);
      s << (i % 4 == 0 ? "\n   " : "");
      for (int v : {c.R, c.G, c.B, c.A}) {
        s << ' ' << v << ',';
      }
    }
    s << "\n};\n";
  }
  s << "\n}  // namespace\n\nconst WindowIconImage WindowIcons[] = {";
  for (int size : WindowSizes) {
    s << '{' << size << ", Pixels" << size << "}, ";
  }
  s << "};\nconst int WindowIconCount = " << std::size(WindowSizes) << ";\n";
  const std::string text = s.str();
  return Bytes(text.begin(), text.end());
}

bool WriteTheme(const std::filesystem::path& top) {
  for (int size : ThemeSizes) {
    std::string theme = std::to_string(size);  // "<N>x<N>"
    theme.append("x").append(std::to_string(size));
    const std::filesystem::path folder = top / theme / "apps";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string path = (folder / "sieverush.png").string();
    if (error || !WriteFile(path, EncodePng(DrawIcon(size)))) {
      std::fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
      return false;
    }
  }
  return true;
}

bool WriteOne(const std::filesystem::path& path, const Bytes& bytes) {
  if (WriteFile(path.string(), bytes))
    return true;
  std::fprintf(stderr, "make_icon: cannot write %s\n", path.string().c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon <output folder>\n");
    return 2;
  }
  const std::filesystem::path top(argv[1]);
  std::vector<Picture> ico;
  for (int size : IcoSizes) {
    ico.push_back(DrawIcon(size));
  }
  const bool ok = WriteTheme(top) && WriteOne(top / "sieverush.ico", EncodeIco(ico)) &&
                  WriteOne(top / "WindowIcon.cpp", WindowIconSource());
  return ok ? 0 : 1;
}
