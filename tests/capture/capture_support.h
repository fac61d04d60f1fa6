// What the capture tests share: the pixels of a picture, and the screen a
// single pattern window makes.
#pragma once

#include <vector>

#include "com/com.h"
#include "com/picture.h"
#include "pattern_window.h"

namespace kestrel::test {

struct PicturePixels {
  int width = 0, height = 0, bpp = 0;
  std::vector<COLORREF> pixels;  // top-down
  COLORREF at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The picture's bitmap read back; width 0 for no picture.
PicturePixels PixelsOf(IUnknown* picture);

// The bitmap of a picture.
HBITMAP BitmapOf(IUnknown* picture);

// What the screen shows with one pattern window at rect over the desktop.
COLORREF ScreenWith(const RECT& rect, BYTE base, int x, int y);

}  // namespace kestrel::test
