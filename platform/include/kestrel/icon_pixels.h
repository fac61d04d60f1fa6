// The pixels of icons and of image-list images, for painting them with cairo.
#pragma once

#include <cstdint>
#include <vector>

#include "win32/imagelist.h"
#include "win32/resources.h"

namespace kestrel {

struct IconPixels {
  int width = 0;
  int height = 0;
  // An icon: the depth of the image it was made from (4, 8, 24, 32, ...);
  // an image-list image: the depth the list keeps.
  int bits = 0;
  // width x height, top row first, in cairo's CAIRO_FORMAT_ARGB32 layout
  // (premultiplied 0xAARRGGBB); transparent pixels are 0.
  std::vector<uint32_t> argb;
  // width x height, 1 where the pixel is transparent (alpha below half).
  std::vector<uint8_t> mask;
};

// False for an unknown handle or index; out is then untouched.
bool GetIconPixels(HICON icon, IconPixels* out);
bool GetImageListPixels(HIMAGELIST list, int index, IconPixels* out);

}  // namespace kestrel
