// The capture library's type library ShutterCore: identifiers, the
// CaptureType enumeration and the dual interface _cls_Capture, as the band
// library binds to them.
//
// Members return S_OK; SaveCaptureToFile reports a failure by throwing
// kestrel::ComponentError (the error triple, source
// "CCapture.SaveCaptureToFile"), which late-bound callers receive through
// IDispatch::Invoke as DISP_E_EXCEPTION. E_POINTER for a null out-parameter.
#pragma once

#include <string>

#include "com/com.h"
#include "com/picture.h"

inline constexpr GUID LIBID_ShutterCore = kestrel::com::MakeGuid("926EA7FD-4509-405A-9276-3461CB58173A");
inline constexpr CLSID CLSID_cls_Capture = kestrel::com::MakeGuid("0D461D1A-F226-45A9-9ABD-CCDBA669BDCD");
inline constexpr IID IID__cls_Capture = kestrel::com::MakeGuid("B3CA3BFC-F968-4C32-A8C8-A664D5288681");
inline constexpr GUID GUID_CaptureType = kestrel::com::MakeGuid("ABDA3D0C-6A78-42E4-8BD7-67B30A3A0A5D");
inline constexpr char16_t kShutterCoreProgId[] = u"ShutterCore.cls_Capture";

enum CaptureType : int32_t {
  Capture_FullScreen = 0,
  Capture_ActiveWindow = 1,
  Capture_Window = 2,
};

struct _cls_Capture : IDispatch {
  static constexpr const IID& kIid = IID__cls_Capture;
  using Base = IDispatch;

  virtual HRESULT get_CopyCaptureToClipboard(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_CopyCaptureToClipboard(VARIANT_BOOL value) = 0;
  virtual HRESULT get_XOld(LONG* value) = 0;
  virtual HRESULT put_XOld(LONG value) = 0;
  // The caller receives a reference of its own (null for none).
  virtual HRESULT get_LastCapture(IPictureDisp** value) = 0;
  virtual HRESULT putref_LastCapture(IPictureDisp* value) = 0;
  virtual HRESULT get_CaptureClientOnly(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_CaptureClientOnly(VARIANT_BOOL value) = 0;
  virtual HRESULT SaveCaptureToFile(std::u16string* filename, std::u16string* s_Format, VARIANT_BOOL* result) = 0;
  // result is always empty; the picture is read from LastCapture.
  virtual HRESULT DoCapture(CaptureType* Capture, LONG w_hwnd, VARIANT* result) = 0;
  virtual HRESULT SetDelta(LONG* dx_Left, LONG* dy_Top, LONG* dx_Right, LONG* dy_Bottom) = 0;
};
