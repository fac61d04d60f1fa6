// cls_Capture: grabs the screen, the foreground window or a given window into
// LastCapture and writes it to image files.
#pragma once

#include "ShutterCore.h"
#include "com/dispatch_object.h"

class cls_Capture : public kestrel::com::DispatchObject<cls_Capture, _cls_Capture> {
 public:
  // Sets the library-wide trimming deltas back to 0.
  explicit cls_Capture(kestrel::com::ServerModule& module);

  HRESULT get_CopyCaptureToClipboard(VARIANT_BOOL* value) override;
  HRESULT put_CopyCaptureToClipboard(VARIANT_BOOL value) override;
  HRESULT get_XOld(LONG* value) override;
  HRESULT put_XOld(LONG value) override;
  HRESULT get_LastCapture(IPictureDisp** value) override;
  HRESULT putref_LastCapture(IPictureDisp* value) override;
  HRESULT get_CaptureClientOnly(VARIANT_BOOL* value) override;
  HRESULT put_CaptureClientOnly(VARIANT_BOOL value) override;
  HRESULT SaveCaptureToFile(std::u16string* filename, std::u16string* s_Format, VARIANT_BOOL* result) override;
  HRESULT DoCapture(CaptureType* Capture, LONG w_hwnd, VARIANT* result) override;
  HRESULT SetDelta(LONG* dx_Left, LONG* dy_Top, LONG* dx_Right, LONG* dy_Bottom) override;

 private:
  static const kestrel::com::DispatchMember<cls_Capture> kMembers[];

  bool m_bCopyCaptureToClipboard = false;
  LONG m_XOld = 0;
  kestrel::ComPtr<IPictureDisp> m_LastCapture;
  bool m_bCaptureClientOnly = false;
};
