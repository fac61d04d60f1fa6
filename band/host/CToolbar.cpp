#include "CToolbar.h"

#include "Library.h"
#include "frmToolbar.h"
#include "modTrace.h"
#include "modUtils.h"

using kestrel::Variant;
using kestrel::com::DispatchMember;

namespace {

constexpr char16_t kClassName[] = u"CToolbar";

// A 16-bit ID property of the dispatch table.
template <int16_t CToolbar::*Field>
constexpr DispatchMember<CToolbar> IdMember(const char16_t* name) {
  return {.name = name,
          .get = [](CToolbar& t) { return Variant(t.*Field); },
          .put = [](CToolbar& t, const Variant& v) {
            int32_t value = v.ToInt32();
            if (value < INT16_MIN || value > INT16_MAX) throw std::out_of_range("ID out of range");
            t.*Field = static_cast<int16_t>(value);
          }};
}

std::u16string Decimal(long long n) {
  std::string text = std::to_string(n);
  return std::u16string(text.begin(), text.end());
}

}  // namespace

const DispatchMember<CToolbar> CToolbar::kMembers[] = {
    IdMember<&CToolbar::ID_ABOUT>(u"ID_ABOUT"),
    IdMember<&CToolbar::ID_DELETECOOKIES>(u"ID_DELETECOOKIES"),
    IdMember<&CToolbar::ID_ENABLEPROXY>(u"ID_ENABLEPROXY"),
    IdMember<&CToolbar::ID_DISABLEPROXY>(u"ID_DISABLEPROXY"),
    IdMember<&CToolbar::ID_FAVORITES>(u"ID_FAVORITES"),
    IdMember<&CToolbar::ID_CAPTURE>(u"ID_CAPTURE"),
    IdMember<&CToolbar::ID_MISC>(u"ID_MISC"),
    IdMember<&CToolbar::ID_OPTIONS>(u"ID_OPTIONS"),
    {.name = u"OnFocus",
     .call = [](CToolbar& t, DispatchMember<CToolbar>::Args a) {
       const bool focused = a[0].IsInteger() ? a[0].ToInt32() != 0 : a[0].Bool();
       t.OnFocus(static_cast<VARIANT_BOOL>(focused ? VARIANT_TRUE : VARIANT_FALSE));
       return Variant();
     },
     .minArgs = 1,
     .maxArgs = 1},
};

CToolbar::CToolbar(kestrel::com::ServerModule& module) : DispatchObject(module, kMembers) {}

CToolbar::~CToolbar() = default;

HRESULT CToolbar::Get(int16_t field, SHORT* value) {
  if (!value) return E_POINTER;
  *value = field;
  return S_OK;
}

HRESULT CToolbar::Put(int16_t& field, SHORT value) {
  field = value;
  return S_OK;
}

void CToolbar::Trace(const std::u16string& message, const std::u16string& procedure, int16_t level) {
  modTrace::WriteTrace(message, kClassName, procedure, level, 0, u"", u"");
}

bool CToolbar::InitCommonControlClasses() {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = 8;
  icc.dwICC = ICC_USEREX_CLASSES;
  InitCommonControlsEx(&icc);
  return true;
}

std::u16string CToolbar::MessageName(LONG msg) {
  switch (msg) {
    case 78: return u"WM_NOTIFY";
    case 256: return u"WM_KEYDOWN";
    case 257: return u"WM_KEYUP";
    case 258: return u"WM_CHAR";
    case 260: return u"WM_SYSKEYDOWN";
    case 261: return u"WM_SYSKEYUP";
    case 273: return u"WM_COMMAND";
    default: return Decimal(msg);
  }
}

HRESULT CToolbar::OnFocus(VARIANT_BOOL Focused) {
  modUtils::IgnoringErrors([&] {
    Trace(std::u16string(u"Entered (") + (Focused ? u"True" : u"False") + u")", u"OnFocus", 3);
  });
  modUtils::IgnoringErrors([&] {
    if (m_InputObjectSite) m_InputObjectSite->OnFocusChangeIS(Self(), Focused ? TRUE : FALSE);
  });
  return S_OK;
}

HRESULT CToolbar::GetClassID(CLSID* pClassID) {
  if (!pClassID) return E_POINTER;
  *pClassID = CLSID_CToolbar;
  return S_OK;
}

HRESULT CToolbar::IOleWindow_GetWindow(HWND* phwnd) {
  if (!phwnd) return E_POINTER;
  *phwnd = m_hWndToolbar;
  return S_OK;
}

HRESULT CToolbar::IDeskBand_GetWindow(HWND* phwnd) {
  Trace(u"Entered", u"IDeskBand_GetWindow", 1);
  return IOleWindow_GetWindow(phwnd);
}

HRESULT CToolbar::ShowDW(BOOL fShow) {
  Trace(u"Entered", u"IDeskBand_ShowDW", 1);
  if (m_hWndToolbar) ShowWindow(m_hWndToolbar, fShow ? SW_SHOWNORMAL : SW_HIDE);
  return S_OK;
}

HRESULT CToolbar::GetBandInfo(DWORD dwBandID, DWORD dwViewMode, DESKBANDINFO* pdbi) {
  modUtils::IgnoringErrors([&] { Trace(u"Entered", u"IDeskBand_GetBandInfo", 1); });
  if (!pdbi) return S_OK;
  if (pdbi->dwMask & DBIM_MINSIZE) pdbi->ptMinSize = {600, 24};
  if (pdbi->dwMask & DBIM_MAXSIZE) pdbi->ptMaxSize = {-1, -1};
  if (pdbi->dwMask & DBIM_INTEGRAL) pdbi->ptIntegral = {1, 1};
  if (pdbi->dwMask & DBIM_ACTUAL) pdbi->ptActual = {200, 24};
  if (pdbi->dwMask & DBIM_MODEFLAGS) pdbi->dwModeFlags = DBIMF_NORMAL;
  return S_OK;
}

HRESULT CToolbar::SetSite(IUnknown* pUnkSite) {
  using modUtils::IgnoringErrors;
  if (!pUnkSite) {
    // Every loaded form of the library, then the references.
    IgnoringErrors([&] { g_forms.UnloadAll(); });
    m_oIE = nullptr;
    m_Site = nullptr;
    m_InputObjectSite = nullptr;
    return S_OK;
  }
  IgnoringErrors([&] {
    m_Site = pUnkSite;
    m_InputObjectSite = m_Site.As<IInputObjectSite>();
  });
  IgnoringErrors([&] { modTrace::InitTrace(u"Kestrel Toolbar", 2, false); });
  IgnoringErrors([&] { Trace(u"Entered", u"IObjectWithSite_SetSite", 1); });
  IgnoringErrors([&] { InitCommonControlClasses(); });
  IgnoringErrors([&] { m_oIE = modUtils::GetBrowserFromSite(m_Site.get()).As<IWebBrowser2>(); });
  IgnoringErrors([&] { TheToolbarForm().Init(m_oIE.get()); });
  return S_OK;
}

HRESULT CToolbar::GetSite(REFIID riid, void** ppvSite) {
  if (!ppvSite) return E_POINTER;
  *ppvSite = nullptr;
  if (!m_Site) return E_FAIL;
  return m_Site->QueryInterface(riid, ppvSite);
}

HRESULT CToolbar::UIActivateIO(BOOL fActivate, MSG* lpMsg) {
  Trace(u"Entered (" + Decimal(fActivate) + u")", u"IInputObject_UIActivateIO", 3);
  if (fActivate) {
    SetFocus(m_hWndFocus);  // 0 takes the focus from every window of the thread
  } else if (m_InputObjectSite) {
    m_InputObjectSite->OnFocusChangeIS(Self(), FALSE);
  }
  return S_OK;
}

HRESULT CToolbar::HasFocusIO() {
  Trace(u"Entered", u"IInputObject_HasFocusIO", -1);
  Trace(u"Yes, we have the focus", u"IInputObject_HasFocusIO", -1);
  return S_OK;
}

HRESULT CToolbar::TranslateAcceleratorIO(MSG* lpMsg) {
  constexpr char16_t kProcedure[] = u"IInputObject_TranslateAcceleratorIO";
  if (!lpMsg) return E_FAIL;
  Trace(u"Entered (" + MessageName(static_cast<LONG>(lpMsg->message)) + u")", kProcedure, -1);
  switch (lpMsg->message) {
    case WM_KEYDOWN:
      Trace(u"Key code is " + Decimal(static_cast<long long>(lpMsg->wParam)), kProcedure, 3);
      switch (lpMsg->wParam) {
        case VK_BACK:
          if (m_hWndFocus) SendMessageA(m_hWndFocus, WM_CHAR, lpMsg->wParam, lpMsg->lParam);
          return S_OK;
        case VK_UP:
        case VK_DOWN:
        case VK_DELETE:
          if (m_hWndFocus) SendMessageA(m_hWndFocus, WM_KEYDOWN, lpMsg->wParam, lpMsg->lParam);
          return S_OK;
        default:
          return E_FAIL;  // left to the browser
      }
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      Trace(u"Key code is " + Decimal(static_cast<long long>(lpMsg->wParam)), kProcedure, 3);
      return E_FAIL;
    default:
      return E_FAIL;
  }
}

LRESULT CToolbar::WindowProc(HWND hwnd, UINT MSG, WPARAM wParam, LPARAM lParam, VARIANT_BOOL* Handled) {
  // The strip's notifications are routed once the strip exists; until then
  // every message is left to the form.
  return 0;
}

HRESULT CToolbar::OnControlInfoChanged() {
  Trace(u"Entered", u"IOleControlSite_OnControlInfoChanged", -1);
  return E_NOTIMPL;
}

HRESULT CToolbar::LockInPlaceActive(BOOL fLock) {
  Trace(u"Entered", u"IOleControlSite_LockInPlaceActive", -1);
  return E_NOTIMPL;
}

HRESULT CToolbar::GetExtendedControl(IDispatch** ppDisp) {
  Trace(u"Entered", u"IOleControlSite_GetExtendedControl", -1);
  if (ppDisp) *ppDisp = nullptr;
  return E_NOTIMPL;
}

HRESULT CToolbar::TranslateAccelerator(MSG* pMsg, DWORD grfModifiers) {
  Trace(u"Entered", u"IOleControlSite_TranslateAccelerator", -1);
  return S_OK;
}

HRESULT CToolbar::OnFocus(BOOL fGotFocus) {
  Trace(u"Entered", u"IOleControlSite_OnFocus", -1);
  return S_OK;
}
