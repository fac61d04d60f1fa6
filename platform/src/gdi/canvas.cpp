#include "kestrel/canvas.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "gdi/objects.h"
#include "gdi/screen.h"
#include "gdi/surface.h"

namespace kestrel::gdi {

struct Canvas::State {
  std::unique_lock<std::recursive_mutex> lock{Lock()};
  Target target;
  Box area;                 // pixel coordinates covered by the surface
  Pixels shadow;            // 32-bit copy of an 8-bit target
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
};

Canvas::Canvas(HDC hdc) : state_(std::make_unique<State>()) {
  State& s = *state_;
  DC* dc = FindAs<DC>(hdc);
  if (!dc || !TargetOf(dc, &s.target)) return;
  Pixels& px = *s.target.pixels;
  s.area = s.target.clip.Intersect(Box{0, 0, px.width(), std::min(px.height(), 32767)});
  if (s.area.empty()) s.area = Box{0, 0, 0, 0};
  if (px.bpp() == 32) {
    s.surface = cairo_image_surface_create_for_data(px.row(s.area.top) + static_cast<size_t>(s.area.left) * 4,
                                                    CAIRO_FORMAT_RGB24, s.area.width(), s.area.height(),
                                                    static_cast<int>(px.stride()));
  } else {
    s.shadow = Pixels(s.area.width(), s.area.height(), 32);
    for (int y = 0; y < s.area.height(); ++y)
      CopyRow(px.row(s.area.top + y) + s.area.left, 8, s.shadow.row(y), 32, s.area.width());
    s.surface = cairo_image_surface_create_for_data(s.shadow.row(0), CAIRO_FORMAT_RGB24, s.area.width(),
                                                    s.area.height(), static_cast<int>(s.shadow.stride()));
  }
  s.cr = cairo_create(s.surface);
  cairo_translate(s.cr, s.target.dx - s.area.left, s.target.dy - s.area.top);
  cairo_select_font_face(s.cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(s.cr, 12);
}

Canvas::~Canvas() {
  State& s = *state_;
  if (!s.cr) return;
  cairo_destroy(s.cr);
  cairo_surface_flush(s.surface);
  cairo_surface_destroy(s.surface);
  if (s.target.pixels->bpp() == 8)
    for (int y = 0; y < s.area.height(); ++y)
      CopyRow(s.shadow.row(y), 32, s.target.pixels->row(s.area.top + y) + s.area.left, 8, s.area.width());
}

cairo_t* Canvas::cr() const { return state_->cr; }

void Canvas::FillRect(int left, int top, int right, int bottom, COLORREF color) {
  if (!state_->cr) return;
  cairo_t* cr = state_->cr;
  cairo_save(cr);
  cairo_set_source_rgb(cr, GetRValue(color) / 255.0, GetGValue(color) / 255.0, GetBValue(color) / 255.0);
  cairo_rectangle(cr, left, top, right - left, bottom - top);
  cairo_fill(cr);
  cairo_restore(cr);
}

}  // namespace kestrel::gdi
