#include "kestrel/bitmap_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "kestrel/paths.h"

namespace kestrel::gdi {

namespace {

DWORD ErrorOf(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOSPC: return 112;  // ERROR_DISK_FULL
    case EROFS: return ERROR_WRITE_PROTECT;
    case EISDIR:
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    default: return ERROR_WRITE_FAULT;
  }
}

struct DCOwner {
  HDC hdc = GetDC(nullptr);
  ~DCOwner() { ReleaseDC(nullptr, hdc); }
};

}  // namespace

DWORD WriteBitmapFile(HBITMAP bitmap, const std::string& windowsPath) {
  BITMAP bm{};
  if (GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return ERROR_INVALID_HANDLE;
  std::string native = paths::ToNative(windowsPath).string();
  if (native.empty()) return ERROR_PATH_NOT_FOUND;

  DCOwner screen;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = bm.bmWidth;
  info.header.biHeight = bm.bmHeight;
  info.header.biPlanes = 1;
  info.header.biBitCount = bm.bmBitsPixel;
  info.header.biCompression = BI_RGB;
  BITMAPINFO* bmi = reinterpret_cast<BITMAPINFO*>(&info);
  if (!GetDIBits(screen.hdc, bitmap, 0, 0, nullptr, bmi, DIB_RGB_COLORS)) return ERROR_INVALID_PARAMETER;

  size_t colors = bm.bmBitsPixel <= 8 ? (size_t{1} << bm.bmBitsPixel) : 0;
  size_t stride = ((static_cast<size_t>(bm.bmWidth) * bm.bmBitsPixel + 31) / 32) * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = static_cast<DWORD>(sizeof file + sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD));
  file.bfSize = static_cast<DWORD>(file.bfOffBits + stride * bm.bmHeight);

  std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(native.c_str(), "wb"), std::fclose);
  if (!out) return ErrorOf(errno);
  auto fail = [&](int e) {
    out.reset();
    std::remove(native.c_str());
    return ErrorOf(e);
  };
  if (std::fwrite(&file, sizeof file, 1, out.get()) != 1 ||
      std::fwrite(&info.header, sizeof info.header, 1, out.get()) != 1 ||
      (colors && std::fwrite(info.colors, sizeof(RGBQUAD), colors, out.get()) != colors))
    return fail(errno);

  // Rows go out in bands, bottom band first, so that a tall bitmap needs no
  // second copy of itself.
  const UINT band = static_cast<UINT>(std::max<size_t>(1, (4u << 20) / stride));
  std::vector<uint8_t> rows(stride * band);
  for (UINT start = 0; start < static_cast<UINT>(bm.bmHeight); start += band) {
    int got = GetDIBits(screen.hdc, bitmap, start, band, rows.data(), bmi, DIB_RGB_COLORS);
    if (got <= 0) return fail(EIO);
    if (std::fwrite(rows.data(), stride, static_cast<size_t>(got), out.get()) != static_cast<size_t>(got))
      return fail(errno);
  }
  if (std::fclose(out.release()) != 0) {
    int e = errno;
    std::remove(native.c_str());
    return ErrorOf(e);
  }
  return ERROR_SUCCESS;
}

}  // namespace kestrel::gdi
