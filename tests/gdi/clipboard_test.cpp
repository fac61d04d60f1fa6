#include <gtest/gtest.h>

#include <thread>

#include "machine_test.h"
#include "windows.h"

namespace {

HBITMAP NewBitmap() {
  HDC screen = GetDC(nullptr);
  HBITMAP b = CreateCompatibleBitmap(screen, 2, 2);
  ReleaseDC(nullptr, screen);
  return b;
}

bool Alive(HGDIOBJ object) { return GetObjectType(object) != 0; }

class Clipboard : public kestrel::test::MachineTest {
 protected:
  void TearDown() override {
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
  }
};

TEST_F(Clipboard, OwnsWhatItIsGivenUntilEmptied) {
  HBITMAP first = NewBitmap(), second = NewBitmap();
  EXPECT_EQ(SetClipboardData(CF_BITMAP, first), nullptr) << "not open";
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  EXPECT_EQ(SetClipboardData(CF_BITMAP, first), first);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, second), second);
  EXPECT_FALSE(Alive(first)) << "replaced data is freed";
  EXPECT_EQ(GetClipboardData(CF_BITMAP), second);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_EQ(GetClipboardData(CF_BITMAP), nullptr) << "closed";

  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_FALSE(Alive(second));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(CloseClipboard());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
}

TEST_F(Clipboard, OneThreadHasItOpenAtATime) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  BOOL other = TRUE;
  std::thread([&] { other = OpenClipboard(nullptr); }).join();
  EXPECT_FALSE(other);
  CloseClipboard();
  std::thread([&] {
    other = OpenClipboard(nullptr);
    CloseClipboard();
  }).join();
  EXPECT_TRUE(other);
}

TEST_F(Clipboard, RefusesWhatIsNotABitmap) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HBITMAP b = NewBitmap();
  EXPECT_EQ(SetClipboardData(1 /* CF_TEXT */, b), nullptr);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, GetStockObject(DEFAULT_PALETTE)), nullptr);
  CloseClipboard();
  EXPECT_TRUE(Alive(b)) << "refused data stays the caller's";
  DeleteObject(b);
}

}  // namespace
