// The fixed colour tables of the stand-in, as 0xRRGGBB values: the sixteen
// standard colours of 4-bit images, and the 256-colour palette of 8-bit
// images and of the 8-bit screen (the twenty static colours at both ends, a
// 6 x 6 x 6 colour cube and a ramp of greys between them; every entry distinct).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestrel::palette {

inline constexpr std::array<uint32_t, 16> kSixteen = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// The twenty static colours: ten at the start of the palette, ten at its end.
inline constexpr std::array<uint32_t, 20> kStatic = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
    0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// Ten static colours, the 6 x 6 x 6 cube without the colours the static ones
// already have, greys up to 246 entries, the ten other static colours.
constexpr std::array<uint32_t, 256> MakeStandard() {
  std::array<uint32_t, 256> p{};
  auto is_static = [](uint32_t c) {
    for (uint32_t s : kStatic)
      if (s == c) return true;
    return false;
  };
  size_t n = 0;
  for (size_t i = 0; i < 10; ++i) p[n++] = kStatic[i];
  for (uint32_t r = 0; r < 6; ++r)
    for (uint32_t g = 0; g < 6; ++g)
      for (uint32_t b = 0; b < 6; ++b)
        if (uint32_t c = (r * 51) << 16 | (g * 51) << 8 | (b * 51); !is_static(c)) p[n++] = c;
  for (uint32_t level = 8; n < 246; level += 8)
    if (level != 128 && level != 192) p[n++] = level << 16 | level << 8 | level;
  for (size_t i = 10; i < 20; ++i) p[n++] = kStatic[i];
  return p;
}

inline constexpr std::array<uint32_t, 256> kStandard = MakeStandard();

// The index of the entry nearest to 0xRRGGBB (weighted distance, the first
// of equals).
template <size_t N>
constexpr size_t Nearest(const std::array<uint32_t, N>& table, uint32_t rgb) {
  auto channel = [](uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  size_t best = 0;
  long best_distance = -1;
  for (size_t i = 0; i < N; ++i) {
    long dr = channel(rgb, 16) - channel(table[i], 16);
    long dg = channel(rgb, 8) - channel(table[i], 8);
    long db = channel(rgb, 0) - channel(table[i], 0);
    long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (best_distance < 0 || d < best_distance) {
      best = i;
      best_distance = d;
    }
  }
  return best;
}

}  // namespace kestrel::palette
