#include "gdi/objects.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "gdi/screen.h"

namespace kestrel::gdi {

Box Box::Intersect(const Box& o) const {
  Box r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
  if (r.empty()) return {};
  return r;
}

Pixels::Pixels(int width, int height, int bpp) : width_(width), height_(height), bpp_(bpp) {
  stride_ = (static_cast<size_t>(width) * (bpp / 8) + 3) & ~size_t(3);
  data_.reset(static_cast<uint8_t*>(std::calloc(stride_ * static_cast<size_t>(height) + 1, 1)));
  if (!data_) throw std::bad_alloc();
}

void Pixels::Resize(int width, int height, uint32_t fill) {
  if (width == width_ && height == height_) return;
  Pixels bigger(width, height, bpp_);
  bigger.Fill(bigger.bounds(), fill);
  int w = std::min(width, width_), h = std::min(height, height_);
  for (int y = 0; y < h; ++y) std::memcpy(bigger.row(y), row(y), static_cast<size_t>(w) * (bpp_ / 8));
  *this = std::move(bigger);
}

void Pixels::Fill(const Box& box, uint32_t value) {
  Box b = box.Intersect(bounds());
  for (int y = b.top; y < b.bottom; ++y) {
    if (bpp_ == 8) {
      std::memset(row(y) + b.left, static_cast<int>(value & 0xFF), static_cast<size_t>(b.width()));
    } else {
      uint32_t* p = reinterpret_cast<uint32_t*>(row(y)) + b.left;
      std::fill(p, p + b.width(), value);
    }
  }
}

namespace {

struct Table {
  std::unordered_map<uintptr_t, std::unique_ptr<Object>> objects;
  uintptr_t next = 0x30000;
};

Table& table() {
  static Table t;
  return t;
}

HGDIOBJ MakeStock(std::unique_ptr<Object> object) {
  object->stock = true;
  return Add(std::move(object));
}

}  // namespace

std::recursive_mutex& Lock() {
  static std::recursive_mutex mutex;
  return mutex;
}

HGDIOBJ Add(std::unique_ptr<Object> object) {
  std::lock_guard lock(Lock());
  Table& t = table();
  while (t.objects.count(t.next) || t.next == 0) t.next = (t.next + 4) & 0x7FFFFFFC;
  uintptr_t id = t.next;
  t.next = (t.next + 4) & 0x7FFFFFFC;
  t.objects[id] = std::move(object);
  return reinterpret_cast<HGDIOBJ>(id);
}

void Remove(HGDIOBJ handle) {
  std::lock_guard lock(Lock());
  table().objects.erase(reinterpret_cast<uintptr_t>(handle));
}

Object* Find(HGDIOBJ handle) {
  auto& objects = table().objects;
  auto it = objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == objects.end() ? nullptr : it->second.get();
}

HBITMAP StockBitmap(int bpp) {
  std::lock_guard lock(Lock());
  static HGDIOBJ stock8 = nullptr, stock32 = nullptr;
  HGDIOBJ& slot = bpp == 8 ? stock8 : stock32;
  if (!slot) {
    auto b = std::make_unique<Bitmap>();
    b->pixels = Pixels(1, 1, bpp);
    slot = MakeStock(std::move(b));
  }
  return static_cast<HBITMAP>(slot);
}

HPALETTE DefaultPalette() {
  std::lock_guard lock(Lock());
  static HGDIOBJ palette = nullptr;
  if (!palette) {
    auto p = std::make_unique<Palette>();
    p->entries = screen::StaticColors();
    palette = MakeStock(std::move(p));
  }
  return static_cast<HPALETTE>(palette);
}

}  // namespace kestrel::gdi
