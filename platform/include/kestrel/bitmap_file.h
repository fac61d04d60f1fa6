// Writing a bitmap as a BMP file, as saving a bitmap picture does: in the
// bitmap's own depth, with a colour table at 8 bits (the system palette, whose
// indices an 8-bit bitmap holds), a 14-byte file header and a 40-byte info
// header, rows bottom-up, each padded to 4 bytes; the reserved byte of 32-bit
// pixels is 0.
#pragma once

#include <functional>
#include <string>

#include "windows.h"

namespace kestrel::gdi {

// Hands the BMP image of bitmap to sink piece by piece, in order; bpp 0 is
// the bitmap's own depth, 24 asks for 24-bit pixels instead. Returns
// ERROR_SUCCESS, ERROR_INVALID_HANDLE for a non-bitmap, or the error code the
// sink set (ERROR_WRITE_FAULT when it returned false without one).
DWORD WriteBitmap(HBITMAP bitmap, const std::function<bool(const void* data, size_t size)>& sink, int bpp = 0);

// Writes bitmap to the file at windowsPath, replacing it. Returns
// ERROR_SUCCESS or the Win32 error code of what failed; a failed write
// removes the partial file.
DWORD WriteBitmapFile(HBITMAP bitmap, const std::string& windowsPath, int bpp = 0);

}  // namespace kestrel::gdi
