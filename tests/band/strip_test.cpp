// The band's toolbar strip: its buttons by the visibility settings, the
// routing of clicks and arrows to the commands, the drop-down menus, and
// what the strip paints on the screen.
#include <memory>

#include "band_support.h"
#include "kestrel/icon_pixels.h"
#include "kestrel/person.h"
#include "modSettings.h"

// The strip's private members, as the tests reach them.
struct CToolbarProbe {
  static const std::vector<TBBUTTON>& Buttons(CToolbar& t) { return t.m_Buttons; }
  static HWND Strip(CToolbar& t) { return t.m_hWndToolbar; }
  static int16_t ButtonIndexFromID(CToolbar& t, int id) { return t.ButtonIndexFromID(id); }
  static void Press(CToolbar& t, int index, bool pressed) { t.PressToolbarButton(index, pressed); }
};

namespace {
using namespace band_test;

using Settings = std::vector<std::pair<std::u16string, std::u16string>>;

void Store(const Settings& settings) {
  for (const auto& [key, value] : settings) modSettings::WriteSetting(u"Toolbar", key, value);
}

// The strip's records as "Text image/style" and "-" for separators.
std::vector<std::string> Records(CToolbar& band) {
  std::vector<std::string> out;
  for (const TBBUTTON& b : CToolbarProbe::Buttons(band)) {
    if (b.fsStyle == TBSTYLE_SEP) {
      EXPECT_EQ(b.iBitmap, 6);
      EXPECT_EQ(b.idCommand, 0);
      EXPECT_EQ(b.fsState, 0);
      out.push_back("-");
      continue;
    }
    EXPECT_EQ(b.fsState, TBSTATE_ENABLED);
    EXPECT_EQ(b.idCommand, static_cast<int>(out.size())) << "the command ID is the position";
    out.push_back(kestrel::codepage::ToUtf8(reinterpret_cast<const char16_t*>(b.iString)) + " " +
                  std::to_string(b.iBitmap) + (b.fsStyle == (TBSTYLE_AUTOSIZE | TBSTYLE_DROPDOWN) ? "v" : ""));
  }
  return out;
}

std::vector<int> Ids(CToolbar& t) {
  return {t.ID_ABOUT, t.ID_DELETECOOKIES, t.ID_DISABLEPROXY, t.ID_ENABLEPROXY,
          t.ID_FAVORITES, t.ID_CAPTURE, t.ID_MISC, t.ID_OPTIONS};
}

TEST_F(BandTest, TheVisibilitySettingsChooseTheButtons) {
  struct Case {
    const char* name;
    Settings settings;
    std::vector<std::string> records;
    std::vector<int> ids;  // About, Delete Cookies, Disable, Enable, Favorites, Capture, Misc, Options
  };
  const Settings allZero = {{u"SHOW_DeleteCookies", u"0"}, {u"SHOW_DisableProxy", u"0"},
                            {u"SHOW_EnableProxy", u"0"},   {u"SHOW_Favorites", u"0"},
                            {u"SHOW_Capture", u"0"},       {u"SHOW_Misc", u"0"}};
  const Settings onlyEnable = {{u"SHOW_DeleteCookies", u"0"}, {u"SHOW_DisableProxy", u"0"},
                               {u"SHOW_EnableProxy", u"1"},   {u"SHOW_Favorites", u"0"},
                               {u"SHOW_Capture", u"0"},       {u"SHOW_Misc", u"0"}};
  const Case cases[] = {
      {"no settings",
       {},
       {" About 0", "-", "Delete Cookies 1", "-", "Disable Proxy 2", "Enable Proxy 3", "-", "Favorites 4v", "-",
        "Capture 5v", "-", "Misc 6v", "-", "Options 7"},
       {0, 2, 4, 5, 7, 9, 11, 13}},
      {"all 0", allZero, {" About 0", "-", "Options 7"}, {0, -1, -1, -1, -1, -1, -1, 2}},
      {"only Enable Proxy", onlyEnable, {" About 0", "-", "Enable Proxy 3", "-", "Options 7"},
       {0, -1, -1, 2, -1, -1, -1, 4}},
      {"Favorites 2",
       {{u"SHOW_Favorites", u"2"}},
       {" About 0", "-", "Delete Cookies 1", "-", "Disable Proxy 2", "Enable Proxy 3", "-", "Capture 5v", "-",
        "Misc 6v", "-", "Options 7"},
       {0, 2, 4, 5, -1, 7, 9, 11}},
      // A text that is no number hides its button and nothing else.
      {"Disable Proxy not a number",
       {{u"SHOW_DisableProxy", u"yes"}, {u"SHOW_Misc", u"1x"}},
       {" About 0", "-", "Delete Cookies 1", "-", "Enable Proxy 3", "-", "Favorites 4v", "-", "Capture 5v", "-",
        "Options 7"},
       {0, 2, -1, 4, 6, 8, -1, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Program Settings\\Marlow\\Toolbar");
    Store(c.settings);
    OnBrowserThread([&] {
      SitedBand sited;
      CToolbar& band = *sited.band;
      EXPECT_EQ(Records(band), c.records);
      EXPECT_EQ(Ids(band), c.ids);
      HWND strip = CToolbarProbe::Strip(band);
      EXPECT_EQ(SendMessageA(strip, TB_BUTTONCOUNT, 0, 0), static_cast<LRESULT>(c.records.size()));
      EXPECT_FALSE(IsWindowVisible(strip)) << "hidden until ShowDW";
    });
  }
}

TEST_F(BandTest, ButtonIndexAndPressingStayInsideTheStrip) {
  OnBrowserThread([&] {
    SitedBand sited;
    CToolbar& band = *sited.band;
    EXPECT_EQ(CToolbarProbe::ButtonIndexFromID(band, 0), 0) << "About, not a separator";
    EXPECT_EQ(CToolbarProbe::ButtonIndexFromID(band, 13), 13);
    EXPECT_EQ(CToolbarProbe::ButtonIndexFromID(band, 99), 0);
    HWND strip = CToolbarProbe::Strip(band);
    auto pressed = [&] {
      std::vector<int> out;
      for (int i = 0; i < SendMessageA(strip, TB_BUTTONCOUNT, 0, 0); ++i) {
        TBBUTTON b{};
        SendMessageA(strip, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        if (b.fsState & TBSTATE_PRESSED) out.push_back(i);
      }
      return out;
    };
    CToolbarProbe::Press(band, -1, true);
    CToolbarProbe::Press(band, 14, true);
    EXPECT_EQ(pressed(), std::vector<int>{});
    CToolbarProbe::Press(band, 9, true);
    EXPECT_EQ(pressed(), std::vector<int>{9});
    CToolbarProbe::Press(band, 9, false);
    EXPECT_EQ(pressed(), std::vector<int>{});
  });
}

// A person who answers popup menus from lines and notes what each showed,
// with the pressed buttons of the strip at that moment.
class MenuPerson : public kestrel::ScriptedPerson {
 public:
  MenuPerson(std::vector<std::string> lines, HWND strip) : ScriptedPerson(std::move(lines)), strip_(strip) {}
  kestrel::Action Act(const kestrel::Prompt& prompt) override {
    std::string items;
    for (const auto& c : prompt.choices) {
      if (!items.empty()) items += " | ";
      items += kestrel::codepage::ToUtf8(c);
    }
    shown.push_back(kestrel::codepage::ToUtf8(prompt.text) + ": " + items);
    for (int i = 0; i < SendMessageA(strip_, TB_BUTTONCOUNT, 0, 0); ++i) {
      TBBUTTON b{};
      SendMessageA(strip_, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
      if (b.fsState & TBSTATE_PRESSED) pressedWhileShown.push_back(i);
    }
    return ScriptedPerson::Act(prompt);
  }
  std::vector<std::string> shown;
  std::vector<int> pressedWhileShown;

 private:
  HWND strip_;
};

struct ButtonPoint {
  int x, y;
};

// The middle of a button's body or of its arrow part.
ButtonPoint PointOn(HWND strip, int index, bool arrow) {
  RECT r{};
  SendMessageA(strip, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
  TBBUTTON b{};
  SendMessageA(strip, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b));
  const int arrowWidth = (b.fsStyle & TBSTYLE_DROPDOWN) ? 14 : 0;
  return arrow ? ButtonPoint{r.right - arrowWidth / 2, (r.top + r.bottom) / 2}
               : ButtonPoint{(r.left + r.right - arrowWidth) / 2, (r.top + r.bottom) / 2};
}

void Click(HWND strip, ButtonPoint p) {
  SendMessageA(strip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
  SendMessageA(strip, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);  // posted menu choices
}

// The handlers reached, as their records show.
std::vector<std::string> Handlers(const FakeViewer& viewer) {
  std::vector<std::string> out;
  for (const auto& r : viewer.records)
    if (r.procedure.ends_with("_Click")) out.push_back(r.procedure);
  return out;
}

TEST_F(BandTest, ClicksAndArrowsReachTheirCommands) {
  struct Case {
    int index;
    bool arrow;
    std::vector<std::string> answers;  // what the person does in the popup
    std::vector<std::string> handlers;
    std::string menu;  // the popup's items, "" for none
  };
  const std::string capture =
      "Capture Current Window | Capture Full Screen | Capture IE Page | Capture and Email | Settings > Auto Save "
      "Captures | Settings > Capture Client Area | Settings > Auto Scroll Capture (checked)";
  const Case cases[] = {
      {0, false, {}, {"mnuAbout_Click"}, ""},
      {2, false, {}, {"cmd_DeleteCookies_Click"}, ""},
      {4, false, {}, {"cmd_DisableProxy_Click"}, ""},
      {5, false, {}, {"cmd_EnableProxy_Click"}, ""},
      {7, false, {}, {"mnuAddtoFavorites_Click"}, ""},
      {9, false, {}, {"mnu_CaptureIEPage_Click"}, ""},
      {11, false, {}, {}, ""},  // the Misc body does nothing
      {13, false, {}, {"cmd_Options_Click"}, ""},
      {1, false, {}, {}, ""},  // a separator
      {9, true, {"choose Capture Full Screen"}, {"mnu_CaptureFullScreen_Click"}, capture},
      {9, true, {"choose Settings > Auto Save Captures"}, {"mnu_AutoSave_Click"}, capture},
      {9, true, {"dismiss"}, {}, capture},
      {11, true, {"choose &Enable Images"}, {"mnu_EnableImages_Click"}, "Disable Images | Enable Images"},
      {7, true, {"choose Organize Favorites..."}, {"mnuOrganizeFavorites_Click"},
       "Add to Favorites... | Organize Favorites... | - | Fav"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.index) + (c.arrow ? " arrow" : " body"));
    OnBrowserThread([&] {
      FakeViewer viewer;
      SitedBand sited;
      HWND strip = CToolbarProbe::Strip(*sited.band);
      auto person = std::make_shared<MenuPerson>(c.answers, strip);
      kestrel::SetPerson(person);
      Click(strip, PointOn(strip, c.index, c.arrow));
      kestrel::SetPerson(nullptr);
      EXPECT_EQ(Handlers(viewer), c.handlers);
      ASSERT_EQ(person->shown.size(), c.menu.empty() ? 0u : 1u);
      if (!c.menu.empty()) {
        EXPECT_TRUE(person->shown[0].ends_with(": " + c.menu)) << person->shown[0];
        EXPECT_EQ(person->pressedWhileShown, std::vector<int>{c.index});
      }
      TBBUTTON b{};
      SendMessageA(strip, TB_GETBUTTON, c.index, reinterpret_cast<LPARAM>(&b));
      EXPECT_FALSE(b.fsState & TBSTATE_PRESSED) << "released after the click";
    });
  }
}

TEST_F(BandTest, AClickOffEveryButtonRunsNoAbsentButtonsCommand) {
  // Absent buttons have the ID -1, which is also what a click beside the
  // buttons reports.
  Store({{u"SHOW_DisableProxy", u"0"}, {u"SHOW_EnableProxy", u"0"}, {u"SHOW_DeleteCookies", u"0"}});
  OnBrowserThread([&] {
    FakeViewer viewer;
    SitedBand sited;
    HWND strip = CToolbarProbe::Strip(*sited.band);
    MoveWindow(strip, 0, 0, 800, 24, TRUE);
    ASSERT_EQ(sited.band->ID_DISABLEPROXY, -1);
    Click(strip, ButtonPoint{790, 12});
    EXPECT_EQ(Handlers(viewer), std::vector<std::string>{});
  });
}

TEST_F(BandTest, TheCaptureBodyRunsTheDefaultCapture) {
  const std::pair<const char16_t*, const char*> cases[] = {
      {nullptr, "mnu_CaptureIEPage_Click"},
      {u"Capture Current Window", "mnu_CaptureCurrent_Click"},
      {u"Capture Full Screen", "mnu_CaptureFullScreen_Click"},
      {u"Capture IE Page", "mnu_CaptureIEPage_Click"},
      {u"Capture and Email", "mnuCaptureEmail_Click"},
      {u"capture full screen", "mnu_CaptureIEPage_Click"},
      {u"", "mnu_CaptureIEPage_Click"},
  };
  for (const auto& [value, handler] : cases) {
    SCOPED_TRACE(handler);
    if (value) modSettings::WriteSetting(u"Toolbar", u"DefaultCapture", value);
    OnBrowserThread([&] {
      FakeViewer viewer;
      SitedBand sited;
      HWND strip = CToolbarProbe::Strip(*sited.band);
      Click(strip, PointOn(strip, sited.band->ID_CAPTURE, false));
      EXPECT_EQ(Handlers(viewer), std::vector<std::string>{handler});
    });
  }
}

TEST_F(BandTest, MenuChoicesAreTheFormsAndFocusCommandsTheBands) {
  OnBrowserThread([&] {
    FakeViewer viewer;
    SitedBand sited;
    CToolbar& band = *sited.band;
    frmToolbar& form = TheToolbarForm();
    // A menu choice (code 0) is left to the form's own procedure.
    VARIANT_BOOL handled = VARIANT_FALSE;
    band.WindowProc(form.hWnd(), WM_COMMAND, MAKEWPARAM(form.mnu_CaptureCurrent.Id(), 0), 0, &handled);
    EXPECT_EQ(handled, VARIANT_FALSE);
    SendMessageA(form.hWnd(), WM_COMMAND, MAKEWPARAM(form.mnu_CaptureCurrent.Id(), 0), 0);
    EXPECT_EQ(Handlers(viewer), std::vector<std::string>{"mnu_CaptureCurrent_Click"});

    // A control's gain of the focus makes it the band's focus window.
    HWND options = form.cmd_Options.hWnd();
    SendMessageA(form.hWnd(), WM_COMMAND, MAKEWPARAM(form.cmd_Options.Id(), 256), reinterpret_cast<LPARAM>(options));
    band.UIActivateIO(TRUE, nullptr);
    EXPECT_EQ(GetFocus(), options);
    EXPECT_EQ(sited.site->focusChanges, std::vector<BOOL>{TRUE});
    SendMessageA(form.hWnd(), WM_COMMAND, MAKEWPARAM(form.cmd_Options.Id(), 4), reinterpret_cast<LPARAM>(options));
    EXPECT_EQ(sited.site->focusChanges, (std::vector<BOOL>{TRUE, FALSE}));

    // A control ID outside the table is an error, traced and left unhandled.
    viewer.Clear();
    handled = VARIANT_FALSE;
    band.WindowProc(form.hWnd(), WM_COMMAND, MAKEWPARAM(500, 3), 0, &handled);
    EXPECT_EQ(handled, VARIANT_FALSE);
    EXPECT_EQ(viewer.Lines().back(), "ISubclass_WindowProc: Error: Subscript out of range");
  });
}

TEST_F(BandTest, ThePopupOpensAtTheButtonsBottomLeftOnTheScreen) {
  OnBrowserThread([&] {
    SitedBand sited;
    HWND strip = CToolbarProbe::Strip(*sited.band);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "StripTestHolder";
    RegisterClassA(&wc);
    HWND holder = CreateWindowExA(0, "StripTestHolder", "", WS_POPUP | WS_VISIBLE, 100, 50, 800, 60, nullptr,
                                  nullptr, nullptr, nullptr);
    SetParent(strip, holder);  // the browser moves the strip; its notifications stay with the form
    MoveWindow(strip, 10, 5, 780, 24, TRUE);
    RECT r{};
    SendMessageA(strip, TB_GETITEMRECT, sited.band->ID_CAPTURE, reinterpret_cast<LPARAM>(&r));
    auto person = std::make_shared<MenuPerson>(std::vector<std::string>{"dismiss"}, strip);
    kestrel::SetPerson(person);
    Click(strip, PointOn(strip, sited.band->ID_CAPTURE, true));
    kestrel::SetPerson(nullptr);
    ASSERT_EQ(person->shown.size(), 1u);
    std::string at = "at ";
    at += std::to_string(100 + 10 + r.left);
    at += ", ";
    at += std::to_string(50 + 5 + r.bottom);
    EXPECT_EQ(person->shown[0].substr(0, at.size()), at);
    DestroyWindow(holder);
  });
}

TEST_F(BandTest, TheScreenShowsEachButtonsIconInsideItsButton) {
  OnBrowserThread([&] {
    SitedBand sited;
    HWND strip = CToolbarProbe::Strip(*sited.band);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "StripTestFrame";
    RegisterClassA(&wc);
    HWND holder = CreateWindowExA(0, "StripTestFrame", "", WS_POPUP | WS_VISIBLE, 30, 40, 800, 24, nullptr, nullptr,
                                  nullptr, nullptr);
    SetParent(strip, holder);
    MoveWindow(strip, 0, 0, 800, 24, TRUE);
    sited.band->ShowDW(TRUE);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);

    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(strip, TB_GETIMAGELIST, 0, 0));
    ASSERT_EQ(ImageList_GetImageCount(images), 8);
    HDC screen = GetDC(nullptr);
    for (const TBBUTTON& b : CToolbarProbe::Buttons(*sited.band)) {
      if (b.fsStyle & TBSTYLE_SEP) continue;
      SCOPED_TRACE(kestrel::codepage::ToUtf8(reinterpret_cast<const char16_t*>(b.iString)));
      kestrel::IconPixels icon;
      ASSERT_TRUE(kestrel::GetImageListPixels(images, b.iBitmap, &icon));
      RECT r{};
      SendMessageA(strip, TB_GETITEMRECT, b.idCommand, reinterpret_cast<LPARAM>(&r));
      // Somewhere inside the button every opaque pixel of its icon shows.
      bool found = false;
      for (int dy = r.top; !found && dy + icon.height <= r.bottom; ++dy)
        for (int dx = r.left; !found && dx + icon.width <= r.right; ++dx) {
          bool all = true;
          for (int y = 0; all && y < icon.height; ++y)
            for (int x = 0; all && x < icon.width; ++x) {
              const uint32_t argb = icon.argb[y * icon.width + x];
              if ((argb >> 24) != 0xFF) continue;
              const COLORREF want = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
              all = GetPixel(screen, 30 + dx + x, 40 + dy + y) == want;
            }
          found = all;
        }
      EXPECT_TRUE(found);
    }
    ReleaseDC(nullptr, screen);
    DestroyWindow(holder);
  });
}

}  // namespace
