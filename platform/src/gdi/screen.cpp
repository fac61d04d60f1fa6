#include "gdi/screen.h"

#include <atomic>
#include <map>
#include <unordered_map>

#include "kestrel/machine.h"

namespace kestrel::gdi::screen {

namespace {

PALETTEENTRY Entry(int r, int g, int b) {
  return PALETTEENTRY{static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b), 0};
}

std::vector<PALETTEENTRY> MakeStatic() {
  return {Entry(0, 0, 0),       Entry(128, 0, 0),     Entry(0, 128, 0),     Entry(128, 128, 0),
          Entry(0, 0, 128),     Entry(128, 0, 128),   Entry(0, 128, 128),   Entry(192, 192, 192),
          Entry(192, 220, 192), Entry(166, 202, 240), Entry(255, 251, 240), Entry(160, 160, 164),
          Entry(128, 128, 128), Entry(255, 0, 0),     Entry(0, 255, 0),     Entry(255, 255, 0),
          Entry(0, 0, 255),     Entry(255, 0, 255),   Entry(0, 255, 255),   Entry(255, 255, 255)};
}

// 10 static colours, a 6 x 6 x 6 cube without the colours the static ones
// already have, a ramp of greys, 10 static colours: 256 distinct entries.
std::vector<PALETTEENTRY> MakeSystem() {
  std::vector<PALETTEENTRY> statics = MakeStatic();
  std::vector<PALETTEENTRY> all(statics.begin(), statics.begin() + 10);
  auto known = [&](const PALETTEENTRY& e) {
    for (const auto& s : statics)
      if (s.peRed == e.peRed && s.peGreen == e.peGreen && s.peBlue == e.peBlue) return true;
    return false;
  };
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) {
        PALETTEENTRY e = Entry(r * 51, g * 51, b * 51);
        if (!known(e)) all.push_back(e);
      }
  for (int level = 8; all.size() < 246; level += 8)
    if (level != 128 && level != 192) all.push_back(Entry(level, level, level));
  all.insert(all.end(), statics.begin() + 10, statics.end());
  return all;
}

struct Stores {
  std::map<HWND, Pixels> by_window;
};

Stores& stores() {
  static Stores s;
  return s;
}

}  // namespace

int Depth() {
  static std::atomic<unsigned> generation{~0u};
  static std::atomic<int> depth{32};
  unsigned now = machine::Generation();
  if (generation.load() != now) {
    depth = machine::Setting("screen", "32") == "8" ? 8 : 32;
    generation = now;
  }
  return depth;
}

const std::vector<PALETTEENTRY>& SystemPalette() {
  static const std::vector<PALETTEENTRY> palette = MakeSystem();
  return palette;
}

const std::vector<PALETTEENTRY>& StaticColors() {
  static const std::vector<PALETTEENTRY> colors = MakeStatic();
  return colors;
}

uint32_t PixelOfIndex(uint8_t index) {
  const PALETTEENTRY& e = SystemPalette()[index];
  return (uint32_t(e.peRed) << 16) | (uint32_t(e.peGreen) << 8) | e.peBlue;
}

uint8_t NearestIndex(uint32_t pixel) {
  pixel &= 0xFFFFFF;
  std::lock_guard lock(Lock());
  static std::unordered_map<uint32_t, uint8_t> cache;
  if (auto it = cache.find(pixel); it != cache.end()) return it->second;
  const auto& palette = SystemPalette();
  int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
  int best = 0, best_distance = 1 << 30;
  for (int i = 0; i < 256; ++i) {
    int dr = r - palette[i].peRed, dg = g - palette[i].peGreen, db = b - palette[i].peBlue;
    int d = dr * dr + dg * dg + db * db;
    if (d < best_distance) best = i, best_distance = d;
  }
  if (cache.size() > 65536) cache.clear();
  return cache[pixel] = static_cast<uint8_t>(best);
}

bool Locate(HWND window, Box* whole, Box* client) {
  if (window != nullptr) return false;
  *whole = *client = Box{0, 0, kWidth, kHeight};
  return true;
}

Pixels* Store(HWND window) {
  Box whole, client;
  if (!Locate(window, &whole, &client)) return nullptr;
  auto& map = stores().by_window;
  auto it = map.find(window);
  uint32_t fill = window == nullptr ? kDesktopColor : 0xFFFFFF;
  if (it == map.end()) {
    it = map.emplace(window, Pixels(whole.width(), whole.height(), 32)).first;
    it->second.Fill(it->second.bounds(), fill);
  } else {
    it->second.Resize(whole.width(), whole.height(), fill);
  }
  return &it->second;
}

void Compose(const Box& area, uint32_t* out, size_t outStride) {
  Pixels* desktop = Store(nullptr);
  for (int y = area.top; y < area.bottom; ++y) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(desktop->row(y)) + area.left;
    std::copy(src, src + area.width(), out + outStride * static_cast<size_t>(y - area.top));
  }
}

}  // namespace kestrel::gdi::screen
