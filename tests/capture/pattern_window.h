// Test windows that paint a known pattern: pixel (x, y) of the client area
// is PatternPixel(x, y, base), so that a copy shows where it came from.
#pragma once

#include "windows.h"

namespace kestrel::test {

constexpr COLORREF PatternPixel(int x, int y, BYTE base) { return RGB(x & 0xFF, y & 0xFF, base); }

class PatternWindow {
 public:
  // A window at rect (screen coordinates; for a framed style, the whole
  // window), shown and painted before the constructor returns.
  PatternWindow(RECT rect, BYTE base, DWORD style = WS_POPUP | WS_VISIBLE, const char* title = "Pattern");
  ~PatternWindow();
  PatternWindow(const PatternWindow&) = delete;
  PatternWindow& operator=(const PatternWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  int paints() const;

 private:
  HWND hwnd_;
};

// Dispatches what is waiting in this thread's queue.
void PumpMessages();

}  // namespace kestrel::test
