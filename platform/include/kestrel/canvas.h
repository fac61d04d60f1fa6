// Drawing text and shapes into a device context with cairo: a Canvas is a
// cairo context over the pixels behind a DC (a memory DC's bitmap, a
// window's backing store, clipped to the client area for a client DC), in
// the DC's coordinates, with DejaVu Sans as its font.
//
// Over an 8-bit bitmap or store, drawing happens in 32 bits and each pixel
// is mapped to its nearest system palette entry when the Canvas ends. A
// Canvas covers at most the first 32767 rows of a bitmap. GDI is locked
// while a Canvas lives: finish drawing before calling other threads.
#pragma once

#include <cairo.h>

#include <memory>

#include "windows.h"

namespace kestrel::gdi {

class Canvas {
 public:
  explicit Canvas(HDC hdc);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Null when hdc is no DC (or its window is gone).
  cairo_t* cr() const;
  explicit operator bool() const { return cr() != nullptr; }

  // Fills a rectangle with a colour (0x00BBGGRR, as COLORREF).
  void FillRect(int left, int top, int right, int bottom, COLORREF color);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kestrel::gdi
