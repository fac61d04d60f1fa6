// CToolbar's strip: the toolbar control in the hidden form's window, its
// icons, its buttons by the visibility settings, and the table of the
// form's control windows.
#include <cstdlib>

#include "CToolbar.h"
#include "frmToolbar.h"
#include "modSettings.h"
#include "modSubclass.h"
#include "modTrace.h"
#include "modUtils.h"

namespace {

constexpr char16_t kClassName[] = u"CToolbar";

// The button texts; the strip copies them when the buttons are added.
constexpr char16_t kAbout[] = u" About";
constexpr char16_t kDeleteCookies[] = u"Delete Cookies";
constexpr char16_t kDisableProxy[] = u"Disable Proxy";
constexpr char16_t kEnableProxy[] = u"Enable Proxy";
constexpr char16_t kFavorites[] = u"Favorites";
constexpr char16_t kCapture[] = u"Capture";
constexpr char16_t kMisc[] = u"Misc";
constexpr char16_t kOptions[] = u"Options";

constexpr BYTE kPlain = TBSTYLE_AUTOSIZE;
constexpr BYTE kDropDown = TBSTYLE_AUTOSIZE | TBSTYLE_DROPDOWN;

// A visibility setting holds when its text is the number 1. A text that is
// no number counts as any other number: the button is left out.
bool Shown(const char16_t* key) {
  const std::string text = [&] {
    std::u16string value = modSettings::ReadSetting(u"Toolbar", key, u"1");
    return std::string(value.begin(), value.end());
  }();
  const char* begin = text.c_str();
  char* end = nullptr;
  const double number = std::strtod(begin, &end);
  if (end == begin) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0' && number == 1;
}

}  // namespace

void CToolbar::CreateToolbar() {
  modTrace::WriteTrace(u"Entered", kClassName, u"CreateToolbar", 1, 0, u"", u"");
  m_hWndParent = TheToolbarForm().hWnd();
  m_hWndToolbar = CreateToolbarEx(m_hWndParent, 0x40019944, 0, 0, nullptr, 0, nullptr, 0, 16, 16, 16, 16,
                                  sizeof(TBBUTTON));
  AddToolbarIcons();
  SendMessageA(m_hWndToolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  AddToolbarButtons();

  using modUtils::IgnoringErrors;
  IgnoringErrors([&] {
    const auto& controls = TheToolbarForm().Controls();
    m_ControlWindows.assign(controls.size() + 1, nullptr);
    for (kestrel::forms::Control* control : controls) {
      IgnoringErrors([&] {
        HWND window = control->hWnd();
        if (!window) return;
        const LONG id = GetWindowLongA(window, GWL_ID);
        if (id >= 0 && static_cast<size_t>(id) < m_ControlWindows.size()) m_ControlWindows[id] = window;
      });
    }
  });
  ISubclass* self = this;
  IgnoringErrors([&] { modSubclass::AttachMessage(self, m_hWndParent, WM_COMMAND); });
  IgnoringErrors([&] { modSubclass::AttachMessage(self, m_hWndParent, WM_NOTIFY); });
}

void CToolbar::AddToolbarIcons() {
  modTrace::WriteTrace(u"Entered", kClassName, u"AddToolbarIcons", 1, 0, u"", u"");
  m_ImageList.reset(ImageList_Create(16, 16, ILC_MASK | ILC_COLOR8, 1, 1));
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&kClassName), &self);
  for (int id = 101; id <= 108; ++id) ImageList_ReplaceIcon(m_ImageList.get(), -1, LoadIconA(self, MAKEINTRESOURCEA(id)));
  SendMessageA(m_hWndToolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_ImageList.get()));
}

void CToolbar::AddToolbarButtons() {
  modTrace::WriteTrace(u"Entered", kClassName, u"AddToolbarButtons", 1, 0, u"", u"");
  for (int16_t* id : {&ID_ABOUT, &ID_DELETECOOKIES, &ID_ENABLEPROXY, &ID_DISABLEPROXY, &ID_FAVORITES, &ID_CAPTURE,
                      &ID_MISC, &ID_OPTIONS})
    *id = -1;
  m_Buttons.clear();
  auto button = [&](int16_t& property, const char16_t* text, int image, BYTE style) {
    property = static_cast<int16_t>(m_Buttons.size());
    TBBUTTON b{};
    b.iBitmap = image;
    b.idCommand = property;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = style;
    b.iString = reinterpret_cast<INT_PTR>(text);
    m_Buttons.push_back(b);
  };
  auto separator = [&] {
    TBBUTTON b{};
    b.iBitmap = 6;
    b.fsStyle = TBSTYLE_SEP;
    m_Buttons.push_back(b);
  };
  const bool cookies = Shown(u"SHOW_DeleteCookies"), disable = Shown(u"SHOW_DisableProxy"),
             enable = Shown(u"SHOW_EnableProxy"), favorites = Shown(u"SHOW_Favorites"),
             capture = Shown(u"SHOW_Capture"), misc = Shown(u"SHOW_Misc");
  button(ID_ABOUT, kAbout, 0, kPlain);
  separator();
  if (cookies) button(ID_DELETECOOKIES, kDeleteCookies, 1, kPlain), separator();
  if (disable) button(ID_DISABLEPROXY, kDisableProxy, 2, kPlain);
  if (enable) button(ID_ENABLEPROXY, kEnableProxy, 3, kPlain);
  if (enable || disable) separator();
  if (favorites) button(ID_FAVORITES, kFavorites, 4, kDropDown), separator();
  if (capture) button(ID_CAPTURE, kCapture, 5, kDropDown), separator();
  if (misc) button(ID_MISC, kMisc, 6, kDropDown), separator();
  button(ID_OPTIONS, kOptions, 7, kPlain);
  SendMessageA(m_hWndToolbar, TB_ADDBUTTONSW, m_Buttons.size(), reinterpret_cast<LPARAM>(m_Buttons.data()));
}

void CToolbar::DestroyToolbar() {
  ISubclass* self = this;
  if (m_hWndParent) {
    modSubclass::DetachMessage(self, m_hWndParent, WM_COMMAND);
    modSubclass::DetachMessage(self, m_hWndParent, WM_NOTIFY);
  }
  if (m_hWndToolbar) DestroyWindow(m_hWndToolbar);
  m_hWndToolbar = nullptr;
  m_ImageList.reset();
  m_ControlWindows.clear();
}

int16_t CToolbar::ButtonIndexFromID(int id) const {
  for (size_t i = 0; i < m_Buttons.size(); ++i)
    if (m_Buttons[i].idCommand == id) return static_cast<int16_t>(i);
  return 0;
}

void CToolbar::PressToolbarButton(int index, bool pressed) {
  const LRESULT count = SendMessageA(m_hWndToolbar, TB_BUTTONCOUNT, 0, 0);
  if (index < 0 || index >= count) return;
  TBBUTTON b{};
  SendMessageA(m_hWndToolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b));
  SendMessageA(m_hWndToolbar, TB_PRESSBUTTON, b.idCommand, pressed ? 1 : 0);
}

RECT CToolbar::GetButtonRect(int index) const {
  RECT rect{};
  SendMessageA(m_hWndToolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
  return rect;
}

RECT CToolbar::RectToScreen(HWND hwnd, RECT rect) {
  POINT topLeft{rect.left, rect.top}, bottomRight{rect.right, rect.bottom};
  ClientToScreen(hwnd, &topLeft);
  ClientToScreen(hwnd, &bottomRight);
  return RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}
