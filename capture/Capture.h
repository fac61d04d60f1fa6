// Module Capture: grabbing a window into a picture, with the library-wide
// trimming deltas and clipboard flag.
#pragma once

#include <cstdint>

#include "com/com_ptr.h"
#include "com/picture.h"
#include "windows.h"

namespace Capture {

// Trimming deltas in pixels, library-wide; 0 at load and whenever a
// cls_Capture is created.
extern int32_t dx_Left;
extern int32_t dy_Top;
extern int32_t dx_Right;
extern int32_t dy_Bottom;
// A copy of the grabbing instance's CopyCaptureToClipboard.
extern bool g_bCopyToClipboard;

// Pumps the thread's messages (1001 passes), then copies the window (its
// client area when clientOnly) into a new bitmap, trimmed by the deltas;
// -1 for left, top, width or height derives it from the window. On a
// palette screen the picture gets a palette of the system's 256 entries.
// With the clipboard flag set, a copy of the bitmap goes to the clipboard.
// Null when no picture can be made (for one, from a handle that is not a
// window).
kestrel::ComPtr<IPictureDisp> GrabWindowImage(HWND window, bool clientOnly, int32_t left, int32_t top,
                                              int32_t width, int32_t height);

// A picture that owns bitmap and palette (0 for none). Null when it cannot be
// made; the handles are then deleted, since nothing else owns them.
kestrel::ComPtr<IPictureDisp> PictureFromBitmap(HBITMAP bitmap, HPALETTE palette);

}  // namespace Capture
