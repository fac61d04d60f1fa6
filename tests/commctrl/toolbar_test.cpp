// The toolbar control: layout, hit-testing and the notifications a click
// sends to the window that was its parent at creation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine_test.h"
#include "windows.h"

namespace {

// What a window was sent: "COMMAND id code from-toolbar", "CLICK item",
// "DROPDOWN item".
std::vector<std::string>* g_seen = nullptr;
HWND g_toolbar = nullptr;

LRESULT CALLBACK Recorder(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (g_seen && msg == WM_COMMAND)
    g_seen->push_back("COMMAND " + std::to_string(LOWORD(wParam)) + " " + std::to_string(HIWORD(wParam)) +
                      (reinterpret_cast<HWND>(lParam) == g_toolbar ? " toolbar" : " other"));
  if (g_seen && msg == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    EXPECT_EQ(header->hwndFrom, g_toolbar);
    EXPECT_EQ(header->idFrom, 7u);
    if (header->code == NM_CLICK)
      g_seen->push_back("CLICK " + std::to_string(static_cast<long long>(
                                       reinterpret_cast<const NMMOUSE*>(lParam)->dwItemSpec)));
    if (header->code == TBN_DROPDOWN)
      g_seen->push_back("DROPDOWN " + std::to_string(reinterpret_cast<const NMTOOLBAR*>(lParam)->iItem));
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class ToolbarTest : public kestrel::test::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Recorder;
    wc.lpszClassName = "ToolbarTestParent";
    RegisterClassA(&wc);
    parent_ = CreateWindowExA(0, "ToolbarTestParent", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 100, nullptr, nullptr,
                              nullptr, nullptr);
    g_toolbar = toolbar_ = CreateToolbarEx(parent_, WS_CHILD | TBSTYLE_LIST | TBSTYLE_FLAT | CCS_NORESIZE, 7, 0,
                                           nullptr, 0, nullptr, 0, 16, 16, 16, 16, sizeof(TBBUTTON));
    ASSERT_TRUE(toolbar_);
    MoveWindow(toolbar_, 0, 0, 600, 24, TRUE);
    SendMessageA(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    const TBBUTTON buttons[] = {
        Button(0, 10, TBSTYLE_AUTOSIZE, u"A"),
        Separator(6),
        Button(0, 11, TBSTYLE_AUTOSIZE | TBSTYLE_DROPDOWN, u"AAAA"),
        Separator(10),
        Button(0, 12, TBSTYLE_AUTOSIZE, nullptr),
        Button(0, 13, TBSTYLE_AUTOSIZE, u"AAAA", TBSTATE_ENABLED | TBSTATE_HIDDEN),
    };
    ASSERT_TRUE(SendMessageA(toolbar_, TB_ADDBUTTONSW, 6, reinterpret_cast<LPARAM>(buttons)));
  }
  void TearDown() override {
    g_seen = nullptr;
    DestroyWindow(parent_);
  }
  static TBBUTTON Button(int image, int id, BYTE style, const char16_t* text, BYTE state = TBSTATE_ENABLED) {
    TBBUTTON b{};
    b.iBitmap = image;
    b.idCommand = id;
    b.fsState = state;
    b.fsStyle = style;
    b.iString = reinterpret_cast<INT_PTR>(text);
    return b;
  }
  static TBBUTTON Separator(int width) {
    TBBUTTON b{};
    b.iBitmap = width;
    b.fsStyle = TBSTYLE_SEP;
    return b;
  }
  RECT Rect(int index) {
    RECT r{};
    EXPECT_TRUE(SendMessageA(toolbar_, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)));
    return r;
  }
  std::vector<std::string> Mouse(POINT at, POINT up) {
    std::vector<std::string> seen;
    g_seen = &seen;
    SendMessageA(toolbar_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(toolbar_, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    g_seen = nullptr;
    return seen;
  }
  HWND parent_ = nullptr;
  HWND toolbar_ = nullptr;
};

TEST_F(ToolbarTest, ButtonsAreAsWideAsTheirImageTextAndArrowInOneRow) {
  const RECT a = Rect(0), sep = Rect(1), drop = Rect(2), wide = Rect(3), plain = Rect(4);
  EXPECT_EQ(a.left, 0);
  // One row, each record starting where the one before ends.
  EXPECT_EQ(sep.left, a.right);
  EXPECT_EQ(drop.left, sep.right);
  EXPECT_EQ(wide.left, drop.right);
  EXPECT_EQ(plain.left, wide.right);
  EXPECT_EQ(sep.right - sep.left, 6);
  EXPECT_EQ(wide.right - wide.left, 10);
  for (const RECT& r : {a, drop, plain}) {
    EXPECT_EQ(r.top, a.top);
    EXPECT_EQ(r.bottom, a.bottom);
    EXPECT_GE(r.bottom - r.top, 16 + 4) << "room for the image";
  }
  // The image and some padding without text; the text adds its width.
  EXPECT_GT(plain.right - plain.left, 16);
  EXPECT_LT(plain.right - plain.left, 16 + 12);
  EXPECT_GT(a.right - a.left, plain.right - plain.left + 5);
  const int arrowless = [&] {
    SendMessageA(toolbar_, TB_SETEXTENDEDSTYLE, 0, 0);
    const RECT r = Rect(2);
    SendMessageA(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    return static_cast<int>(r.right - r.left);
  }();
  EXPECT_EQ(drop.right - drop.left, arrowless + 14) << "the arrow is a part of its own";
  EXPECT_GT(arrowless, (a.right - a.left) + 15) << "three more letters";

  RECT r{};
  EXPECT_FALSE(SendMessageA(toolbar_, TB_GETITEMRECT, 5, reinterpret_cast<LPARAM>(&r))) << "hidden";
  EXPECT_FALSE(SendMessageA(toolbar_, TB_GETITEMRECT, 6, reinterpret_cast<LPARAM>(&r))) << "missing";
  EXPECT_EQ(SendMessageA(toolbar_, TB_BUTTONCOUNT, 0, 0), 6);
}

TEST_F(ToolbarTest, ClicksNotifyTheParentOfCreationByWhereTheyLand) {
  const RECT a = Rect(0), drop = Rect(2), sep = Rect(1);
  const POINT onA{(a.left + a.right) / 2, 12}, onBody{drop.left + 4, 12}, onArrow{drop.right - 3, 12},
      onSep{(sep.left + sep.right) / 2, 12}, beside{590, 12};
  struct Case {
    const char* name;
    POINT down, up;
    std::vector<std::string> seen;
  };
  const Case cases[] = {
      {"body", onA, onA, {"COMMAND 10 0 toolbar", "CLICK 10"}},
      {"drop-down body", onBody, onBody, {"COMMAND 11 0 toolbar", "CLICK 11"}},
      {"arrow", onArrow, onArrow, {"DROPDOWN 11"}},
      {"beside the buttons", beside, beside, {"CLICK -1"}},
      {"separator", onSep, onSep, {"CLICK -1"}},
      {"down on one, up on another", onA, onBody, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Mouse(c.down, c.up), c.seen);
  }
  // The arrow notifies on button-down.
  std::vector<std::string> seen;
  g_seen = &seen;
  SendMessageA(toolbar_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(onArrow.x, onArrow.y));
  EXPECT_EQ(seen, std::vector<std::string>{"DROPDOWN 11"});
  g_seen = nullptr;
  SendMessageA(toolbar_, WM_LBUTTONUP, 0, MAKELPARAM(onArrow.x, onArrow.y));

  // Moved to another parent, it still notifies the first.
  HWND other = CreateWindowExA(0, "ToolbarTestParent", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 100, nullptr, nullptr,
                               nullptr, nullptr);
  SetParent(toolbar_, other);
  seen.clear();
  g_seen = &seen;
  SendMessageA(toolbar_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(onA.x, onA.y));
  SendMessageA(toolbar_, WM_LBUTTONUP, 0, MAKELPARAM(onA.x, onA.y));
  g_seen = nullptr;
  EXPECT_EQ(seen, (std::vector<std::string>{"COMMAND 10 0 toolbar", "CLICK 10"}));
  SetParent(toolbar_, parent_);
  DestroyWindow(other);
}

TEST_F(ToolbarTest, ButtonStateImageListAndCreationChecks) {
  EXPECT_TRUE(SendMessageA(toolbar_, TB_PRESSBUTTON, 11, 1));
  TBBUTTON b{};
  ASSERT_TRUE(SendMessageA(toolbar_, TB_GETBUTTON, 2, reinterpret_cast<LPARAM>(&b)));
  EXPECT_EQ(b.idCommand, 11);
  EXPECT_EQ(b.fsState, TBSTATE_ENABLED | TBSTATE_PRESSED);
  EXPECT_TRUE(SendMessageA(toolbar_, TB_PRESSBUTTON, 11, 0));
  SendMessageA(toolbar_, TB_GETBUTTON, 2, reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(b.fsState, TBSTATE_ENABLED);
  EXPECT_FALSE(SendMessageA(toolbar_, TB_PRESSBUTTON, 99, 1));
  EXPECT_FALSE(SendMessageA(toolbar_, TB_GETBUTTON, 6, reinterpret_cast<LPARAM>(&b)));

  HIMAGELIST first = ImageList_Create(16, 16, ILC_MASK | ILC_COLOR8, 1, 1);
  HIMAGELIST second = ImageList_Create(16, 16, ILC_MASK | ILC_COLOR8, 1, 1);
  EXPECT_EQ(SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(first)), 0);
  EXPECT_EQ(SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(second)),
            reinterpret_cast<LRESULT>(first));
  ImageList_Destroy(first);
  ImageList_Destroy(second);

  EXPECT_EQ(CreateToolbarEx(parent_, WS_CHILD, 1, 0, nullptr, 0, nullptr, 0, 16, 16, 16, 16, 20), nullptr)
      << "a 32-bit record size";
  EXPECT_EQ(CreateToolbarEx(nullptr, WS_CHILD, 1, 0, nullptr, 0, nullptr, 0, 16, 16, 16, 16, sizeof(TBBUTTON)),
            nullptr);
}

}  // namespace
