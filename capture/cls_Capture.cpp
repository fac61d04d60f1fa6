#include "cls_Capture.h"

#include "Capture.h"
#include "SaveCapture.h"

namespace {

using kestrel::Variant;
using Member = kestrel::com::DispatchMember<cls_Capture>;

template <class T>
HRESULT Out(T* out, T value) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

VARIANT_BOOL Boolean(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

bool BoolOf(const Variant& v) { return v.vt() == VT_BOOL ? v.Bool() : v.ToInt32() != 0; }

kestrel::ComPtr<IPictureDisp> PictureOf(const Variant& v) {
  if (v.vt() == VT_DISPATCH) return kestrel::ComPtr<IDispatch>(v.Dispatch()).As<IPictureDisp>();
  if (v.vt() == VT_UNKNOWN) return kestrel::ComPtr<IUnknown>(v.Unknown()).As<IPictureDisp>();
  if (v.IsEmpty()) return nullptr;
  throw kestrel::com::DispatchError(DISP_E_TYPEMISMATCH);
}

}  // namespace

const Member cls_Capture::kMembers[] = {
    {.name = u"CopyCaptureToClipboard",
     .get = [](cls_Capture& c) { return Variant(c.m_bCopyCaptureToClipboard); },
     .put = [](cls_Capture& c, const Variant& v) { c.m_bCopyCaptureToClipboard = BoolOf(v); }},
    {.name = u"XOld",
     .get = [](cls_Capture& c) { return Variant(static_cast<int32_t>(c.m_XOld)); },
     .put = [](cls_Capture& c, const Variant& v) { c.m_XOld = v.ToInt32(); }},
    {.name = u"LastCapture",
     .get = [](cls_Capture& c) { return Variant(static_cast<IDispatch*>(c.m_LastCapture.get())); },
     .put = [](cls_Capture& c, const Variant& v) { c.m_LastCapture = PictureOf(v); }},
    {.name = u"CaptureClientOnly",
     .get = [](cls_Capture& c) { return Variant(c.m_bCaptureClientOnly); },
     .put = [](cls_Capture& c, const Variant& v) { c.m_bCaptureClientOnly = BoolOf(v); }},
    {.name = u"SaveCaptureToFile",
     .call =
         [](cls_Capture& c, Member::Args a) {
           std::u16string filename = a[0].ToText(), format = a[1].ToText();
           VARIANT_BOOL result = VARIANT_FALSE;
           c.SaveCaptureToFile(&filename, &format, &result);
           return Variant(result != VARIANT_FALSE);
         },
     .minArgs = 2,
     .maxArgs = 2},
    {.name = u"DoCapture",
     .call =
         [](cls_Capture& c, Member::Args a) {
           CaptureType type = static_cast<CaptureType>(a[0].ToInt32());
           Variant result;
           c.DoCapture(&type, a.size() > 1 ? a[1].ToInt32() : 0, &result);
           return result;
         },
     .minArgs = 1,
     .maxArgs = 2},
    {.name = u"SetDelta",
     .call =
         [](cls_Capture& c, Member::Args a) {
           LONG v[4] = {a[0].ToInt32(), a[1].ToInt32(), a[2].ToInt32(), a[3].ToInt32()};
           c.SetDelta(&v[0], &v[1], &v[2], &v[3]);
           return Variant();
         },
     .minArgs = 4,
     .maxArgs = 4},
};

cls_Capture::cls_Capture(kestrel::com::ServerModule& module) : DispatchObject(module, kMembers) {
  Capture::dx_Left = Capture::dy_Top = Capture::dx_Right = Capture::dy_Bottom = 0;
}

HRESULT cls_Capture::get_CopyCaptureToClipboard(VARIANT_BOOL* value) {
  return Out(value, Boolean(m_bCopyCaptureToClipboard));
}
HRESULT cls_Capture::put_CopyCaptureToClipboard(VARIANT_BOOL value) {
  m_bCopyCaptureToClipboard = value != VARIANT_FALSE;
  return S_OK;
}
HRESULT cls_Capture::get_XOld(LONG* value) { return Out(value, m_XOld); }
HRESULT cls_Capture::put_XOld(LONG value) {
  m_XOld = value;
  return S_OK;
}
HRESULT cls_Capture::get_LastCapture(IPictureDisp** value) {
  if (!value) return E_POINTER;
  *value = kestrel::ComPtr<IPictureDisp>(m_LastCapture).Detach();
  return S_OK;
}
HRESULT cls_Capture::putref_LastCapture(IPictureDisp* value) {
  m_LastCapture = value;
  return S_OK;
}
HRESULT cls_Capture::get_CaptureClientOnly(VARIANT_BOOL* value) { return Out(value, Boolean(m_bCaptureClientOnly)); }
HRESULT cls_Capture::put_CaptureClientOnly(VARIANT_BOOL value) {
  m_bCaptureClientOnly = value != VARIANT_FALSE;
  return S_OK;
}

HRESULT cls_Capture::SaveCaptureToFile(std::u16string* filename, std::u16string* s_Format, VARIANT_BOOL* result) {
  if (!filename || !s_Format) return E_POINTER;
  bool saved = shutterbox::SaveCaptureToFile(m_LastCapture.get(), *filename, *s_Format, FreeImage::Default());
  if (result) *result = Boolean(saved);
  return S_OK;
}

HRESULT cls_Capture::DoCapture(CaptureType* Capture, LONG w_hwnd, VARIANT* result) {
  if (!Capture) return E_POINTER;
  m_LastCapture.Reset();
  Capture::g_bCopyToClipboard = m_bCopyCaptureToClipboard;
  HWND window;
  switch (*Capture) {
    case Capture_FullScreen: window = GetDesktopWindow(); break;
    case Capture_ActiveWindow: window = GetForegroundWindow(); break;
    case Capture_Window: window = reinterpret_cast<HWND>(static_cast<uintptr_t>(static_cast<uint32_t>(w_hwnd))); break;
    default:
      if (result) *result = Variant();
      return S_OK;
  }
  m_LastCapture = Capture::GrabWindowImage(window, m_bCaptureClientOnly, -1, -1, -1, -1);
  if (result) *result = Variant();
  return S_OK;
}

HRESULT cls_Capture::SetDelta(LONG* dx_Left, LONG* dy_Top, LONG* dx_Right, LONG* dy_Bottom) {
  if (!dx_Left || !dy_Top || !dx_Right || !dy_Bottom) return E_POINTER;
  Capture::dx_Left = *dx_Left;
  Capture::dy_Top = *dy_Top;
  Capture::dx_Right = *dx_Right;
  Capture::dy_Bottom = *dy_Bottom;
  return S_OK;
}
