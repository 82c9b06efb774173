// The case's faces: the front and back end faces, side by side in one picture, and the side panel.
// Light falls from the top left everywhere, so raised parts have light top-left edges and dark
// bottom-right ones, and recesses the other way round.
#include <cstdint>

#include "tools/Art.h"

namespace {

// Beige plastic of the front bezel.
constexpr Rgba PlasticTop{224, 215, 192};
constexpr Rgba PlasticBottom{204, 195, 171};
constexpr Rgba PlasticLight{244, 239, 224};
constexpr Rgba PlasticDark{150, 141, 120};
constexpr Rgba Bezel{208, 199, 176};
// Painted steel of the back and the side panel.
constexpr Rgba SteelTop{212, 206, 186};
constexpr Rgba SteelBottom{194, 188, 168};
constexpr Rgba SteelLight{238, 234, 220};
constexpr Rgba SteelDark{136, 130, 114};
// Bare metal and black parts.
constexpr Rgba Silver{186, 188, 192};
constexpr Rgba SilverLight{232, 234, 238};
constexpr Rgba SilverDark{112, 114, 120};
constexpr Rgba SlotDark{30, 28, 26};
constexpr Rgba Black{44, 43, 42};
constexpr Rgba Clear{0, 0, 0, 0};

// Face sizes in pixels.
constexpr int EndWidth = 128;
constexpr int FaceSize = 256;
constexpr int BackX = 128;  // the back face's left edge in the end faces' picture

// Seeds of the noise, one per surface so that no two surfaces share a pattern.
constexpr std::uint32_t FrontSeed = 11;
constexpr std::uint32_t BackSeed = 23;
constexpr std::uint32_t SideSeed = 37;

// A surface of a colour gradient with soft mottling and fine grain.
void Surface(Picture& p, int x0, int y0, int x1, int y1, Rgba top, Rgba bottom,
             std::uint32_t seed) {
  VerticalGradient(p, x0, y0, x1, y1, top, bottom);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      p.At(x, y) = Shade(p.At(x, y), (Cloud(x, y, 16, seed) - 128) / 40);
    }
  }
  AddGrain(p, x0, y0, x1, y1, 3, seed + 1);
}

// A part that stands out of the surface.
void RaisedPart(Picture& p, int x0, int y0, int x1, int y1, Rgba c, Rgba light, Rgba dark) {
  FillRect(p, x0, y0, x1, y1, c);
  Bevel(p, x0, y0, x1, y1, light, dark);
}

// A recess in the surface: its shadow on the top-left, its lit wall on the bottom-right.
void Recess(Picture& p, int x0, int y0, int x1, int y1, Rgba c, Rgba light, Rgba dark) {
  FillRect(p, x0, y0, x1, y1, c);
  Bevel(p, x0, y0, x1, y1, dark, light);
}

// A thin dark slot with a lit lower lip.
void Slot(Picture& p, int x0, int y0, int x1, int y1, Rgba lip) {
  FillShape(p, x0, y0, x1, y1 + 1, lip, RoundRect(Px(x0), Px(y0) + 4, Px(x1), Px(y1 + 1), 8));
  FillShape(p, x0, y0, x1, y1, SlotDark, RoundRect(Px(x0), Px(y0), Px(x1), Px(y1), 8));
}

// A round, shaded metal part: light on the top-left, dark on the bottom-right.
void Dome(Picture& p, int cx, int cy, int r8, Rgba light, Rgba dark) {
  const int x0 = cx - r8 / SubPerPixel - 1;
  const int y0 = cy - r8 / SubPerPixel - 1;
  const int x1 = cx + r8 / SubPerPixel + 2;
  const int y1 = cy + r8 / SubPerPixel + 2;
  FillShapeWith(p, x0, y0, x1, y1, Disc(Px(cx), Px(cy), r8), [=](int x, int y) {
    const int t = 128 + ((x - cx) + (y - cy)) * 128 * SubPerPixel / (r8 + 1);
    return Mix(light, dark, t);
  });
}

// A cross-head screw of radius r8 eighths, centred on the pixel corner (cx, cy).
void Screw(Picture& p, int cx, int cy, int r8) {
  FillShape(p, cx - 4, cy - 4, cx + 5, cy + 5, WithAlpha(Black, 90),
            Disc(Px(cx) + 6, Px(cy) + 6, r8));
  Dome(p, cx, cy, r8, SilverLight, SilverDark);
  const int arm = r8 * 6 / 10;
  const Rgba groove{70, 70, 74};
  FillShape(p, cx - 4, cy - 4, cx + 5, cy + 5, groove,
            Capsule({Px(cx) - arm, Px(cy)}, {Px(cx) + arm, Px(cy)}, 4));
  FillShape(p, cx - 4, cy - 4, cx + 5, cy + 5, groove,
            Capsule({Px(cx), Px(cy) - arm}, {Px(cx), Px(cy) + arm}, 4));
}

// A small lit lamp with a soft halo.
void Lamp(Picture& p, int cx, int cy, Rgba glow, Rgba core) {
  for (int r = 5; r >= 2; --r) {
    FillShape(p, cx - 6, cy - 6, cx + 7, cy + 7, WithAlpha(glow, 40 + (5 - r) * 15),
              Disc(Px(cx), Px(cy), Px(r)));
  }
  FillShape(p, cx - 3, cy - 3, cx + 4, cy + 4, Black, Disc(Px(cx), Px(cy), 15));
  FillShape(p, cx - 3, cy - 3, cx + 4, cy + 4, glow, Disc(Px(cx), Px(cy), 12));
  FillShape(p, cx - 3, cy - 3, cx + 4, cy + 4, core, Disc(Px(cx) - 3, Px(cy) - 3, 5));
}

// Optical drive: a bezel with the tray's seam, an eject button, a lamp and a headphone jack.
void OpticalDrive(Picture& p, int x0, int y0, int x1, int y1) {
  RaisedPart(p, x0, y0, x1, y1, Bezel, PlasticLight, PlasticDark);
  FillRect(p, x0 + 4, y0 + 8, x1 - 4, y0 + 9, Shade(PlasticDark, -20));
  FillRect(p, x0 + 4, y0 + 9, x1 - 4, y0 + 10, PlasticLight);
  RaisedPart(p, x1 - 18, y1 - 9, x1 - 6, y1 - 4, Shade(Bezel, -8), PlasticLight, PlasticDark);
  FillRect(p, x0 + 6, y1 - 8, x0 + 10, y1 - 6, Rgba{70, 110, 60});
  FillShape(p, x0 + 12, y1 - 10, x0 + 20, y1 - 3, SlotDark, Disc(Px(x0 + 16), Px(y1 - 7), 14));
}

// A blank bay cover with three shallow grooves.
void BlankBay(Picture& p, int x0, int y0, int x1, int y1) {
  RaisedPart(p, x0, y0, x1, y1, Bezel, PlasticLight, PlasticDark);
  for (int i = 0; i < 3; ++i) {
    const int y = y0 + 7 + i * 5;
    FillRect(p, x0 + 8, y, x1 - 8, y + 1, Shade(Bezel, -22));
    FillRect(p, x0 + 8, y + 1, x1 - 8, y + 2, Shade(Bezel, 16));
  }
}

// Floppy drive: slot with its metal shutter, eject button and activity lamp.
void FloppyDrive(Picture& p, int x0, int y0, int x1, int y1) {
  RaisedPart(p, x0, y0, x1, y1, Shade(Bezel, -6), PlasticLight, PlasticDark);
  Slot(p, x0 + 8, y0 + 6, x1 - 8, y0 + 10, PlasticLight);
  FillRect(p, x0 + 20, y0 + 7, x0 + 40, y0 + 9, Rgba{96, 96, 100});
  RaisedPart(p, x1 - 16, y1 - 7, x1 - 7, y1 - 3, Shade(Bezel, -12), PlasticLight, PlasticDark);
  FillRect(p, x0 + 8, y1 - 6, x0 + 14, y1 - 4, Rgba{60, 96, 56});
}

// The power button: a round key in a sunken ring, with the power symbol on it.
void PowerButton(Picture& p, int cx, int cy) {
  FillShapeWith(p, cx - 16, cy - 16, cx + 17, cy + 17, Disc(Px(cx), Px(cy), Px(15)),
                [=](int x, int y) {
                  return Mix(PlasticDark, PlasticLight, 128 + ((x - cx) + (y - cy)) * 5);
                });
  FillShapeWith(p, cx - 14, cy - 14, cx + 15, cy + 15, Disc(Px(cx), Px(cy), Px(12)),
                [=](int x, int y) {
                  return Mix(PlasticLight, Shade(Bezel, -10), 128 + ((x - cx) + (y - cy)) * 6);
                });
  const Rgba symbol{96, 150, 88};
  const Shape gap = RoundRect(Px(cx) - 20, Px(cy) - Px(8), Px(cx) + 20, Px(cy), 0);
  FillShape(p, cx - 8, cy - 8, cx + 9, cy + 9, symbol, Minus(Ring(Px(cx), Px(cy), 36, 48), gap));
  FillShape(p, cx - 8, cy - 8, cx + 9, cy + 9, symbol,
            Capsule({Px(cx), Px(cy) - 54}, {Px(cx), Px(cy) - 16}, 6));
}

// The maker's badge: a silver plate with a band of four colours.
void Badge(Picture& p, int x0, int y0, int x1, int y1) {
  FillShapeWith(p, x0, y0, x1, y1, RoundRect(Px(x0), Px(y0), Px(x1), Px(y1), 16), [=](int, int y) {
    return Mix(SilverLight, SilverDark, (y - y0) * 256 / (y1 - y0));
  });
  const Rgba band[4] = {{208, 64, 56}, {232, 184, 48}, {72, 160, 72}, {56, 104, 196}};
  const int w = (x1 - x0 - 8) / 4;
  for (int i = 0; i < 4; ++i) {
    FillRect(p, x0 + 4 + i * w, y0 + 3, x0 + 4 + (i + 1) * w, y1 - 3, band[i]);
  }
}

// The air intake: a recessed panel of horizontal slots.
void FrontGrille(Picture& p, int x0, int y0, int x1, int y1) {
  FillShape(p, x0, y0, x1, y1, Shade(PlasticBottom, -14),
            RoundRect(Px(x0), Px(y0), Px(x1), Px(y1), Px(6)));
  FillShape(p, x0, y0, x1, y0 + 3, WithAlpha(PlasticDark, 180),
            Minus(RoundRect(Px(x0), Px(y0), Px(x1), Px(y1), Px(6)),
                  RoundRect(Px(x0), Px(y0) + 12, Px(x1), Px(y1), Px(6))));
  for (int y = y0 + 6; y + 3 < y1 - 4; y += 6) {
    Slot(p, x0 + 8, y, x1 - 8, y + 3, PlasticLight);
  }
}

// The bezel curves back at its sides: darken a band along the left and right edges.
void RoundedSides(Picture& p, int x0, int x1, int band) {
  for (int y = 0; y < FaceSize; ++y) {
    for (int i = 0; i < band; ++i) {
      const int d = (band - i) * (band - i) * 24 / (band * band);
      p.At(x0 + i, y) = Shade(p.At(x0 + i, y), -d / 2);
      p.At(x1 - 1 - i, y) = Shade(p.At(x1 - 1 - i, y), -d);
    }
  }
}

void DrawFront(Picture& p) {
  Surface(p, 0, 0, EndWidth, FaceSize, PlasticTop, PlasticBottom, FrontSeed);
  RoundedSides(p, 0, EndWidth, 10);
  // The top lip and the plinth.
  FillRect(p, 0, 0, EndWidth, 9, Shade(PlasticTop, 8));
  FillRect(p, 0, 9, EndWidth, 10, PlasticDark);
  FillRect(p, 0, 242, EndWidth, FaceSize, Shade(PlasticBottom, -28));
  FillRect(p, 0, 242, EndWidth, 243, PlasticLight);
  Bevel(p, 0, 0, EndWidth, FaceSize, PlasticLight, PlasticDark, 2);

  // Drive bays in their recessed frame.
  Recess(p, 10, 15, 118, 100, Shade(PlasticBottom, -18), PlasticLight, PlasticDark);
  OpticalDrive(p, 13, 18, 115, 43);
  BlankBay(p, 13, 46, 115, 71);
  FloppyDrive(p, 26, 76, 102, 96);

  // Controls: power key, reset key and the two lamps.
  PowerButton(p, 64, 124);
  Recess(p, 56, 143, 72, 150, PlasticDark, PlasticLight, Shade(PlasticDark, -30));
  RaisedPart(p, 58, 144, 70, 149, Bezel, PlasticLight, PlasticDark);
  Lamp(p, 40, 146, Rgba{80, 230, 90}, Rgba{220, 255, 220});
  Lamp(p, 88, 146, Rgba{250, 170, 40}, Rgba{255, 240, 200});

  Badge(p, 46, 160, 82, 170);
  FrontGrille(p, 14, 178, 114, 236);
}

// Power supply: a grey box with its fan grille, mains socket, switch and vents.
void PowerSupply(Picture& p, int x0, int y0, int x1, int y1) {
  FillRect(p, x0, y0, x1, y1, Rgba{150, 152, 156});
  AddGrain(p, x0, y0, x1, y1, 4, BackSeed + 5);
  Bevel(p, x0, y0, x1, y1, SilverLight, SilverDark);
  Screw(p, x0 + 5, y0 + 5, 18);
  Screw(p, x1 - 5, y0 + 5, 18);
  Screw(p, x0 + 5, y1 - 5, 18);
  Screw(p, x1 - 5, y1 - 5, 18);

  // Fan: dark blades behind rings of wire and two struts.
  const int cx = x0 + 36;
  const int cy = (y0 + y1) / 2;
  FillShape(p, cx - 30, cy - 30, cx + 31, cy + 31, Rgba{34, 34, 36}, Disc(Px(cx), Px(cy), Px(28)));
  for (int blade = 0; blade < 7; ++blade) {
    const int s = blade * 64 / 7;
    const SubPoint tip{Px(cx) + Cos64(s) * Px(24) / 4096, Px(cy) + Sin64(s) * Px(24) / 4096};
    const SubPoint mid{Px(cx) + Cos64(s + 5) * Px(12) / 4096,
                       Px(cy) + Sin64(s + 5) * Px(12) / 4096};
    FillShape(p, cx - 28, cy - 28, cx + 29, cy + 29, Rgba{58, 58, 62},
              Polygon({{Px(cx), Px(cy)}, mid, tip}));
  }
  FillShape(p, cx - 8, cy - 8, cx + 9, cy + 9, Rgba{70, 70, 74}, Disc(Px(cx), Px(cy), Px(7)));
  for (int r = 6; r <= 26; r += 5) {
    FillShape(p, cx - 28, cy - 28, cx + 29, cy + 29, Rgba{200, 202, 206},
              Ring(Px(cx), Px(cy), Px(r) - 5, Px(r) + 5));
  }
  FillShape(p, cx - 28, cy - 28, cx + 29, cy + 29, Rgba{200, 202, 206},
            Capsule({Px(cx - 27), Px(cy)}, {Px(cx + 27), Px(cy)}, 6));
  FillShape(p, cx - 28, cy - 28, cx + 29, cy + 29, Rgba{200, 202, 206},
            Capsule({Px(cx), Px(cy - 27)}, {Px(cx), Px(cy + 27)}, 6));

  // Mains socket with its three pins, and the rocker switch.
  const int sx = x1 - 32;
  FillShape(p, sx, y0 + 10, sx + 22, y0 + 28, Black,
            RoundRect(Px(sx), Px(y0 + 10), Px(sx + 22), Px(y0 + 28), 24));
  FillShape(p, sx + 3, y0 + 13, sx + 19, y0 + 25, Rgba{18, 18, 18},
            Polygon({{Px(sx + 3), Px(y0 + 13)},
                     {Px(sx + 19), Px(y0 + 13)},
                     {Px(sx + 19), Px(y0 + 21)},
                     {Px(sx + 15), Px(y0 + 25)},
                     {Px(sx + 7), Px(y0 + 25)},
                     {Px(sx + 3), Px(y0 + 21)}}));
  for (int i = 0; i < 3; ++i) {
    const int px = sx + 6 + i * 4 + (i == 1 ? 1 : 0);
    const int py = y0 + (i == 1 ? 20 : 16);
    FillRect(p, px, py, px + 2, py + 3, Silver);
  }
  RaisedPart(p, sx + 4, y0 + 34, sx + 18, y0 + 48, Black, Rgba{90, 90, 90}, Rgba{16, 16, 16});
  FillRect(p, sx + 6, y0 + 36, sx + 16, y0 + 41, Rgba{176, 40, 36});

  // Vent holes beside the fan.
  for (int y = y0 + 56; y < y1 - 8; y += 5) {
    for (int x = sx; x < x1 - 8; x += 5) {
      FillShape(p, x - 2, y - 2, x + 3, y + 3, SlotDark, Disc(Px(x), Px(y), 14));
    }
  }
}

// A D-sub connector: a coloured shell around a dark trapezoid.
void DSub(Picture& p, int x0, int y0, int x1, int y1, Rgba shell) {
  RaisedPart(p, x0, y0, x1, y1, shell, Shade(shell, 40), Shade(shell, -50));
  FillShape(p, x0 + 2, y0 + 2, x1 - 2, y1 - 2, SlotDark,
            Polygon({{Px(x0 + 2), Px(y0 + 2)},
                     {Px(x1 - 2), Px(y0 + 2)},
                     {Px(x1 - 4), Px(y1 - 2)},
                     {Px(x0 + 4), Px(y1 - 2)}}));
  for (int x = x0 + 4; x < x1 - 4; x += 3) {
    FillRect(p, x, y0 + 4, x + 1, y0 + 5, Silver);
  }
}

// Round socket such as a keyboard, mouse or audio jack.
void RoundSocket(Picture& p, int cx, int cy, int r8, Rgba colour) {
  FillShape(p, cx - 6, cy - 6, cx + 7, cy + 7, colour, Disc(Px(cx), Px(cy), r8));
  FillShape(p, cx - 6, cy - 6, cx + 7, cy + 7, Shade(colour, 50), Ring(Px(cx), Px(cy), r8 - 6, r8));
  FillShape(p, cx - 6, cy - 6, cx + 7, cy + 7, SlotDark, Disc(Px(cx), Px(cy), r8 / 2));
}

// The motherboard's port shield, stood upright.
void PortShield(Picture& p, int x0, int y0, int x1, int y1) {
  Recess(p, x0, y0, x1, y1, Rgba{198, 200, 204}, SilverLight, SilverDark);
  AddGrain(p, x0 + 1, y0 + 1, x1 - 1, y1 - 1, 3, BackSeed + 9);
  const int cx = (x0 + x1) / 2;
  RoundSocket(p, cx, y0 + 10, 40, Rgba{120, 80, 168});  // keyboard
  RoundSocket(p, cx, y0 + 24, 40, Rgba{80, 160, 80});   // mouse
  for (int i = 0; i < 2; ++i) {                         // USB
    const int y = y0 + 34 + i * 9;
    FillRect(p, cx - 8, y, cx + 8, y + 6, SlotDark);
    FillRect(p, cx - 6, y + 1, cx + 6, y + 3, Rgba{220, 220, 220});
  }
  DSub(p, cx - 12, y0 + 56, cx + 12, y0 + 65, Rgba{40, 130, 140});  // serial
  DSub(p, cx - 14, y0 + 70, cx + 14, y0 + 79, Rgba{48, 72, 168});   // monitor
  RoundSocket(p, cx - 11, y0 + 88, 22, Rgba{150, 210, 60});         // line out
  RoundSocket(p, cx, y0 + 88, 22, Rgba{230, 120, 170});             // microphone
  RoundSocket(p, cx + 11, y0 + 88, 22, Rgba{100, 170, 220});        // line in
  FillRect(p, cx - 8, y0 + 97, cx + 8, y0 + 110, SlotDark);         // network
  FillRect(p, cx - 3, y0 + 108, cx + 3, y0 + 110, Rgba{198, 200, 204});
  FillRect(p, cx - 7, y0 + 98, cx - 4, y0 + 100, Rgba{90, 220, 90});
  FillRect(p, cx + 4, y0 + 98, cx + 7, y0 + 100, Rgba{240, 170, 40});
}

// The rear fan behind a grille of round holes, held by four screws.
void RearFan(Picture& p, int cx, int cy) {
  FillShape(p, cx - 30, cy - 30, cx + 31, cy + 31, Shade(SteelBottom, -22),
            Ring(Px(cx), Px(cy), Px(27), Px(29)));
  for (int y = cy - 26; y <= cy + 26; y += 5) {
    const int shift = ((y - cy + 26) / 5) % 2 == 0 ? 0 : 2;
    for (int x = cx - 26 + shift; x <= cx + 26; x += 5) {
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > 25 * 25) {
        continue;
      }
      FillShape(p, x - 3, y - 3, x + 4, y + 4, SteelLight, Disc(Px(x) + 3, Px(y) + 3, 15));
      FillShape(p, x - 3, y - 3, x + 4, y + 4, Rgba{26, 26, 28}, Disc(Px(x), Px(y), 15));
    }
  }
  Screw(p, cx - 28, cy - 28, 16);
  Screw(p, cx + 28, cy - 28, 16);
  Screw(p, cx - 28, cy + 28, 16);
  Screw(p, cx + 28, cy + 28, 16);
}

// Expansion slot covers; the third holds a graphics card's bracket.
void ExpansionSlots(Picture& p, int x0, int y0, int x1, int count) {
  for (int i = 0; i < count; ++i) {
    const int y = y0 + i * 10;
    const bool card = i == 2;
    RaisedPart(p, x0, y, x1, y + 8, card ? Rgba{170, 172, 178} : Rgba{182, 178, 164}, SteelLight,
               SteelDark);
    Screw(p, x0 + 5, y + 4, 14);
    if (card) {
      DSub(p, x0 + 14, y + 1, x0 + 30, y + 7, Rgba{48, 72, 168});
      FillRect(p, x0 + 36, y + 2, x0 + 58, y + 6, Rgba{236, 236, 232});
      FillRect(p, x0 + 38, y + 3, x0 + 56, y + 5, SlotDark);
    } else {
      Slot(p, x0 + 14, y + 3, x1 - 6, y + 5, SteelLight);
    }
  }
}

void DrawBack(Picture& p) {
  Surface(p, BackX, 0, BackX + EndWidth, FaceSize, SteelTop, SteelBottom, BackSeed);
  FillRect(p, BackX, 242, BackX + EndWidth, FaceSize, Shade(SteelBottom, -30));
  FillRect(p, BackX, 242, BackX + EndWidth, 243, SteelLight);
  Bevel(p, BackX, 0, BackX + EndWidth, FaceSize, SteelLight, SteelDark, 2);

  PowerSupply(p, BackX + 6, 6, BackX + 122, 84);
  PortShield(p, BackX + 8, 92, BackX + 50, 206);
  RearFan(p, BackX + 89, 124);
  ExpansionSlots(p, BackX + 56, 162, BackX + 122, 7);
  for (int x = BackX + 12; x < BackX + 48; x += 6) {
    Slot(p, x, 212, x + 3, 236, SteelLight);
  }
}

// The side panel's perforated vent over the processor.
void PerforatedVent(Picture& p, int cx, int cy, int radius) {
  FillShape(p, cx - radius - 4, cy - radius - 4, cx + radius + 5, cy + radius + 5,
            Shade(SteelTop, -16), Ring(Px(cx), Px(cy), Px(radius), Px(radius + 3)));
  FillShape(p, cx - radius - 4, cy - radius - 4, cx + radius + 5, cy + radius + 5,
            Shade(SteelTop, 14), Ring(Px(cx), Px(cy), Px(radius + 3), Px(radius + 4)));
  for (int row = 0, y = cy - radius + 3; y <= cy + radius - 3; ++row, y += 6) {
    for (int x = cx - radius + 3 + (row % 2) * 3; x <= cx + radius - 3; x += 6) {
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > (radius - 3) * (radius - 3)) {
        continue;
      }
      FillShape(p, x - 3, y - 3, x + 4, y + 4, SteelLight, Disc(Px(x) + 4, Px(y) + 4, 17));
      FillShape(p, x - 3, y - 3, x + 4, y + 4, Rgba{32, 30, 28}, Disc(Px(x), Px(y), 17));
    }
  }
}

// A knurled thumbscrew holding the panel.
void ThumbScrew(Picture& p, int cx, int cy) {
  FillShape(p, cx - 8, cy - 8, cx + 9, cy + 9, WithAlpha(Black, 80),
            Disc(Px(cx) + 10, Px(cy) + 10, Px(6)));
  Dome(p, cx, cy, Px(6), SilverLight, SilverDark);
  for (int s = 0; s < 64; s += 4) {
    const SubPoint a{Px(cx) + Cos64(s) * Px(5) / 4096, Px(cy) + Sin64(s) * Px(5) / 4096};
    const SubPoint b{Px(cx) + Cos64(s) * Px(6) / 4096, Px(cy) + Sin64(s) * Px(6) / 4096};
    FillShape(p, cx - 7, cy - 7, cx + 8, cy + 8, SilverDark, Capsule(a, b, 3));
  }
  FillShape(p, cx - 4, cy - 4, cx + 5, cy + 5, Shade(Silver, 10), Disc(Px(cx), Px(cy), Px(3)));
}

// The maker's label with a bar code.
void Label(Picture& p, int x0, int y0, int x1, int y1) {
  FillRect(p, x0 + 1, y0 + 1, x1 + 1, y1 + 1, WithAlpha(Black, 60));
  FillRect(p, x0, y0, x1, y1, Rgba{242, 240, 230});
  FillRect(p, x0, y0, x1, y0 + 6, Rgba{56, 96, 176});
  for (int i = 0; i < 3; ++i) {
    FillRect(p, x0 + 3, y0 + 9 + i * 3, x0 + 3 + (i == 1 ? 20 : 30), y0 + 10 + i * 3,
             Rgba{150, 150, 150});
  }
  Rng rng(SideSeed);
  for (int x = x0 + 3; x < x1 - 4;) {
    const int w = rng.Range(1, 2);
    FillRect(p, x, y1 - 10, x + w, y1 - 3, Rgba{30, 30, 30});
    x += w + rng.Range(1, 2);
  }
}

}  // namespace

Picture DrawCaseEnds() {
  Picture p(FaceSize, FaceSize, Clear);
  DrawFront(p);
  DrawBack(p);
  return p;
}

Picture DrawCaseSide() {
  Picture p(FaceSize, FaceSize, Clear);
  Surface(p, 0, 0, FaceSize, FaceSize, SteelTop, SteelBottom, SideSeed);
  // A broad soft sheen across the panel.
  for (int y = 0; y < FaceSize; ++y) {
    for (int x = 0; x < FaceSize; ++x) {
      const int d = (x + y - 200) < 0 ? -(x + y - 200) : (x + y - 200);
      if (d < 120) {
        p.At(x, y) = Shade(p.At(x, y), (120 - d) / 16);
      }
    }
  }
  // The panel's folded rim and its pressed-in border line.
  Bevel(p, 0, 0, FaceSize, FaceSize, SteelLight, SteelDark, 3);
  Bevel(p, 12, 12, FaceSize - 12, FaceSize - 12, SteelDark, SteelLight);
  Bevel(p, 13, 13, FaceSize - 13, FaceSize - 13, SteelLight, Shade(SteelDark, 30));

  PerforatedVent(p, 84, 82, 44);
  for (int i = 0; i < 6; ++i) {
    Slot(p, 160, 174 + i * 9, 228, 177 + i * 9, SteelLight);
  }
  Label(p, 30, 192, 84, 228);
  ThumbScrew(p, 8, 22);
  ThumbScrew(p, 8, 234);
  return p;
}
