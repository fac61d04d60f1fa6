#include "frmToolbar.h"

#include "Library.h"
#include "modTrace.h"

thread_local kestrel::ComPtr<IWebBrowser2> g_oIE;

frmToolbar::frmToolbar() : Form(g_forms, u"frmToolbar", u"Provides the Toolbar controls", 4800, 3600) {
  mnuAbout.Click = [this] { mnuAbout_Click(); };
  mnuAddtoFavorites.Click = [this] { mnuAddtoFavorites_Click(); };
  mnuOrganizeFavorites.Click = [this] { mnuOrganizeFavorites_Click(); };
  mnu_CaptureCurrent.Click = [this] { mnu_CaptureCurrent_Click(); };
  mnu_CaptureFullScreen.Click = [this] { mnu_CaptureFullScreen_Click(); };
  mnu_CaptureIEPage.Click = [this] { mnu_CaptureIEPage_Click(); };
  mnuCaptureEmail.Click = [this] { mnuCaptureEmail_Click(); };
  mnu_AutoSave.Click = [this] { mnu_AutoSave_Click(); };
  mnu_CaptureClientArea.Click = [this] { mnu_CaptureClientArea_Click(); };
  mnu_AutoScrollCapture.Click = [this] { mnu_AutoScrollCapture_Click(); };
  mnu_DisableImages.Click = [this] { mnu_DisableImages_Click(); };
  mnu_EnableImages.Click = [this] { mnu_EnableImages_Click(); };
  cmd_DisableProxy.Click = [this] { cmd_DisableProxy_Click(); };
  cmd_EnableProxy.Click = [this] { cmd_EnableProxy_Click(); };
  cmd_DeleteCookies.Click = [this] { cmd_DeleteCookies_Click(); };
  cmd_Options.Click = [this] { cmd_Options_Click(); };
}

void frmToolbar::Init(IWebBrowser2* IE) { g_oIE = IE; }

frmToolbar& TheToolbarForm() {
  thread_local frmToolbar form;
  return form;
}

namespace {

// A command whose body is not built yet only shows that it was reached.
void Reached(const char16_t* handler) { modTrace::WriteTrace(u"Entered", u"frmToolbar", handler, -1, 0, u"", u""); }

}  // namespace

// The commands whose bodies are not built yet.
void frmToolbar::mnuAbout_Click() { Reached(u"mnuAbout_Click"); }
void frmToolbar::mnuAddtoFavorites_Click() { Reached(u"mnuAddtoFavorites_Click"); }
void frmToolbar::mnuOrganizeFavorites_Click() { Reached(u"mnuOrganizeFavorites_Click"); }
void frmToolbar::mnuCaptureEmail_Click() { Reached(u"mnuCaptureEmail_Click"); }
void frmToolbar::mnu_CaptureCurrent_Click() { Reached(u"mnu_CaptureCurrent_Click"); }
void frmToolbar::mnu_CaptureFullScreen_Click() { Reached(u"mnu_CaptureFullScreen_Click"); }
void frmToolbar::mnu_CaptureIEPage_Click() { Reached(u"mnu_CaptureIEPage_Click"); }
void frmToolbar::mnu_AutoSave_Click() { Reached(u"mnu_AutoSave_Click"); }
void frmToolbar::mnu_CaptureClientArea_Click() { Reached(u"mnu_CaptureClientArea_Click"); }
void frmToolbar::mnu_AutoScrollCapture_Click() { Reached(u"mnu_AutoScrollCapture_Click"); }
void frmToolbar::mnu_DisableImages_Click() { Reached(u"mnu_DisableImages_Click"); }
void frmToolbar::mnu_EnableImages_Click() { Reached(u"mnu_EnableImages_Click"); }
void frmToolbar::cmd_DisableProxy_Click() { Reached(u"cmd_DisableProxy_Click"); }
void frmToolbar::cmd_EnableProxy_Click() { Reached(u"cmd_EnableProxy_Click"); }
void frmToolbar::cmd_DeleteCookies_Click() { Reached(u"cmd_DeleteCookies_Click"); }
void frmToolbar::cmd_Options_Click() { Reached(u"cmd_Options_Click"); }
// Until the favorites store is built the menu keeps its fixed items.
void frmToolbar::FillFavoritesMenu() {}
