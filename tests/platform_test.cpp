// The platform's pure arithmetic, with its private header.

#include <gtest/gtest.h>

#include <array>

#include "Picture.h"

// Window pixels (x, y) of a window w x h and the picture pixels they show: at 1.8x the picture
// fills 240..1679 of 1920x1080, its edge pixels map in, the bars out; at 2x two window pixels a
// picture pixel; at 1x one; a minimised window shows nothing.
TEST(Picture, WindowPixelsMapToThePicturePixelsTheyShow) {
  EXPECT_EQ(FitPicture(0, 0, 800, 600).Width, 0);
  const std::array<int, 6> cases[] = {
      {1920, 1080, 239, 540, -1, 300}, {1920, 1080, 240, 540, 0, 300},
      {1920, 1080, 1679, 0, 799, 0},   {1920, 1080, 1680, 0, 800, 0},
      {1920, 1080, 960, -1, 400, -1},  {1600, 1200, 1, 1, 0, 0},
      {1600, 1200, 2, 3, 1, 1},        {1600, 1200, 1599, 1199, 799, 599},
      {1000, 600, 99, 0, -1, 0},       {1000, 600, 100, 599, 0, 599},
      {800, 600, 799, 0, 799, 0}};
  for (auto [w, h, x, y, pictureX, pictureY] : cases) {
    int px = 0, py = 0;
    FrameToPicture(FitPicture(w, h, 800, 600), h, 800, 600, x, y, px, py);
    EXPECT_EQ(std::pair(px, py), std::pair(pictureX, pictureY))
        << w << "x" << h << " " << x << "," << y;
  }
}
