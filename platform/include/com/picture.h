// OLE pictures: IPicture and IPictureDisp over a bitmap and its palette,
// OleCreatePictureIndirect, and saving a picture as a BMP file.
//
// Differences from the real platform: only bitmap pictures (PICTYPE_BITMAP)
// and uninitialised ones; OleCreatePictureIndirect refuses a handle that is
// not a bitmap (E_INVALIDARG) instead of making a picture of nothing. Render
// paints at one picture pixel per device pixel only (E_NOTIMPL otherwise);
// get_CurDC and SelectPicture are E_NOTIMPL. IPictureDisp answers its
// properties by name (Handle, hPal, Type, Width, Height). Saving writes the
// bitmap as kestrel/bitmap_file.h describes.
#pragma once

#include <string>

#include "com/dispatch.h"
#include "com/stream.h"
#include "win32/gdi.h"

typedef UINT OLE_HANDLE;
typedef LONG OLE_XPOS_HIMETRIC;
typedef LONG OLE_YPOS_HIMETRIC;
typedef LONG OLE_XSIZE_HIMETRIC;
typedef LONG OLE_YSIZE_HIMETRIC;

#define PICTYPE_UNINITIALIZED (-1)
#define PICTYPE_NONE 0
#define PICTYPE_BITMAP 1

#define CTL_E_INVALIDPICTURE MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 481)

// The 64-bit layout: cbSizeofstruct is sizeof(PICTDESC).
typedef struct tagPICTDESC {
  UINT cbSizeofstruct;
  UINT picType;
  union {
    struct {
      HBITMAP hbitmap;
      HPALETTE hpal;
    } bmp;
  };
} PICTDESC, *LPPICTDESC;

inline constexpr IID IID_IPicture = kestrel::com::MakeGuid("7BF80980-BF32-101A-8BBB-00AA00300CAB");
inline constexpr IID IID_IPictureDisp = kestrel::com::MakeGuid("7BF80981-BF32-101A-8BBB-00AA00300CAB");

struct IPicture : IUnknown {
  static constexpr const IID& kIid = IID_IPicture;
  using Base = IUnknown;

  virtual HRESULT get_Handle(OLE_HANDLE* handle) = 0;
  virtual HRESULT get_hPal(OLE_HANDLE* palette) = 0;
  virtual HRESULT get_Type(SHORT* type) = 0;
  virtual HRESULT get_Width(OLE_XSIZE_HIMETRIC* width) = 0;
  virtual HRESULT get_Height(OLE_YSIZE_HIMETRIC* height) = 0;
  virtual HRESULT Render(HDC hdc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                         OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc,
                         const RECT* bounds) = 0;
  virtual HRESULT set_hPal(OLE_HANDLE palette) = 0;
  virtual HRESULT get_CurDC(HDC* hdc) = 0;
  virtual HRESULT SelectPicture(HDC hdcIn, HDC* hdcOut, OLE_HANDLE* bitmapOut) = 0;
  virtual HRESULT get_KeepOriginalFormat(BOOL* keep) = 0;
  virtual HRESULT put_KeepOriginalFormat(BOOL keep) = 0;
  virtual HRESULT PictureChanged() = 0;
  // Writes the picture as a BMP file image into the stream.
  virtual HRESULT SaveAsFile(IStream* stream, BOOL saveMemCopy, LONG* size) = 0;
  virtual HRESULT get_Attributes(DWORD* attributes) = 0;
};
typedef IPicture* LPPICTURE;

struct IPictureDisp : IDispatch {
  static constexpr const IID& kIid = IID_IPictureDisp;
  using Base = IDispatch;
};
typedef IPictureDisp* LPPICTUREDISP;

extern "C" {

// A new picture answering riid (IPicture, IPictureDisp, IDispatch or
// IUnknown). desc NULL: an uninitialised picture. With own TRUE the picture
// deletes the bitmap and palette when it is released. E_INVALIDARG for a
// wrong cbSizeofstruct, a type other than PICTYPE_BITMAP or a handle that is
// not a bitmap (or not a palette, when one is given).
HRESULT WINAPI OleCreatePictureIndirect(LPPICTDESC desc, REFIID riid, BOOL own, LPVOID* object);

}  // extern "C"

namespace kestrel::ole {

// Saves a bitmap picture as a BMP file at a Windows path, replacing the file
// (the forms toolkit's SavePicture): in the bitmap's own depth, or with bpp
// 24 in 24 bits. E_POINTER for no picture, CTL_E_INVALIDPICTURE for one
// without a bitmap, HRESULT_FROM_WIN32 of the file system's error when the
// file cannot be written.
HRESULT SavePicture(IUnknown* picture, const std::string& windowsPath, int bpp = 0);
// The depth of a bitmap picture's bitmap; 0 for anything else.
int PictureDepth(IUnknown* picture);

}  // namespace kestrel::ole
