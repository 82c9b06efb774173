// The small pictures: the hole, the patch (also the cursor) and the spilled bits.
// Every sprite keeps a clear margin of at least two pixels: the game clamps its pictures with
// a transparent black border, which linear filtering would otherwise pull into the edge.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "tools/Art.h"

namespace {

constexpr int SpriteSize = 64;              // Hole and Patch, pixels
constexpr int BitSize = 32;                 // each of the two bits, pixels
constexpr std::uint32_t HoleSeed = 0x484F;  // shape of the torn edge
constexpr Rgba Clear{0, 0, 0, 0};

// The torn outline: 32 points round the centre with jittered radii, every fourth pulled out
// into a short tear. Radii in eighths of a pixel.
std::vector<SubPoint> TornOutline(int centre, int extra8) {
  Rng rng(HoleSeed);
  std::vector<SubPoint> points;
  for (int i = 0; i < 32; ++i) {
    int r = Px(18) + rng.Range(-12, 12);
    if (i % 4 == 1) {
      r += rng.Range(Px(2), Px(4));
    } else if (i % 2 == 0) {
      r -= rng.Range(0, 10);
    }
    r += extra8;
    points.push_back({Px(centre) + std::int64_t{Cos64(i * 2)} * r / 4096,
                      Px(centre) + std::int64_t{Sin64(i * 2)} * r / 4096});
  }
  return points;
}

Shape Both(Shape a, Shape b) {
  return [a = std::move(a), b = std::move(b)](std::int64_t u, std::int64_t v) {
    return a(u, v) && b(u, v);
  };
}

// Shapes shifted by whole pixels.
Shape Shifted(const Shape& s, int dx, int dy) {
  return [s, dx, dy](std::int64_t u, std::int64_t v) { return s(u - Px(dx), v - Px(dy)); };
}

}  // namespace

Picture DrawHole() {
  Picture p(SpriteSize, SpriteSize, Clear);
  constexpr int c = SpriteSize / 2;
  const Shape rim = Polygon(TornOutline(c, 30));
  const Shape inside = Polygon(TornOutline(c, 0));

  // Bent metal round the edge: lit where it faces the light, on the far (lower-right) side.
  FillShapeWith(p, 0, 0, SpriteSize, SpriteSize, rim, [](int x, int y) {
    const int t = 128 + ((x - c) + (y - c)) * 6;
    return Shade(Mix(Rgba{84, 78, 66}, Rgba{246, 240, 222}, t), (Grain(x, y, 5) - 128) / 24);
  });
  // The dark inside, darkest in the middle, with a board's copper traces deep down.
  FillShapeWith(p, 0, 0, SpriteSize, SpriteSize, inside, [](int x, int y) {
    const int d2 = (x - c) * (x - c) + (y - c) * (y - c);
    return Mix(Rgba{4, 6, 6}, Rgba{46, 44, 40}, std::min(256, d2 * 256 / 360));
  });
  const Rgba trace{30, 90, 52, 190};
  for (int i = 0; i < 3; ++i) {
    const int y = 28 + i * 5;
    FillShape(p, 0, 0, SpriteSize, SpriteSize, trace,
              Both(inside, Capsule({Px(14), Px(y)}, {Px(30 + i * 3), Px(y)}, 5)));
    FillShape(p, 0, 0, SpriteSize, SpriteSize, trace,
              Both(inside, Capsule({Px(30 + i * 3), Px(y)}, {Px(40 + i * 3), Px(y + 10)}, 5)));
  }
  FillShape(p, 0, 0, SpriteSize, SpriteSize, Rgba{150, 130, 60, 200}, Disc(Px(40), Px(38), 10));
  // The top-left edge throws its shadow into the hole.
  FillShape(p, 0, 0, SpriteSize, SpriteSize, WithAlpha(Rgba{0, 0, 0}, 150),
            Minus(inside, Shifted(inside, 4, 4)));

  BleedColourIntoClear(p);
  return p;
}

// One plaster along the diagonal from a to b (pixels), its pad centred between them.
void Plaster(Picture& p, SubPoint a, SubPoint b) {
  const Rgba edge{170, 118, 74};
  const Rgba skin{226, 178, 128};
  const Rgba pad{246, 238, 222};
  const std::int64_t halfWidth = Px(9);
  FillShape(p, 0, 0, SpriteSize, SpriteSize, edge, Capsule(a, b, halfWidth));
  FillShapeWith(p, 0, 0, SpriteSize, SpriteSize, Capsule(a, b, halfWidth - 8),
                [&](int x, int y) { return Shade(skin, (Grain(x, y, 7) - 128) / 40); });
  // Air holes in two rows along each arm.
  const std::int64_t du = (b.U - a.U) / 12;
  const std::int64_t dv = (b.V - a.V) / 12;
  for (int i = 1; i < 12; ++i) {
    if (i >= 4 && i <= 8) {
      continue;  // under the pad
    }
    for (int side = -1; side <= 1; side += 2) {
      const std::int64_t u = a.U + du * i + side * dv * 3 / 10;
      const std::int64_t v = a.V + dv * i - side * du * 3 / 10;
      FillShape(p, 0, 0, SpriteSize, SpriteSize, Shade(skin, -44), Disc(u, v, 7));
    }
  }
  // The gauze pad in the middle.
  const SubPoint mid{(a.U + b.U) / 2, (a.V + b.V) / 2};
  const SubPoint padA{mid.U - du * 2, mid.V - dv * 2};
  const SubPoint padB{mid.U + du * 2, mid.V + dv * 2};
  FillShape(p, 0, 0, SpriteSize, SpriteSize, Shade(pad, -40), Capsule(padA, padB, Px(6)));
  FillShapeWith(p, 0, 0, SpriteSize, SpriteSize, Capsule(padA, padB, Px(6) - 6),
                [&](int x, int y) { return Shade(pad, ((x + y) % 3 == 0) ? -10 : 0); });
}

Picture DrawPatch() {
  Picture p(SpriteSize, SpriteSize, Clear);
  const SubPoint topLeft{Px(13), Px(13)};
  const SubPoint bottomRight{Px(51), Px(51)};
  const SubPoint topRight{Px(51), Px(13)};
  const SubPoint bottomLeft{Px(13), Px(51)};
  // Soft shadow of both strips on the surface below.
  const Rgba shadow{0, 0, 0, 70};
  const Shape both = [&](std::int64_t u, std::int64_t v) {
    return Capsule(topLeft, bottomRight, Px(9))(u, v) || Capsule(topRight, bottomLeft, Px(9))(u, v);
  };
  FillShape(p, 0, 0, SpriteSize, SpriteSize, shadow, Shifted(both, 2, 2));
  Plaster(p, topLeft, bottomRight);
  Plaster(p, topRight, bottomLeft);
  BleedColourIntoClear(p);
  return p;
}

// One glowing bit into rows y0..y0+31: a pale core with a green halo, premultiplied.
void GlowingBit(Picture& p, int y0, const Shape& glyph) {
  std::vector<int> cover(BitSize * BitSize);
  Picture mask(BitSize, BitSize, Clear);
  FillShape(mask, 0, 0, BitSize, BitSize, Rgba{255, 255, 255}, glyph);
  for (int i = 0; i < BitSize * BitSize; ++i) {
    cover[i] = mask.At(i % BitSize, i / BitSize).A;
  }
  // Halo: the glyph blurred by two passes of a 5 x 5 box.
  std::vector<int> glow = cover;
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<int> next(glow.size());
    for (int y = 0; y < BitSize; ++y) {
      for (int x = 0; x < BitSize; ++x) {
        int sum = 0;
        for (int dy = -2; dy <= 2; ++dy) {
          for (int dx = -2; dx <= 2; ++dx) {
            const int sx = x + dx;
            const int sy = y + dy;
            if (sx >= 0 && sy >= 0 && sx < BitSize && sy < BitSize) {
              sum += glow[sy * BitSize + sx];
            }
          }
        }
        next[y * BitSize + x] = sum / 25;
      }
    }
    glow = next;
  }
  const Rgba core{190, 255, 200};
  const Rgba halo{40, 235, 90};
  for (int y = 0; y < BitSize; ++y) {
    for (int x = 0; x < BitSize; ++x) {
      const int ca = cover[y * BitSize + x];
      const int ga = std::min(255, glow[y * BitSize + x] * 3 / 2);
      // Core over halo in premultiplied form; every colour stays at or below its alpha.
      auto channel = [&](int cc, int hc) {
        return cc * ca / 255 + (hc * ga / 255) * (255 - ca) / 255;
      };
      const int a = ca + ga * (255 - ca) / 255;
      p.At(x, y0 + y) = {static_cast<std::uint8_t>(channel(core.R, halo.R)),
                         static_cast<std::uint8_t>(channel(core.G, halo.G)),
                         static_cast<std::uint8_t>(channel(core.B, halo.B)),
                         static_cast<std::uint8_t>(a)};
    }
  }
}

Picture DrawBits() {
  Picture p(BitSize, 2 * BitSize, Clear);
  const Shape zero = Minus(Ellipse(Px(16), Px(16), Px(7), Px(10)), Ellipse(Px(16), Px(16), 28, 52));
  const Shape one = [](std::int64_t u, std::int64_t v) {
    return Capsule({Px(17), Px(7)}, {Px(17), Px(25)}, 18)(u, v) ||
           Capsule({Px(17), Px(7)}, {Px(12), Px(11)}, 14)(u, v) ||
           Capsule({Px(12), Px(25)}, {Px(22), Px(25)}, 13)(u, v);
  };
  GlowingBit(p, 0, zero);
  GlowingBit(p, BitSize, one);
  return p;
}
