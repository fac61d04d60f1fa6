// The OLE picture object over a bitmap and its palette.
#include "com/picture.h"

#include "com/dispatch_object.h"
#include "kestrel/bitmap_file.h"
#include "windows.h"

namespace kestrel::ole {

namespace {

using com::DispatchMember;

// HIMETRIC (0.01 mm) of a length in pixels at 96 pixels per inch.
LONG Himetric(LONG pixels) { return static_cast<LONG>((static_cast<int64_t>(pixels) * 2540 + 48) / 96); }
LONG Pixels(LONG himetric) { return static_cast<LONG>((static_cast<int64_t>(himetric) * 96 + 1270) / 2540); }

OLE_HANDLE HandleValue(const void* handle) { return static_cast<OLE_HANDLE>(reinterpret_cast<uintptr_t>(handle)); }

class Picture : public com::DispatchObject<Picture, IPictureDisp, IPicture> {
 public:
  Picture(SHORT type, HBITMAP bitmap, HPALETTE palette, bool own);
  ~Picture() override {
    if (!own_) return;
    if (bitmap_) DeleteObject(bitmap_);
    if (palette_) DeleteObject(palette_);
  }

  HRESULT get_Handle(OLE_HANDLE* handle) override { return Out(handle, HandleValue(bitmap_)); }
  HRESULT get_hPal(OLE_HANDLE* palette) override { return Out(palette, HandleValue(palette_)); }
  HRESULT get_Type(SHORT* type) override { return Out(type, type_); }
  HRESULT get_Width(OLE_XSIZE_HIMETRIC* width) override { return Out(width, Himetric(width_)); }
  HRESULT get_Height(OLE_YSIZE_HIMETRIC* height) override { return Out(height, Himetric(height_)); }

  HRESULT Render(HDC hdc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc, OLE_YPOS_HIMETRIC ySrc,
                 OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc, const RECT*) override {
    if (!bitmap_) return E_UNEXPECTED;
    // Source coordinates run from the picture's bottom, upwards when cySrc < 0.
    LONG sx = Pixels(xSrc), sw = Pixels(cxSrc);
    LONG sy = height_ - Pixels(ySrc), sh = Pixels(cySrc);
    if (sh < 0) sh = -sh;
    else sy -= sh;
    if (sw != cx || sh != cy) return E_NOTIMPL;
    HDC memory = CreateCompatibleDC(hdc);
    if (!memory) return E_FAIL;
    HGDIOBJ previous = SelectObject(memory, bitmap_);
    BOOL done = previous && BitBlt(hdc, x, y, cx, cy, memory, sx, sy, SRCCOPY);
    if (previous) SelectObject(memory, previous);
    DeleteDC(memory);
    return done ? S_OK : E_FAIL;
  }

  HRESULT set_hPal(OLE_HANDLE palette) override {
    HPALETTE p = reinterpret_cast<HPALETTE>(static_cast<uintptr_t>(palette));
    if (p && GetObjectType(p) != OBJ_PAL) return E_INVALIDARG;
    if (own_ && palette_ && palette_ != p) DeleteObject(palette_);
    palette_ = p;
    return S_OK;
  }
  HRESULT get_CurDC(HDC* hdc) override {
    if (hdc) *hdc = nullptr;
    return E_NOTIMPL;
  }
  HRESULT SelectPicture(HDC, HDC* hdcOut, OLE_HANDLE* bitmapOut) override {
    if (hdcOut) *hdcOut = nullptr;
    if (bitmapOut) *bitmapOut = 0;
    return E_NOTIMPL;
  }
  HRESULT get_KeepOriginalFormat(BOOL* keep) override { return Out(keep, keep_original_); }
  HRESULT put_KeepOriginalFormat(BOOL keep) override {
    keep_original_ = keep;
    return S_OK;
  }
  HRESULT PictureChanged() override { return S_OK; }

  HRESULT SaveAsFile(IStream* stream, BOOL, LONG* size) override {
    if (!stream) return E_POINTER;
    if (!bitmap_) return CTL_E_INVALIDPICTURE;
    LONG written = 0;
    HRESULT failure = S_OK;
    DWORD result = gdi::WriteBitmap(bitmap_, [&](const void* data, size_t n) {
      ULONG done = 0;
      failure = stream->Write(data, static_cast<ULONG>(n), &done);
      written += static_cast<LONG>(done);
      return SUCCEEDED(failure) && done == n;
    });
    if (size) *size = written;
    if (FAILED(failure)) return failure;
    return result == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(result);
  }
  HRESULT get_Attributes(DWORD* attributes) override { return Out(attributes, DWORD{0}); }

 private:
  template <class T, class V>
  static HRESULT Out(T* out, V value) {
    if (!out) return E_POINTER;
    *out = static_cast<T>(value);
    return S_OK;
  }

  static const DispatchMember<Picture> kMembers[];

  SHORT type_;
  HBITMAP bitmap_;
  HPALETTE palette_;
  bool own_;
  LONG width_ = 0, height_ = 0;
  BOOL keep_original_ = TRUE;
};

const DispatchMember<Picture> Picture::kMembers[] = {
    {.name = u"Handle", .get = [](Picture& p) { return Variant(static_cast<int32_t>(HandleValue(p.bitmap_))); }},
    {.name = u"hPal",
     .get = [](Picture& p) { return Variant(static_cast<int32_t>(HandleValue(p.palette_))); },
     .put = [](Picture& p, const Variant& v) {
       if (FAILED(p.set_hPal(static_cast<OLE_HANDLE>(v.ToInt32())))) throw com::DispatchError(E_INVALIDARG);
     }},
    {.name = u"Type", .get = [](Picture& p) { return Variant(static_cast<int16_t>(p.type_)); }},
    {.name = u"Width", .get = [](Picture& p) { return Variant(static_cast<int32_t>(Himetric(p.width_))); }},
    {.name = u"Height", .get = [](Picture& p) { return Variant(static_cast<int32_t>(Himetric(p.height_))); }},
};

Picture::Picture(SHORT type, HBITMAP bitmap, HPALETTE palette, bool own)
    : DispatchObject(com::PlatformModule(), kMembers), type_(type), bitmap_(bitmap), palette_(palette), own_(own) {
  BITMAP bm{};
  if (bitmap_ && GetObjectA(bitmap_, sizeof bm, &bm) == sizeof bm) width_ = bm.bmWidth, height_ = bm.bmHeight;
}

}  // namespace

namespace {

HBITMAP BitmapOf(IUnknown* picture) {
  ComPtr<IPicture> p;
  if (!picture || FAILED(picture->QueryInterface(IID_IPicture, p.put_void()))) return nullptr;
  OLE_HANDLE handle = 0;
  SHORT type = PICTYPE_NONE;
  if (FAILED(p->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(p->get_Handle(&handle))) return nullptr;
  return reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(handle));
}

}  // namespace

HRESULT SavePicture(IUnknown* picture, const std::string& windowsPath, int bpp) {
  if (!picture) return E_POINTER;
  HBITMAP bitmap = BitmapOf(picture);
  if (!bitmap) return CTL_E_INVALIDPICTURE;
  DWORD result = gdi::WriteBitmapFile(bitmap, windowsPath, bpp);
  return result == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(result);
}

int PictureDepth(IUnknown* picture) {
  BITMAP bm{};
  HBITMAP bitmap = BitmapOf(picture);
  return bitmap && GetObjectA(bitmap, sizeof bm, &bm) == sizeof bm ? bm.bmBitsPixel : 0;
}

}  // namespace kestrel::ole

extern "C" {

HRESULT WINAPI OleCreatePictureIndirect(LPPICTDESC desc, REFIID riid, BOOL own, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  SHORT type = PICTYPE_UNINITIALIZED;
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  if (desc) {
    if (desc->cbSizeofstruct != sizeof(PICTDESC) || desc->picType != PICTYPE_BITMAP) return E_INVALIDARG;
    bitmap = desc->bmp.hbitmap;
    palette = desc->bmp.hpal;
    if (GetObjectType(bitmap) != OBJ_BITMAP || (palette && GetObjectType(palette) != OBJ_PAL)) return E_INVALIDARG;
    type = PICTYPE_BITMAP;
  }
  auto picture = kestrel::com::MakeObject<kestrel::ole::Picture>(type, bitmap, palette, own != FALSE);
  return picture->QueryInterface(riid, object);
}

}  // extern "C"
