// Memory DCs, bitmaps, BitBlt, palettes, DIB bits, BMP files and the cairo
// canvas; the screen's windows are in screen_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "kestrel/bitmap_file.h"
#include "kestrel/canvas.h"
#include "kestrel/machine.h"
#include "kestrel/paths.h"
#include "machine_test.h"
#include "windows.h"

namespace {

// A memory DC with a new bitmap of the screen's format selected.
struct MemoryBitmap {
  MemoryBitmap(int width, int height) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    previous = SelectObject(dc, bitmap);
  }
  ~MemoryBitmap() {
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
};

std::string ReadFile(const std::string& windowsPath) {
  std::ifstream in(kestrel::paths::ToNative(windowsPath), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

template <class T>
T At(const std::string& bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

class Gdi : public kestrel::test::MachineTest {};

class PaletteScreen : public kestrel::test::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    kestrel::machine::SetSetting("screen", "8");
  }
};

TEST_F(Gdi, BitBltCopiesClippedAreasBetweenMemoryBitmaps) {
  MemoryBitmap src(4, 3), dst(5, 5);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) SetPixel(src.dc, x, y, RGB(10 * x, 20 * y, 99));
  BitBlt(dst.dc, 0, 0, 5, 5, nullptr, 0, 0, WHITENESS);
  // Two columns and rows hang off the source: they leave the destination as it was.
  ASSERT_TRUE(BitBlt(dst.dc, 2, 1, 4, 4, src.dc, 1, 0, SRCCOPY));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      int sx = x - 2 + 1, sy = y - 1;
      COLORREF expected = (x >= 2 && sx < 4 && sy >= 0 && sy < 3) ? RGB(10 * sx, 20 * sy, 99) : RGB(255, 255, 255);
      EXPECT_EQ(GetPixel(dst.dc, x, y), expected) << x << "," << y;
    }
  EXPECT_EQ(GetPixel(dst.dc, 5, 0), CLR_INVALID);
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 0x00EE0086));  // SRCPAINT is not there
}

TEST_F(Gdi, SelectedObjectsAreGuarded) {
  MemoryBitmap a(2, 2);
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, a.bitmap), nullptr) << "a bitmap is in one DC at a time";
  EXPECT_FALSE(DeleteObject(a.bitmap));
  HGDIOBJ stock = SelectObject(a.dc, a.previous);
  EXPECT_EQ(stock, a.bitmap);
  EXPECT_EQ(SelectObject(other, a.bitmap) != nullptr, true);
  SelectObject(other, a.previous);
  a.previous = SelectObject(a.dc, a.bitmap);
  EXPECT_FALSE(DeleteObject(GetStockObject(DEFAULT_PALETTE)));
  EXPECT_FALSE(DeleteDC(GetDC(nullptr))) << "a screen DC is released, not deleted";
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_EQ(CreateCompatibleBitmap(a.dc, 0, 5), nullptr);
  EXPECT_EQ(GetObjectType(a.bitmap), static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_EQ(GetObjectType(a.dc), static_cast<DWORD>(OBJ_MEMDC));
}

struct Caps {
  int bits, rasterPalette, sizePalette, systemEntries;
};

void ExpectScreen(const Caps& c) {
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 1024);
  EXPECT_EQ(GetDeviceCaps(screen, VERTRES), 768);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), c.bits);
  EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, c.rasterPalette);
  EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), c.sizePalette);
  PALETTEENTRY entries[256] = {};
  EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 256, entries), static_cast<UINT>(c.systemEntries));
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 3, 2);
  BITMAP bm{};
  ASSERT_EQ(GetObjectA(bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmBitsPixel, c.bits);
  DeleteObject(bitmap);
  if (c.systemEntries) {
    std::set<COLORREF> distinct;
    for (auto& e : entries) distinct.insert(RGB(e.peRed, e.peGreen, e.peBlue));
    EXPECT_EQ(distinct.size(), 256u);
    EXPECT_EQ(RGB(entries[0].peRed, entries[0].peGreen, entries[0].peBlue), RGB(0, 0, 0));
    EXPECT_EQ(RGB(entries[255].peRed, entries[255].peGreen, entries[255].peBlue), RGB(255, 255, 255));
  }
  ReleaseDC(nullptr, screen);
}

TEST_F(Gdi, TrueColourScreen) { ExpectScreen({32, 0, 0, 0}); }
TEST_F(PaletteScreen, PaletteScreen) { ExpectScreen({8, RC_PALETTE, 256, 256}); }

TEST_F(PaletteScreen, EightBitBitmapsHoldNearestPaletteColours) {
  MemoryBitmap eight(4, 1);
  SetPixel(eight.dc, 0, 0, RGB(255, 0, 0));
  SetPixel(eight.dc, 1, 0, RGB(250, 5, 3));  // nearest is pure red
  {
    kestrel::gdi::Canvas canvas(eight.dc);
    canvas.FillRect(2, 0, 4, 1, RGB(0, 0, 128));
  }
  EXPECT_EQ(GetPixel(eight.dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(eight.dc, 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(eight.dc, 3, 0), RGB(0, 0, 128));
  // Indices of the system palette, as GetDIBits shows them.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[256];
  } info{};
  info.h = {sizeof(BITMAPINFOHEADER), 4, 1, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
  BYTE bits[4];
  ASSERT_EQ(GetDIBits(eight.dc, eight.bitmap, 0, 1, bits, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS), 1);
  EXPECT_EQ(bits[0], bits[1]);
  const RGBQUAD& q = info.colors[bits[3]];
  EXPECT_EQ(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue), RGB(0, 0, 128));
}

TEST_F(Gdi, PalettesSelectRealizeAndGuard) {
  LOGPALETTE bad{0x200, 1, {{1, 2, 3, 0}}};
  EXPECT_EQ(CreatePalette(&bad), nullptr);
  LOGPALETTE one{0x300, 1, {{1, 2, 3, 0}}};
  HPALETTE palette = CreatePalette(&one);
  ASSERT_NE(palette, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HPALETTE previous = SelectPalette(dc, palette, FALSE);
  EXPECT_EQ(previous, GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(RealizePalette(dc), 1u);
  EXPECT_FALSE(DeleteObject(palette)) << "selected";
  EXPECT_EQ(SelectPalette(dc, previous, FALSE), palette);
  PALETTEENTRY e{};
  EXPECT_EQ(GetPaletteEntries(palette, 0, 1, &e), 1u);
  EXPECT_EQ(RGB(e.peRed, e.peGreen, e.peBlue), RGB(1, 2, 3));
  EXPECT_TRUE(DeleteObject(palette));
  DeleteDC(dc);
}

TEST_F(Gdi, DibBitsRunBottomUpWithPaddedRows) {
  MemoryBitmap b(3, 2);
  for (int x = 0; x < 3; ++x) {
    SetPixel(b.dc, x, 0, RGB(x, 0, 0xA0));
    SetPixel(b.dc, x, 1, RGB(x, 1, 0xB0));
  }
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<BYTE> bits(24, 0xEE);
  ASSERT_EQ(GetDIBits(b.dc, b.bitmap, 0, 2, bits.data(), &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(info.bmiHeader.biSizeImage, 24u);
  // First row in the buffer is the bitmap's bottom row: B, G, R per pixel, 3 bytes of padding.
  const std::vector<BYTE> expected = {0xB0, 1, 0, 0xB0, 1, 1, 0xB0, 1, 2, 0, 0, 0,
                                      0xA0, 0, 0, 0xA0, 0, 1, 0xA0, 0, 2, 0, 0, 0};
  EXPECT_EQ(bits, expected);
  // From scan line 1 on, past the end: the one line left, the top row.
  std::vector<BYTE> rest(24, 0xEE);
  ASSERT_EQ(GetDIBits(b.dc, b.bitmap, 1, 5, rest.data(), &info, DIB_RGB_COLORS), 1);
  EXPECT_EQ(std::vector<BYTE>(rest.begin(), rest.begin() + 12),
            std::vector<BYTE>(expected.begin() + 12, expected.end()));
  EXPECT_EQ(rest[12], 0xEE) << "nothing written past the line";
  // Top-down, written back into another bitmap.
  info.bmiHeader.biHeight = -2;
  MemoryBitmap copy(3, 2);
  ASSERT_EQ(SetDIBits(copy.dc, copy.bitmap, 0, 2, bits.data(), &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(GetPixel(copy.dc, 2, 0), RGB(2, 1, 0xB0));
  EXPECT_EQ(GetPixel(copy.dc, 0, 1), RGB(0, 0, 0xA0));
}

TEST_F(Gdi, BitmapFilesHaveTheBitmapsOwnDepth) {
  MemoryBitmap b(3, 2);
  SetPixel(b.dc, 0, 1, RGB(1, 2, 3));  // bottom-left: the first pixel of the file
  ASSERT_EQ(kestrel::gdi::WriteBitmapFile(b.bitmap, "C:\\Temp\\b.bmp"), static_cast<DWORD>(ERROR_SUCCESS));
  std::string f = ReadFile("C:\\Temp\\b.bmp");
  ASSERT_EQ(f.size(), 14u + 40 + 3 * 4 * 2);
  EXPECT_EQ(f.substr(0, 2), "BM");
  EXPECT_EQ(At<DWORD>(f, 2), f.size());
  EXPECT_EQ(At<DWORD>(f, 10), 54u);
  EXPECT_EQ(At<DWORD>(f, 14), 40u);
  EXPECT_EQ(At<LONG>(f, 18), 3);
  EXPECT_EQ(At<LONG>(f, 22), 2);
  EXPECT_EQ(At<WORD>(f, 28), 32);
  EXPECT_EQ(At<DWORD>(f, 54), 0x00010203u) << "B, G, R and a reserved 0";

  EXPECT_EQ(kestrel::gdi::WriteBitmapFile(b.bitmap, "C:\\Missing\\b.bmp"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(kestrel::gdi::WriteBitmapFile(nullptr, "C:\\Temp\\c.bmp"), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(PaletteScreen, EightBitBitmapFilesCarryTheColourTable) {
  MemoryBitmap b(5, 1);
  SetPixel(b.dc, 4, 0, RGB(255, 255, 255));
  ASSERT_EQ(kestrel::gdi::WriteBitmapFile(b.bitmap, "C:\\Temp\\p.bmp"), static_cast<DWORD>(ERROR_SUCCESS));
  std::string f = ReadFile("C:\\Temp\\p.bmp");
  ASSERT_EQ(f.size(), 14u + 40 + 1024 + 8);
  EXPECT_EQ(At<DWORD>(f, 10), 14u + 40 + 1024);
  EXPECT_EQ(At<WORD>(f, 28), 8);
  EXPECT_EQ(static_cast<unsigned char>(f[1078 + 4]), 255) << "white is the last entry";
  EXPECT_EQ(At<DWORD>(f, 54 + 255 * 4), 0x00FFFFFFu);
}

TEST_F(Gdi, CanvasDrawsInDcCoordinates) {
  MemoryBitmap b(10, 10);
  {
    kestrel::gdi::Canvas canvas(b.dc);
    ASSERT_TRUE(canvas);
    canvas.FillRect(2, 3, 5, 4, RGB(0, 200, 0));
  }
  EXPECT_EQ(GetPixel(b.dc, 2, 3), RGB(0, 200, 0));
  EXPECT_EQ(GetPixel(b.dc, 4, 3), RGB(0, 200, 0));
  EXPECT_EQ(GetPixel(b.dc, 5, 3), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(b.dc, 2, 4), RGB(0, 0, 0));
  EXPECT_FALSE(kestrel::gdi::Canvas(nullptr));
}

}  // namespace
