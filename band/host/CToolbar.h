// CToolbar: the band object the browser creates by class ID. It answers, in
// this order, _CToolbar, IPersistStream (and IPersist), IOleWindow on its
// own, IDeskBand (with IDockingWindow and its own IOleWindow),
// IObjectWithSite, IInputObject, ISubclass and IOleControlSite. Its COM
// members skip failing steps and report success where the band says so;
// they trace with the class name "CToolbar".
#pragma once

#include <cstdint>
#include <string>

#include "ISubclass.h"
#include "_CToolbar.h"
#include "com/band.h"
#include "com/browser.h"
#include "com/dispatch_object.h"
#include "com/persist.h"
#include "windows.h"

// IOleWindow as answered on its own, apart from IDeskBand's.
struct CToolbarOleWindow : IOleWindow {
  using Base = IUnknown;
  HRESULT GetWindow(HWND* phwnd) final { return IOleWindow_GetWindow(phwnd); }
  HRESULT ContextSensitiveHelp(BOOL fEnterMode) final { return IOleWindow_ContextSensitiveHelp(fEnterMode); }
  virtual HRESULT IOleWindow_GetWindow(HWND* phwnd) = 0;
  virtual HRESULT IOleWindow_ContextSensitiveHelp(BOOL fEnterMode) = 0;
};

// IDeskBand's own IOleWindow members.
struct CToolbarDeskBand : IDeskBand {
  HRESULT GetWindow(HWND* phwnd) final { return IDeskBand_GetWindow(phwnd); }
  HRESULT ContextSensitiveHelp(BOOL fEnterMode) final { return IDeskBand_ContextSensitiveHelp(fEnterMode); }
  virtual HRESULT IDeskBand_GetWindow(HWND* phwnd) = 0;
  virtual HRESULT IDeskBand_ContextSensitiveHelp(BOOL fEnterMode) = 0;
};

class CToolbar : public kestrel::com::DispatchObject<CToolbar, _CToolbar, IPersistStream, CToolbarOleWindow,
                                                     CToolbarDeskBand, IObjectWithSite, IInputObject, ISubclass,
                                                     IOleControlSite> {
 public:
  explicit CToolbar(kestrel::com::ServerModule& module);
  ~CToolbar() override;

  // _CToolbar
  HRESULT get_ID_ABOUT(SHORT* value) override { return Get(ID_ABOUT, value); }
  HRESULT put_ID_ABOUT(SHORT value) override { return Put(ID_ABOUT, value); }
  HRESULT get_ID_DELETECOOKIES(SHORT* value) override { return Get(ID_DELETECOOKIES, value); }
  HRESULT put_ID_DELETECOOKIES(SHORT value) override { return Put(ID_DELETECOOKIES, value); }
  HRESULT get_ID_ENABLEPROXY(SHORT* value) override { return Get(ID_ENABLEPROXY, value); }
  HRESULT put_ID_ENABLEPROXY(SHORT value) override { return Put(ID_ENABLEPROXY, value); }
  HRESULT get_ID_DISABLEPROXY(SHORT* value) override { return Get(ID_DISABLEPROXY, value); }
  HRESULT put_ID_DISABLEPROXY(SHORT value) override { return Put(ID_DISABLEPROXY, value); }
  HRESULT get_ID_FAVORITES(SHORT* value) override { return Get(ID_FAVORITES, value); }
  HRESULT put_ID_FAVORITES(SHORT value) override { return Put(ID_FAVORITES, value); }
  HRESULT get_ID_CAPTURE(SHORT* value) override { return Get(ID_CAPTURE, value); }
  HRESULT put_ID_CAPTURE(SHORT value) override { return Put(ID_CAPTURE, value); }
  HRESULT get_ID_MISC(SHORT* value) override { return Get(ID_MISC, value); }
  HRESULT put_ID_MISC(SHORT value) override { return Put(ID_MISC, value); }
  HRESULT get_ID_OPTIONS(SHORT* value) override { return Get(ID_OPTIONS, value); }
  HRESULT put_ID_OPTIONS(SHORT value) override { return Put(ID_OPTIONS, value); }
  HRESULT OnFocus(VARIANT_BOOL Focused) override;

  // IPersist, IPersistStream
  HRESULT GetClassID(CLSID* pClassID) override;
  HRESULT IsDirty() override { return E_NOTIMPL; }
  HRESULT Load(IStream* pStm) override { return S_OK; }
  HRESULT Save(IStream* pStm, BOOL fClearDirty) override { return S_OK; }
  HRESULT GetSizeMax(ULARGE_INTEGER* pcbSize) override { return E_NOTIMPL; }

  // IOleWindow
  HRESULT IOleWindow_GetWindow(HWND* phwnd) override;
  HRESULT IOleWindow_ContextSensitiveHelp(BOOL fEnterMode) override { return E_NOTIMPL; }

  // IDeskBand, IDockingWindow
  HRESULT IDeskBand_GetWindow(HWND* phwnd) override;
  HRESULT IDeskBand_ContextSensitiveHelp(BOOL fEnterMode) override { return E_NOTIMPL; }
  HRESULT ShowDW(BOOL fShow) override;
  HRESULT CloseDW(DWORD dwReserved) override { return S_OK; }
  HRESULT ResizeBorderDW(const RECT* prcBorder, IUnknown* punkToolbarSite, BOOL fReserved) override {
    return E_NOTIMPL;
  }
  HRESULT GetBandInfo(DWORD dwBandID, DWORD dwViewMode, DESKBANDINFO* pdbi) override;

  // IObjectWithSite
  HRESULT SetSite(IUnknown* pUnkSite) override;
  HRESULT GetSite(REFIID riid, void** ppvSite) override;

  // IInputObject
  HRESULT UIActivateIO(BOOL fActivate, MSG* lpMsg) override;
  HRESULT HasFocusIO() override;
  HRESULT TranslateAcceleratorIO(MSG* lpMsg) override;

  // ISubclass
  LRESULT WindowProc(HWND hwnd, UINT MSG, WPARAM wParam, LPARAM lParam, VARIANT_BOOL* Handled) override;

  // IOleControlSite
  HRESULT OnControlInfoChanged() override;
  HRESULT LockInPlaceActive(BOOL fLock) override;
  HRESULT GetExtendedControl(IDispatch** ppDisp) override;
  HRESULT TransformCoords(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) override { return E_NOTIMPL; }
  HRESULT TranslateAccelerator(MSG* pMsg, DWORD grfModifiers) override;
  HRESULT OnFocus(BOOL fGotFocus) override;
  HRESULT ShowPropertyFrame() override { return E_NOTIMPL; }

  // The command IDs of the strip's buttons; -1 while a button is absent.
  int16_t ID_ABOUT = -1;
  int16_t ID_DELETECOOKIES = -1;
  int16_t ID_ENABLEPROXY = -1;
  int16_t ID_DISABLEPROXY = -1;
  int16_t ID_FAVORITES = -1;
  int16_t ID_CAPTURE = -1;
  int16_t ID_MISC = -1;
  int16_t ID_OPTIONS = -1;

 private:
  static const kestrel::com::DispatchMember<CToolbar> kMembers[];

  static HRESULT Get(int16_t field, SHORT* value);
  static HRESULT Put(int16_t& field, SHORT value);
  IUnknown* Self() { return static_cast<IUnknown*>(static_cast<_CToolbar*>(this)); }
  void Trace(const std::u16string& message, const std::u16string& procedure, int16_t level);
  static bool InitCommonControlClasses();
  static std::u16string MessageName(LONG msg);

  kestrel::ComPtr<IUnknown> m_Site;
  kestrel::ComPtr<IInputObjectSite> m_InputObjectSite;
  kestrel::ComPtr<IWebBrowser2> m_oIE;
  HWND m_hWndParent = nullptr;
  HWND m_hWndToolbar = nullptr;
  HWND m_hWndFocus = nullptr;
};
