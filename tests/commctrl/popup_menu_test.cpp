// Popup menus: the person's answer becomes a WM_COMMAND posted to the owner
// after the call, or nothing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kestrel/person.h"
#include "machine_test.h"
#include "windows.h"

namespace {

std::vector<WPARAM>* g_commands = nullptr;

LRESULT CALLBACK Owner(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && g_commands) {
    EXPECT_EQ(lParam, 0);
    g_commands->push_back(wParam);
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class PopupMenuTest : public kestrel::test::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Owner;
    wc.lpszClassName = "PopupMenuOwner";
    RegisterClassA(&wc);
    owner_ = CreateWindowExA(0, "PopupMenuOwner", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    menu_ = CreatePopupMenu();
    HMENU settings = CreatePopupMenu();
    AppendMenuA(settings, MF_STRING | MF_CHECKED, 21, "Auto &Save");
    AppendMenuA(settings, MF_STRING, 22, "Client Area");
    AppendMenuA(menu_, MF_STRING, 11, "&Open");
    AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu_, MF_STRING, 12, "Save && Close");
    AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(settings), "Se&ttings");
    g_commands = &commands_;
  }
  void TearDown() override {
    g_commands = nullptr;
    kestrel::SetPerson(nullptr);
    DestroyMenu(menu_);
    DestroyWindow(owner_);
  }
  // Shows the menu to a person acting out lines; the commands the owner got
  // while the menu was open and after it, and the person's failure.
  struct Outcome {
    BOOL result;
    std::vector<WPARAM> during, after;
    std::string failure;
  };
  Outcome Show(std::vector<std::string> lines, UINT flags = 0) {
    auto person = std::make_shared<kestrel::ScriptedPerson>(std::move(lines));
    kestrel::SetPerson(person);
    Outcome o;
    o.result = TrackPopupMenu(menu_, flags, 5, 6, 0, owner_, nullptr);
    o.during = commands_;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    o.after = commands_;
    o.failure = person->Failure();
    commands_.clear();
    return o;
  }
  HWND owner_ = nullptr;
  HMENU menu_ = nullptr;
  std::vector<WPARAM> commands_;
};

TEST_F(PopupMenuTest, TheChoiceIsPostedToTheOwnerAfterTheCall) {
  struct Case {
    std::vector<std::string> lines;
    std::vector<WPARAM> after;
    std::string failure;
  };
  const Case cases[] = {
      {{"choose Open"}, {11}, ""},
      {{"choose &Open"}, {11}, ""},
      {{"choose Save & Close"}, {12}, ""},
      {{"choose Settings > Client Area"}, {22}, ""},
      {{"dismiss"}, {}, ""},
      {{}, {}, ""},  // a person with nothing to say cancels
      {{"choose Settings"}, {}, "line 1: \"Settings\" opens a submenu"},
      {{"choose Close"}, {}, "line 1: the menu has no item \"Close\""},
      {{"choose Open > Deeper"}, {}, "line 1: \"Open\" has no submenu"},
      {{"expect items Open | - | Save & Close | Settings", "expect item Settings > Auto Save",
        "expect checked Settings > Auto Save", "expect unchecked Settings > Client Area", "expect no item Quit",
        "choose Open"},
       {11},
       ""},
      {{"expect items Open | Save & Close"}, {}, "line 1: expected items Open | Save & Close, the menu shows Open | - | "
                                                 "Save & Close | Settings"},
      {{"expect checked Open"}, {}, "line 1: \"Open\" is not checked"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines.empty() ? "nothing" : c.lines.back());
    const Outcome o = Show(c.lines);
    EXPECT_TRUE(o.result);
    EXPECT_TRUE(o.during.empty());
    EXPECT_EQ(o.after, c.after);
    EXPECT_EQ(o.failure, c.failure);
  }
}

TEST_F(PopupMenuTest, ReturnCmdGivesTheChoiceInsteadOfPostingIt) {
  Outcome o = Show({"choose Settings > Auto Save"}, TPM_RETURNCMD);
  EXPECT_EQ(o.result, 21);
  EXPECT_TRUE(o.after.empty());
  o = Show({"dismiss"}, TPM_RETURNCMD);
  EXPECT_EQ(o.result, 0);
  EXPECT_FALSE(TrackPopupMenu(reinterpret_cast<HMENU>(0x7777), 0, 0, 0, 0, owner_, nullptr));
  EXPECT_FALSE(TrackPopupMenu(menu_, 0, 0, 0, 0, nullptr, nullptr));
}

}  // namespace
