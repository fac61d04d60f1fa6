// modUtils: small helpers of the band host.
#pragma once

#include "com/com_ptr.h"
#include "com/unknown.h"

namespace modUtils {

// The browser object of the site: the site asked as IServiceProvider, and
// that asked for the service IWebBrowserApp with the interface
// IWebBrowserApp. Null when the site offers either not.
kestrel::ComPtr<IUnknown> GetBrowserFromSite(IUnknown* site);

// Runs one step whose errors are ignored: whatever it throws is dropped and
// only that step is skipped.
template <class Step>
void IgnoringErrors(Step&& step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace modUtils
