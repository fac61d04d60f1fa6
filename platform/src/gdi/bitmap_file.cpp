#include "kestrel/bitmap_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
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

DWORD WriteBitmap(HBITMAP bitmap, const std::function<bool(const void*, size_t)>& sink, int bpp) {
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
  WORD bits = bpp == 24 ? 24 : bm.bmBitsPixel;
  info.header.biBitCount = bits;
  info.header.biCompression = BI_RGB;
  BITMAPINFO* bmi = reinterpret_cast<BITMAPINFO*>(&info);
  if (!GetDIBits(screen.hdc, bitmap, 0, 0, nullptr, bmi, DIB_RGB_COLORS)) return ERROR_INVALID_HANDLE;

  size_t colors = bits <= 8 ? (size_t{1} << bits) : 0;
  size_t stride = ((static_cast<size_t>(bm.bmWidth) * bits + 31) / 32) * 4;
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
  // second copy of itself. While the sink takes one band, the next one is
  // converted on another thread.
  const UINT height = static_cast<UINT>(bm.bmHeight);
  const UINT band = static_cast<UINT>(std::max<size_t>(1, (4u << 20) / stride));
  std::vector<uint8_t> rows[2];
  auto convert = [&](UINT start, int slot) {
    rows[slot].resize(stride * band);
    return GetDIBits(screen.hdc, bitmap, start, band, rows[slot].data(), bmi, DIB_RGB_COLORS);
  };
  bool overlap = height > band;
  std::future<int> next = std::async(overlap ? std::launch::async : std::launch::deferred, convert, 0, 0);
  for (UINT start = 0, slot = 0; start < height; start += band, slot ^= 1) {
    int got = next.get();
    if (start + band < height) next = std::async(std::launch::async, convert, start + band, slot ^ 1);
    bool ok = got > 0 && put(rows[slot].data(), stride * static_cast<size_t>(got));
    if (!ok) {
      if (next.valid()) next.wait();
      return got > 0 ? failed() : ERROR_INVALID_HANDLE;
    }
  }
  return ERROR_SUCCESS;
}

DWORD WriteBitmapFile(HBITMAP bitmap, const std::string& windowsPath, int bpp) {
  if (GetObjectType(bitmap) != OBJ_BITMAP) return ERROR_INVALID_HANDLE;
  std::string native = paths::ToNative(windowsPath).string();
  if (native.empty()) return ERROR_PATH_NOT_FOUND;
  // An empty file (a fresh temporary one) is not truncated: truncating makes
  // some file systems write the new contents out at once when it is closed.
  // Nor are its blocks reserved up front: a temporary file deleted before it
  // is written out then never reaches the disk.
  int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || (st.st_size > 0 && ::ftruncate(fd, 0) != 0)) {
    DWORD error = ErrorOf(errno);
    if (fd >= 0) ::close(fd);
    return error;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> out(::fdopen(fd, "wb"), std::fclose);
  if (!out) {
    DWORD error = ErrorOf(errno);
    ::close(fd);
    return error;
  }
  DWORD result = WriteBitmap(bitmap, [&](const void* data, size_t size) {
    if (std::fwrite(data, 1, size, out.get()) == size) return true;
    SetLastError(ErrorOf(errno));
    return false;
  }, bpp);
  if (result == ERROR_SUCCESS && std::fclose(out.release()) != 0) result = ErrorOf(errno);
  if (result != ERROR_SUCCESS) {
    out.reset();
    std::remove(native.c_str());
  }
  return result;
}

}  // namespace kestrel::gdi
