// frmToolbar: the hidden form of the band library. It is never shown; its
// window is the parent of the toolbar strip, and its menus and hidden
// command buttons carry the library's commands. One per browser thread.
#pragma once

#include "com/browser.h"
#include "com/com_ptr.h"
#include "forms/command_button.h"
#include "forms/form.h"
#include "forms/menu.h"

// The browser of the band that last initialised frmToolbar on this thread.
// Every command uses it; the next initialisation replaces it, clearing the
// site does not.
extern thread_local kestrel::ComPtr<IWebBrowser2> g_oIE;

class frmToolbar : public kestrel::forms::Form {
 public:
  frmToolbar();

  // Makes IE the browser of every command (g_oIE).
  void Init(IWebBrowser2* IE);

  using Menu = kestrel::forms::Menu;
  using CommandButton = kestrel::forms::CommandButton;

  Menu mnuFile{*this, u"mnuFile", u"File"};
  Menu mnuAbout{mnuFile, u"mnuAbout", u"&About Kestrel Toolbar"};

  Menu mnuFavorites{*this, u"mnuFavorites", u"F&avorites"};
  Menu mnuAddtoFavorites{mnuFavorites, u"mnuAddtoFavorites", u"&Add to Favorites..."};
  Menu mnuOrganizeFavorites{mnuFavorites, u"mnuOrganizeFavorites", u"&Organize Favorites..."};
  Menu mnuSepFavorites{mnuFavorites, u"mnuSepFavorites", u"-"};
  Menu mnuFavoritesLinks{mnuFavorites, u"mnuFavoritesLinks", u"Fav", false, 0};

  Menu mnu_Capture{*this, u"mnu_Capture", u"Capture"};
  Menu mnu_CaptureCurrent{mnu_Capture, u"mnu_CaptureCurrent", u"Capture Current Window"};
  Menu mnu_CaptureFullScreen{mnu_Capture, u"mnu_CaptureFullScreen", u"Capture Full Screen"};
  Menu mnu_CaptureIEPage{mnu_Capture, u"mnu_CaptureIEPage", u"Capture IE Page"};
  Menu mnuCaptureEmail{mnu_Capture, u"mnuCaptureEmail", u"Capture and Email"};
  Menu mnu_CaptureSettings{mnu_Capture, u"mnu_CaptureSettings", u"Settings"};
  Menu mnu_AutoSave{mnu_CaptureSettings, u"mnu_AutoSave", u"Auto Save Captures"};
  Menu mnu_CaptureClientArea{mnu_CaptureSettings, u"mnu_CaptureClientArea", u"Capture Client Area"};
  Menu mnu_AutoScrollCapture{mnu_CaptureSettings, u"mnu_AutoScrollCapture", u"Auto Scroll Capture", true};

  Menu mnuMisc{*this, u"mnuMisc", u"Misc"};
  Menu mnu_DisableImages{mnuMisc, u"mnu_DisableImages", u"Disable Images"};
  Menu mnu_EnableImages{mnuMisc, u"mnu_EnableImages", u"Enable Images"};

  CommandButton cmd_DisableProxy{*this, u"cmd_DisableProxy", u"Disable P&roxy", 120, 120};
  CommandButton cmd_EnableProxy{*this, u"cmd_EnableProxy", u"Enable &Proxy", 120, 600};
  CommandButton cmd_DeleteCookies{*this, u"cmd_DeleteCookies", u"Delete &Cookies", 120, 1080};
  CommandButton cmd_Options{*this, u"cmd_Options", u"Options", 120, 1560};
};

// This thread's frmToolbar.
frmToolbar& TheToolbarForm();
