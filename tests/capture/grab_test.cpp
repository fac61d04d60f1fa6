// Module Capture: grabbing windows of the simulated screen.
#include <gtest/gtest.h>

#include <cstring>

#include "Capture.h"
#include "capture_support.h"
#include "kestrel/machine.h"
#include "machine_test.h"

namespace {
using kestrel::ComPtr;
using kestrel::test::PatternWindow;
using kestrel::test::PicturePixels;
using kestrel::test::PixelsOf;

void SetDeltas(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Capture::dx_Left = left, Capture::dy_Top = top, Capture::dx_Right = right, Capture::dy_Bottom = bottom;
}

class Grab : public kestrel::test::MachineTest {
 protected:
  void TearDown() override {
    SetDeltas(0, 0, 0, 0);
    Capture::g_bCopyToClipboard = false;
    if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
  }
};

TEST_F(Grab, CopiesTheTrimmedAreaOfTheScreen) {
  struct Case {
    const char* name;
    RECT window;
    bool client_only;
    int32_t deltas[4];
    int width, height;
    POINT from;  // screen point of the picture's top-left pixel
  } cases[] = {
      {"whole window", {100, 50, 500, 350}, false, {0, 0, 0, 0}, 400, 300, {100, 50}},
      {"maximised frame", {-4, -4, 1028, 772}, false, {0, 0, 0, 0}, 1024, 768, {0, 0}},
      // The right delta is taken off twice, the left one shifts only.
      {"client area with deltas", {50, 60, 850, 660}, true, {2, 2, 2, 0}, 796, 600, {52, 62}},
      {"window with deltas", {10, 120, 1014, 700}, false, {2, 2, 2, 0}, 1000, 580, {12, 122}},
      // Left of and above the screen origin, the deltas enter the origin twice.
      {"maximised with deltas", {-4, -4, 1028, 772}, false, {2, 2, 2, 0}, 1020, 768, {4, 4}},
      {"partly off the screen", {900, 700, 1100, 800}, false, {0, 0, 0, 0}, 200, 100, {900, 700}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PatternWindow window(c.window, 0x40);
    SetDeltas(c.deltas[0], c.deltas[1], c.deltas[2], c.deltas[3]);
    ComPtr<IPictureDisp> picture = Capture::GrabWindowImage(window.hwnd(), c.client_only, -1, -1, -1, -1);
    PicturePixels got = PixelsOf(picture.get());
    ASSERT_EQ(got.width, c.width);
    ASSERT_EQ(got.height, c.height);
    EXPECT_EQ(got.bpp, 32);
    int wrong = 0;
    for (int y = 0; y < got.height; ++y)
      for (int x = 0; x < got.width; ++x) {
        COLORREF expected = kestrel::test::ScreenWith(c.window, 0x40, c.from.x + x, c.from.y + y);
        if (got.at(x, y) != expected && ++wrong <= 3)
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got.at(x, y) << " not " << expected;
      }
  }
}

TEST_F(Grab, PendingPaintsAreDoneFirst) {
  RECT r{200, 200, 300, 260};
  PatternWindow window(r, 0x10);
  SetWindowLongPtrA(window.hwnd(), GWLP_USERDATA, 0x99);
  InvalidateRect(window.hwnd(), nullptr, FALSE);
  int before = window.paints();
  PicturePixels got = PixelsOf(Capture::GrabWindowImage(window.hwnd(), false, -1, -1, -1, -1).get());
  EXPECT_EQ(window.paints(), before + 1);
  EXPECT_EQ(got.at(5, 7), kestrel::test::PatternPixel(5, 7, 0x99));
}

TEST_F(Grab, WindowsAboveShowInTheGrab) {
  PatternWindow below({100, 100, 300, 300}, 0x20);
  PatternWindow above({200, 150, 400, 250}, 0x80);  // created later: on top
  PicturePixels got = PixelsOf(Capture::GrabWindowImage(below.hwnd(), false, -1, -1, -1, -1).get());
  EXPECT_EQ(got.at(50, 50), kestrel::test::PatternPixel(50, 50, 0x20));
  EXPECT_EQ(got.at(150, 60), kestrel::test::PatternPixel(50, 10, 0x80));
}

TEST_F(Grab, ExplicitAreaIsTakenAsGiven) {
  PatternWindow window({0, 0, 300, 200}, 0x30);
  ComPtr<IPictureDisp> picture = Capture::GrabWindowImage(window.hwnd(), false, 10, 20, 30, 40);
  PicturePixels got = PixelsOf(picture.get());
  ASSERT_EQ(got.width, 30);
  ASSERT_EQ(got.height, 40);
  // left and top name no source origin for a window inside the screen: the copy starts at its corner.
  EXPECT_EQ(got.at(0, 0), kestrel::test::PatternPixel(0, 0, 0x30));
}

TEST_F(Grab, NoPictureOfWhatIsNotAWindow) {
  EXPECT_FALSE(Capture::GrabWindowImage(reinterpret_cast<HWND>(0x7ABC), false, -1, -1, -1, -1));
  PatternWindow window({0, 0, 10, 10}, 0);
  SetDeltas(0, 0, 20, 0);  // trimmed to nothing
  EXPECT_FALSE(Capture::GrabWindowImage(window.hwnd(), false, -1, -1, -1, -1));
  EXPECT_EQ(kestrel::com::LiveObjects(), 0);
}

TEST_F(Grab, ClipboardGetsABitmapOfItsOwn) {
  PatternWindow window({30, 40, 90, 80}, 0x55);
  Capture::g_bCopyToClipboard = true;
  ComPtr<IPictureDisp> picture = Capture::GrabWindowImage(window.hwnd(), false, -1, -1, -1, -1);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HBITMAP held = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  CloseClipboard();
  ASSERT_NE(held, nullptr);
  EXPECT_NE(held, kestrel::test::BitmapOf(picture.get()));
  EXPECT_EQ(GetClipboardOwner(), window.hwnd());
  // Same pixels in both.
  ComPtr<IPictureDisp> copy;
  PICTDESC desc{sizeof(PICTDESC), PICTYPE_BITMAP, {{held, nullptr}}};
  ASSERT_EQ(OleCreatePictureIndirect(&desc, IID_IPictureDisp, FALSE, copy.put_void()), S_OK);
  EXPECT_EQ(PixelsOf(copy.get()).pixels, PixelsOf(picture.get()).pixels);
  picture.Reset();
  EXPECT_EQ(GetObjectType(held), static_cast<DWORD>(OBJ_BITMAP)) << "the picture freed only its own";
}

TEST_F(Grab, ClipboardUntouchedWithoutTheFlag) {
  PatternWindow window({30, 40, 90, 80}, 0x55);
  HDC screen = GetDC(nullptr);
  HBITMAP sentinel = CreateCompatibleBitmap(screen, 1, 1);
  ReleaseDC(nullptr, screen);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, sentinel);
  CloseClipboard();
  Capture::GrabWindowImage(window.hwnd(), false, -1, -1, -1, -1);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(GetClipboardData(CF_BITMAP), sentinel);
  CloseClipboard();
}

class PaletteGrab : public Grab {
 protected:
  void SetUp() override {
    Grab::SetUp();
    kestrel::machine::SetSetting("screen", "8");
  }
};

TEST_F(PaletteGrab, PictureCarriesTheSystemPalette) {
  RECT r{10, 10, 74, 42};
  PatternWindow window(r, 0xC0);
  ComPtr<IPictureDisp> picture = Capture::GrabWindowImage(window.hwnd(), false, -1, -1, -1, -1);
  PicturePixels got = PixelsOf(picture.get());
  ASSERT_EQ(got.width, 64);
  EXPECT_EQ(got.bpp, 8);
  ComPtr<IPicture> p = ComPtr<IPictureDisp>(picture).As<IPicture>();
  OLE_HANDLE palette = 0;
  p->get_hPal(&palette);
  HPALETTE hpal = reinterpret_cast<HPALETTE>(static_cast<uintptr_t>(palette));
  ASSERT_EQ(GetObjectType(hpal), static_cast<DWORD>(OBJ_PAL));
  PALETTEENTRY entries[256], system[256];
  ASSERT_EQ(GetPaletteEntries(hpal, 0, 256, entries), 256u);
  HDC screen = GetDC(nullptr);
  GetSystemPaletteEntries(screen, 0, 256, system);
  EXPECT_EQ(std::memcmp(entries, system, sizeof entries), 0);
  // Every pixel is what the palette screen shows there.
  int wrong = 0;
  for (int y = 0; y < got.height; ++y)
    for (int x = 0; x < got.width; ++x)
      wrong += got.at(x, y) != GetPixel(screen, r.left + x, r.top + y);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(wrong, 0);
}

TEST_F(Grab, NoPaletteOnATrueColourScreen) {
  PatternWindow window({10, 10, 20, 20}, 0);
  ComPtr<IPicture> p = Capture::GrabWindowImage(window.hwnd(), false, -1, -1, -1, -1).As<IPicture>();
  OLE_HANDLE palette = 1;
  p->get_hPal(&palette);
  EXPECT_EQ(palette, 0u);
}

}  // namespace
