// Resources of modules and the icons made from them.
//
// Differences from the real platform: a module's resources are the .rsrc
// section of its ELF file (written by kestrel_add_resources in the build), in
// the layout of a compiled resource file; they are found by number, "#n" or
// name, and the first entry of a type and name is taken whatever its
// language. LoadResource and SizeofResource ignore their module argument.
// Only icons load as images (no bitmaps, cursors or files), and a NULL
// instance names the main program: there are no predefined system icons.
// The image chosen from a group is the one of the nearest size, bigger
// before smaller, and among those the deepest the screen shows
// (machine.conf "screen"), else the shallowest. Icon images are
// BITMAPINFOHEADER images (no PNG); an AND mask bit makes a pixel
// transparent (no inverted pixels). An icon made at another size is scaled
// smoothly and keeps its edge coverage as alpha; sizes above 1024 are
// refused. DestroyIcon leaves a shared icon alive and returns TRUE.
#pragma once

#include "win32/base.h"
#include "win32/windowing.h"

typedef HANDLE HGLOBAL;
typedef BYTE* PBYTE;

#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

#define RT_CURSOR MAKEINTRESOURCEA(1)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_MENU MAKEINTRESOURCEA(4)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCEA(12)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)
#define RT_VERSION MAKEINTRESOURCEA(16)
#define RT_MANIFEST MAKEINTRESOURCEA(24)
#define ISOLATIONAWARE_MANIFEST_RESOURCE_ID 2

#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2

#define LR_DEFAULTCOLOR 0x00000000
#define LR_LOADFROMFILE 0x00000010
#define LR_DEFAULTSIZE 0x00000040
#define LR_SHARED 0x00008000

// An icon resource's directory (RT_GROUP_ICON data), 2-byte packed.
#pragma pack(push, 2)
typedef struct {
  BYTE bWidth;  // 0 means 256
  BYTE bHeight;
  BYTE bColorCount;  // 0 for 8 bits and more
  BYTE bReserved;
  WORD wPlanes;
  WORD wBitCount;
  DWORD dwBytesInRes;
  WORD nID;  // the RT_ICON resource holding the image
} GRPICONDIRENTRY;
typedef struct {
  WORD idReserved;
  WORD idType;  // 1 for icons
  WORD idCount;
  GRPICONDIRENTRY idEntries[1];
} GRPICONDIR;
#pragma pack(pop)

extern "C" {

// NULL on failure: ERROR_INVALID_HANDLE for a handle that is no module,
// ERROR_RESOURCE_DATA_NOT_FOUND for a module without resources,
// ERROR_RESOURCE_TYPE_NOT_FOUND / ERROR_RESOURCE_NAME_NOT_FOUND.
HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
// NULL for an unknown resource handle (ERROR_INVALID_HANDLE).
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
// The resource's bytes, valid while its module stays loaded; NULL on failure.
LPVOID WINAPI LockResource(HGLOBAL data);
// 0 on failure.
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);

// The resource ID of the group's best image for cx x cy (0 means the
// system's icon size); 0 when the directory is not a valid icon directory.
int WINAPI LookupIconIdFromDirectoryEx(PBYTE directory, BOOL icon, int cx, int cy, UINT flags);
// An icon from one RT_ICON image, scaled to cx x cy; 0 keeps the image's
// size, or takes the system's with LR_DEFAULTSIZE. NULL with
// ERROR_INVALID_DATA for a malformed image.
HICON WINAPI CreateIconFromResourceEx(PBYTE bits, DWORD size, BOOL icon, DWORD version, int cx, int cy,
                                      UINT flags);
// The group's best image at cx x cy. Size 0 takes the system's icon size
// with LR_DEFAULTSIZE, else the size of the group's first image. With
// LR_SHARED the same handle comes back for the same image and size.
HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
// LoadImageA(instance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED).
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
// FALSE with ERROR_INVALID_CURSOR_HANDLE for a handle that is no icon.
BOOL WINAPI DestroyIcon(HICON icon);

}  // extern "C"

#include "kestrel/unique_handle.h"

namespace kestrel {
struct IconTraits {
  using Type = HICON;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type icon) noexcept { DestroyIcon(icon); }
};
// Owns an icon that is not shared (LoadIconA and LR_SHARED icons need no owner).
using UniqueHIcon = UniqueHandle<IconTraits>;
}  // namespace kestrel
