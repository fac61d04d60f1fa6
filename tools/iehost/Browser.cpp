#include "Browser.h"

#include "HostModule.h"
#include "Transcript.h"
#include "com/variant.h"
#include "kestrel/codepage.h"

namespace iehost {

using kestrel::Variant;
using kestrel::com::DispatchMember;

const DispatchMember<Document> Document::kMembers[] = {
    {.name = u"title", .get = [](Document& d) { return Variant(d.title_); }},
    {.name = u"URL", .get = [](Document& d) { return Variant(d.url_); }},
};

Document::Document(kestrel::com::ServerModule& module, std::u16string url)
    : DispatchObject(module, kMembers), url_(url), title_(std::move(url)) {}

const DispatchMember<Browser> Browser::kMembers[] = {
    {.name = u"Document",
     .get = [](Browser& b) { return Variant(static_cast<IDispatch*>(b.document_.get())); }},
    {.name = u"LocationURL", .get = [](Browser& b) { return Variant(b.location_); }},
    {.name = u"HWND",
     .get = [](Browser& b) { return Variant(static_cast<int32_t>(reinterpret_cast<intptr_t>(b.frame_))); }},
    {.name = u"StatusText",
     .get = [](Browser& b) { return Variant(b.status_); },
     .put = [](Browser& b, const Variant& v) { b.put_StatusText(v.ToText()); }},
    {.name = u"Navigate2",
     .call = [](Browser& b, DispatchMember<Browser>::Args a) {
       b.Navigate(a[0].ToText());
       return Variant();
     },
     .minArgs = 1,
     .maxArgs = 5},
};

Browser::Browser(kestrel::com::ServerModule& module, HWND frame, HWND statusBar)
    : DispatchObject(module, kMembers), frame_(frame), statusBar_(statusBar) {}

HRESULT Browser::QueryInterface(REFIID riid, void** object) {
  if (object && (riid == IID_IWebBrowser || riid == IID_IWebBrowserApp)) {
    *object = static_cast<IWebBrowser2*>(this);
    AddRef();
    return S_OK;
  }
  return DispatchObject::QueryInterface(riid, object);
}

HRESULT Browser::get_Document(IDispatch** document) {
  if (!document) return E_POINTER;
  *document = document_.get();
  if (*document) (*document)->AddRef();
  return S_OK;
}

HRESULT Browser::get_LocationURL(std::u16string* url) {
  if (!url) return E_POINTER;
  *url = location_;
  return S_OK;
}

HRESULT Browser::get_HWND(SHANDLE_PTR* window) {
  if (!window) return E_POINTER;
  *window = reinterpret_cast<SHANDLE_PTR>(frame_);
  return S_OK;
}

HRESULT Browser::get_StatusText(std::u16string* text) {
  if (!text) return E_POINTER;
  *text = status_;
  return S_OK;
}

HRESULT Browser::put_StatusText(const std::u16string& text) {
  status_ = text;
  if (statusBar_) SetWindowTextA(statusBar_, kestrel::codepage::ToAnsi(text).c_str());
  Say(u"status: " + text);
  return S_OK;
}

HRESULT Browser::Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
  if (!url) return E_POINTER;
  if (!url->IsText()) return E_INVALIDARG;
  Navigate(url->Text());
  return S_OK;
}

void Browser::Navigate(const std::u16string& url) {
  location_ = url;
  document_ = kestrel::com::MakeObject<Document>(Module(), url);
  if (frame_) SetWindowTextA(frame_, kestrel::codepage::ToAnsi(document_->Title() + u" - iehost").c_str());
  Say(u"page: " + url);
}

}  // namespace iehost
