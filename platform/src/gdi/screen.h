// The simulated screen: its format, the system palette, the windows' backing
// stores and the composition of what the screen shows.
#pragma once

#include <cstdint>
#include <vector>

#include "gdi/objects.h"

namespace kestrel::gdi::screen {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
// Colours (0x00RRGGBB) of the desktop, of a window's client area before it
// paints, and of frames and captions: all static palette colours.
constexpr uint32_t kDesktopColor = 0x008080;
constexpr uint32_t kWindowColor = 0xFFFFFF;
constexpr uint32_t kFrameColor = 0xC0C0C0;
constexpr uint32_t kCaptionColor = 0x000080;

// 32 or 8 bits per pixel, from the machine folder's "screen" setting.
int Depth();
inline bool HasPalette() { return Depth() == 8; }

// The 256 entries of the system palette and the 20 static ones of the
// default palette (entries 0-9 and 246-255 of the system palette).
const std::vector<PALETTEENTRY>& SystemPalette();
const std::vector<PALETTEENTRY>& StaticColors();
// A 32-bit pixel (0x00RRGGBB) of a palette index, and the index nearest to a pixel.
uint32_t PixelOfIndex(uint8_t index);
uint8_t NearestIndex(uint32_t pixel);

inline uint32_t PixelOfColor(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
inline COLORREF ColorOfPixel(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

// Where a window lies: its whole rectangle and its client area, in screen
// coordinates. False for a handle that is not a window. NULL and the
// desktop window are the screen.
bool Locate(HWND window, Box* whole, Box* client);
// The window's 32-bit backing store at the window's current size; nullptr
// for a non-window. A new (or resized) store is the desktop's colour for the
// desktop, otherwise white with the window's frame and caption drawn.
Pixels* Store(HWND window);
// Composes what the screen shows inside area (screen coordinates, within
// the screen) into 32-bit rows of out: the desktop, then this process's
// visible windows from the bottom of the z-order up, each child over its
// parent and clipped to the parent's client area.
void Compose(const Box& area, uint32_t* out, size_t outStridePixels);

}  // namespace kestrel::gdi::screen
