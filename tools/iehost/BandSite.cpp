#include "BandSite.h"

namespace iehost {

BandSite::BandSite(kestrel::com::ServerModule& module, Browser* browser) : ComObject(module), browser_(browser) {}

HRESULT BandSite::QueryService(REFGUID service, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (service != SID_SWebBrowserApp || !browser_) return E_NOINTERFACE;
  return browser_->QueryInterface(riid, object);
}

HRESULT BandSite::OnFocusChangeIS(IUnknown* object, BOOL setFocus) {
  if (setFocus) {
    focused_ = object;
  } else if (focused_ == object) {
    focused_ = nullptr;
  }
  return S_OK;
}

}  // namespace iehost
