// Writing a bitmap as a BMP file, as saving a bitmap picture does: in the
// bitmap's own depth, with a colour table at 8 bits (the system palette, whose
// indices an 8-bit bitmap holds), a 14-byte file header and a 40-byte info
// header, rows bottom-up, each padded to 4 bytes; the reserved byte of 32-bit
// pixels is 0.
#pragma once

#include <string>

#include "windows.h"

namespace kestrel::gdi {

// Writes bitmap to the file at windowsPath, replacing it. Returns
// ERROR_SUCCESS or the Win32 error code of what failed; a failed write
// removes the partial file.
DWORD WriteBitmapFile(HBITMAP bitmap, const std::string& windowsPath);

}  // namespace kestrel::gdi
