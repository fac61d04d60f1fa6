#include "capture_support.h"

namespace kestrel::test {

HBITMAP BitmapOf(IUnknown* picture) {
  kestrel::ComPtr<IPicture> p;
  OLE_HANDLE handle = 0;
  if (!picture || FAILED(picture->QueryInterface(IID_IPicture, p.put_void())) || FAILED(p->get_Handle(&handle)))
    return nullptr;
  return reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(handle));
}

PicturePixels PixelsOf(IUnknown* picture) {
  PicturePixels out;
  HBITMAP bitmap = BitmapOf(picture);
  BITMAP bm{};
  if (!bitmap || GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return out;
  out.width = bm.bmWidth;
  out.height = bm.bmHeight;
  out.bpp = bm.bmBitsPixel;
  std::vector<uint32_t> bits(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, bm.bmHeight, bits.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (uint32_t p : bits) out.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  return out;
}

COLORREF ScreenWith(const RECT& r, BYTE base, int x, int y) {
  if (x < 0 || y < 0 || x >= 1024 || y >= 768) return RGB(0, 0, 0);
  if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return PatternPixel(x - r.left, y - r.top, base);
  return RGB(0, 128, 128);  // the desktop
}

}  // namespace kestrel::test
