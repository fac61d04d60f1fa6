// Icons and the pixel work shared by icons and image lists.
#pragma once

#include <memory>
#include <span>

#include "kestrel/icon_pixels.h"

namespace kestrel::resources {

struct Icon {
  IconPixels pixels;
  bool shared = false;
};

std::shared_ptr<const Icon> IconOf(HICON icon);

// The image scaled to width x height with cairo's smooth filtering; the mask
// follows the scaled coverage.
IconPixels Scaled(const IconPixels& image, int width, int height);

// Bits per pixel of the screen: 32, or 8 when machine.conf says "screen = 8".
int ScreenBits();

}  // namespace kestrel::resources
