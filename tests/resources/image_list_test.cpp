#include <gtest/gtest.h>

#include <algorithm>

#include "kestrel/icon_pixels.h"
#include "kestrel/palette.h"
#include "machine_test.h"
#include "resource_support.h"
#include "test_icon.h"

namespace {

using kestrel::IconPixels;
using kestrel::test::MachineTest;

class ImageLists : public MachineTest {
 protected:
  HMODULE library_ = ResourceLibraryModule();
};

bool InStandardPalette(uint32_t argb) {
  uint32_t rgb = argb & 0xFFFFFF;
  return std::find(kestrel::palette::kStandard.begin(), kestrel::palette::kStandard.end(), rgb) !=
         kestrel::palette::kStandard.end();
}

TEST_F(ImageLists, TheToolbarIconsBecomeSixteenPixelImages) {
  kestrel::UniqueHImageList list(ImageList_Create(16, 16, ILC_MASK | ILC_COLOR8, 1, 1));
  ASSERT_TRUE(list);
  for (int id = 101; id <= 108; ++id)
    EXPECT_EQ(ImageList_ReplaceIcon(list.get(), -1, LoadIconA(library_, MAKEINTRESOURCEA(id))), id - 101);
  ASSERT_EQ(ImageList_GetImageCount(list.get()), 8);
  int cx = 0, cy = 0;
  EXPECT_TRUE(ImageList_GetIconSize(list.get(), &cx, &cy));
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(101 + i);
    IconPixels image;
    ASSERT_TRUE(kestrel::GetImageListPixels(list.get(), i, &image));
    ASSERT_EQ(image.width, 16);
    ASSERT_EQ(image.height, 16);
    ASSERT_EQ(image.argb.size(), 256u);
    EXPECT_EQ(image.bits, 8);
    // A 1-bit mask and 256 colours: each pixel clear or opaque in the palette.
    int opaque = 0;
    for (size_t p = 0; p < image.argb.size(); ++p) {
      if (image.mask[p]) {
        EXPECT_EQ(image.argb[p], 0u);
      } else {
        ++opaque;
        EXPECT_EQ(image.argb[p] >> 24, 0xFFu);
        EXPECT_TRUE(InStandardPalette(image.argb[p])) << std::hex << image.argb[p];
      }
    }
    EXPECT_GT(opaque, 60);
    EXPECT_LT(opaque, 256);
  }
}

TEST_F(ImageLists, ScalingAveragesInsteadOfDroppingPixels) {
  // A one-pixel checkerboard of black and white halves to grey, not to one
  // of the two.
  auto board = kestrel::test::IconImage32(32, [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u; });
  kestrel::UniqueHIcon icon(CreateIconFromResourceEx(board.data(), static_cast<DWORD>(board.size()), TRUE,
                                                     0x00030000, 0, 0, 0));
  ASSERT_TRUE(icon);
  kestrel::UniqueHImageList list(ImageList_Create(16, 16, ILC_COLOR32, 1, 1));
  ASSERT_EQ(ImageList_AddIcon(list.get(), icon.get()), 0);
  IconPixels image;
  ASSERT_TRUE(kestrel::GetImageListPixels(list.get(), 0, &image));
  for (uint32_t p : image.argb) {
    ASSERT_EQ(p >> 24, 0xFFu);
    for (int shift : {0, 8, 16}) {
      int v = static_cast<int>((p >> shift) & 0xFF);
      ASSERT_NEAR(v, 0x80, 24) << std::hex << p;
    }
  }
}

TEST_F(ImageLists, TheListsFlagsDecideTransparencyAndColours) {
  // The 16 x 16 32-bit image of icon 200: columns of alpha 0, 128, 255.
  auto image = kestrel::test::GroupOf(200)[4];
  HRSRC found = FindResourceA(library_, MAKEINTRESOURCEA(image.id), RT_ICON);
  kestrel::UniqueHIcon icon(CreateIconFromResourceEx(static_cast<PBYTE>(LockResource(LoadResource(library_, found))),
                                                     SizeofResource(library_, found), TRUE, 0x00030000, 0, 0, 0));
  ASSERT_TRUE(icon);
  const uint32_t orange = 0xFF8000;
  struct Case {
    UINT flags;
    uint32_t clear, half, full;  // pixel 0 of columns alpha 0, 128, 255 (row 0: blue 0)
    int bits;
  } cases[] = {
      {ILC_COLOR32, 0, kestrel::test::Premultiplied(0x80000000 | orange), 0xFF000000 | orange, 32},
      {ILC_MASK | ILC_COLOR24, 0, 0xFF000000 | orange, 0xFF000000 | orange, 24},
      {ILC_COLOR24, 0xFF000000, kestrel::test::Premultiplied(0x80000000 | orange) | 0xFF000000, 0xFF000000 | orange, 24},
      {ILC_MASK | ILC_COLOR8, 0, 0xFFFF9900, 0xFFFF9900, 8},  // the palette's nearest
      {ILC_MASK | ILC_COLOR4, 0, 0xFF808000, 0xFF808000, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    kestrel::UniqueHImageList list(ImageList_Create(16, 16, c.flags, 4, 4));
    ASSERT_TRUE(list);
    ASSERT_EQ(ImageList_AddIcon(list.get(), icon.get()), 0);
    IconPixels pixels;
    ASSERT_TRUE(kestrel::GetImageListPixels(list.get(), 0, &pixels));
    EXPECT_EQ(pixels.bits, c.bits);
    EXPECT_EQ(pixels.argb[0], c.clear);
    EXPECT_EQ(pixels.argb[1], c.half);
    EXPECT_EQ(pixels.argb[2], c.full);
    EXPECT_EQ(pixels.mask[0], c.clear == 0);
    EXPECT_EQ(pixels.mask[2], 0);
  }
}

TEST_F(ImageLists, ReplacingAndBadArguments) {
  HICON about = LoadIconA(library_, MAKEINTRESOURCEA(101));
  HICON star = LoadIconA(library_, MAKEINTRESOURCEA(105));
  kestrel::UniqueHImageList list(ImageList_Create(16, 16, ILC_MASK | ILC_COLOR8, 1, 1));
  ASSERT_EQ(ImageList_ReplaceIcon(list.get(), -1, about), 0);
  ASSERT_EQ(ImageList_ReplaceIcon(list.get(), -1, about), 1);
  IconPixels before, after;
  ASSERT_TRUE(kestrel::GetImageListPixels(list.get(), 1, &before));
  EXPECT_EQ(ImageList_ReplaceIcon(list.get(), 1, star), 1);
  EXPECT_EQ(ImageList_GetImageCount(list.get()), 2);
  ASSERT_TRUE(kestrel::GetImageListPixels(list.get(), 1, &after));
  EXPECT_NE(before.argb, after.argb);

  for (int index : {2, -2, 1000}) EXPECT_EQ(ImageList_ReplaceIcon(list.get(), index, star), -1) << index;
  EXPECT_EQ(ImageList_ReplaceIcon(list.get(), -1, nullptr), -1);
  EXPECT_EQ(ImageList_ReplaceIcon(list.get(), -1, reinterpret_cast<HICON>(0x1234)), -1);
  EXPECT_EQ(ImageList_GetImageCount(list.get()), 2);
  IconPixels untouched{3, 4, 5, {9}, {9}};
  for (int index : {-1, 2}) EXPECT_FALSE(kestrel::GetImageListPixels(list.get(), index, &untouched));
  EXPECT_EQ(untouched.width, 3);
  EXPECT_EQ(untouched.argb, std::vector<uint32_t>{9});

  struct Create {
    int cx, cy;
    UINT flags;
  } refused[] = {{0, 16, ILC_COLOR8}, {16, -1, ILC_COLOR8}, {16, 16, 0x0C}, {16, 16, ILC_COLOR8 | 0x100000}};
  for (const auto& c : refused) EXPECT_EQ(ImageList_Create(c.cx, c.cy, c.flags, 1, 1), nullptr) << c.flags;

  HIMAGELIST gone = list.release();
  EXPECT_TRUE(ImageList_Destroy(gone));
  EXPECT_FALSE(ImageList_Destroy(gone));
  EXPECT_EQ(ImageList_GetImageCount(gone), 0);
  EXPECT_EQ(ImageList_ReplaceIcon(gone, -1, about), -1);
  int cx = 7, cy = 8;
  EXPECT_FALSE(ImageList_GetIconSize(gone, &cx, &cy));
  EXPECT_EQ(cx, 7);
  EXPECT_EQ(cy, 8);
}

}  // namespace
