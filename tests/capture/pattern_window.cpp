#include "pattern_window.h"

#include <vector>

#include "kestrel/canvas.h"

namespace kestrel::test {

namespace {

constexpr char kClass[] = "KestrelPatternWindow";

LRESULT CALLBACK PatternProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
  BYTE base = static_cast<BYTE>(GetWindowLongPtrA(window, GWLP_USERDATA) & 0xFF);
  SetPropA(window, "paints", reinterpret_cast<HANDLE>(reinterpret_cast<uintptr_t>(GetPropA(window, "paints")) + 1));
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  // The pattern as an image, painted through cairo.
  int width = client.right, height = client.bottom;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      COLORREF c = PatternPixel(x, y, base);
      pixels[static_cast<size_t>(y) * width + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
  {
    kestrel::gdi::Canvas canvas(hdc);
    cairo_surface_t* image = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                 CAIRO_FORMAT_RGB24, width, height, width * 4);
    cairo_set_source_surface(canvas.cr(), image, 0, 0);
    cairo_paint(canvas.cr());
    cairo_surface_destroy(image);
  }
  EndPaint(window, &ps);
  return 0;
}

void RegisterOnce() {
  static bool done = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PatternProc;
    wc.lpszClassName = kClass;
    return RegisterClassA(&wc) != 0;
  }();
  (void)done;
}

}  // namespace

PatternWindow::PatternWindow(RECT r, BYTE base, DWORD style, const char* title) {
  RegisterOnce();
  hwnd_ = CreateWindowExA(0, kClass, title, style & ~WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                          nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, base);
  if (style & WS_VISIBLE) ShowWindow(hwnd_, SW_SHOW);
  PumpMessages();
}

PatternWindow::~PatternWindow() { DestroyWindow(hwnd_); }

int PatternWindow::paints() const { return static_cast<int>(reinterpret_cast<uintptr_t>(GetPropA(hwnd_, "paints"))); }

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace kestrel::test
