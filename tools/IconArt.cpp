#include "tools/IconArt.h"

#include <cstdint>

namespace {

// The icon is designed on a 256 x 256 grid: this many units span the icon's side.
constexpr int GridUnits = 256;

// Beige plastic, as on the game's case.
constexpr Rgba Outline{104, 96, 78};
constexpr Rgba PlasticTop{232, 224, 202};
constexpr Rgba PlasticBottom{200, 191, 166};
constexpr Rgba PlasticLight{248, 244, 232};
constexpr Rgba Bay{164, 155, 132};
constexpr Rgba Slot{40, 38, 35};
constexpr Rgba Button{120, 122, 128};
constexpr Rgba Led{60, 210, 96};
// The plaster.
constexpr Rgba PlasterEdge{170, 118, 74};
constexpr Rgba PlasterSkin{226, 178, 128};
constexpr Rgba PlasterPad{246, 238, 222};
constexpr Rgba Shadow{0, 0, 0, 72};
constexpr Rgba Clear{0, 0, 0, 0};

// Scales grid units to the eighths of a pixel the shapes are drawn in.
class Grid {
public:
  explicit Grid(int size) : Size(size) {}
  std::int64_t operator()(int units) const {
    return std::int64_t{units} * Size * SubPerPixel / GridUnits;
  }
  SubPoint At(int u, int v) const { return {(*this)(u), (*this)(v)}; }

private:
  int Size;
};

// The tower: a dark rim round a plastic front lit from the top left.
void DrawTower(Picture& p, const Grid& g) {
  const int n = p.Width();
  FillShape(p, 0, 0, n, n, Shadow, RoundRect(g(68), g(20), g(204), g(252), g(18)));
  FillShape(p, 0, 0, n, n, Outline, RoundRect(g(60), g(12), g(196), g(244), g(18)));
  FillShapeWith(p, 0, 0, n, n, RoundRect(g(68), g(20), g(188), g(236), g(12)), [n](int x, int y) {
    const Rgba body = Mix(PlasticTop, PlasticBottom, y * 256 / n);
    return Mix(PlasticLight, body, 128 + x * 128 / n);
  });
}

// Two drive bays with their slots, a floppy slot, the power button and its LED.
void DrawFront(Picture& p, const Grid& g) {
  const int n = p.Width();
  for (int top : {40, 80}) {
    FillShape(p, 0, 0, n, n, Bay, RoundRect(g(84), g(top), g(172), g(top + 28), g(4)));
    FillShape(p, 0, 0, n, n, Slot, RoundRect(g(94), g(top + 11), g(162), g(top + 17), g(3)));
  }
  FillShape(p, 0, 0, n, n, Slot, RoundRect(g(104), g(124), g(152), g(131), g(3)));
  FillShape(p, 0, 0, n, n, Outline, Disc(g(112), g(204), g(15)));
  FillShape(p, 0, 0, n, n, Button, Disc(g(112), g(204), g(11)));
  FillShape(p, 0, 0, n, n, Led, Disc(g(150), g(204), g(6)));
}

// The plaster across the front, from the lower left up to the right, reaching past both
// edges of the case: a darker rim, the skin-coloured strip and the gauze pad in the middle.
void DrawPlaster(Picture& p, const Grid& g) {
  const int n = p.Width();
  const SubPoint a = g.At(36, 190);
  const SubPoint b = g.At(220, 124);
  const SubPoint padA = g.At(36 + 184 * 3 / 8, 190 - 66 * 3 / 8);
  const SubPoint padB = g.At(36 + 184 * 5 / 8, 190 - 66 * 5 / 8);
  const SubPoint shadowA{a.U + g(6), a.V + g(6)};
  const SubPoint shadowB{b.U + g(6), b.V + g(6)};
  FillShape(p, 0, 0, n, n, Shadow, Capsule(shadowA, shadowB, g(26)));
  FillShape(p, 0, 0, n, n, PlasterEdge, Capsule(a, b, g(26)));
  FillShape(p, 0, 0, n, n, PlasterSkin, Capsule(a, b, g(20)));
  FillShape(p, 0, 0, n, n, Shade(PlasterPad, -40), Capsule(padA, padB, g(17)));
  FillShape(p, 0, 0, n, n, PlasterPad, Capsule(padA, padB, g(13)));
}

}  // namespace

Picture DrawIcon(int size) {
  Picture p(size, size, Clear);
  const Grid g(size);
  DrawTower(p, g);
  DrawFront(p, g);
  DrawPlaster(p, g);
  return p;
}
