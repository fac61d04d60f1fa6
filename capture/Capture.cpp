#include "Capture.h"

#include <cstdlib>
#include <vector>

namespace Capture {

int32_t dx_Left = 0;
int32_t dy_Top = 0;
int32_t dx_Right = 0;
int32_t dy_Bottom = 0;
bool g_bCopyToClipboard = false;

namespace {

// Each pass dispatches what is waiting, so that pending paints are done.
void ProcessMessages() {
  MSG msg;
  for (int pass = 0; pass <= 1000; ++pass) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

// A bitmap of its own with the same pixels, for the clipboard.
HBITMAP CopyOf(HDC source, HDC memory, int32_t width, int32_t height) {
  HBITMAP copy = CreateCompatibleBitmap(source, width, height);
  HDC target = CreateCompatibleDC(source);
  if (copy && target) {
    HGDIOBJ previous = SelectObject(target, copy);
    BitBlt(target, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(target, previous);
  }
  if (target) DeleteDC(target);
  return copy;
}

void PutOnClipboard(HWND owner, HDC source, HDC memory, int32_t width, int32_t height) {
  HBITMAP copy = CopyOf(source, memory, width, height);
  bool given = false;
  if (OpenClipboard(owner)) {
    EmptyClipboard();
    given = copy && SetClipboardData(CF_BITMAP, copy) != nullptr;
    CloseClipboard();
  }
  if (!given && copy) DeleteObject(copy);
}

}  // namespace

kestrel::ComPtr<IPictureDisp> GrabWindowImage(HWND window, bool clientOnly, int32_t left, int32_t top,
                                              int32_t width, int32_t height) {
  ProcessMessages();

  RECT rect{0, 0, 0, 0};
  HDC source;
  if (clientOnly) {
    source = GetDC(window);
    GetClientRect(window, &rect);
  } else {
    source = GetWindowDC(window);
    GetWindowRect(window, &rect);
  }

  if (left == -1) left = std::abs(rect.left);
  if (top == -1) top = std::abs(rect.top);
  if (width == -1) width = rect.right - dx_Right - left;
  if (height == -1) height = rect.bottom - dy_Bottom - top;
  left += dx_Left;
  top += dy_Top;
  width -= dx_Right;
  height -= dy_Bottom;

  HDC memory = CreateCompatibleDC(source);
  HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);

  HPALETTE palette = nullptr, previous_palette = nullptr;
  if ((GetDeviceCaps(source, RASTERCAPS) & RC_PALETTE) && GetDeviceCaps(source, SIZEPALETTE) == 256) {
    std::vector<BYTE> buffer(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = 256;
    GetSystemPaletteEntries(source, 0, 256, logical->palPalEntry);
    palette = CreatePalette(logical);
    previous_palette = SelectPalette(memory, palette, FALSE);
    RealizePalette(memory);
  }

  int32_t x = (rect.left < 0 ? left : 0) + dx_Left;
  int32_t y = (rect.top < 0 ? top : 0) + dy_Top;
  BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
  if (previous) SelectObject(memory, previous);

  if (g_bCopyToClipboard) {
    // The clipboard owns what it is given and the picture owns the grab,
    // so the clipboard gets a bitmap of its own.
    HGDIOBJ selected = SelectObject(memory, bitmap);
    PutOnClipboard(window, source, memory, width, height);
    if (selected) SelectObject(memory, selected);
  }

  if (palette) palette = SelectPalette(memory, previous_palette, FALSE);
  DeleteDC(memory);
  ReleaseDC(window, source);
  return PictureFromBitmap(bitmap, palette);
}

kestrel::ComPtr<IPictureDisp> PictureFromBitmap(HBITMAP bitmap, HPALETTE palette) {
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_BITMAP;
  desc.bmp.hbitmap = bitmap;
  desc.bmp.hpal = palette;
  kestrel::ComPtr<IDispatch> picture;
  OleCreatePictureIndirect(&desc, IID_IDispatch, TRUE, picture.put_void());
  kestrel::ComPtr<IPictureDisp> result = picture.As<IPictureDisp>();
  if (!result) {
    if (bitmap) DeleteObject(bitmap);
    if (palette) DeleteObject(palette);
  }
  return result;
}

}  // namespace Capture
