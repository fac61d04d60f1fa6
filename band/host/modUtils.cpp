#include "modUtils.h"

#include "com/service.h"

namespace modUtils {

kestrel::ComPtr<IUnknown> GetBrowserFromSite(IUnknown* site) {
  kestrel::ComPtr<IUnknown> browser;
  if (!site) return browser;
  IID iidServiceProvider{};
  GUID sidWebBrowserApp{};
  IID iidWebBrowserApp{};
  if (FAILED(CLSIDFromString(u"{6D5140C1-7436-11CE-8034-00AA006009FA}", &iidServiceProvider)) ||
      FAILED(CLSIDFromString(u"{0002DF05-0000-0000-C000-000000000046}", &sidWebBrowserApp)) ||
      FAILED(CLSIDFromString(u"{0002DF05-0000-0000-C000-000000000046}", &iidWebBrowserApp)))
    return browser;
  kestrel::ComPtr<IServiceProvider> provider;
  if (FAILED(site->QueryInterface(iidServiceProvider, provider.put_void())) || !provider) return browser;
  provider->QueryService(sidWebBrowserApp, iidWebBrowserApp, browser.put_void());
  return browser;
}

}  // namespace modUtils
