// TGA decoding from memory: our reader against stb_image on the same bytes, for every variant
// the reader accepts, at a small and a large size, and against a plain copy of the decoded
// bytes into a fresh buffer, the least any decoder has to do.
#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Ratios.h"
#include "TgaFiles.h"
#include "image/TGAImg.h"

namespace {

// The ratio of our decoding time to stb_image's that we hold ourselves to.
constexpr double DecodeGoal = 0.5;

// One TGA file in memory and what our reader makes of it.
struct Case {
  std::string Name;
  std::vector<unsigned char> File;
  std::vector<unsigned char> Decoded;
};

[[noreturn]] void Fail(const std::string& name, const char* what) {
  std::fprintf(stderr, "%s: %s\n", name.c_str(), what);
  std::exit(1);
}

// Decodes the file with both readers and insists they agree before anything is timed: the same
// size and, pixel for pixel, the same colours (stb_image looks palette indices up itself, so
// ours are looked up in our palette to compare).
Case Prepare(const Picture& picture, TgaKind kind) {
  Case c;
  c.Name =
      KindName(kind) + " " + std::to_string(picture.Width) + "x" + std::to_string(picture.Height);
  c.File = WriteTga(picture, kind);

  TGAImg ours;
  if (ours.Decode(c.File.data(), c.File.size()) != TgaOk)
    Fail(c.Name, "our reader refused the file");
  int w = 0, h = 0, comp = 0;
  std::unique_ptr<unsigned char, void (*)(void*)> theirs(
      stbi_load_from_memory(c.File.data(), static_cast<int>(c.File.size()), &w, &h, &comp, 0),
      stbi_image_free);
  if (!theirs)
    Fail(c.Name, "stb_image refused the file");
  if (w != ours.GetWidth() || h != ours.GetHeight())
    Fail(c.Name, "the readers disagree on the size");

  const std::size_t pixels = std::size_t(w) * h;
  const int bytes = ours.GetBPP() / 8;
  c.Decoded.assign(ours.GetImg(), ours.GetImg() + pixels * bytes);
  std::vector<unsigned char> colours;
  if (ours.GetPalette()) {
    for (std::size_t i = 0; i < pixels; ++i) {
      const unsigned char* entry = ours.GetPalette() + 3 * c.Decoded[i];
      colours.insert(colours.end(), entry, entry + 3);
    }
  } else {
    colours = c.Decoded;
  }
  if (comp * pixels != colours.size() ||
      std::memcmp(colours.data(), theirs.get(), colours.size()) != 0)
    Fail(c.Name, "the readers decode different pixels");
  // The written picture itself, top row first, must come back.
  for (std::size_t i = 0; i < pixels && !ours.GetPalette(); ++i)
    if (std::memcmp(&picture.Rgba[i * 4], &c.Decoded[i * bytes], 3) != 0)
      Fail(c.Name, "the decoded picture is not the one written");
  return c;
}

void DecodeOurs(benchmark::State& state, const Case* c) {
  for (auto _ : state) {
    TGAImg img;
    if (img.Decode(c->File.data(), c->File.size()) != TgaOk)
      state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(img.GetImg());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * c->Decoded.size());
}

void DecodeStb(benchmark::State& state, const Case* c) {
  for (auto _ : state) {
    int w, h, comp;
    unsigned char* pixels =
        stbi_load_from_memory(c->File.data(), static_cast<int>(c->File.size()), &w, &h, &comp, 0);
    if (!pixels)
      state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(pixels);
    benchmark::ClobberMemory();
    stbi_image_free(pixels);
  }
  state.SetBytesProcessed(state.iterations() * c->Decoded.size());
}

// A fresh buffer of the decoded size, filled with one memcpy.
void CopyDecoded(benchmark::State& state, const Case* c) {
  for (auto _ : state) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[c->Decoded.size()]);
    std::memcpy(copy.get(), c->Decoded.data(), c->Decoded.size());
    benchmark::DoNotOptimize(copy.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * c->Decoded.size());
}

}  // namespace

int main(int argc, char** argv) {
  const TgaKind kinds[] = {TgaKind::Raw24,       TgaKind::Raw32,  TgaKind::RunLength24,
                           TgaKind::RunLength32, TgaKind::Mapped, TgaKind::MappedRunLength};
  // Cases live until the end of main: the benchmarks borrow them.
  std::vector<std::unique_ptr<Case>> cases;
  std::vector<RatioRow> rows;
  for (int size : {256, 2048}) {
    const Picture picture = MakePicture(size, size);
    for (TgaKind kind : kinds) {
      cases.push_back(std::make_unique<Case>(Prepare(picture, kind)));
      const Case* c = cases.back().get();
      const std::string ours = "decode/ours/" + c->Name;
      const std::string stb = "decode/stb_image/" + c->Name;
      const std::string copy = "decode/memcpy/" + c->Name;
      benchmark::RegisterBenchmark(ours.c_str(), DecodeOurs, c);
      benchmark::RegisterBenchmark(stb.c_str(), DecodeStb, c);
      benchmark::RegisterBenchmark(copy.c_str(), CopyDecoded, c);
      rows.push_back({"TGA decode, " + c->Name + " (vs stb_image)", ours, stb, DecodeGoal, copy});
    }
  }
  return RunRatioTable(argc, argv, rows);
}
