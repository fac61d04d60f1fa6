// Image lists of the common controls.
//
// Differences from the real platform: images are kept as pixels, not in
// bitmaps, and are read back through kestrel/icon_pixels.h instead of being
// drawn into a device context. An icon is scaled smoothly to the list's size.
// Lists of up to 8 bits hold the sixteen standard colours (ILC_COLOR4 and
// ILC_COLOR) or the standard 256-colour palette (ILC_COLOR8; ILC_COLORDDB on
// an 8-bit screen); with ILC_MASK a pixel is transparent when less than half
// covered, without it the image is opaque over black; ILC_COLOR32 keeps the
// coverage as alpha. The initial size and growth only reserve room.
#pragma once

#include "win32/base.h"

KESTREL_DECLARE_HANDLE(HIMAGELIST);

#define ILC_MASK 0x00000001
#define ILC_COLOR 0x00000000
#define ILC_COLORDDB 0x000000FE
#define ILC_COLOR4 0x00000004
#define ILC_COLOR8 0x00000008
#define ILC_COLOR16 0x00000010
#define ILC_COLOR24 0x00000018
#define ILC_COLOR32 0x00000020

extern "C" {

// NULL when cx or cy is not 1 to 1024 or the colour flags are unknown.
HIMAGELIST WINAPI ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL WINAPI ImageList_Destroy(HIMAGELIST list);
int WINAPI ImageList_GetImageCount(HIMAGELIST list);
// FALSE for an unknown list; the sizes are then untouched.
BOOL WINAPI ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// Index -1 appends; otherwise replaces the image at index. Returns the
// image's index, -1 on failure (unknown list or icon, index out of range).
int WINAPI ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
#define ImageList_AddIcon(list, icon) ImageList_ReplaceIcon(list, -1, icon)

}  // extern "C"

#include "kestrel/unique_handle.h"

namespace kestrel {
struct ImageListTraits {
  using Type = HIMAGELIST;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type list) noexcept { ImageList_Destroy(list); }
};
using UniqueHImageList = UniqueHandle<ImageListTraits>;
}  // namespace kestrel
