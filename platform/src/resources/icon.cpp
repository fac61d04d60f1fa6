// Icons: choosing an image of an icon group, decoding it, loading by number.
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>

#include "resources/handle_space.h"
#include "resources/icons.h"
#include "resources/resource_section.h"
#include "windows.h"

namespace kestrel::resources {
namespace {

// The system's standard icon size.
int IconSize() { return GetSystemMetrics(SM_CXICON); }
constexpr int kLargest = 1024;

HandleSpace<Icon>& Icons() {
  static HandleSpace<Icon> space(0x00600000, 0x006FFFFC);
  return space;
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

struct Entry {
  int width, height, bits;
  WORD id;
};

// The entries of an icon directory (GRPICONDIR); empty when it is none.
std::vector<Entry> Directory(std::span<const uint8_t> dir, bool icon) {
  std::vector<Entry> entries;
  if (dir.size() < 6 || Le16(&dir[0]) != 0 || Le16(&dir[2]) != (icon ? 1 : 2)) return entries;
  size_t count = Le16(&dir[4]);
  if (dir.size() < 6 + 14 * count) return entries;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = &dir[6 + 14 * i];
    int bits = Le16(e + 6);
    if (bits == 0) bits = e[2] == 2 ? 1 : e[2] == 16 ? 4 : 8;
    entries.push_back({e[0] ? e[0] : 256, e[1] ? e[1] : 256, bits, Le16(e + 12)});
  }
  return entries;
}

// The nearest size, bigger before smaller; then the deepest image the screen
// shows, else the shallowest.
std::optional<WORD> BestImage(const std::vector<Entry>& entries, int cx, int cy, int screen_bits) {
  const Entry* best = nullptr;
  auto size_key = [cx, cy](const Entry& e) {
    bool smaller = e.width < cx || e.height < cy;
    return std::make_tuple(smaller, std::abs(e.width - cx) + std::abs(e.height - cy));
  };
  auto depth_key = [screen_bits](const Entry& e) {
    return e.bits <= screen_bits ? std::make_tuple(0, -e.bits) : std::make_tuple(1, e.bits);
  };
  for (const auto& e : entries) {
    if (!best || size_key(e) < size_key(*best) ||
        (e.width == best->width && e.height == best->height && depth_key(e) < depth_key(*best)))
      best = &e;
  }
  if (!best) return std::nullopt;
  return best->id;
}

// One RT_ICON image (BITMAPINFOHEADER, colour table, colour rows, AND rows).
std::optional<IconPixels> Decode(std::span<const uint8_t> bits, bool icon) {
  if (!icon) {
    if (bits.size() < 4) return std::nullopt;
    bits = bits.subspan(4);  // a cursor's hot spot
  }
  if (bits.size() < 40) return std::nullopt;
  uint32_t header = Le32(&bits[0]);
  int32_t width = static_cast<int32_t>(Le32(&bits[4]));
  int32_t height2 = static_cast<int32_t>(Le32(&bits[8]));
  int depth = Le16(&bits[14]);
  uint32_t compression = Le32(&bits[16]);
  uint32_t used = Le32(&bits[32]);
  if (header < 40 || header > bits.size() || width < 1 || width > 256 || height2 < 2 || height2 > 512 ||
      height2 % 2 || Le16(&bits[12]) != 1 || compression != 0)
    return std::nullopt;
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) return std::nullopt;
  int height = height2 / 2;
  size_t colours = depth <= 8 ? (used ? used : 1u << depth) : 0;
  if (depth <= 8 && colours > (1u << depth)) return std::nullopt;
  size_t xor_stride = ((static_cast<size_t>(width) * depth + 31) / 32) * 4;
  size_t and_stride = ((static_cast<size_t>(width) + 31) / 32) * 4;
  size_t table = header, pixels = table + 4 * colours, mask = pixels + xor_stride * height;
  if (mask + and_stride * height > bits.size()) return std::nullopt;

  IconPixels out;
  out.width = width;
  out.height = height;
  out.bits = depth;
  out.argb.resize(static_cast<size_t>(width) * height);
  out.mask.resize(out.argb.size());
  bool alpha = false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = &bits[pixels + xor_stride * (height - 1 - y)];
    const uint8_t* and_row = &bits[mask + and_stride * (height - 1 - y)];
    for (int x = 0; x < width; ++x) {
      uint32_t argb = 0;
      if (depth <= 8) {
        size_t bit = static_cast<size_t>(x) * depth;
        size_t index = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
        if (index < colours) argb = Le32(&bits[table + 4 * index]) & 0xFFFFFF;
      } else {
        const uint8_t* p = row + static_cast<size_t>(x) * (depth / 8);
        argb = p[0] | p[1] << 8 | p[2] << 16 | (depth == 32 ? static_cast<uint32_t>(p[3]) << 24 : 0);
        alpha = alpha || (argb >> 24) != 0;
      }
      size_t i = static_cast<size_t>(y) * width + x;
      out.argb[i] = argb;
      out.mask[i] = (and_row[x / 8] >> (7 - x % 8)) & 1;
    }
  }
  for (size_t i = 0; i < out.argb.size(); ++i) {
    uint32_t c = out.argb[i];
    if (alpha) {
      uint32_t a = c >> 24;
      auto premultiply = [a](uint32_t v) { return (v * a + 127) / 255; };
      out.argb[i] = a << 24 | premultiply((c >> 16) & 0xFF) << 16 | premultiply((c >> 8) & 0xFF) << 8 |
                    premultiply(c & 0xFF);
      out.mask[i] = a < 128;
    } else {
      out.argb[i] = out.mask[i] ? 0 : 0xFF000000 | (c & 0xFFFFFF);
    }
  }
  return out;
}

HICON Add(IconPixels pixels, bool shared) {
  auto icon = std::make_shared<Icon>();
  icon->pixels = std::move(pixels);
  icon->shared = shared;
  uint32_t value = Icons().Add(std::move(icon));
  if (!value) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return reinterpret_cast<HICON>(static_cast<uintptr_t>(value));
}

// Shared icons by the image they were made from and their size.
struct SharedIcons {
  std::mutex mutex;
  std::map<std::tuple<const uint8_t*, int, int>, HICON> icons;
};
SharedIcons& Shared() {
  static SharedIcons shared;
  return shared;
}

}  // namespace

std::shared_ptr<const Icon> IconOf(HICON icon) { return Icons().Find(reinterpret_cast<uintptr_t>(icon)); }

}  // namespace kestrel::resources

namespace kestrel {

bool GetIconPixels(HICON icon, IconPixels* out) {
  auto found = resources::IconOf(icon);
  if (!found || !out) return false;
  *out = found->pixels;
  return true;
}

}  // namespace kestrel

extern "C" {

int WINAPI LookupIconIdFromDirectoryEx(PBYTE directory, BOOL icon, int cx, int cy, UINT) {
  using namespace kestrel::resources;
  if (!directory) return 0;
  size_t count = Le16(directory + 4);
  auto entries = Directory({directory, 6 + 14 * count}, icon != FALSE);
  auto id = BestImage(entries, cx ? cx : IconSize(), cy ? cy : IconSize(), ScreenBits());
  return id ? *id : 0;
}

HICON WINAPI CreateIconFromResourceEx(PBYTE bits, DWORD size, BOOL icon, DWORD, int cx, int cy, UINT flags) {
  using namespace kestrel::resources;
  auto image = bits ? Decode({bits, size}, icon != FALSE) : std::nullopt;
  if (!image) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  bool default_size = flags & LR_DEFAULTSIZE;
  int width = cx ? cx : default_size ? IconSize() : image->width;
  int height = cy ? cy : default_size ? IconSize() : image->height;
  if (width < 0 || height < 0 || width > kLargest || height > kLargest) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Add(Scaled(*image, width, height), false);
}

HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
  using namespace kestrel::resources;
  if (type != IMAGE_ICON || (flags & LR_LOADFROMFILE) || cx < 0 || cy < 0 || cx > kLargest || cy > kLargest) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::span<const uint8_t> section, group, image;
  DWORD error = SectionOf(instance, &section);
  auto name_id = IdFrom(name);
  if (error == ERROR_SUCCESS)
    error = name_id ? FindEntry(section, *IdFrom(RT_GROUP_ICON), *name_id, &group) : ERROR_RESOURCE_NAME_NOT_FOUND;
  std::vector<Entry> entries;
  if (error == ERROR_SUCCESS) {
    entries = Directory(group, true);
    if (entries.empty()) error = ERROR_INVALID_DATA;
  }
  if (error == ERROR_SUCCESS) {
    bool default_size = flags & LR_DEFAULTSIZE;
    if (!cx) cx = default_size ? IconSize() : entries.front().width;
    if (!cy) cy = default_size ? IconSize() : entries.front().height;
    WORD id = *BestImage(entries, cx, cy, ScreenBits());
    error = FindEntry(section, *IdFrom(RT_ICON), ResourceId{true, id, {}}, &image);
  }
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return nullptr;
  }
  bool shared = flags & LR_SHARED;
  auto& cache = Shared();
  std::unique_lock lock(cache.mutex, std::defer_lock);
  auto key = std::make_tuple(image.data(), cx, cy);
  if (shared) {
    lock.lock();
    auto it = cache.icons.find(key);
    if (it != cache.icons.end() && IconOf(it->second)) return it->second;
  }
  auto pixels = Decode(image, true);
  if (!pixels) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  HICON icon = Add(Scaled(*pixels, cx, cy), shared);
  if (shared && icon) cache.icons[key] = icon;
  return icon;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
  return static_cast<HICON>(LoadImageA(instance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

BOOL WINAPI DestroyIcon(HICON icon) {
  using namespace kestrel::resources;
  auto found = IconOf(icon);
  if (!found) {
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
    return FALSE;
  }
  if (!found->shared) Icons().Remove(reinterpret_cast<uintptr_t>(icon));
  return TRUE;
}

}  // extern "C"
