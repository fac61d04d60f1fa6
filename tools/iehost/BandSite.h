// The site that a browser window gives its bands: IServiceProvider hands
// out the browser object as SID_SWebBrowserApp, IInputObjectSite hears
// which band has the focus.
#pragma once

#include "Browser.h"
#include "com/band.h"
#include "com/com_object.h"
#include "com/service.h"

namespace iehost {

class BandSite : public kestrel::com::ComObject<IServiceProvider, IInputObjectSite> {
 public:
  BandSite(kestrel::com::ServerModule& module, Browser* browser);

  // SID_SWebBrowserApp (or IWebBrowserApp) for any interface the browser
  // answers; E_NOINTERFACE for every other service.
  HRESULT QueryService(REFGUID service, REFIID riid, void** object) override;
  HRESULT OnFocusChangeIS(IUnknown* object, BOOL setFocus) override;

  // The band that last said it has the focus, borrowed; null when none.
  IUnknown* FocusedBand() const { return focused_; }
  // Drops the browser when the window closes.
  void Detach() { browser_ = nullptr; }

 private:
  kestrel::ComPtr<Browser> browser_;
  IUnknown* focused_ = nullptr;
};

}  // namespace iehost
