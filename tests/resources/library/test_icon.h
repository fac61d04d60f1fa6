// The pixels of the test library's icon 200, known to the program that
// writes it and to the tests that read it back.
#pragma once

#include <cstdint>
#include <vector>

namespace kestrel::test_icon {

struct Image {
  int size;
  int bits;  // 4 and 8: indices into kestrel::palette tables; 32: BGRA
};

// In the order of the icon's directory.
inline const std::vector<Image>& Images() {
  static const std::vector<Image> images = {{16, 4}, {32, 4}, {16, 8}, {48, 8}, {16, 32}};
  return images;
}

inline bool Transparent(int x, int y) { return x == y; }
inline int Index(const Image& image, int x, int y) {
  return image.bits == 4 ? (x * 3 + y) % 16 : (x * 7 + y * 5) % 256;
}
// 32-bit images: straight 0xAARRGGBB, alpha 0, 128 or 255 by column.
inline uint32_t Argb(int x, int y) {
  static const uint32_t alpha[3] = {0x00, 0x80, 0xFF};
  return alpha[x % 3] << 24 | 0xFF8000u | static_cast<uint32_t>(y);
}

}  // namespace kestrel::test_icon
