#include "Strip.h"

#include <cairo.h>

#include <vector>

namespace iehost {

namespace {

constexpr int kArrowWidth = 14;  // the toolbar's arrow part

}  // namespace

std::vector<StripButton> ReadStrip(HWND strip) {
  std::vector<StripButton> buttons;
  const LRESULT count = SendMessageA(strip, TB_BUTTONCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    TBBUTTON record{};
    if (!SendMessageA(strip, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&record))) continue;
    StripButton b;
    b.id = record.idCommand;
    b.separator = record.fsStyle & TBSTYLE_SEP;
    b.dropDown = (record.fsStyle & TBSTYLE_DROPDOWN) &&
                 (SendMessageA(strip, TB_GETEXTENDEDSTYLE, 0, 0) & TBSTYLE_EX_DRAWDDARROWS);
    b.pressed = record.fsState & TBSTATE_PRESSED;
    SendMessageA(strip, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&b.rect));
    if (!b.separator) {
      const LRESULT length = SendMessageA(strip, TB_GETBUTTONTEXTW, record.idCommand, 0);
      if (length > 0) {
        std::u16string text(static_cast<size_t>(length) + 1, u'\0');
        SendMessageA(strip, TB_GETBUTTONTEXTW, record.idCommand, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        b.text = text.substr(std::min(text.find_first_not_of(u' '), text.size()));
      }
    }
    buttons.push_back(std::move(b));
  }
  return buttons;
}

std::u16string DescribeStrip(const std::vector<StripButton>& buttons) {
  std::u16string line;
  for (const StripButton& b : buttons) {
    if (!line.empty()) line += u' ';
    if (b.separator) {
      line += u'|';
      continue;
    }
    const std::string id = std::to_string(b.id);
    line += u"[" + b.text + u" " + std::u16string(id.begin(), id.end()) + (b.pressed ? u" pressed" : u"") + u"]";
  }
  return line;
}

void ClickButton(HWND strip, const StripButton& b, bool onArrow) {
  const int bodyRight = b.dropDown ? b.rect.right - kArrowWidth : b.rect.right;
  const int x = onArrow ? b.rect.right - kArrowWidth / 2 : (b.rect.left + bodyRight) / 2;
  const int y = (b.rect.top + b.rect.bottom) / 2;
  SendMessageA(strip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageA(strip, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

bool WriteScreenshot(const std::string& path, int* width, int* height) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  bool ok = false;
  if (memory && bitmap) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    ok = ok && GetDIBits(memory, bitmap, 0, h, pixels.data(), &info, DIB_RGB_COLORS) == h;
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!ok) return false;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                 CAIRO_FORMAT_RGB24, w, h, w * 4);
  ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  *width = w;
  *height = h;
  return ok;
}

}  // namespace iehost
