// The screen: windows painting into it in z-order, and the DCs over it.
#include <gtest/gtest.h>

#include "kestrel/canvas.h"
#include "kestrel/machine.h"
#include "machine_test.h"
#include "windows.h"

namespace {

constexpr COLORREF kDesktop = RGB(0, 128, 128);

// A window of a class that fills its client area with one colour when it
// paints (GWLP_USERDATA holds the colour).
LRESULT CALLBACK SolidProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  kestrel::gdi::Canvas(hdc).FillRect(0, 0, client.right, client.bottom,
                                     static_cast<COLORREF>(GetWindowLongPtrA(window, GWLP_USERDATA)));
  EndPaint(window, &ps);
  return 0;
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

class Screen : public kestrel::test::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    WNDCLASSA wc{};
    wc.lpfnWndProc = SolidProc;
    wc.lpszClassName = "KestrelSolid";
    RegisterClassA(&wc);
    WNDCLASSA plain{};
    plain.lpfnWndProc = DefWindowProcA;
    plain.lpszClassName = "KestrelPlain";
    plain.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&plain);
  }
  void TearDown() override {
    for (HWND w : made_) DestroyWindow(w);
  }
  HWND Solid(RECT r, COLORREF color, DWORD style = WS_POPUP | WS_VISIBLE, HWND parent = nullptr) {
    HWND w = CreateWindowExA(0, "KestrelSolid", "Solid", style & ~WS_VISIBLE, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, parent, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(w, GWLP_USERDATA, color);
    if (style & WS_VISIBLE) ShowWindow(w, SW_SHOW);
    if (!parent) made_.push_back(w);
    Pump();
    return w;
  }
  static COLORREF At(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
  }
  std::vector<HWND> made_;
};

TEST_F(Screen, VisibleWindowsPaintInZOrder) {
  HWND low = Solid({100, 100, 300, 300}, RGB(255, 0, 0));
  HWND high = Solid({200, 200, 400, 400}, RGB(0, 0, 255));
  HWND hidden = Solid({0, 0, 50, 50}, RGB(0, 255, 0), WS_POPUP);
  EXPECT_EQ(At(150, 150), RGB(255, 0, 0));
  EXPECT_EQ(At(250, 250), RGB(0, 0, 255));
  EXPECT_EQ(At(350, 350), RGB(0, 0, 255));
  EXPECT_EQ(At(10, 10), kDesktop) << "hidden windows show nothing";
  SetWindowPos(low, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Pump();
  EXPECT_EQ(At(250, 250), RGB(255, 0, 0)) << "raised above the other";
  DestroyWindow(high);
  made_.erase(std::find(made_.begin(), made_.end(), high));
  EXPECT_EQ(At(350, 350), kDesktop);
  ShowWindow(hidden, SW_SHOW);
  Pump();
  EXPECT_EQ(At(10, 10), RGB(0, 255, 0));
}

TEST_F(Screen, ChildrenAreClippedToTheParentsClientArea) {
  HWND parent = Solid({100, 100, 200, 200}, RGB(255, 255, 0));
  Solid({50, 50, 150, 80}, RGB(255, 0, 255), WS_CHILD | WS_VISIBLE, parent);
  EXPECT_EQ(At(160, 160), RGB(255, 0, 255));
  EXPECT_EQ(At(199, 160), RGB(255, 0, 255));
  EXPECT_EQ(At(210, 160), kDesktop) << "the part outside its parent is not shown";
  EXPECT_EQ(At(120, 120), RGB(255, 255, 0));
}

TEST_F(Screen, WindowAndClientDcsStartAtTheirCorners) {
  HWND framed = Solid({100, 100, 300, 250}, RGB(0, 200, 0), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  RECT whole, client;
  GetWindowRect(framed, &whole);
  GetClientRect(framed, &client);
  POINT origin{0, 0};
  ClientToScreen(framed, &origin);
  ASSERT_GT(origin.y, whole.top) << "a caption above the client area";
  HDC window_dc = GetWindowDC(framed), client_dc = GetDC(framed);
  EXPECT_EQ(GetPixel(client_dc, 0, 0), RGB(0, 200, 0));
  EXPECT_EQ(GetPixel(window_dc, origin.x - whole.left, origin.y - whole.top), RGB(0, 200, 0));
  EXPECT_EQ(GetPixel(window_dc, 0, 0), RGB(192, 192, 192)) << "the frame";
  EXPECT_EQ(GetPixel(window_dc, whole.right - whole.left - 10, origin.y - whole.top - 8), RGB(0, 0, 128))
      << "the caption, right of its title";
  // What a DC draws lands in the window and shows on the screen; a client DC
  // cannot draw over the frame.
  kestrel::gdi::Canvas(client_dc).FillRect(-5, -5, 3, 3, RGB(9, 9, 9));
  EXPECT_EQ(At(origin.x, origin.y), RGB(9, 9, 9));
  EXPECT_EQ(At(origin.x - 1, origin.y - 1), GetPixel(window_dc, origin.x - whole.left - 1, origin.y - whole.top - 1));
  EXPECT_NE(At(origin.x - 1, origin.y - 1), RGB(9, 9, 9));
  // Reading beyond the screen gives black.
  EXPECT_EQ(GetPixel(window_dc, -101, 0), RGB(0, 0, 0));
  EXPECT_EQ(ReleaseDC(framed, window_dc), 1);
  EXPECT_EQ(ReleaseDC(nullptr, client_dc), 0) << "released with its own window only";
  EXPECT_EQ(ReleaseDC(framed, client_dc), 1);
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x7777)), nullptr);
}

TEST_F(Screen, DefaultPaintUsesTheClassBackground) {
  HWND w = CreateWindowExA(0, "KestrelPlain", "", WS_POPUP | WS_VISIBLE, 10, 10, 30, 30, nullptr, nullptr, nullptr,
                           nullptr);
  made_.push_back(w);
  Pump();
  EXPECT_EQ(At(20, 20), GetSysColor(COLOR_BTNFACE));
}

TEST_F(Screen, DesktopWindowIsTheScreen) {
  Solid({0, 0, 10, 10}, RGB(1, 2, 3));
  HDC desktop = GetWindowDC(GetDesktopWindow());
  EXPECT_EQ(GetPixel(desktop, 5, 5), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(desktop, 500, 500), kDesktop);
  EXPECT_EQ(GetDeviceCaps(desktop, HORZRES), 1024);
  ReleaseDC(GetDesktopWindow(), desktop);
}

class PaletteScreenWindows : public Screen {
 protected:
  void SetUp() override {
    Screen::SetUp();
    kestrel::machine::SetSetting("screen", "8");
  }
};

TEST_F(PaletteScreenWindows, ScreenShowsNearestPaletteColours) {
  Solid({0, 0, 10, 10}, RGB(250, 2, 1));
  EXPECT_EQ(At(5, 5), RGB(255, 0, 0));
  EXPECT_EQ(At(50, 50), kDesktop);
}

}  // namespace
