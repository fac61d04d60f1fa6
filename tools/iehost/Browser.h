// The browser object of one browser window (IWebBrowser2, also answered as
// IWebBrowser and IWebBrowserApp) and its page's document. Both live on the
// window's thread. The status text is shown in the status bar; a page
// change shows in the frame's caption.
#pragma once

#include <functional>
#include <string>

#include "com/browser.h"
#include "com/dispatch_object.h"
#include "windows.h"

namespace iehost {

// The page's document, bound by name: "title" and "URL".
class Document : public kestrel::com::DispatchObject<Document, IDispatch> {
 public:
  Document(kestrel::com::ServerModule& module, std::u16string url);
  const std::u16string& Title() const { return title_; }
  const std::u16string& Url() const { return url_; }

 private:
  static const kestrel::com::DispatchMember<Document> kMembers[];
  std::u16string url_;
  std::u16string title_;
};

class Browser : public kestrel::com::DispatchObject<Browser, IWebBrowser2> {
 public:
  // frame: the browser window; statusBar: the window showing StatusText.
  Browser(kestrel::com::ServerModule& module, HWND frame, HWND statusBar);

  HRESULT QueryInterface(REFIID riid, void** object) override;

  HRESULT get_Document(IDispatch** document) override;
  HRESULT get_LocationURL(std::u16string* url) override;
  HRESULT get_HWND(SHANDLE_PTR* window) override;
  HRESULT get_StatusText(std::u16string* text) override;
  HRESULT put_StatusText(const std::u16string& text) override;
  HRESULT Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                    VARIANT* headers) override;

  // Goes to url: a new document, the caption, the transcript.
  void Navigate(const std::u16string& url);
  const std::u16string& StatusText() const { return status_; }

 private:
  static const kestrel::com::DispatchMember<Browser> kMembers[];
  HWND frame_;
  HWND statusBar_;
  std::u16string status_;
  std::u16string location_;
  kestrel::ComPtr<Document> document_;
};

}  // namespace iehost
