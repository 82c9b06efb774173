// The game's icon as its window shows it: drawn by tools/make_icon when the game is built and
// compiled in, so no file is read for it at start-up.
#pragma once

struct WindowIconImage {
  int Size;                     // side in pixels
  const unsigned char* Pixels;  // Size * Size pixels of R, G, B, A (straight alpha), top row first
};

extern const WindowIconImage WindowIcons[];
extern const int WindowIconCount;
