#include "gdi/screen.h"

#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <unordered_map>

#include "gdi/surface.h"
#include "kestrel/codepage.h"
#include "kestrel/machine.h"
#include "kestrel/palette.h"
#include "windows/window_manager.h"

namespace kestrel::gdi::screen {

namespace {

PALETTEENTRY Entry(uint32_t rgb) {
  return PALETTEENTRY{static_cast<BYTE>(rgb >> 16), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb), 0};
}

template <size_t N>
std::vector<PALETTEENTRY> Entries(const std::array<uint32_t, N>& table) {
  std::vector<PALETTEENTRY> entries;
  for (uint32_t rgb : table) entries.push_back(Entry(rgb));
  return entries;
}

struct Stores {
  std::map<HWND, Pixels> by_window;
};

Stores& stores() {
  static Stores s;
  return s;
}

}  // namespace

int Depth() {
  static std::atomic<unsigned> generation{~0u};
  static std::atomic<int> depth{32};
  unsigned now = machine::Generation();
  if (generation.load() != now) {
    depth = machine::Setting("screen", "32") == "8" ? 8 : 32;
    generation = now;
  }
  return depth;
}

const std::vector<PALETTEENTRY>& SystemPalette() {
  static const std::vector<PALETTEENTRY> palette = Entries(palette::kStandard);
  return palette;
}

const std::vector<PALETTEENTRY>& StaticColors() {
  static const std::vector<PALETTEENTRY> colors = Entries(palette::kStatic);
  return colors;
}

uint32_t PixelOfIndex(uint8_t index) {
  const PALETTEENTRY& e = SystemPalette()[index];
  return (uint32_t(e.peRed) << 16) | (uint32_t(e.peGreen) << 8) | e.peBlue;
}

uint8_t NearestIndex(uint32_t pixel) {
  pixel &= 0xFFFFFF;
  std::lock_guard lock(Lock());
  static std::unordered_map<uint32_t, uint8_t> cache;
  if (auto it = cache.find(pixel); it != cache.end()) return it->second;
  const auto& palette = SystemPalette();
  int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
  int best = 0, best_distance = 1 << 30;
  for (int i = 0; i < 256; ++i) {
    int dr = r - palette[i].peRed, dg = g - palette[i].peGreen, db = b - palette[i].peBlue;
    int d = dr * dr + dg * dg + db * db;
    if (d < best_distance) best = i, best_distance = d;
  }
  if (cache.size() > 65536) cache.clear();
  return cache[pixel] = static_cast<uint8_t>(best);
}

namespace {

HWND Normal(HWND window) { return window == GetDesktopWindow() ? nullptr : window; }

Box BoxOf(const RECT& r) { return Box{r.left, r.top, r.right, r.bottom}; }

// The frame a new or resized store of a framed window starts with: a grey
// border and, for a captioned window, a dark blue caption with its title.
void PaintFrame(HWND window, Pixels& store, const Box& whole, const Box& client) {
  Box inside = client.Offset(-whole.left, -whole.top);
  if (inside.left == 0 && inside.top == 0 && inside.right == store.width() && inside.bottom == store.height()) return;
  store.Fill(Box{0, 0, store.width(), inside.top}, kFrameColor);
  store.Fill(Box{0, inside.bottom, store.width(), store.height()}, kFrameColor);
  store.Fill(Box{0, inside.top, inside.left, inside.bottom}, kFrameColor);
  store.Fill(Box{inside.right, inside.top, store.width(), inside.bottom}, kFrameColor);
  LONG style = GetWindowLongA(window, GWL_STYLE);
  if ((style & WS_CAPTION) != WS_CAPTION) return;
  int frame = inside.left;
  Box caption{frame, frame, store.width() - frame, std::min(frame + windows::kCaption, inside.top) - 1};
  store.Fill(caption, kCaptionColor);
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(store.row(0), CAIRO_FORMAT_RGB24, store.width(),
                                                                 store.height(), static_cast<int>(store.stride()));
  cairo_t* cr = cairo_create(surface);
  cairo_rectangle(cr, caption.left, caption.top, caption.width(), caption.height());
  cairo_clip(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 11);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_move_to(cr, caption.left + 4, caption.bottom - 5);
  std::string utf8 = codepage::AnsiToUtf8(title);
  cairo_show_text(cr, utf8.c_str());
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

// Copies the part of a window's store that lies in clip (screen
// coordinates), then its children above it, bottom to top.
void DrawWindow(HWND window, const Box& area, const Box& clip, uint32_t* out, size_t stride) {
  if (!IsWindowVisible(window)) return;
  Box whole, client;
  if (!Locate(window, &whole, &client)) return;
  Pixels* store = Store(window);
  if (!store) return;
  Box visible = whole.Intersect(clip).Intersect(area);
  for (int y = visible.top; y < visible.bottom; ++y) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(store->row(y - whole.top)) + (visible.left - whole.left);
    uint32_t* to = out + stride * static_cast<size_t>(y - area.top) + (visible.left - area.left);
    std::copy(src, src + visible.width(), to);
  }
  std::vector<HWND> children;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  Box inside = client.Intersect(clip);
  for (auto it = children.rbegin(); it != children.rend(); ++it) DrawWindow(*it, area, inside, out, stride);
}

// DefWindowProcA's WM_PAINT: the client area in the class background.
void PaintDefault(HWND window) {
  HBRUSH background = nullptr;
  {
    auto& wm = windows::WindowManager::Get();
    std::lock_guard lock(wm.mutex);
    if (windows::Window* w = wm.Find(window); w && w->window_class) background = w->window_class->background;
  }
  auto index = reinterpret_cast<uintptr_t>(background);
  if (index == 0 || index > 31) return;  // no brush objects here: system colours only
  HDC hdc = GetDC(window);
  RECT client{};
  GetClientRect(window, &client);
  Target target;
  {
    std::lock_guard lock(Lock());
    if (DC* dc = FindAs<DC>(hdc); dc && TargetOf(dc, &target))
      target.pixels->Fill(
          Box{client.left, client.top, client.right, client.bottom}.Offset(target.dx, target.dy).Intersect(target.clip),
          PixelOfColor(GetSysColor(static_cast<int>(index - 1))));
  }
  ReleaseDC(window, hdc);
}

const bool g_hooked = [] {
  windows::WindowManager::Get().paint_hooks.paint_default = PaintDefault;
  return true;
}();

}  // namespace

bool Locate(HWND window, Box* whole, Box* client) {
  window = Normal(window);
  if (!window) {
    *whole = *client = Box{0, 0, kWidth, kHeight};
    return true;
  }
  RECT w{}, c{};
  POINT origin{0, 0};
  if (!GetWindowRect(window, &w) || !GetClientRect(window, &c) || !ClientToScreen(window, &origin)) return false;
  *whole = BoxOf(w);
  *client = BoxOf(c).Offset(origin.x, origin.y);
  return true;
}

Pixels* Store(HWND window) {
  window = Normal(window);
  Box whole, client;
  if (!Locate(window, &whole, &client)) return nullptr;
  int width = std::max(whole.width(), 1), height = std::max(whole.height(), 1);
  auto& map = stores().by_window;
  auto it = map.find(window);
  bool fresh = it == map.end();
  uint32_t fill = window == nullptr ? kDesktopColor : kWindowColor;
  if (fresh) {
    it = map.emplace(window, Pixels(width, height, 32)).first;
    it->second.Fill(it->second.bounds(), fill);
  } else if (it->second.width() != width || it->second.height() != height) {
    it->second.Resize(width, height, fill);
    fresh = true;
  }
  if (fresh && window) PaintFrame(window, it->second, whole, client);
  return &it->second;
}

void Compose(const Box& area, uint32_t* out, size_t outStride) {
  auto& map = stores().by_window;
  for (auto it = map.begin(); it != map.end();) it = it->first && !IsWindow(it->first) ? map.erase(it) : std::next(it);
  Pixels* desktop = Store(nullptr);
  for (int y = area.top; y < area.bottom; ++y) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(desktop->row(y)) + area.left;
    std::copy(src, src + area.width(), out + outStride * static_cast<size_t>(y - area.top));
  }
  std::vector<HWND> top_level;
  for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) top_level.push_back(w);
  const Box screen{0, 0, kWidth, kHeight};
  for (auto it = top_level.rbegin(); it != top_level.rend(); ++it) DrawWindow(*it, area, screen, out, outStride);
}

}  // namespace kestrel::gdi::screen
