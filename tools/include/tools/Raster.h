// A small RGBA canvas and the integer-only drawing kit the art generator paints with.
// Everything here is integer arithmetic (no floating point), so a picture comes out byte for
// byte the same with any compiler on any machine.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct Rgba {
  std::uint8_t R = 0;
  std::uint8_t G = 0;
  std::uint8_t B = 0;
  std::uint8_t A = 255;
  bool operator==(const Rgba&) const = default;
};

// Shapes are tested at 4 x 4 samples per pixel. Their coordinates are in eighths of a pixel
// (the unit below), so pixel x covers [8x, 8x + 8) and its samples sit at 8x + 1, 3, 5, 7.
inline constexpr int SubPerPixel = 8;

// Inside-test of a shape at one sample, in eighths of a pixel.
using Shape = std::function<bool(std::int64_t u, std::int64_t v)>;

// Integer point in eighths of a pixel.
struct SubPoint {
  std::int64_t U = 0;
  std::int64_t V = 0;
};

// Straight-alpha RGBA picture, rows top first.
class Picture {
public:
  Picture(int width, int height, Rgba fill);

  int Width() const { return W; }
  int Height() const { return H; }
  Rgba& At(int x, int y) { return Pixels[static_cast<std::size_t>(y) * W + x]; }
  const Rgba& At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * W + x]; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < W && y < H; }

  // Paints colour over one pixel ("over" operator, straight alpha); coverage 0..256 scales
  // the colour's own alpha. Pixels outside the picture are ignored.
  void Blend(int x, int y, Rgba colour, int coverage = 256);

private:
  int W;
  int H;
  std::vector<Rgba> Pixels;
};

// Colour helpers.
Rgba Mix(Rgba a, Rgba b, int t256);  // t256 = 0 gives a, 256 gives b; alpha mixed too
Rgba Shade(Rgba c, int delta);       // adds delta to R, G and B, clamped; alpha kept
Rgba WithAlpha(Rgba c, int alpha);

// Hash noise: a repeatable value 0..255 for a pixel and a seed.
int Grain(int x, int y, std::uint32_t seed);
// Smooth value noise 0..255: hashed corners of a cell x cell grid, bilinearly blended.
int Cloud(int x, int y, int cell, std::uint32_t seed);
// Integer square root, rounded down.
std::int64_t ISqrt(std::int64_t n);

// A small xorshift generator of our own, so the art never depends on the C library's rand.
class Rng {
public:
  explicit Rng(std::uint32_t seed) : State(seed ? seed : 0x9E3779B9u) {}
  std::uint32_t Next();
  int Range(int lo, int hi);  // lo..hi inclusive
private:
  std::uint32_t State;
};

// Filling. Rectangles are in whole pixels, [x0, x1) by [y0, y1).
void FillRect(Picture& p, int x0, int y0, int x1, int y1, Rgba c);
void VerticalGradient(Picture& p, int x0, int y0, int x1, int y1, Rgba top, Rgba bottom);
// Raised (light top-left, dark bottom-right) or, with the colours swapped, sunken edges.
void Bevel(Picture& p, int x0, int y0, int x1, int y1, Rgba light, Rgba dark, int thickness = 1);
// Adds grain of +-amount to R, G and B over a rectangle.
void AddGrain(Picture& p, int x0, int y0, int x1, int y1, int amount, std::uint32_t seed);

// Paints a shape, anti-aliased by its 16-sample coverage, within a pixel rectangle.
void FillShape(Picture& p, int x0, int y0, int x1, int y1, Rgba c, const Shape& shape);
// Paints a shape with a colour chosen per pixel (for shaded shapes).
void FillShapeWith(Picture& p, int x0, int y0, int x1, int y1, const Shape& shape,
                   const std::function<Rgba(int x, int y)>& colour);

// Shape makers; all sizes in eighths of a pixel.
Shape Disc(std::int64_t cu, std::int64_t cv, std::int64_t r);
Shape Ring(std::int64_t cu, std::int64_t cv, std::int64_t inner, std::int64_t outer);
Shape Ellipse(std::int64_t cu, std::int64_t cv, std::int64_t ru, std::int64_t rv);
// Segment from a to b thickened by radius r, with round ends.
Shape Capsule(SubPoint a, SubPoint b, std::int64_t r);
Shape RoundRect(std::int64_t u0, std::int64_t v0, std::int64_t u1, std::int64_t v1, std::int64_t r);
Shape Polygon(std::vector<SubPoint> points);  // even-odd rule
Shape Minus(Shape a, Shape b);

// Pixel centre in eighths, for building shapes from pixel coordinates.
inline constexpr std::int64_t Px(int pixels) {
  return static_cast<std::int64_t>(pixels) * SubPerPixel;
}

// Sine and cosine of step * 360 / 64 degrees, scaled by 4096 (a fixed table, no libm).
int Sin64(int step);
int Cos64(int step);

// Gives every fully transparent pixel the colour of a nearby opaque one, so that linear
// filtering of a straight-alpha sprite does not pull a dark or light fringe into its edge.
void BleedColourIntoClear(Picture& p);
