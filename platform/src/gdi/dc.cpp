// Device contexts, bitmaps, objects, BitBlt and pixels.
#include <algorithm>
#include <cstring>
#include <new>

#include "gdi/objects.h"
#include "gdi/screen.h"
#include "gdi/surface.h"

namespace kestrel::gdi {

namespace {

HDC NewWindowDC(HWND window, DC::Kind kind) {
  std::lock_guard lock(Lock());
  Box whole, client;
  if (window && !screen::Locate(window, &whole, &client)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  auto dc = std::make_unique<DC>();
  dc->kind = window ? kind : DC::Kind::Screen;
  dc->window = window;
  dc->palette = DefaultPalette();
  ++FindAs<Palette>(dc->palette)->selections;
  return static_cast<HDC>(Add(std::move(dc)));
}

void Unselect(DC* dc) {
  if (Bitmap* b = FindAs<Bitmap>(dc->bitmap); b && !b->stock) b->selected_in = nullptr;
  if (Palette* p = FindAs<Palette>(dc->palette)) --p->selections;
}

}  // namespace

int DepthOf(DC* dc) {
  if (dc->kind == DC::Kind::Memory) {
    if (Bitmap* b = FindAs<Bitmap>(dc->bitmap)) return b->pixels.bpp();
  }
  return screen::Depth();
}

bool TargetOf(DC* dc, Target* out) {
  if (dc->kind == DC::Kind::Memory) {
    Bitmap* b = FindAs<Bitmap>(dc->bitmap);
    if (!b) return false;
    *out = Target{&b->pixels, 0, 0, b->pixels.bounds()};
    return true;
  }
  Box whole, client;
  HWND window = dc->kind == DC::Kind::Screen ? nullptr : dc->window;
  if (!screen::Locate(window, &whole, &client)) return false;
  Pixels* store = screen::Store(window);
  if (!store) return false;
  out->pixels = store;
  out->clip = store->bounds();
  out->dx = out->dy = 0;
  if (dc->kind == DC::Kind::Client) {
    out->dx = client.left - whole.left;
    out->dy = client.top - whole.top;
    out->clip = client.Offset(-whole.left, -whole.top).Intersect(store->bounds());
  }
  return true;
}

void CopyRow(const uint8_t* src, int srcBpp, uint8_t* dst, int dstBpp, int n) {
  if (srcBpp == dstBpp) {
    std::memmove(dst, src, static_cast<size_t>(n) * (srcBpp / 8));
  } else if (srcBpp == 8) {
    uint32_t* d = reinterpret_cast<uint32_t*>(dst);
    for (int i = 0; i < n; ++i) d[i] = screen::PixelOfIndex(src[i]);
  } else {
    const uint32_t* s = reinterpret_cast<const uint32_t*>(src);
    uint32_t last = ~0u;
    uint8_t index = 0;
    for (int i = 0; i < n; ++i) {
      uint32_t p = s[i] & 0xFFFFFF;
      if (p != last) index = screen::NearestIndex(p), last = p;
      dst[i] = index;
    }
  }
}

bool Read(DC* dc, const Box& area, Pixels* out, Box* read) {
  int bytes = out->bpp() / 8;
  if (dc->kind == DC::Kind::Memory) {
    Bitmap* b = FindAs<Bitmap>(dc->bitmap);
    if (!b) return false;
    Box inside = area.Intersect(b->pixels.bounds());
    *read = inside.Offset(-area.left, -area.top);
    for (int y = inside.top; y < inside.bottom; ++y)
      CopyRow(b->pixels.row(y) + static_cast<size_t>(inside.left) * (b->pixels.bpp() / 8), b->pixels.bpp(),
              out->row(y - area.top) + static_cast<size_t>(read->left) * bytes, out->bpp(), inside.width());
    return true;
  }
  Box whole, client;
  HWND window = dc->kind == DC::Kind::Screen ? nullptr : dc->window;
  if (!screen::Locate(window, &whole, &client)) return false;
  const Box& origin = dc->kind == DC::Kind::Client ? client : whole;
  Box on_screen = area.Offset(origin.left, origin.top);
  Box visible = on_screen.Intersect(Box{0, 0, screen::kWidth, screen::kHeight});
  out->Fill(out->bounds(), 0);
  *read = out->bounds();
  if (visible.empty()) return true;
  std::vector<uint32_t> composed(static_cast<size_t>(visible.width()) * visible.height());
  screen::Compose(visible, composed.data(), visible.width());
  for (int y = visible.top; y < visible.bottom; ++y)
    CopyRow(reinterpret_cast<const uint8_t*>(composed.data() + static_cast<size_t>(y - visible.top) * visible.width()),
            32, out->row(y - on_screen.top) + static_cast<size_t>(visible.left - on_screen.left) * bytes, out->bpp(),
            visible.width());
  return true;
}

}  // namespace kestrel::gdi

using namespace kestrel::gdi;

extern "C" {

HDC WINAPI GetDC(HWND window) { return NewWindowDC(window, DC::Kind::Client); }
HDC WINAPI GetWindowDC(HWND window) { return NewWindowDC(window, DC::Kind::Window); }

int WINAPI ReleaseDC(HWND window, HDC hdc) {
  std::lock_guard lock(Lock());
  DC* dc = FindAs<DC>(hdc);
  if (!dc || dc->kind == DC::Kind::Memory || (dc->kind != DC::Kind::Screen && dc->window != window)) return 0;
  Unselect(dc);
  Remove(hdc);
  return 1;
}

HDC WINAPI CreateCompatibleDC(HDC hdc) {
  std::lock_guard lock(Lock());
  if (hdc && !FindAs<DC>(hdc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto dc = std::make_unique<DC>();
  dc->kind = DC::Kind::Memory;
  dc->bitmap = StockBitmap(screen::Depth());
  dc->palette = DefaultPalette();
  ++FindAs<Palette>(dc->palette)->selections;
  return static_cast<HDC>(Add(std::move(dc)));
}

BOOL WINAPI DeleteDC(HDC hdc) {
  std::lock_guard lock(Lock());
  DC* dc = FindAs<DC>(hdc);
  if (!dc || dc->kind != DC::Kind::Memory) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Unselect(dc);
  Remove(hdc);
  return TRUE;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int width, int height) {
  std::lock_guard lock(Lock());
  DC* dc = FindAs<DC>(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  int bpp = DepthOf(dc);
  uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * (bpp / 8);
  if (width <= 0 || height <= 0 || bytes > (1ull << 31)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto bitmap = std::make_unique<Bitmap>();
  try {
    bitmap->pixels = Pixels(width, height, bpp);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return static_cast<HBITMAP>(Add(std::move(bitmap)));
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ object) {
  std::lock_guard lock(Lock());
  DC* dc = FindAs<DC>(hdc);
  Object* o = Find(object);
  if (!dc || !o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Palettes go through SelectPalette, as on the real platform.
  auto* b = dynamic_cast<Bitmap*>(o);
  if (!b || dc->kind != DC::Kind::Memory) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (dc->bitmap == object) return object;
  if (!b->stock && b->selected_in) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HGDIOBJ previous = dc->bitmap;
  if (Bitmap* old = FindAs<Bitmap>(previous); old && !old->stock) old->selected_in = nullptr;
  if (!b->stock) b->selected_in = hdc;
  dc->bitmap = static_cast<HBITMAP>(object);
  return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
  std::lock_guard lock(Lock());
  Object* o = Find(object);
  if (!o || o->stock || dynamic_cast<DC*>(o)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (auto* b = dynamic_cast<Bitmap*>(o); b && b->selected_in) return FALSE;
  if (auto* p = dynamic_cast<Palette*>(o); p && p->selections > 0) return FALSE;
  Remove(object);
  return TRUE;
}

int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
  std::lock_guard lock(Lock());
  Object* o = Find(object);
  if (auto* b = dynamic_cast<Bitmap*>(o)) {
    if (!buffer) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP bm{};
    bm.bmWidth = b->pixels.width();
    bm.bmHeight = b->pixels.height();
    bm.bmWidthBytes = ((b->pixels.width() * b->pixels.bpp() + 15) / 16) * 2;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<WORD>(b->pixels.bpp());
    std::memcpy(buffer, &bm, sizeof bm);
    return sizeof bm;
  }
  if (auto* p = dynamic_cast<Palette*>(o)) {
    if (!buffer) return sizeof(WORD);
    if (size < static_cast<int>(sizeof(WORD))) return 0;
    WORD count = static_cast<WORD>(p->entries.size());
    std::memcpy(buffer, &count, sizeof count);
    return sizeof count;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

DWORD WINAPI GetObjectType(HGDIOBJ object) {
  std::lock_guard lock(Lock());
  Object* o = Find(object);
  if (!o) SetLastError(ERROR_INVALID_HANDLE);
  return o ? o->type() : 0;
}

HGDIOBJ WINAPI GetStockObject(int index) { return index == DEFAULT_PALETTE ? DefaultPalette() : nullptr; }

BOOL WINAPI BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                   DWORD rop) {
  std::lock_guard lock(Lock());
  DC* dst = FindAs<DC>(destination);
  DC* src = rop == SRCCOPY ? FindAs<DC>(source) : nullptr;
  if (!dst || (rop == SRCCOPY && !src)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (rop != SRCCOPY && rop != BLACKNESS && rop != WHITENESS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Target target;
  if (!TargetOf(dst, &target)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (width <= 0 || height <= 0) return TRUE;
  // The destination area in pixel coordinates, and the source area that maps onto it.
  Box area = Box{x, y, x + width, y + height}.Offset(target.dx, target.dy).Intersect(target.clip);
  if (area.empty()) return TRUE;
  Pixels& pixels = *target.pixels;
  int bytes = pixels.bpp() / 8;
  if (rop != SRCCOPY) {
    uint32_t white = pixels.bpp() == 8 ? 255u : 0xFFFFFFu;
    pixels.Fill(area, rop == WHITENESS ? white : 0u);
    return TRUE;
  }
  Box from = area.Offset(sourceX - x - target.dx, sourceY - y - target.dy);
  Pixels buffer;
  try {
    buffer = Pixels(area.width(), area.height(), pixels.bpp());
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  Box read;
  if (!Read(src, from, &buffer, &read)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  for (int row = read.top; row < read.bottom; ++row)
    std::memcpy(pixels.row(area.top + row) + static_cast<size_t>(area.left + read.left) * bytes,
                buffer.row(row) + static_cast<size_t>(read.left) * bytes, static_cast<size_t>(read.width()) * bytes);
  return TRUE;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
  std::lock_guard lock(Lock());
  DC* dc = FindAs<DC>(hdc);
  if (!dc) return CLR_INVALID;
  Pixels one(1, 1, 32);
  Box read;
  if (!Read(dc, Box{x, y, x + 1, y + 1}, &one, &read) || read.empty()) return CLR_INVALID;
  uint32_t p = *reinterpret_cast<uint32_t*>(one.row(0));
  if (DepthOf(dc) == 8) p = screen::PixelOfIndex(screen::NearestIndex(p));
  return screen::ColorOfPixel(p);
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
  std::lock_guard lock(Lock());
  DC* dc = FindAs<DC>(hdc);
  Target target;
  if (!dc || !TargetOf(dc, &target)) return static_cast<COLORREF>(-1);
  int px = x + target.dx, py = y + target.dy;
  if (px < target.clip.left || py < target.clip.top || px >= target.clip.right || py >= target.clip.bottom)
    return static_cast<COLORREF>(-1);
  uint32_t pixel = screen::PixelOfColor(color);
  if (target.pixels->bpp() == 8) {
    uint8_t index = screen::NearestIndex(pixel);
    target.pixels->row(py)[px] = index;
    return screen::ColorOfPixel(screen::PixelOfIndex(index));
  }
  reinterpret_cast<uint32_t*>(target.pixels->row(py))[px] = pixel;
  return color & 0xFFFFFF;
}

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
  if (!paint) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  *paint = PAINTSTRUCT{};
  GetUpdateRect(window, &paint->rcPaint, FALSE);
  ValidateRect(window, nullptr);
  paint->hdc = GetDC(window);
  return paint->hdc;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint) {
  if (paint && paint->hdc) ReleaseDC(window, paint->hdc);
  return TRUE;
}

DWORD WINAPI GetSysColor(int index) {
  switch (index) {
    case COLOR_DESKTOP: return screen::ColorOfPixel(screen::kDesktopColor);
    case COLOR_ACTIVECAPTION:
    case COLOR_HIGHLIGHT: return screen::ColorOfPixel(screen::kCaptionColor);
    case COLOR_WINDOW:
    case COLOR_CAPTIONTEXT:
    case COLOR_HIGHLIGHTTEXT:
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME:
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_ACTIVEBORDER:
    case COLOR_BTNFACE: return screen::ColorOfPixel(screen::kFrameColor);
    case COLOR_BTNSHADOW:
    case COLOR_GRAYTEXT: return RGB(128, 128, 128);
    default: return 0;
  }
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
  std::lock_guard lock(Lock());
  if (!FindAs<DC>(hdc)) return 0;
  bool palette = screen::HasPalette();
  switch (index) {
    case HORZRES: return screen::kWidth;
    case VERTRES: return screen::kHeight;
    case BITSPIXEL: return screen::Depth();
    case PLANES: return 1;
    case NUMCOLORS: return palette ? 20 : -1;
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | (palette ? RC_PALETTE : 0);
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE: return palette ? 256 : 0;
    case NUMRESERVED: return palette ? 20 : 0;
    default: return 0;
  }
}

}  // extern "C"
