// Device-independent bits: GetDIBits and SetDIBits.
#include <cstring>

#include "gdi/objects.h"
#include "gdi/screen.h"
#include "gdi/surface.h"

using namespace kestrel::gdi;

namespace {

size_t DibStride(int width, int bpp) { return ((static_cast<size_t>(width) * bpp + 31) / 32) * 4; }

// The bitmap row for a DIB scan line.
int RowOf(int scan, int height, bool bottomUp) { return bottomUp ? height - 1 - scan : scan; }

void ToDib(const uint8_t* row, int bpp, uint8_t* out, int outBpp, int width) {
  if (bpp == 32) {
    const uint32_t* in = reinterpret_cast<const uint32_t*>(row);
    if (outBpp == 32) {
      uint32_t* o = reinterpret_cast<uint32_t*>(out);
      for (int i = 0; i < width; ++i) o[i] = in[i] & 0xFFFFFF;
    } else if (outBpp == 24) {
      // Two pixels at a time, each pair stored as 8 bytes of which the next
      // pair overwrites the last 2; the scalar tail keeps within the row.
      int i = 0;
      for (; i + 3 <= width; i += 2, out += 6) {
        uint64_t pair;
        std::memcpy(&pair, in + i, sizeof pair);
        pair = (pair & 0xFFFFFF) | ((pair >> 8) & 0xFFFFFF000000ull);
        std::memcpy(out, &pair, sizeof pair);
      }
      for (; i < width; ++i, out += 3) {
        uint32_t p = in[i];
        out[0] = static_cast<uint8_t>(p);
        out[1] = static_cast<uint8_t>(p >> 8);
        out[2] = static_cast<uint8_t>(p >> 16);
      }
    } else {
      CopyRow(row, 32, out, 8, width);
    }
    return;
  }
  if (outBpp == 8) {
    std::memcpy(out, row, static_cast<size_t>(width));
    return;
  }
  for (int i = 0; i < width; ++i) {
    uint32_t pixel = screen::PixelOfIndex(row[i]);
    if (outBpp == 24) {
      out[3 * i] = pixel & 0xFF;
      out[3 * i + 1] = (pixel >> 8) & 0xFF;
      out[3 * i + 2] = (pixel >> 16) & 0xFF;
    } else {
      reinterpret_cast<uint32_t*>(out)[i] = pixel;
    }
  }
}

void FromDib(const uint8_t* in, int inBpp, const RGBQUAD* table, int colors, uint8_t* row, int bpp, int width) {
  for (int i = 0; i < width; ++i) {
    uint32_t pixel;
    if (inBpp == 8) {
      const RGBQUAD& q = table[in[i] < colors ? in[i] : 0];
      pixel = (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
    } else if (inBpp == 24) {
      pixel = (uint32_t(in[3 * i + 2]) << 16) | (uint32_t(in[3 * i + 1]) << 8) | in[3 * i];
    } else {
      pixel = reinterpret_cast<const uint32_t*>(in)[i] & 0xFFFFFF;
    }
    if (bpp == 8)
      row[i] = screen::NearestIndex(pixel);
    else
      reinterpret_cast<uint32_t*>(row)[i] = pixel;
  }
}

bool Supported(WORD bits) { return bits == 8 || bits == 24 || bits == 32; }

}  // namespace

extern "C" {

int WINAPI GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage) {
  std::lock_guard lock(Lock());
  Bitmap* b = FindAs<Bitmap>(bitmap);
  if (!FindAs<DC>(hdc) || !b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BITMAPINFOHEADER& h = info->bmiHeader;
  const Pixels& px = b->pixels;
  if (h.biBitCount == 0 && !bits) {
    h.biWidth = px.width();
    h.biHeight = px.height();
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(px.bpp());
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(DibStride(px.width(), px.bpp()) * px.height());
    return 1;
  }
  int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (!Supported(h.biBitCount) || h.biCompression != BI_RGB || h.biWidth != px.width() || height != px.height()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  h.biSizeImage = static_cast<DWORD>(DibStride(px.width(), h.biBitCount) * height);
  if (h.biBitCount == 8) {
    const auto& palette = screen::SystemPalette();
    for (int i = 0; i < 256; ++i)
      info->bmiColors[i] = RGBQUAD{palette[i].peBlue, palette[i].peGreen, palette[i].peRed, 0};
  }
  if (!bits) return 1;
  if (start >= static_cast<UINT>(height)) return 0;
  UINT n = std::min<UINT>(lines, static_cast<UINT>(height) - start);
  size_t stride = DibStride(px.width(), h.biBitCount);
  // The bitmap's rows are read top to bottom whatever the order of the DIB:
  // memory read backwards row by row is read far more slowly.
  const bool bottomUp = h.biHeight > 0;
  for (UINT k = 0; k < n; ++k) {
    UINT i = bottomUp ? n - 1 - k : k;
    uint8_t* out = static_cast<uint8_t*>(bits) + stride * i;
    ToDib(px.row(RowOf(static_cast<int>(start + i), height, bottomUp)), px.bpp(), out, h.biBitCount, px.width());
    size_t used = static_cast<size_t>(px.width()) * (h.biBitCount / 8);
    std::memset(out + used, 0, stride - used);
  }
  return static_cast<int>(n);
}

int WINAPI SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPCVOID bits, const BITMAPINFO* info,
                     UINT usage) {
  std::lock_guard lock(Lock());
  Bitmap* b = FindAs<Bitmap>(bitmap);
  if (!b || (hdc && !FindAs<DC>(hdc))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!info || !bits || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  Pixels& px = b->pixels;
  int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (!Supported(h.biBitCount) || h.biCompression != BI_RGB || h.biWidth != px.width() || height != px.height()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (start >= static_cast<UINT>(height)) return 0;
  UINT n = std::min<UINT>(lines, static_cast<UINT>(height) - start);
  size_t stride = DibStride(px.width(), h.biBitCount);
  int colors = h.biClrUsed && h.biClrUsed < 256 ? static_cast<int>(h.biClrUsed) : 256;
  for (UINT i = 0; i < n; ++i)
    FromDib(static_cast<const uint8_t*>(bits) + stride * i, h.biBitCount, info->bmiColors, colors,
            px.row(RowOf(static_cast<int>(start + i), height, h.biHeight > 0)), px.bpp(), px.width());
  return static_cast<int>(n);
}

}  // extern "C"
