// Damaged art through the real game. Makes hundreds of damaged variants of each of the six art
// files (cut short at and around every header field and at run-length packet boundaries, bit
// flips in headers and palettes, absurd, zero and negative sizes, wrong depths, empty files, a
// folder or a 2 TiB sparse file in the file's place) and starts the game on each, with the other
// five files intact. Every run must end in one of two ways:
//   refused:  standard output is exactly "Unable to load '<name>'\n" and the status is 0;
//   accepted: the title screen comes up; then Space, a held-button sweep over the case for a
//             moment of play, and Esc end it with status 0 and nothing on standard output.
// Anything else fails: another status or a signal, a sanitizer report on standard error, no
// window or no end within the time allowed. Failing variants are kept for replay.
//
// Usage: damaged_art --art DIR [--sample N] [--seed S] [--only FILE] [--jobs N] [--list]
//                    [--keep DIR] [--pick N,N...] -- GAME
#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "Harness.h"

using namespace harness;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Variant {
  std::string File;  // which art file it replaces
  std::string Name;  // what was done to it
  enum Kind { Data, Folder, Sparse } How = Data;
  Bytes Content;
};

// ---------------------------------------------------------------------------------------------
// Making variants.

unsigned U16(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}
void Put16(Bytes& b, std::size_t at, unsigned v) {
  b[at] = v & 0xff;
  b[at + 1] = (v >> 8) & 0xff;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + i] = (v >> (8 * i)) & 0xff;
}

class Maker {
public:
  Maker(std::string file, std::vector<Variant>& out) : File(std::move(file)), Out(out) {}

  void Add(const std::string& name, Bytes content) {
    Out.push_back({File, name, Variant::Data, std::move(content)});
  }
  void Cut(const Bytes& original, std::size_t length, const std::string& why) {
    if (length < original.size() && Seen.insert(length).second)
      Add("cut-at-" + std::to_string(length) + why,
          Bytes(original.begin(), original.begin() + static_cast<long>(length)));
  }
  void Flips(const Bytes& original, std::size_t from, std::size_t to, const std::string& what) {
    for (std::size_t at = from; at < to && at < original.size(); ++at) {
      for (int bit = 0; bit < 8; ++bit) {
        Bytes b = original;
        b[at] ^= static_cast<std::uint8_t>(1 << bit);
        Add("flip-" + what + "-byte" + std::to_string(at) + "-bit" + std::to_string(bit), b);
      }
    }
  }
  void Specials() {
    Add("empty", {});
    Out.push_back({File, "folder", Variant::Folder, {}});
    Out.push_back({File, "sparse-2TiB", Variant::Sparse, {}});
  }

private:
  std::string File;
  std::vector<Variant>& Out;
  std::set<std::size_t> Seen;
};

// Offsets of every run-length packet header in a type 9/10 file, in order.
std::vector<std::size_t> Packets(const Bytes& tga, std::size_t start, std::size_t pixels,
                                 std::size_t bytes) {
  std::vector<std::size_t> offsets;
  std::size_t at = start, done = 0;
  while (done < pixels && at < tga.size()) {
    offsets.push_back(at);
    const unsigned header = tga[at];
    const std::size_t count = (header & 127) + 1;
    at += 1 + ((header & 128) ? bytes : count * bytes);
    done += count;
  }
  return offsets;
}

// An 8-bit colour-mapped picture of the given size, raw (type 1) or run-length (type 9).
Bytes MappedTga(unsigned width, unsigned height, bool runLength, std::mt19937& rng) {
  Bytes b(18, 0);
  b[1] = 1;
  b[2] = runLength ? 9 : 1;
  Put16(b, 5, 256);
  b[7] = 24;
  Put16(b, 12, width);
  Put16(b, 14, height);
  b[16] = 8;
  for (int i = 0; i < 768; ++i)
    b.push_back(static_cast<std::uint8_t>(rng()));
  const std::size_t pixels = std::size_t(width) * height;
  for (std::size_t done = 0; done < pixels;) {
    const std::size_t count = std::min<std::size_t>(128, pixels - done);
    if (runLength) {
      b.push_back(static_cast<std::uint8_t>(128 | (count - 1)));
      b.push_back(static_cast<std::uint8_t>(rng()));
    } else {
      for (std::size_t i = 0; i < count; ++i)
        b.push_back(static_cast<std::uint8_t>(rng()));
    }
    done += count;
  }
  return b;
}

void TgaVariants(const std::string& file, const Bytes& tga, std::vector<Variant>& out,
                 std::mt19937& rng) {
  Maker m(file, out);
  m.Specials();
  const std::size_t idLength = tga[0];
  const unsigned type = tga[2], width = U16(tga, 12), height = U16(tga, 14), depth = tga[16];
  const std::size_t bytes = depth / 8, start = 18 + idLength;
  const bool runLength = type == 9 || type == 10;

  // Cut short: every length through the header and the first pixels; at the end.
  for (std::size_t n = 1; n <= start + 2 * bytes + 2; ++n)
    m.Cut(tga, n, "");
  m.Cut(tga, tga.size() - 1, "-last-byte");
  m.Cut(tga, tga.size() - bytes, "-last-pixel");
  m.Cut(tga, tga.size() / 2, "-half");
  if (runLength) {
    // At packet boundaries (header gone) and one byte in (header without its pixels): every
    // packet of a small file, an even spread and the last five of a large one.
    const auto offsets = Packets(tga, start, std::size_t(width) * height, bytes);
    const std::size_t stride = std::max<std::size_t>(1, offsets.size() / 40);
    for (std::size_t i = 0; i < offsets.size(); ++i) {
      if (i % stride == 0 || i + 5 >= offsets.size()) {
        m.Cut(tga, offsets[i], "-packet" + std::to_string(i));
        m.Cut(tga, offsets[i] + 1, "-packet" + std::to_string(i) + "-header-only");
      }
    }
    // Packets that claim more than is left: a run of 128 in the last packet, a raw packet
    // where a run was.
    for (std::size_t k = 1; k <= 3 && k <= offsets.size(); ++k) {
      Bytes b = tga;
      b[offsets[offsets.size() - k]] = 0xff;
      m.Add("packet-last" + std::to_string(k) + "-run128", b);
      b = tga;
      b[offsets[offsets.size() - k]] = 0x7f;
      m.Add("packet-last" + std::to_string(k) + "-raw128", b);
    }
    for (int k = 0; k < 10; ++k) {
      Bytes b = tga;
      const std::size_t at =
          offsets[std::uniform_int_distribution<std::size_t>(0, offsets.size() - 1)(rng)];
      b[at] ^= 0x80;
      m.Add("packet-at-" + std::to_string(at) + "-kind-flipped", b);
    }
  } else {
    const std::size_t row = std::size_t(width) * bytes;
    for (unsigned r = 1; r < height; r += std::max(1u, height / 8))
      m.Cut(tga, start + r * row, "-row" + std::to_string(r));
  }

  // Bit flips in every header bit.
  m.Flips(tga, 0, 18, "header");

  // Field values: types, colour map types, depths, descriptors, ID lengths, sizes.
  auto with = [&](std::size_t at, unsigned value, bool wide, const std::string& name) {
    Bytes b = tga;
    if (wide)
      Put16(b, at, value);
    else
      b[at] = static_cast<std::uint8_t>(value);
    m.Add(name + "-" + std::to_string(value), b);
  };
  for (unsigned v : {0u, 1u, 3u, 9u, 11u, 12u, 32u, 33u, 127u, 128u, 255u})
    with(2, v, false, "type");
  for (unsigned v : {1u, 2u, 255u})
    with(1, v, false, "colour-map-type");
  for (unsigned v : {0u, 1u, 8u, 15u, 16u, 23u, 25u, 31u, 33u, 48u, 64u, 255u})
    with(16, v, false, "depth");
  for (unsigned v : {0x08u, 0x10u, 0x20u, 0x21u, 0x28u, 0x30u, 0xc0u, 0xffu})
    with(17, v, false, "descriptor");
  for (unsigned v : {1u, 17u, 255u})
    with(0, v, false, "id-length");
  for (unsigned v : {0u, 1u, 2u, 255u, 257u, 4096u, 16384u, 16385u, 32767u, 32768u, 65535u}) {
    with(12, v, true, "width");
    with(14, v, true, "height");
  }
  for (unsigned v : {width + 1, height + 1, 2 * width})
    with(12, v, true, "width");
  {
    Bytes b = tga;
    Put16(b, 12, 32767);
    Put16(b, 14, 32767);
    m.Add("size-32767x32767", b);
    b = tga;
    Put16(b, 12, height);
    Put16(b, 14, width);
    if (width != height)
      m.Add("size-swapped", b);
    b = tga;
    Put16(b, 12, 1);
    Put16(b, 14, 1);
    m.Add("size-1x1-rest-trailing", b);
  }
  // Colour-map fields on a true-colour file.
  for (auto [at, v] : std::vector<std::pair<std::size_t, unsigned>>{
           {3, 1}, {5, 1}, {5, 256}, {5, 65535}, {7, 24}, {7, 32}}) {
    Bytes b = tga;
    b[1] = 1;
    if (at == 7)
      b[at] = static_cast<std::uint8_t>(v);
    else
      Put16(b, at, v);
    m.Add("colour-map-on-true-colour-field" + std::to_string(at) + "-" + std::to_string(v), b);
  }
  // Extra bytes after the picture.
  {
    Bytes b = tga;
    b.push_back(0);
    m.Add("trailing-byte", b);
    b.resize(tga.size() + 65536, 0xee);
    m.Add("trailing-64KiB", b);
  }

  // Colour-mapped pictures of the same size: whole, then with a damaged palette or map header.
  for (bool rle : {false, true}) {
    const Bytes mapped = MappedTga(width, height, rle, rng);
    const std::string kind = rle ? "mapped-rle" : "mapped-raw";
    m.Add(kind + "-whole", mapped);
    for (std::size_t cut = 18; cut < 18 + 768; cut += 97)
      m.Add(kind + "-cut-in-palette-at-" + std::to_string(cut),
            Bytes(mapped.begin(), mapped.begin() + static_cast<long>(cut)));
    for (int k = 0; k < 8; ++k) {
      Bytes b = mapped;
      const std::size_t at = std::uniform_int_distribution<std::size_t>(18, 18 + 767)(rng);
      b[at] ^= static_cast<std::uint8_t>(1 << (k % 8));
      m.Add(kind + "-palette-flip-" + std::to_string(at), b);
    }
    for (auto [at, v, wide] : std::vector<std::tuple<std::size_t, unsigned, bool>>{{3, 1, true},
                                                                                   {5, 0, true},
                                                                                   {5, 255, true},
                                                                                   {5, 257, true},
                                                                                   {5, 65535, true},
                                                                                   {7, 0, false},
                                                                                   {7, 15, false},
                                                                                   {7, 16, false},
                                                                                   {7, 32, false},
                                                                                   {16, 16, false},
                                                                                   {16, 24, false},
                                                                                   {1, 0, false}}) {
      Bytes b = mapped;
      if (wide)
        Put16(b, at, v);
      else
        b[at] = static_cast<std::uint8_t>(v);
      m.Add(kind + "-map-field" + std::to_string(at) + "-" + std::to_string(v), b);
    }
  }

  // Random damage anywhere: a few bytes to a few dozen.
  for (int k = 0; k < 30; ++k) {
    Bytes b = tga;
    const int changes = 1 << (k % 6);
    for (int c = 0; c < changes; ++c)
      b[std::uniform_int_distribution<std::size_t>(0, b.size() - 1)(rng)] =
          static_cast<std::uint8_t>(rng());
    m.Add("random-" + std::to_string(changes) + "-bytes-" + std::to_string(k), b);
  }
}

void BffVariants(const std::string& file, const Bytes& bff, std::vector<Variant>& out,
                 std::mt19937& rng) {
  Maker m(file, out);
  m.Specials();
  constexpr std::size_t Header = 276;
  // Cut short: every length through the fixed fields, around every field, at the end.
  for (std::size_t n = 1; n <= 24; ++n)
    m.Cut(bff, n, "");
  for (std::size_t field : {std::size_t(26), std::size_t(100), std::size_t(200), Header - 1, Header,
                            Header + 1, Header + 2})
    m.Cut(bff, field, "");
  m.Cut(bff, bff.size() - 1, "-last-byte");
  m.Cut(bff, bff.size() / 2, "-half");
  for (std::size_t row = 1; row < 16; row += 3)
    m.Cut(bff, Header + row * (bff.size() - Header) / 16, "-sheet-part");

  // Bit flips in every bit of the fixed fields, and in some advance widths.
  m.Flips(bff, 0, 20, "header");
  for (int k = 0; k < 24; ++k) {
    Bytes b = bff;
    const std::size_t at = std::uniform_int_distribution<std::size_t>(20, Header - 1)(rng);
    b[at] ^= static_cast<std::uint8_t>(1 << (k % 8));
    m.Add("flip-width-byte" + std::to_string(at) + "-bit" + std::to_string(k % 8), b);
  }

  // Absurd values in each size field, depth and base character.
  auto with32 = [&](std::size_t at, std::uint32_t v, const std::string& name) {
    Bytes b = bff;
    Put32(b, at, v);
    m.Add(name + "-" + std::to_string(static_cast<std::int32_t>(v)), b);
  };
  for (std::uint32_t v : {0u, 0xffffffffu, 1u, 15u, 255u, 257u, 65536u, 0x7fffffffu, 0x80000000u}) {
    with32(2, v, "sheet-width");
    with32(6, v, "sheet-height");
  }
  for (std::uint32_t v : {0u, 0xffffffffu, 1u, 15u, 17u, 256u, 257u, 0x7fffffffu, 0x80000000u}) {
    with32(10, v, "cell-width");
    with32(14, v, "cell-height");
  }
  for (unsigned v : {0u, 1u, 7u, 16u, 24u, 32u, 33u, 255u}) {
    Bytes b = bff;
    b[18] = static_cast<std::uint8_t>(v);
    m.Add("depth-" + std::to_string(v), b);
  }
  for (unsigned v : {0u, 1u, 127u, 255u}) {
    Bytes b = bff;
    b[19] = static_cast<std::uint8_t>(v);
    m.Add("base-char-" + std::to_string(v), b);
  }

  // Fonts whose size adds up although their fields are odd: the game accepts these and must
  // draw with them. Sheet w x h, cells cw x ch, depth bits, sheet bytes filled with fill.
  auto font = [&](const std::string& name, std::uint32_t w, std::uint32_t h, std::uint32_t cw,
                  std::uint32_t ch, unsigned bits, int fill) {
    Bytes b(bff.begin(), bff.begin() + Header);
    Put32(b, 2, w);
    Put32(b, 6, h);
    Put32(b, 10, cw);
    Put32(b, 14, ch);
    b[18] = static_cast<std::uint8_t>(bits);
    b.resize(Header + std::size_t(w) * h * (bits / 8), static_cast<std::uint8_t>(fill));
    m.Add("sized-" + name, b);
  };
  font("24bit", 256, 256, 16, 16, 24, 0x80);
  font("32bit", 256, 256, 16, 16, 32, 0xff);
  font("1x1-cells-1x1", 1, 1, 1, 1, 8, 0xff);
  font("cell-as-wide-as-sheet", 256, 256, 256, 16, 8, 0x40);
  font("cell-taller-than-sheet", 256, 16, 16, 4096, 8, 0x40);
  font("16384x1", 16384, 1, 16, 16, 8, 0x40);
  font("16385x1", 16385, 1, 16, 16, 8, 0x40);
  font("1x16384", 1, 16384, 1, 1, 8, 0x40);
  font("depth-16", 256, 256, 16, 16, 16, 0x40);
  font("depth-0", 256, 256, 16, 16, 0, 0x40);
  {
    Bytes b = bff;
    for (std::size_t i = 20; i < Header; ++i)
      b[i] = 0x80;  // every advance -128
    m.Add("widths-all-minus-128", b);
    for (std::size_t i = 20; i < Header; ++i)
      b[i] = 0x7f;
    m.Add("widths-all-127", b);
    b = bff;
    b.push_back(0);
    m.Add("trailing-byte", b);
  }

  for (int k = 0; k < 30; ++k) {
    Bytes b = bff;
    const int changes = 1 << (k % 6);
    for (int c = 0; c < changes; ++c)
      b[std::uniform_int_distribution<std::size_t>(0, Header + 16)(rng)] =
          static_cast<std::uint8_t>(rng());
    m.Add("random-" + std::to_string(changes) + "-header-bytes-" + std::to_string(k), b);
  }
}

std::vector<Variant> MakeVariants(const fs::path& art) {
  std::vector<Variant> all;
  std::mt19937 rng(20240611);  // the variants are the same on every run
  for (const char* name : ArtFiles) {
    const std::string text = ReadFile(art / name);
    const Bytes original(text.begin(), text.end());
    if (original.size() < 300)
      continue;
    if (std::string(name) == "SieveFont.bff")
      BffVariants(name, original, all, rng);
    else
      TgaVariants(name, original, all, rng);
  }
  return all;
}

// ---------------------------------------------------------------------------------------------
// Running the game on a variant.

struct Outcome {
  bool Ok = false;
  std::string What;  // "refused", "accepted", or why it failed
};

bool Place(const Variant& v, const fs::path& folder, std::string& error) {
  const fs::path target = folder / v.File;
  std::error_code e;
  fs::remove(target, e);
  switch (v.How) {
    case Variant::Folder:
      fs::create_directory(target, e);
      break;
    case Variant::Sparse: {
      std::ofstream(target, std::ios::binary).put('\0');
      fs::resize_file(target, std::uintmax_t(2) << 40, e);
      break;
    }
    case Variant::Data: {
      std::ofstream file(target, std::ios::binary);
      file.write(reinterpret_cast<const char*>(v.Content.data()),
                 static_cast<std::streamsize>(v.Content.size()));
      if (!file)
        error = "cannot write " + target.string();
      break;
    }
  }
  if (e)
    error = e.message();
  return error.empty();
}

Outcome Judge(Child& game, const Variant& v, bool sentEsc) {
  const std::string out = game.Out();
  const std::string err = game.Err();
  const std::string line = "Unable to load '" + v.File + "'\n";
  Outcome o;
  if (HasSanitizerReport(err))
    o.What = "sanitizer report";
  else if (!game.ExitedWith(0))
    o.What = "ended with " + game.Describe();
  else if (sentEsc && !out.empty())
    o.What = "title screen shown, yet standard output was \"" + out + "\"";
  else if (!sentEsc && out != line)
    o.What = "ended by itself with standard output \"" + out + "\"";
  else {
    o.Ok = true;
    o.What = sentEsc ? "accepted" : "refused";
    return o;
  }
  o.What += "\n--- stderr:\n" + err.substr(0, 6000);
  return o;
}

Outcome RunVariant(const Variant& v, const fs::path& art, const std::string& game,
                   const std::string& display, XSession& x) {
  TempDir folder("sieverush-damaged");
  std::string error;
  if (!CopyArt(art, folder.Path(), error) || !Place(v, folder.Path(), error))
    return {false, "set-up: " + error};
  // Leak checks stay off: the system's graphics stack keeps memory until exit. Huge requests
  // return null, as they do outside the sanitizer, instead of stopping the game with a report.
  const std::map<std::string, std::string> env = {
      {"DISPLAY", display},
      {"ASAN_OPTIONS", "detect_leaks=0:allocator_may_return_null=1"},
      {"UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1"}};
  Child g;
  if (!g.StartIn({game}, folder.Path(), env))
    return {false, "cannot start the game"};

  // The window opens before any file is read; then either the game ends by itself or the title
  // screen appears. A damaged font that still loads may draw its text in black, so for the font
  // a window that stays dark for a while counts as the title screen too.
  constexpr auto Limit = std::chrono::seconds(90);
  const bool font = v.File == "SieveFont.bff";
  const auto deadline = Clock::now() + Limit;
  unsigned long window = 0;
  Clock::time_point windowSeen{};
  bool title = false;
  while (!g.Ended() && Clock::now() < deadline) {
    if (!window) {
      window = x.FindGameWindow();
      windowSeen = Clock::now();
    } else if (LitPixels(x.Grab(window, 0, 0, WindowWidth, WindowHeight)) > 200 ||
               (font && Clock::now() - windowSeen > std::chrono::seconds(8))) {
      title = !g.Ended();
      break;
    }
    SleepMs(50);
  }
  if (!g.Ended() && !title) {
    g.Kill();
    return {false, window ? "hang: the window stayed black and the game did not end"
                          : "hang: no window and no end"};
  }
  if (title) {
    // A moment of play with the damaged picture: start, sweep the case with the button held.
    x.Focus(window);
    x.Tap("space", 50);
    x.Move(200, 300);
    x.Button(1, true);
    for (int step = 0; step < 20; ++step) {
      x.Move(200 + step * 20, 300 + (step % 4) * 30 - 45);
      SleepMs(75);
    }
    x.Button(1, false);
    x.Tap("Escape", 50);
    if (!g.Finish(std::chrono::seconds(60)))
      return {false, "hang: did not end within 60 s of Esc"};
  }
  return Judge(g, v, title);
}

void Keep(const Variant& v, const fs::path& keep, std::size_t index) {
  std::error_code e;
  fs::create_directories(keep, e);
  const fs::path to = keep / (std::to_string(index) + "-" + v.File + "-" + v.Name);
  if (v.How == Variant::Data) {
    std::ofstream file(to, std::ios::binary);
    file.write(reinterpret_cast<const char*>(v.Content.data()),
               static_cast<std::streamsize>(v.Content.size()));
  } else {
    std::ofstream(to.string() + ".txt") << v.Name << "\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Options opts = ParseOptions(argc, argv);
  if (!opts.Has("art") || (opts.Rest.empty() && !opts.Has("list"))) {
    std::cerr << "usage: damaged_art --art DIR [--sample N] [--seed S] [--only FILE] [--jobs N] "
                 "[--list] [--keep DIR] -- GAME\n";
    return 2;
  }
  const fs::path art = opts.Get("art", "");
  std::vector<Variant> variants = MakeVariants(art);
  if (opts.Has("only")) {
    const std::string only = opts.Get("only", "");
    std::erase_if(variants, [&](const Variant& v) { return v.File != only; });
  }
  std::vector<std::size_t> chosen(variants.size());
  for (std::size_t i = 0; i < chosen.size(); ++i)
    chosen[i] = i;
  if (opts.Has("sample")) {
    // The same number from each file, picked by the seed; every special kind of file is kept.
    std::mt19937 rng(static_cast<unsigned>(opts.GetLong("seed", 1)));
    std::shuffle(chosen.begin(), chosen.end(), rng);
    const long perFile = std::max(1L, opts.GetLong("sample", 60) / 6);
    std::map<std::string, long> taken;
    std::vector<std::size_t> sample;
    for (std::size_t i : chosen) {
      const Variant& v = variants[i];
      const bool special = v.How != Variant::Data || v.Content.empty();
      if (special || taken[v.File] < perFile) {
        sample.push_back(i);
        if (!special)
          ++taken[v.File];
      }
    }
    std::sort(sample.begin(), sample.end());
    chosen = sample;
  }
  if (opts.Has("pick")) {
    // Replays variants by their numbers in the --list output: --pick 12,407
    chosen.clear();
    std::stringstream list(opts.Get("pick", ""));
    for (std::string item; std::getline(list, item, ',');)
      if (std::stoul(item) < variants.size())
        chosen.push_back(std::stoul(item));
  }
  std::map<std::string, int> perFile;
  for (std::size_t i : chosen)
    ++perFile[variants[i].File];
  std::cout << chosen.size() << " variants (of " << variants.size() << "):";
  for (const auto& [file, n] : perFile)
    std::cout << " " << file << " " << n;
  std::cout << std::endl;
  if (opts.Has("list")) {
    for (std::size_t i : chosen)
      std::cout << i << " " << variants[i].File << " " << variants[i].Name << "\n";
    return 0;
  }

  XInitThreads();
  const std::string game = opts.Rest[0];
  const fs::path keep = opts.Get("keep", (fs::current_path() / "damaged-art-failures").string());
  const int jobs = static_cast<int>(std::clamp(opts.GetLong("jobs", 1), 1L, 8L));
  std::atomic<std::size_t> next{0};
  std::mutex lock;
  std::map<std::string, std::map<std::string, int>> totals;  // file -> outcome -> count
  int failed = 0;
  const auto began = Clock::now();

  auto worker = [&] {
    PrivateX server;
    XSession x;
    std::string error;
    if (!server.Start(error) || !x.Open(server.Name())) {
      std::lock_guard<std::mutex> guard(lock);
      std::cerr << "FAIL: set-up: " << error << "\n";
      ++failed;
      return;
    }
    for (std::size_t k = next++; k < chosen.size(); k = next++) {
      const Variant& v = variants[chosen[k]];
      const Outcome o = RunVariant(v, art, game, server.Name(), x);
      std::lock_guard<std::mutex> guard(lock);
      ++totals[v.File][o.Ok ? o.What : "FAILED"];
      if (o.Ok) {
        std::cout << "ok   " << o.What << "  " << v.File << " " << v.Name << std::endl;
      } else {
        ++failed;
        Keep(v, keep, chosen[k]);
        std::cout << "FAIL " << v.File << " " << v.Name << ": " << o.What << std::endl;
      }
    }
  };
  std::vector<std::thread> threads;
  for (int j = 0; j < jobs; ++j)
    threads.emplace_back(worker);
  for (std::thread& t : threads)
    t.join();

  int passed = 0;
  std::cout << "\nper file:\n";
  for (const auto& [file, outcomes] : totals) {
    std::cout << "  " << file << ":";
    for (const auto& [what, n] : outcomes) {
      std::cout << " " << what << " " << n;
      if (what != "FAILED")
        passed += n;
    }
    std::cout << "\n";
  }
  std::cout << "time "
            << std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - began).count()
            << " s\n";
  if (failed)
    std::cout << "failing variants kept in " << keep.string() << "\n";
  std::cout << passed << " passed, " << failed << " failed" << std::endl;
  return failed == 0 && passed > 0 ? 0 : 1;
}
