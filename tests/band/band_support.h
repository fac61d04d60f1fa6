// The band tests' stand-ins for the browser, its band site and the log
// viewer, and the fixture that runs each test as a browser thread.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "CToolbar.h"
#include "Identifiers.h"
#include "Library.h"
#include "TraceViewerProtocol.h"
#include "com/com.h"
#include "com/com_object.h"
#include "com/dispatch_object.h"
#include "frmToolbar.h"
#include "kestrel/component_error.h"
#include "kestrel/codepage.h"
#include "machine_test.h"
#include "windows.h"

namespace band_test {
using kestrel::ComPtr;
using kestrel::Variant;

inline kestrel::com::ServerModule g_testModule;

// A browser object that answers only what the band asks of it here.
class FakeBrowser : public kestrel::com::DispatchObject<FakeBrowser, IWebBrowser2> {
 public:
  FakeBrowser() : DispatchObject(g_testModule, {}) {}
  HRESULT get_Document(IDispatch** document) override { return *document = nullptr, S_OK; }
  HRESULT get_LocationURL(std::u16string* url) override { return *url = u"about:blank", S_OK; }
  HRESULT get_HWND(SHANDLE_PTR* window) override { return *window = 0, S_OK; }
  HRESULT get_StatusText(std::u16string* text) override { return *text = status, S_OK; }
  HRESULT put_StatusText(const std::u16string& text) override { return status = text, S_OK; }
  HRESULT Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { return S_OK; }
  // The browser answers its older interface names with the same interface.
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return DispatchObject::QueryInterface(riid == IID_IWebBrowserApp ? IID_IWebBrowser2 : riid, object);
  }
  std::u16string status;
};

// A band site; with a browser it hands it out as SID_SWebBrowserApp.
class FakeSite : public kestrel::com::ComObject<IServiceProvider, IInputObjectSite> {
 public:
  explicit FakeSite(FakeBrowser* browser) : ComObject(g_testModule), browser_(browser) {}
  HRESULT QueryService(REFGUID service, REFIID riid, void** object) override {
    *object = nullptr;
    if (service != SID_SWebBrowserApp || !browser_) return E_NOINTERFACE;
    return browser_->QueryInterface(riid, object);
  }
  HRESULT OnFocusChangeIS(IUnknown* object, BOOL setFocus) override {
    focusChanges.push_back(setFocus);
    return S_OK;
  }
  std::vector<BOOL> focusChanges;

 private:
  ComPtr<FakeBrowser> browser_;
};

// The outside log viewer, in this thread: records "procedure: message" with
// their levels.
class FakeViewer {
 public:
  struct Record {
    std::string procedure, message;
    int level;
  };
  FakeViewer() {
    Current() = this;
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "BandTestViewer";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, "BandTestViewer", trace_viewer::kTitle, 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                            nullptr);
  }
  ~FakeViewer() {
    DestroyWindow(hwnd_);
    Current() = nullptr;
  }
  std::vector<Record> records;
  // "procedure: message" of every record, in order.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const Record& r : records) lines.push_back(r.procedure + ": " + r.message);
    return lines;
  }
  void Clear() { records.clear(); }

 private:
  static FakeViewer*& Current() {
    thread_local FakeViewer* viewer = nullptr;
    return viewer;
  }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_COPYDATA) return DefWindowProcA(hwnd, msg, wParam, lParam);
    auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (cds->dwData == trace_viewer::kLevelQuery) return 4;
    std::vector<std::u16string> fields;
    std::vector<std::string> f;
    bool whole = trace_viewer::SplitRecord(cds->lpData, cds->cbData, fields);
    for (const auto& field : fields) f.push_back(kestrel::codepage::ToUtf8(field));
    if (FakeViewer* v = Current(); v && whole) v->records.push_back({f[2], f[1], std::stoi(f[10])});
    return 0;
  }
  HWND hwnd_;
};

// Every test runs as a browser thread of its own: its own apartment, trace
// state, frmToolbar and g_oIE, all gone when the thread ends.
class BandTest : public kestrel::test::MachineTest {
 protected:
  static void OnBrowserThread(const std::function<void()>& body) {
    std::thread thread([&] {
      CoInitialize(nullptr);
      body();
      CoUninitialize();
    });
    thread.join();
    EXPECT_EQ(kestrel::com::LiveObjects(), 0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
  }
  static ComPtr<CToolbar> NewBand() { return kestrel::com::MakeObject<CToolbar>(g_module); }
  // A band sited on a site without a browser; siting sets the trace levels.
  struct SitedBand {
    ComPtr<FakeSite> site = kestrel::com::MakeObject<FakeSite>(nullptr);
    ComPtr<CToolbar> band = NewBand();
    SitedBand() { band->SetSite(static_cast<IServiceProvider*>(site.get())); }
    ~SitedBand() { band->SetSite(nullptr); }
  };
};

}  // namespace band_test
