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

struct ScreenDC {
  HDC hdc = GetDC(nullptr);
  ~ScreenDC() { ReleaseDC(nullptr, hdc); }
};

}  // namespace

DWORD WriteBitmap(HBITMAP bitmap, const std::function<bool(const void*, size_t)>& sink) {
  BITMAP bm{};
  if (GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return ERROR_INVALID_HANDLE;
  ScreenDC screen;
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
  if (!GetDIBits(screen.hdc, bitmap, 0, 0, nullptr, bmi, DIB_RGB_COLORS)) return ERROR_INVALID_HANDLE;

  size_t colors = bm.bmBitsPixel <= 8 ? (size_t{1} << bm.bmBitsPixel) : 0;
  size_t stride = ((static_cast<size_t>(bm.bmWidth) * bm.bmBitsPixel + 31) / 32) * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = static_cast<DWORD>(sizeof file + sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD));
  file.bfSize = static_cast<DWORD>(file.bfOffBits + stride * bm.bmHeight);

  auto put = [&](const void* data, size_t size) {
    SetLastError(ERROR_SUCCESS);
    return sink(data, size);
  };
  auto failed = [] { return GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT; };
  if (!put(&file, sizeof file) || !put(&info.header, sizeof info.header) ||
      (colors && !put(info.colors, colors * sizeof(RGBQUAD))))
    return failed();

  // Rows go out in bands, bottom band first, so that a tall bitmap needs no
  // second copy of itself.
  const UINT band = static_cast<UINT>(std::max<size_t>(1, (4u << 20) / stride));
  std::vector<uint8_t> rows(stride * band);
  for (UINT start = 0; start < static_cast<UINT>(bm.bmHeight); start += band) {
    int got = GetDIBits(screen.hdc, bitmap, start, band, rows.data(), bmi, DIB_RGB_COLORS);
    if (got <= 0) return ERROR_INVALID_HANDLE;
    if (!put(rows.data(), stride * static_cast<size_t>(got))) return failed();
  }
  return ERROR_SUCCESS;
}

DWORD WriteBitmapFile(HBITMAP bitmap, const std::string& windowsPath) {
  if (GetObjectType(bitmap) != OBJ_BITMAP) return ERROR_INVALID_HANDLE;
  std::string native = paths::ToNative(windowsPath).string();
  if (native.empty()) return ERROR_PATH_NOT_FOUND;
  std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(native.c_str(), "wb"), std::fclose);
  if (!out) return ErrorOf(errno);
  DWORD result = WriteBitmap(bitmap, [&](const void* data, size_t size) {
    if (std::fwrite(data, 1, size, out.get()) == size) return true;
    SetLastError(ErrorOf(errno));
    return false;
  });
  if (result == ERROR_SUCCESS && std::fclose(out.release()) != 0) result = ErrorOf(errno);
  if (result != ERROR_SUCCESS) {
    out.reset();
    std::remove(native.c_str());
  }
  return result;
}

}  // namespace kestrel::gdi
