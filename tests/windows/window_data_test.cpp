// Window data: properties, window longs and procedure chains, finding
// windows, z-order and rectangles, focus and activation.
#include "window_test.h"

namespace {
using namespace window_test;

TEST_F(WindowTest, Properties) {
  HWND w = Make("w");
  auto value = [](intptr_t v) { return reinterpret_cast<HANDLE>(v); };
  enum Op { kSet, kGet, kRemove };
  struct Step {
    Op op;
    const char* name;
    intptr_t value;
    intptr_t expected;  // the result (TRUE/FALSE for kSet)
  } steps[] = {
      {kGet, "A", 0, 0},      {kSet, "A", 1, TRUE},   {kGet, "a", 0, 1},      {kSet, "a", 2, TRUE},
      {kGet, "A", 0, 2},      {kSet, "B", 3, TRUE},   {kRemove, "A", 0, 2},   {kRemove, "A", 0, 0},
      {kGet, "A", 0, 0},      {kGet, "B", 0, 3},      {kGet, "missing", 0, 0}, {kSet, "C", 0, TRUE},
      {kRemove, "C", 0, 0},
  };
  for (const auto& s : steps) {
    intptr_t got = s.op == kSet   ? SetPropA(w, s.name, value(s.value))
                   : s.op == kGet ? reinterpret_cast<intptr_t>(GetPropA(w, s.name))
                                  : reinterpret_cast<intptr_t>(RemovePropA(w, s.name));
    EXPECT_EQ(got, s.expected) << s.op << " " << s.name;
  }
  EXPECT_FALSE(SetPropA(w, nullptr, value(1)));
  EXPECT_EQ(GetPropA(w, MAKEINTATOM(5)), nullptr);
  ASSERT_TRUE(SetPropA(w, MAKEINTATOM(5), value(9)));
  EXPECT_EQ(GetPropA(w, MAKEINTATOM(5)), value(9));
  DestroyWindow(w);
  EXPECT_FALSE(SetPropA(w, "A", value(1)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(GetPropA(w, "B"), nullptr);
  EXPECT_EQ(RemovePropA(w, "B"), nullptr);
}

// Two procedures put in front of a window's own, each passing on to the
// one before it.
WNDPROC g_before_a, g_before_b;
std::vector<std::string> g_chain;
LRESULT CALLBACK ProcA(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 1) g_chain.push_back("A");
  return CallWindowProcA(g_before_a, h, m, w, l);
}
LRESULT CALLBACK ProcB(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 1) g_chain.push_back("B");
  return CallWindowProcA(g_before_b, h, m, w, l) + 1;
}

TEST_F(WindowTest, ProcedureChains) {
  HWND w = Make("w");
  LONG own_handle = GetWindowLongA(w, GWL_WNDPROC);
  ASSERT_NE(own_handle, 0);
  EXPECT_EQ(GetWindowLongA(w, GWL_WNDPROC), own_handle);  // stable
  g_before_a = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProcA)));
  EXPECT_EQ(g_before_a, RecordingProc);
  // The 32-bit form hands out a procedure handle that CallWindowProcA takes.
  LONG a_handle = GetWindowLongA(w, GWL_WNDPROC);
  g_before_b = reinterpret_cast<WNDPROC>(static_cast<LONG_PTR>(a_handle));
  EXPECT_EQ(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProcB)),
            reinterpret_cast<LONG_PTR>(ProcA));
  g_chain.clear();
  EXPECT_EQ(SendMessageA(w, WM_USER + 1, 5, 0), 11);
  EXPECT_EQ(g_chain, (std::vector<std::string>{"B", "A"}));

  // Handles put procedures back; a cut pointer is refused.
  LONG b_handle = SetWindowLongA(w, GWL_WNDPROC, a_handle);
  ASSERT_NE(b_handle, 0);
  g_chain.clear();
  EXPECT_EQ(SendMessageA(w, WM_USER + 1, 5, 0), 10);
  EXPECT_EQ(g_chain, std::vector<std::string>{"A"});
  SetLastError(0);
  EXPECT_EQ(SetWindowLongA(w, GWL_WNDPROC, static_cast<LONG>(reinterpret_cast<LONG_PTR>(ProcB))), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(SetWindowLongA(w, GWL_WNDPROC, own_handle), a_handle);
  EXPECT_EQ(GetWindowLongPtrA(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(RecordingProc));
  EXPECT_EQ(CallWindowProcA(nullptr, w, WM_USER + 1, 1, 0), 0);

  // Other values: previous value back; extra bytes within the class's 16.
  EXPECT_EQ(SetWindowLongPtrA(w, GWLP_USERDATA, 42), 0);
  EXPECT_EQ(GetWindowLongPtrA(w, GWLP_USERDATA), 42);
  EXPECT_EQ(GetWindowLongA(w, GWL_STYLE) & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(SetWindowLongPtrA(w, 8, 0x123456789), 0);
  EXPECT_EQ(GetWindowLongPtrA(w, 8), 0x123456789);
  EXPECT_EQ(SetWindowLongA(w, 12, 7), 0x1);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongPtrA(w, 9), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  DestroyWindow(w);
  EXPECT_EQ(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProcA)), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  DWORD pid = 1234;
  EXPECT_EQ(GetWindowThreadProcessId(w, &pid), 0u);
  EXPECT_EQ(pid, 1234u);
}

TEST_F(WindowTest, FindWindowRules) {
  HWND first = Make("Alpha");
  HWND child = Make("Alpha", WS_CHILD, first, 1);
  HWND second = Make("alpha beta");
  struct Case {
    const char* window_class;
    const char* title;
    HWND expected;
  } cases[] = {
      {nullptr, "ALPHA", first},      {nullptr, "alph", nullptr},      {nullptr, "alpha beta", second},
      {"recorder", "alpha", first},   {"Other", "Alpha", nullptr},     {"Recorder", nullptr, second},
      {nullptr, "Alpha beta ", nullptr},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindWindowA(c.window_class, c.title), c.expected)
        << (c.window_class ? c.window_class : "null") << "/" << (c.title ? c.title : "null");
  EXPECT_EQ(FindWindowExA(first, nullptr, nullptr, "ALPHA"), child);
  EXPECT_EQ(FindWindowExA(first, child, nullptr, nullptr), nullptr);
  // Top-level windows in z-order, newest first, one after another.
  EXPECT_EQ(FindWindowExA(nullptr, nullptr, kClass, nullptr), second);
  EXPECT_EQ(FindWindowExA(nullptr, second, kClass, nullptr), first);
  EXPECT_EQ(FindWindowExA(GetDesktopWindow(), second, kClass, nullptr), first);
  char name[8];
  EXPECT_EQ(GetClassNameA(first, name, sizeof name), 7);
  EXPECT_STREQ(name, "Recorde");
  EXPECT_TRUE(SetWindowTextA(first, "Renamed"));
  EXPECT_EQ(FindWindowA(nullptr, "renamed"), first);
  EXPECT_EQ(GetWindowTextLengthA(first), 7);
}

TEST_F(WindowTest, ZOrderAndRectangles) {
  HWND a = Make("a"), b = Make("b"), c = Make("c");
  auto order = [&] {
    std::vector<HWND> seen;
    for (HWND h = GetWindow(a, GW_HWNDFIRST); h; h = GetWindow(h, GW_HWNDNEXT))
      if (h == a || h == b || h == c) seen.push_back(h);
    return seen;
  };
  EXPECT_EQ(order(), (std::vector<HWND>{c, b, a}));
  SetWindowPos(c, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(order(), (std::vector<HWND>{b, a, c}));
  SetWindowPos(a, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(order(), (std::vector<HWND>{a, c, b}));  // topmost stays in front
  SetWindowPos(b, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(order(), (std::vector<HWND>{a, b, c}));

  // Children stack in creation order; their places are in the parent's client area.
  HWND first = Make("first", WS_CHILD | WS_VISIBLE, a, 1);
  HWND second = Make("second", WS_CHILD | WS_BORDER, a, 2);
  EXPECT_EQ(GetWindow(a, GW_CHILD), first);
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
  RECT r;
  ASSERT_TRUE(GetWindowRect(a, &r));
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{100, 100, 400, 300}));
  ASSERT_TRUE(GetClientRect(a, &r));
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{0, 0, 292, 173}));
  Take();
  ASSERT_TRUE(MoveWindow(second, 10, 20, 50, 40, TRUE));
  EXPECT_EQ(Take({WM_MOVE, WM_SIZE}), (std::vector<Event>{{"second", WM_MOVE}, {"second", WM_SIZE}}));
  ASSERT_TRUE(GetWindowRect(second, &r));
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{114, 143, 164, 183}));
  ASSERT_TRUE(GetClientRect(second, &r));
  EXPECT_EQ((std::vector<LONG>{r.right, r.bottom}), (std::vector<LONG>{48, 38}));
  POINT p{0, 0};
  ASSERT_TRUE(ClientToScreen(second, &p));
  EXPECT_EQ((std::vector<LONG>{p.x, p.y}), (std::vector<LONG>{115, 144}));
  ASSERT_TRUE(ScreenToClient(a, &p));
  EXPECT_EQ((std::vector<LONG>{p.x, p.y}), (std::vector<LONG>{11, 21}));
  RECT want{0, 0, 292, 173};
  ASSERT_TRUE(AdjustWindowRectEx(&want, WS_OVERLAPPEDWINDOW, FALSE, 0));
  EXPECT_EQ((std::vector<LONG>{want.right - want.left, want.bottom - want.top}), (std::vector<LONG>{300, 200}));

  EXPECT_FALSE(IsWindowVisible(first));  // its parent is hidden
  EXPECT_FALSE(ShowWindow(a, SW_SHOWNA));
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_FALSE(IsWindowVisible(second));
  EXPECT_TRUE(ShowWindow(a, SW_HIDE));
  EXPECT_EQ(SetParent(second, nullptr), a);
  EXPECT_EQ(SetParent(second, b), GetDesktopWindow());
  EXPECT_EQ(SetParent(b, second), nullptr);  // its own child cannot become its parent
}

TEST_F(WindowTest, FocusAndActivation) {
  HWND a = Make("a", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND b = Make("b", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND edit = Make("edit", WS_CHILD | WS_VISIBLE, b, 1);
  ASSERT_TRUE(SetForegroundWindow(a));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  const std::vector<UINT> focus{WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS};
  Take();
  EXPECT_EQ(SetFocus(edit), b);  // b took the focus when it was activated
  EXPECT_EQ(Take(focus), (std::vector<Event>{{"a", WM_ACTIVATE},
                                             {"b", WM_ACTIVATE},
                                             {"a", WM_KILLFOCUS},
                                             {"b", WM_SETFOCUS},
                                             {"b", WM_KILLFOCUS},
                                             {"edit", WM_SETFOCUS}}));
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(GetForegroundWindow(), b);

  EXPECT_FALSE(EnableWindow(edit, FALSE));
  EXPECT_FALSE(IsWindowEnabled(edit));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_TRUE(EnableWindow(edit, TRUE));
  EXPECT_EQ(Take({WM_KILLFOCUS, WM_ENABLE}),
            (std::vector<Event>{{"edit", WM_KILLFOCUS}, {"edit", WM_ENABLE}, {"edit", WM_ENABLE}}));

  // The active window goes: the next visible one takes over.
  DestroyWindow(b);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

}  // namespace
