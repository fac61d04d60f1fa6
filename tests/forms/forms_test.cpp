#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/command_button.h"
#include "forms/form.h"
#include "forms/menu.h"
#include "machine_test.h"
#include "windows.h"

namespace {
using kestrel::forms::CommandButton;
using kestrel::forms::Form;
using kestrel::forms::FormSet;
using kestrel::forms::Menu;

FormSet g_set;
FormSet g_otherSet;

class frmTest : public Form {
 public:
  explicit frmTest(FormSet& set = g_set) : Form(set, u"frmTest", u"Test form", 3000, 1500) {}
  Menu mnuFile{*this, u"mnuFile", u"&File"};
  Menu mnuOpen{mnuFile, u"mnuOpen", u"&Open"};
  Menu mnuSep{mnuFile, u"mnuSep", u"-"};
  Menu mnuOptions{mnuFile, u"mnuOptions", u"Options"};
  Menu mnuTick{mnuOptions, u"mnuTick", u"Tick", true};
  Menu mnuHelp{*this, u"mnuHelp", u"Help"};
  CommandButton cmdGo{*this, u"cmdGo", u"&Go", 150, 300};
  std::vector<std::string> events;

 protected:
  void Form_Load() override { events.push_back("Load"); }
  void Form_Unload() override { events.push_back("Unload"); }
};

std::string MenuText(HMENU menu, int position) {
  char text[256];
  int n = GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
  return std::string(text, static_cast<size_t>(n));
}

using FormsTest = kestrel::test::MachineTest;

TEST_F(FormsTest, LoadingBuildsTheMenuTreeWithItemIdsAndAHiddenCaptionedWindow) {
  frmTest form;
  EXPECT_FALSE(form.IsLoaded());
  HWND window = form.hWnd();  // asking for the window loads the form
  ASSERT_TRUE(window);
  EXPECT_EQ(form.events, std::vector<std::string>{"Load"});
  EXPECT_FALSE(IsWindowVisible(window));
  char caption[64];
  EXPECT_EQ(std::string(caption, GetWindowTextA(window, caption, sizeof caption)), "Test form");

  HMENU bar = GetMenu(window);
  ASSERT_TRUE(bar);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  EXPECT_EQ(MenuText(bar, 0), "&File");
  EXPECT_EQ(MenuText(bar, 1), "Help");
  EXPECT_EQ(GetMenuItemID(bar, 1), static_cast<UINT>(form.mnuHelp.Id()));
  HMENU file = GetSubMenu(bar, 0);
  ASSERT_EQ(file, form.mnuFile.SubMenu());
  ASSERT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(GetMenuItemID(file, 0), static_cast<UINT>(form.mnuOpen.Id()));
  EXPECT_EQ(GetMenuItemID(file, 1), 0u) << "separator";
  EXPECT_EQ(GetMenuStringA(file, 1, caption, sizeof caption, MF_BYPOSITION), 0);
  EXPECT_EQ(GetMenuItemID(file, 2), static_cast<UINT>(-1)) << "submenu";
  HMENU options = GetSubMenu(file, 2);
  EXPECT_EQ(GetMenuState(options, static_cast<UINT>(form.mnuTick.Id()), MF_BYCOMMAND) & MF_CHECKED, UINT(MF_CHECKED));

  // IDs are positions among the form's controls, so they are unique and small.
  for (size_t i = 0; i < form.Controls().size(); ++i) EXPECT_EQ(form.Controls()[i]->Id(), static_cast<int>(i + 1));
  ASSERT_TRUE(form.cmdGo.hWnd());
  EXPECT_EQ(GetParent(form.cmdGo.hWnd()), window);
  EXPECT_EQ(GetDlgCtrlID(form.cmdGo.hWnd()), form.cmdGo.Id());
  EXPECT_EQ(GetWindowLongA(form.cmdGo.hWnd(), GWL_ID), form.cmdGo.Id());
  EXPECT_EQ(form.mnuOpen.hWnd(), nullptr) << "menus have no window";

  form.Unload();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsMenu(bar));
  EXPECT_EQ(form.cmdGo.hWnd(), nullptr);
  EXPECT_EQ(form.events, (std::vector<std::string>{"Load", "Unload"}));
}

TEST_F(FormsTest, MenuChoicesAndButtonsRunTheirClickHandlers) {
  frmTest form;
  std::vector<std::string> clicks;
  form.mnuOpen.Click = [&] { clicks.push_back("open"); };
  form.mnuTick.Click = [&] { clicks.push_back("tick"); };
  form.cmdGo.Click = [&] {
    clicks.push_back(form.cmdGo.Value() ? "go (value true)" : "go");
  };
  HWND window = form.hWnd();
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(form.mnuOpen.Id(), 0), 0);
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(form.mnuTick.Id(), 0), 0);
  // Not a menu choice: a notification code, or the ID of a submenu.
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(form.mnuOpen.Id(), 1), 0);
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(form.mnuOptions.Id(), 0), 0);
  form.cmdGo.SetValue(true);
  EXPECT_FALSE(form.cmdGo.Value());
  form.cmdGo.SetValue(false);
  SendMessageA(form.cmdGo.hWnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, (std::vector<std::string>{"open", "tick", "go (value true)", "go (value true)"}));
}

TEST_F(FormsTest, EveryLoadStartsFromTheDesignState) {
  frmTest form;
  EXPECT_TRUE(form.mnuTick.Checked());
  form.mnuTick.SetChecked(false);
  EXPECT_FALSE(form.mnuTick.Checked());
  EXPECT_EQ(GetMenuState(form.mnuOptions.SubMenu(), static_cast<UINT>(form.mnuTick.Id()), MF_BYCOMMAND) & MF_CHECKED,
            0u);
  form.Unload();
  form.Load();
  EXPECT_TRUE(form.mnuTick.Checked());
  EXPECT_EQ(form.events, (std::vector<std::string>{"Load", "Unload", "Load"}));
}

TEST_F(FormsTest, AHandlerMayUnloadItsOwnFormAndClosingUnloads) {
  frmTest form;
  form.mnuOpen.Click = [&] { form.Unload(); };
  SendMessageA(form.hWnd(), WM_COMMAND, MAKEWPARAM(form.mnuOpen.Id(), 0), 0);
  EXPECT_FALSE(form.IsLoaded());
  SendMessageA(form.hWnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(form.events, (std::vector<std::string>{"Load", "Unload", "Load", "Unload"}));
}

TEST_F(FormsTest, UnloadAllTakesTheSetsLoadedFormsOfThisThreadOnly) {
  frmTest first, second, other(g_otherSet), unloaded;
  first.Load();
  second.Load();
  other.Load();
  EXPECT_EQ(g_set.LoadedForms(), (std::vector<Form*>{&first, &second}));
  g_set.UnloadAll();
  EXPECT_FALSE(first.IsLoaded());
  EXPECT_FALSE(second.IsLoaded());
  EXPECT_FALSE(unloaded.IsLoaded());
  EXPECT_TRUE(other.IsLoaded());
  EXPECT_TRUE(g_set.LoadedForms().empty());
  EXPECT_EQ(unloaded.events, std::vector<std::string>{});
}

TEST_F(FormsTest, MenuTextIsCutToTheBufferAndSearchedByCommandThroughSubmenus) {
  HMENU bar = CreateMenu();
  HMENU popup = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuA(popup, MF_STRING, 42, "Capture Full Screen"));
  ASSERT_TRUE(AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "Capture"));
  char text[8] = "xxxxxxx";
  EXPECT_EQ(GetMenuStringA(bar, 42, text, 8, MF_BYCOMMAND), 7);
  EXPECT_STREQ(text, "Capture");
  EXPECT_EQ(GetMenuStringA(bar, 42, nullptr, 0, MF_BYCOMMAND), 19);
  EXPECT_EQ(GetMenuStringA(bar, 43, text, 8, MF_BYCOMMAND), 0);
  EXPECT_EQ(CheckMenuItem(bar, 42, MF_BYCOMMAND | MF_CHECKED), DWORD(MF_UNCHECKED));
  EXPECT_EQ(CheckMenuItem(bar, 42, MF_BYCOMMAND | MF_UNCHECKED), DWORD(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(bar, 43, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(-1));
  EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), UINT(MF_POPUP | (1 << 8)));
  ASSERT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(IsMenu(popup)) << "a menu owns its submenus";
  EXPECT_FALSE(DestroyMenu(bar));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_MENU_HANDLE));
  EXPECT_EQ(GetMenuItemCount(bar), -1);
}

}  // namespace
