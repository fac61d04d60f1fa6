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

namespace {
using kestrel::ComPtr;
using kestrel::Variant;

kestrel::com::ServerModule g_testModule;

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
    std::u16string text(static_cast<const char16_t*>(cds->lpData), cds->cbData / 2);
    std::vector<std::string> f;
    for (size_t start = 0, i = 0; i < text.size(); ++i)
      if (text[i] == 0) f.push_back(kestrel::codepage::ToUtf8(text.substr(start, i - start))), start = i + 1;
    if (FakeViewer* v = Current(); v && f.size() == 12) v->records.push_back({f[2], f[1], std::stoi(f[10])});
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

TEST_F(BandTest, GetBandInfoWritesOnlyTheMaskedPartsAndLeavesTheMask) {
  struct Case {
    DWORD mask;
    POINTL min, max, integral, actual;
    DWORD modeFlags;
  };
  const POINTL u{7, 7};  // untouched
  const Case cases[] = {
      {DBIM_TITLE, u, u, u, u, 77},
      {DBIM_BKCOLOR, u, u, u, u, 77},
      {DBIM_MINSIZE, {600, 24}, u, u, u, 77},
      {DBIM_MAXSIZE, u, {-1, -1}, u, u, 77},
      {DBIM_INTEGRAL, u, u, {1, 1}, u, 77},
      {DBIM_ACTUAL, u, u, u, {200, 24}, 77},
      {DBIM_MODEFLAGS, u, u, u, u, DBIMF_NORMAL},
      {0x7F, {600, 24}, {-1, -1}, {1, 1}, {200, 24}, DBIMF_NORMAL},
  };
  OnBrowserThread([&] {
    ComPtr<CToolbar> band = NewBand();
    ComPtr<IDeskBand> desk = band.As<IDeskBand>();
    for (const Case& c : cases) {
      DESKBANDINFO info{};
      info.dwMask = c.mask;
      info.ptMinSize = info.ptMaxSize = info.ptIntegral = info.ptActual = u;
      info.wszTitle[0] = u'T';
      info.dwModeFlags = 77;
      info.crBkgnd = 0x123456;
      EXPECT_EQ(desk->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info), S_OK);
      SCOPED_TRACE("mask " + std::to_string(c.mask));
      EXPECT_EQ(info.dwMask, c.mask);
      EXPECT_EQ(std::pair(info.ptMinSize.x, info.ptMinSize.y), std::pair(c.min.x, c.min.y));
      EXPECT_EQ(std::pair(info.ptMaxSize.x, info.ptMaxSize.y), std::pair(c.max.x, c.max.y));
      EXPECT_EQ(std::pair(info.ptIntegral.x, info.ptIntegral.y), std::pair(c.integral.x, c.integral.y));
      EXPECT_EQ(std::pair(info.ptActual.x, info.ptActual.y), std::pair(c.actual.x, c.actual.y));
      EXPECT_EQ(info.dwModeFlags, c.modeFlags);
      EXPECT_EQ(info.wszTitle[0], u'T');
      EXPECT_EQ(info.crBkgnd, 0x123456u);
    }
    EXPECT_EQ(desk->GetBandInfo(0, 0, nullptr), S_OK);
  });
}

TEST_F(BandTest, TranslateAcceleratorIOHandlesFourKeysAndTracesKeyCodes) {
  struct Case {
    UINT message;
    WPARAM key;
    HRESULT result;
    bool keyTrace;
  };
  const Case cases[] = {
      {WM_KEYDOWN, 65, E_FAIL, true},     {WM_KEYDOWN, VK_BACK, S_OK, true}, {WM_KEYDOWN, VK_UP, S_OK, true},
      {WM_KEYDOWN, VK_DOWN, S_OK, true},  {WM_KEYDOWN, VK_DELETE, S_OK, true},
      {WM_KEYDOWN, VK_LEFT, E_FAIL, true}, {WM_KEYUP, VK_BACK, E_FAIL, false}, {WM_CHAR, 'a', E_FAIL, false},
      {WM_SYSKEYDOWN, 'F', E_FAIL, true}, {WM_SYSKEYUP, 'F', E_FAIL, true},
  };
  OnBrowserThread([&] {
    FakeViewer viewer;
    SitedBand sited;
    ComPtr<IInputObject> input = sited.band.As<IInputObject>();
    for (const Case& c : cases) {
      viewer.Clear();
      MSG msg{};
      msg.message = c.message;
      msg.wParam = c.key;
      SCOPED_TRACE("message " + std::to_string(c.message) + " key " + std::to_string(c.key));
      // No window has had the focus: the handled keys go nowhere, still handled.
      EXPECT_EQ(input->TranslateAcceleratorIO(&msg), c.result);
      ASSERT_FALSE(viewer.records.empty());
      EXPECT_EQ(viewer.records[0].procedure, "IInputObject_TranslateAcceleratorIO");
      const std::string name = c.message == WM_KEYDOWN     ? "WM_KEYDOWN"
                               : c.message == WM_KEYUP     ? "WM_KEYUP"
                               : c.message == WM_CHAR      ? "WM_CHAR"
                               : c.message == WM_SYSKEYUP  ? "WM_SYSKEYUP"
                                                           : "WM_SYSKEYDOWN";
      EXPECT_EQ(viewer.records[0].message, "Entered (" + name + ")");
      ASSERT_EQ(viewer.records.size(), c.keyTrace ? 2u : 1u);
      if (c.keyTrace) {
        EXPECT_EQ(viewer.records[1].message, "Key code is " + std::to_string(c.key));
        EXPECT_EQ(viewer.records[1].level, 3);
      }
    }
    MSG other{};
    other.message = 0x0200;
    viewer.Clear();
    EXPECT_EQ(input->TranslateAcceleratorIO(&other), E_FAIL);
    EXPECT_EQ(viewer.Lines(), std::vector<std::string>{"IInputObject_TranslateAcceleratorIO: Entered (512)"});
  });
}

TEST_F(BandTest, SitingTracesAndHandsTheBrowserToTheFormAndClearingTwiceIsHarmless) {
  OnBrowserThread([&] {
    FakeViewer viewer;
    ComPtr<FakeBrowser> browser = kestrel::com::MakeObject<FakeBrowser>();
    ComPtr<FakeSite> site = kestrel::com::MakeObject<FakeSite>(browser.get());
    ComPtr<CToolbar> band = NewBand();
    ComPtr<IObjectWithSite> withSite = band.As<IObjectWithSite>();
    EXPECT_EQ(withSite->SetSite(static_cast<IServiceProvider*>(site.get())), S_OK);
    EXPECT_EQ(viewer.Lines(), std::vector<std::string>{"IObjectWithSite_SetSite: Entered"});
    EXPECT_EQ(viewer.records[0].level, 1);
    EXPECT_EQ(static_cast<IUnknown*>(g_oIE.get()), static_cast<IUnknown*>(static_cast<IWebBrowser2*>(browser.get())));
    ComPtr<IServiceProvider> got;
    EXPECT_EQ(withSite->GetSite(IID_IServiceProvider, got.put_void()), S_OK);
    EXPECT_EQ(got.get(), static_cast<IServiceProvider*>(site.get()));

    TheToolbarForm().Load();  // as the strip asks for its parent
    EXPECT_EQ(g_forms.LoadedForms().size(), 1u);

    viewer.Clear();
    EXPECT_EQ(withSite->SetSite(nullptr), S_OK);
    EXPECT_EQ(withSite->SetSite(nullptr), S_OK);
    EXPECT_TRUE(viewer.records.empty()) << "nothing is traced when the site is cleared";
    void* none = &got;
    EXPECT_TRUE(FAILED(withSite->GetSite(IID_IUnknown, &none)));
    EXPECT_EQ(none, nullptr);
    EXPECT_TRUE(g_forms.LoadedForms().empty());
    // The browser outlives the site until the next band replaces it.
    EXPECT_TRUE(g_oIE);
    site = nullptr;
    band = nullptr;
    withSite = nullptr;
    EXPECT_EQ(g_module.Objects(), 0);
  });
}

TEST_F(BandTest, ASiteWithoutTheBrowserServiceStillSitesTheBand) {
  OnBrowserThread([&] {
    ComPtr<FakeSite> site = kestrel::com::MakeObject<FakeSite>(nullptr);
    ComPtr<CToolbar> band = NewBand();
    g_oIE = kestrel::com::MakeObject<FakeBrowser>();  // an earlier band's browser
    EXPECT_EQ(band->SetSite(static_cast<IServiceProvider*>(site.get())), S_OK);
    EXPECT_FALSE(g_oIE);
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(band.As<IDeskBand>()->GetWindow(&window), S_OK);
    EXPECT_EQ(window, nullptr);  // the strip's window; none until it is built
    // A site that is no service provider at all.
    ComPtr<FakeBrowser> plain = kestrel::com::MakeObject<FakeBrowser>();
    EXPECT_EQ(band->SetSite(static_cast<IWebBrowser2*>(plain.get())), S_OK);
    EXPECT_FALSE(g_oIE);
    EXPECT_EQ(band->SetSite(nullptr), S_OK);
  });
}

TEST_F(BandTest, FocusCallsReachTheInputSiteAndTrace) {
  OnBrowserThread([&] {
    FakeViewer viewer;
    ComPtr<FakeSite> site = kestrel::com::MakeObject<FakeSite>(nullptr);
    ComPtr<CToolbar> band = NewBand();
    band->SetSite(static_cast<IServiceProvider*>(site.get()));
    viewer.Clear();
    ComPtr<IInputObject> input = band.As<IInputObject>();
    EXPECT_EQ(input->HasFocusIO(), S_OK);
    EXPECT_EQ(input->UIActivateIO(FALSE, nullptr), S_OK);
    EXPECT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
    EXPECT_EQ(band->OnFocus(VARIANT_TRUE), S_OK);
    EXPECT_EQ(site->focusChanges, (std::vector<BOOL>{FALSE, TRUE}));
    EXPECT_EQ(viewer.Lines(), (std::vector<std::string>{
                                  "IInputObject_HasFocusIO: Entered",
                                  "IInputObject_HasFocusIO: Yes, we have the focus",
                                  "IInputObject_UIActivateIO: Entered (0)",
                                  "IInputObject_UIActivateIO: Entered (1)",
                                  "OnFocus: Entered (True)",
                              }));
    band->SetSite(nullptr);
    EXPECT_EQ(band->OnFocus(VARIANT_FALSE), S_OK) << "unsited, the input site is gone";
  });
}

TEST_F(BandTest, WindowMembersTraceOnlyThroughIDeskBand) {
  OnBrowserThread([&] {
    FakeViewer viewer;
    SitedBand sited;
    viewer.Clear();
    ComPtr<IOleWindow> own = sited.band.As<IOleWindow>();
    ComPtr<IDeskBand> desk = sited.band.As<IDeskBand>();
    HWND window;
    EXPECT_EQ(own->GetWindow(&window), S_OK);
    EXPECT_TRUE(viewer.records.empty());
    EXPECT_EQ(desk->GetWindow(&window), S_OK);
    EXPECT_EQ(desk->ShowDW(TRUE), S_OK);
    EXPECT_EQ(desk->ShowDW(FALSE), S_OK);
    EXPECT_EQ(desk->CloseDW(0), S_OK);
    EXPECT_EQ(viewer.Lines(), (std::vector<std::string>{"IDeskBand_GetWindow: Entered", "IDeskBand_ShowDW: Entered",
                                                        "IDeskBand_ShowDW: Entered"}));
    EXPECT_EQ(own->ContextSensitiveHelp(TRUE), E_NOTIMPL);
    EXPECT_EQ(desk->ContextSensitiveHelp(TRUE), E_NOTIMPL);
    EXPECT_EQ(desk->ResizeBorderDW(nullptr, nullptr, FALSE), E_NOTIMPL);
  });
}

TEST_F(BandTest, ControlSiteAndPersistenceResults) {
  OnBrowserThread([&] {
    FakeViewer viewer;
    SitedBand sited;
    viewer.Clear();
    ComPtr<IOleControlSite> control = sited.band.As<IOleControlSite>();
    ComPtr<IPersistStream> persist = sited.band.As<IPersistStream>();
    IDispatch* extended = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(control->OnFocus(TRUE), S_OK);
    EXPECT_EQ(control->TranslateAccelerator(nullptr, 0), S_OK);
    EXPECT_EQ(control->LockInPlaceActive(TRUE), E_NOTIMPL);
    EXPECT_EQ(control->OnControlInfoChanged(), E_NOTIMPL);
    EXPECT_EQ(control->GetExtendedControl(&extended), E_NOTIMPL);
    EXPECT_EQ(extended, nullptr);
    EXPECT_EQ(control->TransformCoords(nullptr, nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(control->ShowPropertyFrame(), E_NOTIMPL);
    EXPECT_EQ(viewer.Lines(), (std::vector<std::string>{
                                  "IOleControlSite_OnFocus: Entered", "IOleControlSite_TranslateAccelerator: Entered",
                                  "IOleControlSite_LockInPlaceActive: Entered",
                                  "IOleControlSite_OnControlInfoChanged: Entered",
                                  "IOleControlSite_GetExtendedControl: Entered"}));
    for (const auto& r : viewer.records) EXPECT_EQ(r.level, 2);
    EXPECT_EQ(persist->Load(nullptr), S_OK);
    EXPECT_EQ(persist->Save(nullptr, TRUE), S_OK);
    EXPECT_EQ(persist->IsDirty(), E_NOTIMPL);
    EXPECT_EQ(persist->GetSizeMax(nullptr), E_NOTIMPL);
  });
}

TEST_F(BandTest, CommandIdsAreReachableByName) {
  OnBrowserThread([&] {
    ComPtr<CToolbar> band = NewBand();
    ComPtr<IDispatch> dispatch = band.As<IDispatch>();
    for (const char16_t* name : {u"ID_ABOUT", u"ID_DELETECOOKIES", u"ID_ENABLEPROXY", u"ID_DISABLEPROXY",
                                 u"ID_FAVORITES", u"ID_CAPTURE", u"ID_MISC", u"ID_OPTIONS"})
      EXPECT_EQ(kestrel::com::GetProperty(dispatch.get(), name).ToInt32(), -1) << kestrel::codepage::ToUtf8(name);
    kestrel::com::PutProperty(dispatch.get(), u"ID_CAPTURE", Variant(int16_t{5}));
    SHORT id = 0;
    EXPECT_EQ(band->get_ID_CAPTURE(&id), S_OK);
    EXPECT_EQ(id, 5);
    bool refused = false;
    try {
      kestrel::com::PutProperty(dispatch.get(), u"ID_MISC", Variant(int32_t{70000}));
    } catch (const kestrel::ComponentError&) {
      refused = true;
    }
    EXPECT_TRUE(refused) << "a value outside 16 bits";
    EXPECT_EQ(band->ID_MISC, -1);
  });
}

}  // namespace
