#include <gtest/gtest.h>

#include "com/band.h"
#include "com/browser.h"
#include "com/com.h"
#include "com/com_object.h"

namespace {
using kestrel::ComPtr;

kestrel::com::ServerModule g_module;

// The shape of a band: IDeskBand's chain, with its other interfaces beside it.
class Band : public kestrel::com::ComObject<IDeskBand, IObjectWithSite, IInputObject, IPersistStream> {
 public:
  Band() : ComObject(g_module) {}
  HRESULT GetWindow(HWND* window) override { return E_NOTIMPL; }
  HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT ShowDW(BOOL) override { return S_OK; }
  HRESULT CloseDW(DWORD) override { return S_OK; }
  HRESULT ResizeBorderDW(const RECT*, IUnknown*, BOOL) override { return E_NOTIMPL; }
  HRESULT GetBandInfo(DWORD, DWORD, DESKBANDINFO*) override { return S_OK; }
  HRESULT SetSite(IUnknown*) override { return S_OK; }
  HRESULT GetSite(REFIID, void** site) override { return E_FAIL; }
  HRESULT UIActivateIO(BOOL, MSG*) override { return S_OK; }
  HRESULT HasFocusIO() override { return S_OK; }
  HRESULT TranslateAcceleratorIO(MSG*) override { return S_FALSE; }
  HRESULT GetClassID(CLSID* clsid) override { return E_NOTIMPL; }
  HRESULT IsDirty() override { return E_NOTIMPL; }
  HRESULT Load(IStream*) override { return S_OK; }
  HRESULT Save(IStream*, BOOL) override { return S_OK; }
  HRESULT GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
};

TEST(BandInterfaces, EveryInterfaceOfTheChainIsAnsweredWithOneIdentity) {
  {
    ComPtr<Band> band = kestrel::com::MakeObject<Band>();
    ComPtr<IDeskBand> desk = band.As<IDeskBand>();
    ASSERT_TRUE(desk);
    // The extended interfaces are the same vtable, seen from its start.
    EXPECT_EQ(static_cast<IUnknown*>(band.As<IOleWindow>().get()), static_cast<IUnknown*>(desk.get()));
    EXPECT_EQ(static_cast<IUnknown*>(band.As<IDockingWindow>().get()), static_cast<IUnknown*>(desk.get()));
    EXPECT_TRUE(band.As<IPersist>());
    EXPECT_EQ(band.As<IPersist>().get(), static_cast<IPersist*>(band.As<IPersistStream>().get()));
    EXPECT_EQ(band.As<IObjectWithSite>().As<IUnknown>(), desk.As<IUnknown>());
    EXPECT_FALSE(band.As<IWebBrowser2>());
    EXPECT_FALSE(band.As<IOleControlSite>());
  }
  EXPECT_EQ(kestrel::com::LiveObjects(), 0);
  EXPECT_EQ(g_module.CanUnloadNow(), S_OK);
}

}  // namespace
