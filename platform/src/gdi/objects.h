// The GDI object table: bitmaps, palettes and device contexts behind small
// handle numbers, shared by all threads of the process under one lock.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "windows.h"

namespace kestrel::gdi {

// A rectangle in some pixel space: left and top inside, right and bottom outside.
struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  Box Intersect(const Box& o) const;
  Box Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
};

// Rows of 8-bit system palette indices or 32-bit B, G, R, X pixels.
class Pixels {
 public:
  Pixels() = default;
  // All zero (black). Throws std::bad_alloc when the memory is not there.
  Pixels(int width, int height, int bpp);

  int width() const { return width_; }
  int height() const { return height_; }
  int bpp() const { return bpp_; }
  size_t stride() const { return stride_; }
  uint8_t* row(int y) { return data_.get() + stride_ * static_cast<size_t>(y); }
  const uint8_t* row(int y) const { return data_.get() + stride_ * static_cast<size_t>(y); }
  Box bounds() const { return {0, 0, width_, height_}; }
  // Grows or shrinks to the size, keeping the overlapping top-left part;
  // new pixels take fill (a 32-bit colour, or an index at 8 bits).
  void Resize(int width, int height, uint32_t fill);
  void Fill(const Box& box, uint32_t value);

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  int width_ = 0, height_ = 0, bpp_ = 32;
  size_t stride_ = 0;
  std::unique_ptr<uint8_t, Free> data_;
};

struct Object {
  virtual ~Object() = default;
  virtual DWORD type() const = 0;
  bool stock = false;
};

struct Bitmap : Object {
  DWORD type() const override { return OBJ_BITMAP; }
  Pixels pixels;
  HDC selected_in = nullptr;  // the memory DC it is selected into
};

struct Palette : Object {
  DWORD type() const override { return OBJ_PAL; }
  std::vector<PALETTEENTRY> entries;
  int selections = 0;  // DCs it is selected into
};

struct DC : Object {
  enum class Kind { Screen, Window, Client, Memory };
  DWORD type() const override { return kind == Kind::Memory ? OBJ_MEMDC : OBJ_DC; }
  Kind kind = Kind::Memory;
  HWND window = nullptr;  // Window and Client DCs
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
};

// The one lock over every GDI object, the screen and the window stores.
std::recursive_mutex& Lock();

// Adds an object and returns its new handle.
HGDIOBJ Add(std::unique_ptr<Object> object);
// Removes and destroys it.
void Remove(HGDIOBJ handle);
// The object of a handle, or nullptr. Call with the lock held.
Object* Find(HGDIOBJ handle);
template <class T>
T* FindAs(HGDIOBJ handle) {
  return dynamic_cast<T*>(Find(handle));
}

// The stock 1 x 1 bitmap of the given depth and the default palette.
HBITMAP StockBitmap(int bpp);
HPALETTE DefaultPalette();

}  // namespace kestrel::gdi
