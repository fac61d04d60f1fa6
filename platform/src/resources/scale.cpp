#include <cairo.h>

#include <cstring>

#include "kestrel/machine.h"
#include "resources/icons.h"

namespace kestrel::resources {

IconPixels Scaled(const IconPixels& image, int width, int height) {
  if (image.width == width && image.height == height) return image;
  std::vector<uint32_t> source = image.argb;
  cairo_surface_t* from = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(source.data()),
                                                              CAIRO_FORMAT_ARGB32, image.width, image.height,
                                                              image.width * 4);
  cairo_surface_t* to = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(to);
  cairo_scale(cr, static_cast<double>(width) / image.width, static_cast<double>(height) / image.height);
  cairo_set_source_surface(cr, from, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(to);

  IconPixels out;
  out.width = width;
  out.height = height;
  out.bits = image.bits;
  out.argb.resize(static_cast<size_t>(width) * height);
  out.mask.resize(out.argb.size());
  const unsigned char* data = cairo_image_surface_get_data(to);
  int stride = cairo_image_surface_get_stride(to);
  for (int y = 0; y < height; ++y) {
    std::memcpy(&out.argb[static_cast<size_t>(y) * width], data + static_cast<size_t>(y) * stride,
                static_cast<size_t>(width) * 4);
  }
  for (size_t i = 0; i < out.argb.size(); ++i) out.mask[i] = (out.argb[i] >> 24) < 128;
  cairo_surface_destroy(to);
  cairo_surface_destroy(from);
  return out;
}

int ScreenBits() { return machine::Setting("screen", "32") == "8" ? 8 : 32; }

}  // namespace kestrel::resources
