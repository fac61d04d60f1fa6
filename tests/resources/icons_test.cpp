#include <gtest/gtest.h>

#include "kestrel/icon_pixels.h"
#include "kestrel/machine.h"
#include "kestrel/palette.h"
#include "machine_test.h"
#include "resource_support.h"
#include "test_icon.h"

namespace {

using kestrel::IconPixels;
using kestrel::test::GroupOf;
using kestrel::test::MachineTest;

class Icons : public MachineTest {
 protected:
  HMODULE library_ = ResourceLibraryModule();
};

IconPixels PixelsOf(HICON icon) {
  IconPixels pixels;
  EXPECT_TRUE(kestrel::GetIconPixels(icon, &pixels));
  return pixels;
}

TEST_F(Icons, LoadIconTakesTheSystemSizeAndSharesTheIcon) {
  // The image each button's icon is made from at 32 x 32 on a 32-bit screen.
  struct Case {
    int id, bits;
  } cases[] = {{101, 4}, {102, 4}, {103, 4}, {104, 4}, {105, 8}, {106, 8}, {107, 4}, {108, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    HICON icon = LoadIconA(library_, MAKEINTRESOURCEA(c.id));
    ASSERT_NE(icon, nullptr);
    IconPixels pixels = PixelsOf(icon);
    EXPECT_EQ(pixels.width, 32);
    EXPECT_EQ(pixels.height, 32);
    EXPECT_EQ(pixels.bits, c.bits);
    EXPECT_EQ(pixels.argb.size(), 32u * 32u);
    EXPECT_EQ(LoadIconA(library_, MAKEINTRESOURCEA(c.id)), icon);
    // A shared icon outlives DestroyIcon.
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_TRUE(kestrel::GetIconPixels(icon, &pixels));
  }
}

TEST_F(Icons, TheImageChosenFollowsSizeThenScreenDepth) {
  // Icon 200 holds 16/4, 32/4, 16/8, 48/8 and 16/32 images.
  struct Case {
    const char* screen;
    int cx;
    UINT flags;
    int width, bits;
  } cases[] = {
      {"32", 16, 0, 16, 32}, {"8", 16, 0, 16, 8},  // the deepest the screen shows
      {"32", 32, 0, 32, 4},  {"8", 32, 0, 32, 4},
      {"32", 24, 0, 24, 4},                       // bigger before smaller: from 32
      {"32", 40, 0, 40, 8},                       // from 48
      {"32", 64, 0, 64, 8},                       // nothing bigger: the biggest
      {"32", 0, LR_DEFAULTSIZE, 32, 4},           // the system's size
      {"32", 0, 0, 16, 32},                       // the size of the first image
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.screen) + " " + std::to_string(c.cx));
    kestrel::machine::SetSetting("screen", c.screen);
    kestrel::UniqueHIcon icon(
        static_cast<HICON>(LoadImageA(library_, MAKEINTRESOURCEA(200), IMAGE_ICON, c.cx, c.cx, c.flags)));
    ASSERT_TRUE(icon);
    IconPixels pixels = PixelsOf(icon.get());
    EXPECT_EQ(pixels.width, c.width);
    EXPECT_EQ(pixels.height, c.width);
    EXPECT_EQ(pixels.bits, c.bits);
  }
  // The same choice straight from the directory.
  kestrel::machine::SetSetting("screen", "32");
  HRSRC found = FindResourceA(library_, MAKEINTRESOURCEA(200), RT_GROUP_ICON);
  auto* dir = static_cast<PBYTE>(LockResource(LoadResource(library_, found)));
  auto group = GroupOf(200);
  EXPECT_EQ(LookupIconIdFromDirectoryEx(dir, TRUE, 40, 40, LR_DEFAULTCOLOR), group[3].id);
  EXPECT_EQ(LookupIconIdFromDirectoryEx(dir, TRUE, 0, 0, LR_DEFAULTCOLOR), group[1].id);
  EXPECT_EQ(LookupIconIdFromDirectoryEx(dir, FALSE, 16, 16, LR_DEFAULTCOLOR), 0);  // not a cursor directory
  EXPECT_EQ(LookupIconIdFromDirectoryEx(nullptr, TRUE, 16, 16, LR_DEFAULTCOLOR), 0);
}

TEST_F(Icons, PixelsOfEveryImageSurviveTheRoundTrip) {
  auto group = GroupOf(200);
  const auto& images = kestrel::test_icon::Images();
  ASSERT_EQ(group.size(), images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const auto& image = images[i];
    SCOPED_TRACE(std::to_string(image.size) + "/" + std::to_string(image.bits));
    HRSRC found = FindResourceA(library_, MAKEINTRESOURCEA(group[i].id), RT_ICON);
    ASSERT_NE(found, nullptr);
    kestrel::UniqueHIcon icon(CreateIconFromResourceEx(static_cast<PBYTE>(LockResource(LoadResource(library_, found))),
                                                       SizeofResource(library_, found), TRUE, 0x00030000, 0, 0,
                                                       LR_DEFAULTCOLOR));
    ASSERT_TRUE(icon);
    // Whatever the buffers held before is replaced, at exactly their size.
    IconPixels pixels{-1, -1, -1, std::vector<uint32_t>(3, 0xDEADBEEF), std::vector<uint8_t>(5, 7)};
    ASSERT_TRUE(kestrel::GetIconPixels(icon.get(), &pixels));
    int n = image.size;
    ASSERT_EQ(pixels.width, n);
    ASSERT_EQ(pixels.height, n);
    EXPECT_EQ(pixels.bits, image.bits);
    ASSERT_EQ(pixels.argb.size(), static_cast<size_t>(n * n));
    ASSERT_EQ(pixels.mask.size(), static_cast<size_t>(n * n));
    int wrong = 0;
    for (int y = 0; y < n; ++y) {
      for (int x = 0; x < n; ++x) {
        uint32_t expected;
        if (image.bits == 32) {
          expected = kestrel::test::Premultiplied(kestrel::test_icon::Argb(x, y));
        } else if (kestrel::test_icon::Transparent(x, y)) {
          expected = 0;
        } else {
          int index = kestrel::test_icon::Index(image, x, y);
          expected = 0xFF000000 | (image.bits == 4 ? kestrel::palette::kSixteen[index] : kestrel::palette::kStandard[index]);
        }
        size_t at = static_cast<size_t>(y * n + x);
        bool clear = (expected >> 24) < 128;
        if (pixels.argb[at] != expected || pixels.mask[at] != clear) {
          if (++wrong <= 5) ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << pixels.argb[at] << " not " << expected;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(Icons, MalformedImagesAreRefusedWithoutHarm) {
  HRSRC found = FindResourceA(library_, MAKEINTRESOURCEA(GroupOf(200)[1].id), RT_ICON);  // 32 x 32, 4 bits
  ASSERT_NE(found, nullptr);
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(library_, found)));
  std::vector<BYTE> good(data, data + SizeofResource(library_, found));
  // Every truncation is refused.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<BYTE> cut(good.begin(), good.begin() + static_cast<long>(n));
    SetLastError(0);
    ASSERT_EQ(CreateIconFromResourceEx(cut.data(), static_cast<DWORD>(n), TRUE, 0x00030000, 0, 0, 0), nullptr) << n;
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  }
  // So is every header field out of its range.
  struct Field {
    size_t offset;
    uint32_t value;
    int bytes;
  } fields[] = {
      {0, 12, 4},      {0, 0x7FFFFFFF, 4}, {4, 0, 4},  {4, 257, 4},  {4, 0xFFFFFFFF, 4}, {8, 63, 4},
      {8, 0, 4},       {12, 2, 2},         {14, 3, 2}, {14, 16, 2},  {16, 1, 4},         {32, 17, 4},
  };
  for (const auto& f : fields) {
    std::vector<BYTE> bad = good;
    std::memcpy(&bad[f.offset], &f.value, static_cast<size_t>(f.bytes));
    EXPECT_EQ(CreateIconFromResourceEx(bad.data(), static_cast<DWORD>(bad.size()), TRUE, 0x00030000, 0, 0, 0), nullptr)
        << f.offset << "=" << f.value;
  }
  EXPECT_EQ(CreateIconFromResourceEx(nullptr, 100, TRUE, 0x00030000, 0, 0, 0), nullptr);
  // An icon whose image is no bitmap does not load.
  SetLastError(0);
  EXPECT_EQ(LoadIconA(library_, MAKEINTRESOURCEA(201)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  // Only icons load as images.
  EXPECT_EQ(LoadImageA(library_, MAKEINTRESOURCEA(101), IMAGE_BITMAP, 0, 0, 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Icons, AnIconOfItsOwnIsDestroyedOnce) {
  HICON icon = static_cast<HICON>(LoadImageA(library_, MAKEINTRESOURCEA(101), IMAGE_ICON, 16, 16, 0));
  ASSERT_NE(icon, nullptr);
  EXPECT_NE(static_cast<HICON>(LoadImageA(library_, MAKEINTRESOURCEA(101), IMAGE_ICON, 16, 16, 0)), icon);
  EXPECT_LE(reinterpret_cast<uintptr_t>(icon), 0xFFFFFFFFu);
  EXPECT_TRUE(DestroyIcon(icon));
  IconPixels untouched{5, 6, 7, {1}, {1}};
  EXPECT_FALSE(kestrel::GetIconPixels(icon, &untouched));
  EXPECT_EQ(untouched.width, 5);
  EXPECT_EQ(untouched.argb, std::vector<uint32_t>{1});
  SetLastError(0);
  EXPECT_FALSE(DestroyIcon(icon));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_CURSOR_HANDLE));
  EXPECT_FALSE(DestroyIcon(nullptr));
}

}  // namespace
