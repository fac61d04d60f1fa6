// CToolbar's routing of the strip's notifications to the hidden form's
// commands, and the focus tracking that its controls' WM_COMMAND feeds.
#include <stdexcept>

#include "CToolbar.h"
#include "frmToolbar.h"
#include "kestrel/component_error.h"
#include "modMenu.h"
#include "modSettings.h"
#include "modTrace.h"

namespace {

constexpr char16_t kClassName[] = u"CToolbar";
constexpr char16_t kProcedure[] = u"ISubclass_WindowProc";

std::u16string Decimal(long long n) {
  std::string text = std::to_string(n);
  return std::u16string(text.begin(), text.end());
}

void TraceProc(const std::u16string& message, int16_t level = -1) {
  modTrace::WriteTrace(message, kClassName, kProcedure, level, 0, u"", u"");
}

// The argument as the 32-bit signed number the subclassing hands over.
long long Signed32(uint64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

}  // namespace

LRESULT CToolbar::WindowProc(HWND hwnd, UINT MSG, WPARAM wParam, LPARAM lParam, VARIANT_BOOL* Handled) {
  try {
    TraceProc(u"Entered (" + Decimal(Signed32(reinterpret_cast<uintptr_t>(hwnd))) + u", " + Decimal(Signed32(MSG)) +
              u", " + Decimal(Signed32(wParam)) + u", " + Decimal(Signed32(static_cast<uint64_t>(lParam))) + u")",
          4);
    if (MSG == WM_COMMAND) {
      const DWORD code = HIWORD(wParam), id = LOWORD(wParam);
      if (code == 3 || code == 256) {
        TraceProc(u"EN_SETFOCUS");
        if (id >= m_ControlWindows.size()) throw std::out_of_range("Subscript out of range");
        m_hWndFocus = m_ControlWindows[id];
        TraceProc(u"Window " + Decimal(reinterpret_cast<uintptr_t>(m_hWndFocus)) + u" has got focus");
        OnFocus(static_cast<VARIANT_BOOL>(VARIANT_TRUE));
        *Handled = VARIANT_TRUE;
      } else if (code == 4 || code == 512) {
        TraceProc(u"EN_KILLFOCUS");
        OnFocus(static_cast<VARIANT_BOOL>(VARIANT_FALSE));
        *Handled = VARIANT_TRUE;
      }
      // Any other code, menu choices and the strip's own BN_CLICKED among
      // them, is the form's.
    } else if (MSG == WM_NOTIFY && hwnd == m_hWndParent) {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code == TBN_DROPDOWN) {
        ShowDropdownMenu(reinterpret_cast<const NMTOOLBAR*>(lParam)->iItem);
        *Handled = VARIANT_TRUE;
      } else if (header->code == NM_CLICK) {
        const auto id = static_cast<int32_t>(reinterpret_cast<const NMMOUSE*>(lParam)->dwItemSpec);
        frmToolbar& form = TheToolbarForm();
        // An absent button's ID is -1, as is a click off every button: it
        // never names a command.
        auto is = [id](int16_t property) { return property != -1 && id == property; };
        bool handled = true;
        if (is(ID_DISABLEPROXY)) form.cmd_DisableProxy.SetValue(true);
        else if (is(ID_ENABLEPROXY)) form.cmd_EnableProxy.SetValue(true);
        else if (is(ID_DELETECOOKIES)) form.cmd_DeleteCookies.SetValue(true);
        else if (is(ID_ABOUT)) form.mnuAbout_Click();
        else if (is(ID_FAVORITES)) form.mnuAddtoFavorites_Click();
        else if (is(ID_CAPTURE)) DefaultCapture();
        else if (is(ID_OPTIONS)) form.cmd_Options.SetValue(true);
        else handled = false;  // the Misc body among them
        if (handled) *Handled = VARIANT_TRUE;
      }
    }
  } catch (const kestrel::ComponentError& e) {
    TraceProc(u"Error: " + e.description());
  } catch (const std::exception& e) {
    const std::string what = e.what();
    TraceProc(u"Error: " + std::u16string(what.begin(), what.end()));
  }
  return 0;
}

void CToolbar::DefaultCapture() {
  frmToolbar& form = TheToolbarForm();
  const std::u16string choice = modSettings::ReadSetting(u"Toolbar", u"DefaultCapture", u"Capture IE Page");
  if (choice == u"Capture Current Window") form.mnu_CaptureCurrent_Click();
  else if (choice == u"Capture Full Screen") form.mnu_CaptureFullScreen_Click();
  else if (choice == u"Capture and Email") form.mnuCaptureEmail_Click();
  else form.mnu_CaptureIEPage_Click();
}

void CToolbar::ShowDropdownMenu(int id) {
  constexpr UINT kFlags = TPM_VERTICAL | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON;
  const RECT rect = RectToScreen(m_hWndToolbar, GetButtonRect(ButtonIndexFromID(id)));
  const POINT at{rect.left, rect.bottom};
  PressToolbarButton(id, true);
  frmToolbar& form = TheToolbarForm();
  kestrel::forms::Menu* menu = nullptr;
  if (id == ID_FAVORITES) {
    menu = &form.mnuFavorites;
    form.FillFavoritesMenu();
  } else if (id == ID_MISC) {
    menu = &form.mnuMisc;
  } else if (id == ID_CAPTURE) {
    menu = &form.mnu_Capture;
  } else {
    PressToolbarButton(id, false);
    return;
  }
  if (HMENU popup = modMenu::GetSubMenuByCaption(form, menu->Caption()))
    TrackPopupMenu(popup, kFlags, at.x, at.y, 0, form.hWnd(), nullptr);
  PressToolbarButton(id, false);
}
