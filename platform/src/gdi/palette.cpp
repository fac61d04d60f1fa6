// Logical palettes and the system palette.
#include <algorithm>
#include <cstring>

#include "gdi/objects.h"
#include "gdi/screen.h"

using namespace kestrel::gdi;

extern "C" {

HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto p = std::make_unique<Palette>();
  p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  return static_cast<HPALETTE>(Add(std::move(p)));
}

HPALETTE WINAPI SelectPalette(HDC hdc, HPALETTE palette, BOOL) {
  std::lock_guard lock(Lock());
  DC* dc = FindAs<DC>(hdc);
  Palette* p = FindAs<Palette>(palette);
  if (!dc || !p) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HPALETTE previous = dc->palette;
  if (Palette* old = FindAs<Palette>(previous)) --old->selections;
  ++p->selections;
  dc->palette = palette;
  return previous;
}

UINT WINAPI RealizePalette(HDC hdc) {
  std::lock_guard lock(Lock());
  DC* dc = FindAs<DC>(hdc);
  Palette* p = dc ? FindAs<Palette>(dc->palette) : nullptr;
  if (!p) {
    SetLastError(ERROR_INVALID_HANDLE);
    return GDI_ERROR;
  }
  return static_cast<UINT>(p->entries.size());
}

UINT WINAPI GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries) {
  std::lock_guard lock(Lock());
  if (!FindAs<DC>(hdc) || !screen::HasPalette()) return 0;
  const auto& system = screen::SystemPalette();
  if (!entries) return static_cast<UINT>(system.size());
  if (start >= system.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(system.size()) - start);
  std::memcpy(entries, system.data() + start, n * sizeof(PALETTEENTRY));
  return n;
}

UINT WINAPI GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  std::lock_guard lock(Lock());
  Palette* p = FindAs<Palette>(palette);
  if (!p) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!entries) return static_cast<UINT>(p->entries.size());
  if (start >= p->entries.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(p->entries.size()) - start);
  std::memcpy(entries, p->entries.data() + start, n * sizeof(PALETTEENTRY));
  return n;
}

}  // extern "C"
