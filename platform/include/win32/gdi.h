// GDI of the stand-in: the screen, device contexts, bitmaps, palettes and
// bit-block transfers.
//
// Differences from the real platform: the screen is a framebuffer of
// 1024 x 768 pixels at 32 bits (B, G, R, X) or, when machine.conf says
// "screen = 8" (read when a machine folder is first drawn on), at 8 bits over
// a fixed 256-entry system palette (the 20 static colours, a colour cube and
// a grey ramp; every entry distinct). Each window keeps its own 32-bit
// backing store: drawing into a window's DC lands there, and reading from a
// window or screen DC reads this process's visible windows composed in
// z-order over the desktop (at 8 bits, each pixel mapped to its nearest
// system palette entry); the screen outside its bounds reads as black.
// A window's frame and caption are drawn into its store when the store is
// made or resized (no WM_NCPAINT); a window procedure that leaves WM_PAINT to
// DefWindowProcA gets its client area filled with its class background when
// that is a system colour (there are no brush objects). Bitmaps are 8 or 32
// bits (no monochrome; a memory DC's default bitmap is 1 x 1 at the screen's
// depth), and 8-bit bitmaps hold system palette indices whatever palette is
// selected. Logical palettes are kept and handed around but never change the
// system palette. Of the raster operations only SRCCOPY, BLACKNESS and
// WHITENESS exist. GDI objects are shared by all threads of a process.
#pragma once

#include "win32/base.h"
#include "win32/windowing.h"

typedef DWORD COLORREF;
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)(((WORD)(c)) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))
#define CLR_INVALID 0xFFFFFFFF
#define GDI_ERROR 0xFFFFFFFFL

typedef struct tagBITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
} BITMAP;

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER;
static_assert(sizeof(BITMAPINFOHEADER) == 40);

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO;

#define BI_RGB 0L
#define DIB_RGB_COLORS 0

typedef struct tagPALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
} PALETTEENTRY;

typedef struct tagLOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

// GetDeviceCaps indexes and RASTERCAPS bits.
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define RASTERCAPS 38
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define RC_BITBLT 0x0001
#define RC_BITMAP64 0x0008
#define RC_DI_BITMAP 0x0080
#define RC_PALETTE 0x0100
#define RC_DIBTODEV 0x0200
#define RC_STRETCHBLT 0x0800

// Raster operations.
#define SRCCOPY 0x00CC0020
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

// Object types (GetObjectType) and stock objects.
#define OBJ_PAL 5
#define OBJ_DC 3
#define OBJ_MEMDC 10
#define OBJ_BITMAP 7
#define DEFAULT_PALETTE 15

// System colours (GetSysColor; a class background of COLOR_x + 1 paints in it).
#define COLOR_DESKTOP 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_BTNHIGHLIGHT 20

typedef struct tagPAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

extern "C" {

// The client DC of the window, its update area in rcPaint; the window is
// validated. EndPaint releases the DC.
HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint);
BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint);
// The fixed colours of the stand-in's one scheme; 0 for an unknown index.
DWORD WINAPI GetSysColor(int index);

// Screen and window DCs. GetDC(NULL) and GetWindowDC(NULL) are the screen.
// NULL for a handle that is not a window (ERROR_INVALID_WINDOW_HANDLE).
HDC WINAPI GetDC(HWND window);
HDC WINAPI GetWindowDC(HWND window);
// 1 when released, 0 when hdc is not a DC of that window.
int WINAPI ReleaseDC(HWND window, HDC hdc);

// A memory DC over the given DC's device (NULL: the screen), holding a
// 1 x 1 bitmap until another is selected.
HDC WINAPI CreateCompatibleDC(HDC hdc);
BOOL WINAPI DeleteDC(HDC hdc);

// A bitmap in the DC's colour format (a memory DC: that of its selected
// bitmap), all black. NULL when the size is not positive or too large.
HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int width, int height);
// Selects a bitmap into a memory DC (NULL for a bitmap already selected
// elsewhere) or a palette (use SelectPalette). Returns the previous object.
HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ object);
// FALSE for an object selected into a DC, a stock object or a non-object.
BOOL WINAPI DeleteObject(HGDIOBJ object);
// BITMAP for bitmaps, WORD entry count for palettes; bytes written, 0 on failure.
int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
DWORD WINAPI GetObjectType(HGDIOBJ object);
HGDIOBJ WINAPI GetStockObject(int index);

BOOL WINAPI BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                   DWORD rop);
COLORREF WINAPI GetPixel(HDC hdc, int x, int y);
COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color);

int WINAPI GetDeviceCaps(HDC hdc, int index);

// Palettes. GetSystemPaletteEntries gives 0 on a device without a palette.
HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette);
HPALETTE WINAPI SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
UINT WINAPI RealizePalette(HDC hdc);
UINT WINAPI GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries);
UINT WINAPI GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);

// Device-independent bits of a bitmap (8, 24 or 32 bits asked for in
// info->bmiHeader.biBitCount; bottom-up rows when biHeight > 0, padded to 4
// bytes). bits NULL: fills the header (biSizeImage) and, at 8 bits, the
// colour table. Returns the lines copied, 0 on failure.
int WINAPI GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage);
// The reverse: sets lines of the bitmap from bits in the format of info.
int WINAPI SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPCVOID bits, const BITMAPINFO* info,
                     UINT usage);

}  // extern "C"
