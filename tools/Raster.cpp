#include "tools/Raster.h"

#include <algorithm>
#include <utility>

Picture::Picture(int width, int height, Rgba fill)
    : W(width), H(height), Pixels(static_cast<std::size_t>(width) * height, fill) {}

void Picture::Blend(int x, int y, Rgba c, int coverage) {
  if (!Contains(x, y) || coverage <= 0) {
    return;
  }
  Rgba& d = At(x, y);
  // Source alpha 0..65280 (alpha x coverage); destination weight what shows through.
  const int sa = c.A * std::min(coverage, 256);
  const int da = d.A * (65280 - sa) / 255;
  const int out = sa + da;
  if (out == 0) {
    return;
  }
  auto channel = [&](int s, int dd) { return static_cast<std::uint8_t>((s * sa + dd * da) / out); };
  d = {channel(c.R, d.R), channel(c.G, d.G), channel(c.B, d.B),
       static_cast<std::uint8_t>((out + 128) / 256)};
}

Rgba Mix(Rgba a, Rgba b, int t) {
  t = std::clamp(t, 0, 256);
  auto m = [t](int x, int y) { return static_cast<std::uint8_t>((x * (256 - t) + y * t) / 256); };
  return {m(a.R, b.R), m(a.G, b.G), m(a.B, b.B), m(a.A, b.A)};
}

Rgba Shade(Rgba c, int delta) {
  auto s = [delta](int x) { return static_cast<std::uint8_t>(std::clamp(x + delta, 0, 255)); };
  return {s(c.R), s(c.G), s(c.B), c.A};
}

Rgba WithAlpha(Rgba c, int alpha) {
  c.A = static_cast<std::uint8_t>(std::clamp(alpha, 0, 255));
  return c;
}

// A 32-bit integer mixer (multiply-xorshift), good enough to hide any grid pattern.
static std::uint32_t Mix32(std::uint32_t h) {
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

int Grain(int x, int y, std::uint32_t seed) {
  const std::uint32_t h = Mix32(static_cast<std::uint32_t>(x) * 0x9E3779B1u ^
                                Mix32(static_cast<std::uint32_t>(y) + seed * 0x85EBCA77u));
  return static_cast<int>(h >> 24);
}

int Cloud(int x, int y, int cell, std::uint32_t seed) {
  const int gx = x / cell;
  const int gy = y / cell;
  const int fx = x % cell;
  const int fy = y % cell;
  const int a = Grain(gx, gy, seed);
  const int b = Grain(gx + 1, gy, seed);
  const int c = Grain(gx, gy + 1, seed);
  const int d = Grain(gx + 1, gy + 1, seed);
  const int top = a * (cell - fx) + b * fx;
  const int bottom = c * (cell - fx) + d * fx;
  return (top * (cell - fy) + bottom * fy) / (cell * cell);
}

std::int64_t ISqrt(std::int64_t n) {
  if (n <= 0) {
    return 0;
  }
  std::int64_t r = 0;
  std::int64_t bit = std::int64_t{1} << 62;
  while (bit > n) {
    bit >>= 2;
  }
  while (bit != 0) {
    if (n >= r + bit) {
      n -= r + bit;
      r = (r >> 1) + bit;
    } else {
      r >>= 1;
    }
    bit >>= 2;
  }
  return r;
}

std::uint32_t Rng::Next() {
  State ^= State << 13;
  State ^= State >> 17;
  State ^= State << 5;
  return State;
}

int Rng::Range(int lo, int hi) {
  return lo + static_cast<int>(Next() % static_cast<std::uint32_t>(hi - lo + 1));
}

void FillRect(Picture& p, int x0, int y0, int x1, int y1, Rgba c) {
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      p.Blend(x, y, c);
    }
  }
}

void VerticalGradient(Picture& p, int x0, int y0, int x1, int y1, Rgba top, Rgba bottom) {
  const int span = std::max(1, y1 - y0 - 1);
  for (int y = y0; y < y1; ++y) {
    const Rgba c = Mix(top, bottom, (y - y0) * 256 / span);
    for (int x = x0; x < x1; ++x) {
      p.Blend(x, y, c);
    }
  }
}

void Bevel(Picture& p, int x0, int y0, int x1, int y1, Rgba light, Rgba dark, int thickness) {
  for (int i = 0; i < thickness; ++i) {
    FillRect(p, x0 + i, y0 + i, x1 - i, y0 + i + 1, light);
    FillRect(p, x0 + i, y0 + i + 1, x0 + i + 1, y1 - i, light);
    FillRect(p, x0 + i + 1, y1 - i - 1, x1 - i, y1 - i, dark);
    FillRect(p, x1 - i - 1, y0 + i + 1, x1 - i, y1 - i - 1, dark);
  }
}

void AddGrain(Picture& p, int x0, int y0, int x1, int y1, int amount, std::uint32_t seed) {
  for (int y = std::max(0, y0); y < std::min(p.Height(), y1); ++y) {
    for (int x = std::max(0, x0); x < std::min(p.Width(), x1); ++x) {
      const int d = (Grain(x, y, seed) * (2 * amount + 1)) / 256 - amount;
      p.At(x, y) = Shade(p.At(x, y), d);
    }
  }
}

// Number of the 16 samples of pixel (x, y) inside the shape.
static int Coverage16(int x, int y, const Shape& shape) {
  int n = 0;
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 4; ++i) {
      n += shape(Px(x) + 2 * i + 1, Px(y) + 2 * j + 1) ? 1 : 0;
    }
  }
  return n;
}

void FillShapeWith(Picture& p, int x0, int y0, int x1, int y1, const Shape& shape,
                   const std::function<Rgba(int x, int y)>& colour) {
  for (int y = std::max(0, y0); y < std::min(p.Height(), y1); ++y) {
    for (int x = std::max(0, x0); x < std::min(p.Width(), x1); ++x) {
      const int n = Coverage16(x, y, shape);
      if (n > 0) {
        p.Blend(x, y, colour(x, y), n * 16);
      }
    }
  }
}

void FillShape(Picture& p, int x0, int y0, int x1, int y1, Rgba c, const Shape& shape) {
  FillShapeWith(p, x0, y0, x1, y1, shape, [c](int, int) { return c; });
}

Shape Disc(std::int64_t cu, std::int64_t cv, std::int64_t r) {
  return [=](std::int64_t u, std::int64_t v) {
    return (u - cu) * (u - cu) + (v - cv) * (v - cv) <= r * r;
  };
}

Shape Ring(std::int64_t cu, std::int64_t cv, std::int64_t inner, std::int64_t outer) {
  return [=](std::int64_t u, std::int64_t v) {
    const std::int64_t d = (u - cu) * (u - cu) + (v - cv) * (v - cv);
    return d <= outer * outer && d > inner * inner;
  };
}

Shape Ellipse(std::int64_t cu, std::int64_t cv, std::int64_t ru, std::int64_t rv) {
  return [=](std::int64_t u, std::int64_t v) {
    return (u - cu) * (u - cu) * rv * rv + (v - cv) * (v - cv) * ru * ru <= ru * ru * rv * rv;
  };
}

Shape Capsule(SubPoint a, SubPoint b, std::int64_t r) {
  return [=](std::int64_t u, std::int64_t v) {
    const std::int64_t du = b.U - a.U;
    const std::int64_t dv = b.V - a.V;
    const std::int64_t pu = u - a.U;
    const std::int64_t pv = v - a.V;
    const std::int64_t len2 = du * du + dv * dv;
    const std::int64_t dot = pu * du + pv * dv;
    if (dot <= 0 || len2 == 0) {
      return pu * pu + pv * pv <= r * r;
    }
    if (dot >= len2) {
      const std::int64_t qu = u - b.U;
      const std::int64_t qv = v - b.V;
      return qu * qu + qv * qv <= r * r;
    }
    const std::int64_t cross = pu * dv - pv * du;
    return cross * cross <= r * r * len2;
  };
}

Shape RoundRect(std::int64_t u0, std::int64_t v0, std::int64_t u1, std::int64_t v1,
                std::int64_t r) {
  return [=](std::int64_t u, std::int64_t v) {
    if (u < u0 || u >= u1 || v < v0 || v >= v1) {
      return false;
    }
    const std::int64_t cu = std::clamp(u, u0 + r, u1 - r);
    const std::int64_t cv = std::clamp(v, v0 + r, v1 - r);
    return (u - cu) * (u - cu) + (v - cv) * (v - cv) <= r * r;
  };
}

Shape Polygon(std::vector<SubPoint> points) {
  return [pts = std::move(points)](std::int64_t u, std::int64_t v) {
    bool inside = false;
    for (std::size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
      const SubPoint& a = pts[i];
      const SubPoint& b = pts[j];
      if ((a.V > v) != (b.V > v)) {
        // Crossing to the right of the sample: compare without dividing.
        const std::int64_t lhs = (u - a.U) * (b.V - a.V);
        const std::int64_t rhs = (b.U - a.U) * (v - a.V);
        if ((b.V - a.V > 0) ? lhs < rhs : lhs > rhs) {
          inside = !inside;
        }
      }
    }
    return inside;
  };
}

Shape Minus(Shape a, Shape b) {
  return [a = std::move(a), b = std::move(b)](std::int64_t u, std::int64_t v) {
    return a(u, v) && !b(u, v);
  };
}

// sin(k * 90 / 16 degrees) * 4096 for k = 0..16, rounded.
static constexpr int QuarterSine[17] = {0,    401,  799,  1189, 1567, 1931, 2276, 2598, 2896,
                                        3166, 3406, 3612, 3784, 3920, 4017, 4076, 4096};

int Sin64(int step) {
  step = ((step % 64) + 64) % 64;
  if (step <= 16) {
    return QuarterSine[step];
  }
  if (step <= 32) {
    return QuarterSine[32 - step];
  }
  if (step <= 48) {
    return -QuarterSine[step - 32];
  }
  return -QuarterSine[64 - step];
}

int Cos64(int step) {
  return Sin64(step + 16);
}

void BleedColourIntoClear(Picture& p) {
  // Grow the coloured area one ring at a time until every clear pixel has borrowed a colour.
  std::vector<bool> known(static_cast<std::size_t>(p.Width()) * p.Height());
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      known[static_cast<std::size_t>(y) * p.Width() + x] = p.At(x, y).A != 0;
    }
  }
  bool grew = true;
  while (grew) {
    grew = false;
    std::vector<bool> next = known;
    for (int y = 0; y < p.Height(); ++y) {
      for (int x = 0; x < p.Width(); ++x) {
        if (known[static_cast<std::size_t>(y) * p.Width() + x]) {
          continue;
        }
        int r = 0, g = 0, b = 0, n = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx;
            const int ny = y + dy;
            if (p.Contains(nx, ny) && known[static_cast<std::size_t>(ny) * p.Width() + nx]) {
              r += p.At(nx, ny).R;
              g += p.At(nx, ny).G;
              b += p.At(nx, ny).B;
              ++n;
            }
          }
        }
        if (n > 0) {
          p.At(x, y) = {static_cast<std::uint8_t>(r / n), static_cast<std::uint8_t>(g / n),
                        static_cast<std::uint8_t>(b / n), 0};
          next[static_cast<std::size_t>(y) * p.Width() + x] = true;
          grew = true;
        }
      }
    }
    known = std::move(next);
  }
}
