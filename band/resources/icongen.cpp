// Draws the band's eight toolbar icons and writes them as .ico files.
//
//   icongen OUTDIR [--sheet FILE.png]
//
// Each picture is drawn with cairo at every size its icon carries, then
// reduced to the image's colour depth: the sixteen standard colours for
// 4-bit images, the standard 256-colour palette for 8-bit ones. Pixels at
// least half covered are opaque; the rest are transparent in the AND mask.
// --sheet also writes a contact sheet of every image as stored.
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "kestrel/ico_file.h"
#include "kestrel/palette.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Draws in a 32 x 32 unit square; px is the width of one pixel in units.
using Painter = std::function<void(cairo_t* cr, double px)>;

struct ImageFormat {
  int size;
  int bits;  // 4 or 8
};

struct IconDesign {
  const char* file;
  const char* title;
  Painter paint;
  std::vector<ImageFormat> images;
};

// One stored image: palette indices and the AND mask (1 = transparent), top-down.
struct Quantised {
  int size = 0;
  int bits = 0;
  std::vector<uint8_t> index;
  std::vector<uint8_t> mask;
};

void Rgb(cairo_t* cr, uint32_t rgb) {
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

void FillStroke(cairo_t* cr, uint32_t fill, uint32_t line, double width) {
  Rgb(cr, fill);
  cairo_fill_preserve(cr);
  Rgb(cr, line);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

void RoundedRect(cairo_t* cr, double x0, double y0, double x1, double y1, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x1 - r, y0 + r, r, -kPi / 2, 0);
  cairo_arc(cr, x1 - r, y1 - r, r, 0, kPi / 2);
  cairo_arc(cr, x0 + r, y1 - r, r, kPi / 2, kPi);
  cairo_arc(cr, x0 + r, y0 + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

void Star(cairo_t* cr, double cx, double cy, double outer, double inner, int points, double turn) {
  for (int i = 0; i < 2 * points; ++i) {
    double a = turn + i * kPi / points;
    double r = (i % 2) ? inner : outer;
    if (i == 0)
      cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    else
      cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
  }
  cairo_close_path(cr);
}

// About: a white-gloved hand in a blue sleeve holding a magic wand, its tip sparkling.
void PaintHandAndWand(cairo_t* cr, double px) {
  const bool small = px > 1.5;
  double line = std::max(px, 1.0);
  cairo_save(cr);
  cairo_translate(cr, 12.5, 20.0);
  cairo_rotate(cr, kPi / 4);
  // The wand: black with a white tip, running up through the fist.
  cairo_rectangle(cr, -2.2, -17.5, 4.4, 18.0);
  FillStroke(cr, 0x000000, 0x000000, small ? 0.1 : line);
  if (!small) {
    cairo_rectangle(cr, -2.2, -17.5, 4.4, 4.5);
    FillStroke(cr, 0xFFFFFF, 0x000000, line);
  }
  // Sleeve below the fist.
  cairo_rectangle(cr, -5.5, 4.0, 11.0, 9.0);
  if (small) {
    Rgb(cr, 0x0000FF);
    cairo_fill(cr);
  } else {
    FillStroke(cr, 0x0000FF, 0x000080, line);
  }
  // The fist closed round the wand: the palm and three curled fingers whose
  // knuckles stand out towards +x, outlined as one shape.
  auto fist = [cr] {
    RoundedRect(cr, -6.0, -5.5, 3.0, 6.0, 2.5);
    for (double y : {-3.3, 0.3, 3.9}) {
      cairo_new_sub_path(cr);
      cairo_arc(cr, 3.6, y, 2.1, 0, 2 * kPi);
    }
  };
  fist();
  Rgb(cr, 0x000000);
  cairo_set_line_width(cr, 2 * line);
  cairo_stroke(cr);
  fist();
  Rgb(cr, 0xFFFFFF);
  cairo_fill(cr);
  if (!small) {
    cairo_set_line_width(cr, line);
    Rgb(cr, 0x000000);
    for (double y : {-1.5, 2.1}) {
      cairo_move_to(cr, 1.0, y);
      cairo_line_to(cr, 5.7, y);
    }
    cairo_stroke(cr);
  }
  cairo_restore(cr);
  // Sparkle at the wand's tip.
  if (small) {
    Star(cr, 26.0, 6.0, 7.0, 2.6, 4, -kPi / 2);
    Rgb(cr, 0xFFFF00);
    cairo_fill(cr);
  } else {
    Star(cr, 25.5, 6.5, 7.0, 2.6, 4, -kPi / 2);
    FillStroke(cr, 0xFFFF00, 0x808000, line * 0.8);
    Star(cr, 30.0, 14.5, 2.4, 0.9, 4, -kPi / 2);
    Star(cr, 17.5, 2.5, 2.4, 0.9, 4, -kPi / 2);
    Rgb(cr, 0xFFFF00);
    cairo_fill(cr);
  }
}

// Delete Cookies: a burning match.
void PaintMatch(cairo_t* cr, double px) {
  double line = std::max(px, 1.0);
  // Stick, from the lower left up to the head.
  cairo_save(cr);
  cairo_translate(cr, 13.0, 23.0);
  cairo_rotate(cr, -kPi / 3.6);
  cairo_rectangle(cr, -11.0, -1.9, 15.0, 3.8);
  if (px > 1.5) {
    Rgb(cr, 0xC08040);
    cairo_fill(cr);
  } else {
    FillStroke(cr, 0xE8C080, 0x804000, line);
  }
  cairo_restore(cr);
  // Flame rising from the head.
  auto flame = [cr](double cx, double cy, double w, double h) {
    cairo_move_to(cr, cx + 1.0, cy - h);
    cairo_curve_to(cr, cx + w * 1.3, cy - h * 0.45, cx + w, cy + w * 0.9, cx, cy + w * 0.9);
    cairo_curve_to(cr, cx - w * 1.1, cy + w * 0.9, cx - w * 1.1, cy - h * 0.3, cx + 1.0, cy - h);
    cairo_close_path(cr);
  };
  flame(18.5, 11.0, 7.0, 11.5);
  FillStroke(cr, 0xFF2000, 0x800000, line);
  flame(18.5, 11.5, 3.6, 6.5);
  Rgb(cr, 0xFFFF00);
  cairo_fill(cr);
  // The head.
  cairo_save(cr);
  cairo_translate(cr, 18.6, 15.5);
  cairo_rotate(cr, -kPi / 3.6);
  cairo_scale(cr, 1.0, 0.75);
  cairo_arc(cr, 0, 0, 3.6, 0, 2 * kPi);
  cairo_restore(cr);
  FillStroke(cr, 0x800000, 0x400000, line);
}

// The bulb's glass outline: a round top narrowing to the neck.
void BulbGlass(cairo_t* cr) {
  const double cx = 16.0, cy = 12.5, r = 8.5;
  double a0 = kPi * 0.78, a1 = kPi * 0.22;
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, cy, r, a0, a1 + 2 * kPi);
  cairo_curve_to(cr, 22.0, 19.0, 20.5, 20.0, 20.5, 22.0);
  cairo_line_to(cr, 11.5, 22.0);
  cairo_curve_to(cr, 11.5, 20.0, 10.0, 19.0, cx + r * std::cos(a0), cy + r * std::sin(a0));
  cairo_close_path(cr);
}

void BulbBase(cairo_t* cr, double line) {
  cairo_rectangle(cr, 11.5, 22.0, 9.0, 5.5);
  FillStroke(cr, 0xC0C0C0, 0x404040, line);
  cairo_set_line_width(cr, line);
  Rgb(cr, 0x404040);
  cairo_move_to(cr, 11.5, 24.8);
  cairo_line_to(cr, 20.5, 24.8);
  cairo_stroke(cr);
  RoundedRect(cr, 13.5, 27.0, 18.5, 30.5, 1.5);
  FillStroke(cr, 0x404040, 0x000000, line);
}

void Filament(cairo_t* cr, double line, uint32_t colour) {
  cairo_set_line_width(cr, line);
  Rgb(cr, colour);
  cairo_move_to(cr, 13.5, 22.0);
  cairo_line_to(cr, 13.5, 15.5);
  cairo_line_to(cr, 15.0, 13.0);
  cairo_line_to(cr, 16.0, 15.5);
  cairo_line_to(cr, 17.0, 13.0);
  cairo_line_to(cr, 18.5, 15.5);
  cairo_line_to(cr, 18.5, 22.0);
  cairo_stroke(cr);
}

// Disable Proxy: an unlit bulb.
void PaintBulbOff(cairo_t* cr, double px) {
  double line = std::max(px, 1.0);
  BulbGlass(cr);
  FillStroke(cr, 0xFFFFFF, 0x404040, line);
  Filament(cr, line, 0x808080);
  BulbBase(cr, line);
}

// Enable Proxy: a bulb lit yellow, with rays.
void PaintBulbOn(cairo_t* cr, double px) {
  double line = std::max(px, 1.0);
  // Rays wide enough to survive halving to 16 x 16.
  cairo_set_line_width(cr, std::max(3.0, 1.2 * px));
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  Rgb(cr, 0xFFFF00);
  for (double deg : {180.0, 225.0, 270.0, 315.0, 360.0}) {
    double a = deg * kPi / 180;
    cairo_move_to(cr, 16 + 11.0 * std::cos(a), 12.5 + 11.0 * std::sin(a));
    cairo_line_to(cr, 16 + 14.5 * std::cos(a), 12.5 + 14.5 * std::sin(a));
  }
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  BulbGlass(cr);
  FillStroke(cr, 0xFFFF00, 0x808000, line);
  Filament(cr, line, 0xFF0000);
  BulbBase(cr, line);
}

// Favorites: a gold star.
void PaintStar(cairo_t* cr, double px) {
  Star(cr, 16.0, 17.0, 15.5, 6.3, 5, -kPi / 2);
  cairo_pattern_t* gold = cairo_pattern_create_linear(0, 2, 0, 30);
  cairo_pattern_add_color_stop_rgb(gold, 0.0, 1.0, 0.96, 0.55);
  cairo_pattern_add_color_stop_rgb(gold, 0.5, 1.0, 0.80, 0.10);
  cairo_pattern_add_color_stop_rgb(gold, 1.0, 0.90, 0.55, 0.0);
  cairo_set_source(cr, gold);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(gold);
  Rgb(cr, 0x996600);
  cairo_set_line_width(cr, std::max(px, 1.0));
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
}

// Capture: a digital camera seen from the front.
void PaintCamera(cairo_t* cr, double px) {
  double line = std::max(px, 1.0);
  RoundedRect(cr, 6.0, 5.0, 14.0, 10.0, 1.0);
  FillStroke(cr, 0x666666, 0x202020, line);
  cairo_rectangle(cr, 22.0, 6.0, 5.0, 3.0);
  FillStroke(cr, 0xCC0000, 0x202020, line);
  RoundedRect(cr, 1.5, 9.0, 30.5, 27.0, 3.0);
  cairo_pattern_t* body = cairo_pattern_create_linear(0, 9, 0, 27);
  cairo_pattern_add_color_stop_rgb(body, 0.0, 0.85, 0.85, 0.88);
  cairo_pattern_add_color_stop_rgb(body, 1.0, 0.55, 0.55, 0.60);
  cairo_set_source(cr, body);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(body);
  Rgb(cr, 0x202020);
  cairo_set_line_width(cr, line);
  cairo_stroke(cr);
  // Flash window.
  cairo_rectangle(cr, 23.5, 11.5, 4.5, 3.0);
  FillStroke(cr, 0xFFFFFF, 0x404040, line * 0.8);
  // Lens: a dark ring round blue glass with a highlight.
  cairo_arc(cr, 15.5, 18.0, 7.5, 0, 2 * kPi);
  FillStroke(cr, 0x333333, 0x000000, line);
  cairo_arc(cr, 15.5, 18.0, 5.0, 0, 2 * kPi);
  cairo_pattern_t* glass = cairo_pattern_create_radial(14.0, 16.5, 0.5, 15.5, 18.0, 5.0);
  cairo_pattern_add_color_stop_rgb(glass, 0.0, 0.45, 0.60, 1.0);
  cairo_pattern_add_color_stop_rgb(glass, 1.0, 0.0, 0.05, 0.35);
  cairo_set_source(cr, glass);
  cairo_fill(cr);
  cairo_pattern_destroy(glass);
  cairo_arc(cr, 13.6, 16.1, std::max(1.4, px * 0.9), 0, 2 * kPi);
  Rgb(cr, 0xFFFFFF);
  cairo_fill(cr);
}

// Misc: a traffic light.
void PaintTrafficLight(cairo_t* cr, double px) {
  double line = std::max(px, 1.0);
  RoundedRect(cr, 8.5, 0.5, 23.5, 31.5, 3.5);
  FillStroke(cr, 0x404040, 0x000000, line);
  const uint32_t lamps[3] = {0xFF0000, 0xFFFF00, 0x00FF00};
  for (int i = 0; i < 3; ++i) {
    cairo_arc(cr, 16.0, 6.5 + 9.5 * i, 4.2, 0, 2 * kPi);
    FillStroke(cr, lamps[i], 0x000000, line);
  }
}

// Options: a window with a yellow gear in front of it.
void PaintWindowAndGear(cairo_t* cr, double px) {
  double line = std::max(px, 1.0);
  cairo_rectangle(cr, 1.0, 2.5, 25.0, 21.0);
  FillStroke(cr, 0xFFFFFF, 0x000080, line);
  cairo_rectangle(cr, 1.0, 2.5, 25.0, 6.0);
  FillStroke(cr, 0x000080, 0x000080, line);
  if (px < 1.0) {
    Rgb(cr, 0xC0C0C0);
    for (double y : {12.0, 15.0}) cairo_rectangle(cr, 4.0, y, 8.0, 1.2);
    cairo_fill(cr);
  }
  // Gear: teeth round a ring with a hole.
  const bool small = px > 1.5;
  const double cx = 21.5, cy = 21.5, outer = small ? 10.5 : 10.0, root = small ? 7.8 : 7.3;
  const int teeth = small ? 6 : 8;
  cairo_new_sub_path(cr);
  for (int i = 0; i < teeth; ++i) {
    double a = 2 * kPi * i / teeth;
    double step = 2 * kPi / teeth;
    double half = step * 0.22;
    cairo_arc(cr, cx, cy, root, a - step / 2 + half * 0.4, a - half);
    cairo_line_to(cr, cx + outer * std::cos(a - half * 0.7), cy + outer * std::sin(a - half * 0.7));
    cairo_arc(cr, cx, cy, outer, a - half * 0.7, a + half * 0.7);
    cairo_line_to(cr, cx + root * std::cos(a + half), cy + root * std::sin(a + half));
    cairo_arc(cr, cx, cy, root, a + half, a + step / 2 - half * 0.4);
  }
  cairo_close_path(cr);
  FillStroke(cr, 0xFFFF00, small ? 0x808000 : 0x000000, line);
  cairo_arc(cr, cx, cy, small ? 2.6 : 3.0, 0, 2 * kPi);
  if (small) {
    Rgb(cr, 0x000000);
    cairo_fill(cr);
  } else {
    FillStroke(cr, 0xFFFFFF, 0x000000, line);
  }
}

std::vector<IconDesign> Icons() {
  return {
      {"about.ico", "101 About", PaintHandAndWand, {{32, 4}, {16, 4}}},
      {"delete_cookies.ico", "102 Delete Cookies", PaintMatch, {{32, 4}, {16, 4}}},
      {"disable_proxy.ico", "103 Disable Proxy", PaintBulbOff, {{32, 4}, {16, 4}}},
      {"enable_proxy.ico", "104 Enable Proxy", PaintBulbOn, {{32, 4}, {16, 4}}},
      {"favorites.ico", "105 Favorites", PaintStar, {{16, 8}, {24, 8}}},
      {"capture.ico", "106 Capture", PaintCamera, {{16, 8}, {32, 8}}},
      {"misc.ico", "107 Misc", PaintTrafficLight, {{32, 4}, {16, 4}}},
      {"options.ico", "108 Options", PaintWindowAndGear, {{32, 4}, {16, 4}, {48, 4}, {32, 8}, {48, 8}, {16, 8}}},
  };
}

Quantised Render(const IconDesign& icon, const ImageFormat& format) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, format.size, format.size);
  cairo_t* cr = cairo_create(surface);
  // Sixteen colours leave no shades for smoothed edges: those images are
  // drawn pixel-sharp.
  if (format.bits == 4) cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  double scale = format.size / 32.0;
  cairo_scale(cr, scale, scale);
  icon.paint(cr, 1.0 / scale);
  cairo_destroy(cr);
  cairo_surface_flush(surface);

  Quantised q;
  q.size = format.size;
  q.bits = format.bits;
  const unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < format.size; ++y) {
    for (int x = 0; x < format.size; ++x) {
      uint32_t argb = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
      uint32_t a = argb >> 24;
      if (a < 128) {
        q.index.push_back(0);
        q.mask.push_back(1);
        continue;
      }
      auto straight = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
      uint32_t rgb = straight((argb >> 16) & 0xFF) << 16 | straight((argb >> 8) & 0xFF) << 8 | straight(argb & 0xFF);
      size_t index = format.bits == 4 ? kestrel::palette::Nearest(kestrel::palette::kSixteen, rgb)
                                    : kestrel::palette::Nearest(kestrel::palette::kStandard, rgb);
      q.index.push_back(static_cast<uint8_t>(index));
      q.mask.push_back(0);
    }
  }
  cairo_surface_destroy(surface);
  return q;
}

const uint32_t* TableOf(int bits) {
  return bits == 4 ? kestrel::palette::kSixteen.data() : kestrel::palette::kStandard.data();
}

// The image as an icon resource stores it: the header, the colour table,
// the colour rows and the AND mask rows, both bottom-up.
kestrel::ico::Image IconImage(const Quantised& q) {
  using kestrel::ico::Stride;
  kestrel::ico::Bytes out;
  kestrel::ico::PutImageHeader(out, q.size, q.bits);
  const uint32_t* table = TableOf(q.bits);
  for (int i = 0; i < (1 << q.bits); ++i) kestrel::ico::Put32(out, table[i] & 0xFFFFFF);
  for (int y = q.size - 1; y >= 0; --y) {
    std::vector<uint8_t> row(Stride(q.size, q.bits), 0);
    for (int x = 0; x < q.size; ++x) {
      uint8_t v = q.index[y * q.size + x];
      if (q.bits == 8)
        row[x] = v;
      else
        row[x / 2] |= (x % 2) ? v : static_cast<uint8_t>(v << 4);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = q.size - 1; y >= 0; --y) {
    std::vector<uint8_t> row(Stride(q.size, 1), 0);
    for (int x = 0; x < q.size; ++x)
      if (q.mask[y * q.size + x]) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return {q.size, q.bits, std::move(out)};
}

bool WriteIco(const std::string& path, const std::vector<Quantised>& images) {
  std::vector<kestrel::ico::Image> entries;
  for (const auto& q : images) entries.push_back(IconImage(q));
  return kestrel::ico::WriteFile(path, entries);
}

// Every image at its own size and enlarged, on the grey of a toolbar.
bool WriteSheet(const std::string& path, const std::vector<IconDesign>& icons,
                const std::vector<std::vector<Quantised>>& images) {
  const int row_height = 120, zoom_box = 96, left = 150;
  int width = left;
  for (const auto& set : images) width = std::max(width, left + static_cast<int>(set.size()) * (zoom_box + 70));
  int height = row_height * static_cast<int>(icons.size()) + 10;
  cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(sheet);
  Rgb(cr, 0xD4D0C8);
  cairo_paint(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 12);
  for (size_t r = 0; r < icons.size(); ++r) {
    double top = 10 + row_height * static_cast<double>(r);
    Rgb(cr, 0x000000);
    cairo_move_to(cr, 8, top + 50);
    cairo_show_text(cr, icons[r].title);
    for (size_t c = 0; c < images[r].size(); ++c) {
      const Quantised& q = images[r][c];
      cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, q.size, q.size);
      auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image));
      int stride = cairo_image_surface_get_stride(image) / 4;
      for (int y = 0; y < q.size; ++y)
        for (int x = 0; x < q.size; ++x) {
          size_t i = static_cast<size_t>(y * q.size + x);
          data[y * stride + x] = q.mask[i] ? 0 : 0xFF000000 | TableOf(q.bits)[q.index[i]];
        }
      cairo_surface_mark_dirty(image);
      double x0 = left + static_cast<double>(c) * (zoom_box + 70);
      int zoom = zoom_box / q.size;
      cairo_save(cr);
      cairo_translate(cr, x0, top);
      cairo_scale(cr, zoom, zoom);
      cairo_set_source_surface(cr, image, 0, 0);
      cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
      cairo_paint(cr);
      cairo_restore(cr);
      cairo_set_source_surface(cr, image, x0 + zoom_box + 8, top);
      cairo_paint(cr);
      cairo_surface_destroy(image);
      char label[32];
      std::snprintf(label, sizeof label, "%dx%d %d-bit", q.size, q.size, q.bits);
      Rgb(cr, 0x000000);
      cairo_move_to(cr, x0, top + zoom_box + 13);
      cairo_show_text(cr, label);
    }
  }
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(sheet, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(sheet);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--sheet")) {
    std::fprintf(stderr, "usage: icongen OUTDIR [--sheet FILE.png]\n");
    return 2;
  }
  std::string dir = argv[1];
  auto icons = Icons();
  std::vector<std::vector<Quantised>> all;
  for (const auto& icon : icons) {
    std::vector<Quantised> images;
    for (const auto& format : icon.images) images.push_back(Render(icon, format));
    if (!WriteIco(dir + "/" + icon.file, images)) {
      std::fprintf(stderr, "icongen: cannot write %s/%s\n", dir.c_str(), icon.file);
      return 1;
    }
    all.push_back(std::move(images));
  }
  if (argc == 4 && !WriteSheet(argv[3], icons, all)) {
    std::fprintf(stderr, "icongen: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
