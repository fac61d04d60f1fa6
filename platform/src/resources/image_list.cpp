// Image lists: icons scaled to the list's size and kept at its depth.
#include <mutex>

#include "kestrel/palette.h"
#include "resources/handle_space.h"
#include "resources/icons.h"
#include "windows.h"

namespace kestrel::resources {
namespace {

struct ImageList {
  int cx = 0, cy = 0;
  UINT flags = 0;
  std::mutex mutex;
  std::vector<IconPixels> images;
};

HandleSpace<ImageList>& Lists() {
  static HandleSpace<ImageList> space(0x00700000, 0x007FFFFC);
  return space;
}

std::shared_ptr<ImageList> ListOf(HIMAGELIST list) { return Lists().Find(reinterpret_cast<uintptr_t>(list)); }

// The bits per pixel a list keeps for its colour flags; 0 for unknown flags.
int DepthOf(UINT flags) {
  switch (flags & 0xFE) {
    case ILC_COLOR:
    case ILC_COLOR4: return 4;
    case ILC_COLOR8: return 8;
    case ILC_COLOR16: return 16;
    case ILC_COLOR24: return 24;
    case ILC_COLOR32: return 32;
    case ILC_COLORDDB: return ScreenBits() == 8 ? 8 : 24;
    default: return 0;
  }
}

uint32_t Reduce(uint32_t rgb, int depth) {
  switch (depth) {
    case 4: return palette::kSixteen[palette::Nearest(palette::kSixteen, rgb)];
    case 8: return palette::kStandard[palette::Nearest(palette::kStandard, rgb)];
    case 16: {
      uint32_t c = rgb & 0xF8F8F8;
      return c | ((c >> 5) & 0x070707);
    }
    default: return rgb;
  }
}

// The icon as the list holds it: at the list's size, depth and transparency.
IconPixels Stored(const IconPixels& icon, UINT flags) {
  int depth = DepthOf(flags);
  IconPixels image = icon;
  image.bits = depth;
  if (depth == 32) return image;
  for (size_t i = 0; i < image.argb.size(); ++i) {
    uint32_t c = image.argb[i];
    uint32_t a = c >> 24;
    if ((flags & ILC_MASK) && a < 128) {
      image.argb[i] = 0;
      image.mask[i] = 1;
      continue;
    }
    uint32_t rgb = c & 0xFFFFFF;  // premultiplied: the colour over black
    if (flags & ILC_MASK) {
      auto straight = [a](uint32_t v) { return std::min<uint32_t>(255, (v * 255 + a / 2) / a); };
      rgb = straight((c >> 16) & 0xFF) << 16 | straight((c >> 8) & 0xFF) << 8 | straight(c & 0xFF);
    }
    image.argb[i] = 0xFF000000 | Reduce(rgb, depth);
    image.mask[i] = 0;
  }
  return image;
}

}  // namespace
}  // namespace kestrel::resources

namespace kestrel {

bool GetImageListPixels(HIMAGELIST list, int index, IconPixels* out) {
  auto found = resources::ListOf(list);
  if (!found || !out) return false;
  std::lock_guard lock(found->mutex);
  if (index < 0 || static_cast<size_t>(index) >= found->images.size()) return false;
  *out = found->images[static_cast<size_t>(index)];
  return true;
}

}  // namespace kestrel

extern "C" {

HIMAGELIST WINAPI ImageList_Create(int cx, int cy, UINT flags, int initial, int grow) {
  using namespace kestrel::resources;
  if (cx <= 0 || cy <= 0 || cx > 1024 || cy > 1024 || !DepthOf(flags) || (flags & ~(0xFFu | ILC_MASK))) return nullptr;
  auto list = std::make_shared<ImageList>();
  list->cx = cx;
  list->cy = cy;
  list->flags = flags;
  if (initial > 0 && initial < 4096) list->images.reserve(static_cast<size_t>(initial));
  return reinterpret_cast<HIMAGELIST>(static_cast<uintptr_t>(Lists().Add(std::move(list))));
}

BOOL WINAPI ImageList_Destroy(HIMAGELIST list) {
  return kestrel::resources::Lists().Remove(reinterpret_cast<uintptr_t>(list)) ? TRUE : FALSE;
}

int WINAPI ImageList_GetImageCount(HIMAGELIST list) {
  auto found = kestrel::resources::ListOf(list);
  if (!found) return 0;
  std::lock_guard lock(found->mutex);
  return static_cast<int>(found->images.size());
}

BOOL WINAPI ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  auto found = kestrel::resources::ListOf(list);
  if (!found || !cx || !cy) return FALSE;
  *cx = found->cx;
  *cy = found->cy;
  return TRUE;
}

int WINAPI ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon) {
  using namespace kestrel::resources;
  auto found = ListOf(list);
  auto source = IconOf(icon);
  if (!found || !source) return -1;
  kestrel::IconPixels image = Stored(Scaled(source->pixels, found->cx, found->cy), found->flags);
  std::lock_guard lock(found->mutex);
  if (index == -1) {
    found->images.push_back(std::move(image));
    return static_cast<int>(found->images.size() - 1);
  }
  if (index < 0 || static_cast<size_t>(index) >= found->images.size()) return -1;
  found->images[static_cast<size_t>(index)] = std::move(image);
  return index;
}

}  // extern "C"
