// The browser's automation object, as the band reaches it through its site:
// QueryService(SID_SWebBrowserApp, IID_IWebBrowserApp), then IWebBrowser2.
//
// Declarations only. Differences from the real platform: IWebBrowser2
// declares only the members the system uses (in the platform's relative
// order), directly after IDispatch's, so its vtable is not the platform's.
// The browser object answers IID_IWebBrowser, IID_IWebBrowserApp and
// IID_IWebBrowser2 with this one interface. Text is std::u16string instead
// of BSTR; window handles are SHANDLE_PTR as on the platform.
#pragma once

#include <string>

#include "com/dispatch.h"

typedef LONG_PTR SHANDLE_PTR;

inline constexpr IID IID_IWebBrowser = kestrel::com::MakeGuid("EAB22AC1-30C1-11CF-A7EB-0000C05BAE0B");
inline constexpr IID IID_IWebBrowserApp = kestrel::com::MakeGuid("0002DF05-0000-0000-C000-000000000046");
inline constexpr IID IID_IWebBrowser2 = kestrel::com::MakeGuid("D30C1661-CDAF-11D0-8A3E-00C04FC9E26E");
inline constexpr GUID SID_SWebBrowserApp = IID_IWebBrowserApp;

struct IWebBrowser2 : IDispatch {
  static constexpr const IID& kIid = IID_IWebBrowser2;
  using Base = IDispatch;

  // The page's document object, bound by name; null while there is none.
  virtual HRESULT get_Document(IDispatch** document) = 0;
  virtual HRESULT get_LocationURL(std::u16string* url) = 0;
  // The browser's frame window.
  virtual HRESULT get_HWND(SHANDLE_PTR* window) = 0;
  // The status bar's text.
  virtual HRESULT get_StatusText(std::u16string* text) = 0;
  virtual HRESULT put_StatusText(const std::u16string& text) = 0;
  // URL is text; the other arguments may be null or empty.
  virtual HRESULT Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                            VARIANT* headers) = 0;
};
typedef IWebBrowser2 IWebBrowserApp;
