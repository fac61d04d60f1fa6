#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "kestrel/codepage.h"
#include "kestrel/machine.h"
#include "kestrel/paths.h"
#include "machine_test.h"
#include "windows.h"

namespace {
using kestrel::test::MachineTest;
namespace cp = kestrel::codepage;
namespace fs = std::filesystem;

TEST(CodePage, HighBytesAndUnmappableCharacters) {
  struct Case {
    std::u16string text;
    std::string ansi;
  } cases[] = {
      {u"abc", "abc"},
      {u"\u20AC\u201A\u0178", "\x80\x82\x9F"},
      {u"\u0081\u008D\u008F\u0090\u009D", "\x81\x8D\x8F\x90\x9D"},
      {u"\u00E9\u00FF", "\xE9\xFF"},
      {u"\u4E2D", "?"},
      {u"\U0001F600x", "?x"},  // a surrogate pair is one character
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cp::ToAnsi(c.text), c.ansi);
    if (c.ansi.find('?') == std::string::npos) {
      EXPECT_EQ(cp::FromAnsi(c.ansi), c.text);
    }
  }
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(cp::ToAnsi(cp::FromAnsi(one)), one) << b;
  }
  EXPECT_EQ(cp::FoldAnsi("Software\x9a\xe9"), "SOFTWARE\x8a\xc9");
}

TEST(CodePage, Utf8RoundTrip) {
  std::u16string text = u"Z:\\home\\\u00E9\U0001F600";
  EXPECT_EQ(cp::FromUtf8(cp::ToUtf8(text)), text);
  EXPECT_EQ(cp::AnsiToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(cp::Utf8ToAnsi("\xE2\x82\xAC\xE4\xB8\xAD"), "\x80?");
}

TEST_F(MachineTest, DrivesMapToFolders) {
  fs::path c = kestrel::paths::DriveC();
  EXPECT_EQ(c, home_ / "drive_c");
  EXPECT_EQ(kestrel::paths::ToNative("C:\\Temp\\a.bmp"), c / "Temp/a.bmp");
  EXPECT_EQ(kestrel::paths::ToNative("c:\\"), c);
  EXPECT_EQ(kestrel::paths::ToNative("Z:\\home\\x"), fs::path("/home/x"));
  EXPECT_EQ(kestrel::paths::ToNative("/home/x"), fs::path("/home/x"));
  EXPECT_EQ(kestrel::paths::ToNative("Q:\\x"), fs::path());
  EXPECT_EQ(kestrel::paths::ToNative("relative\\x"), fs::path());
  EXPECT_EQ(kestrel::paths::FromNative("/home/x/y.txt"), "Z:\\home\\x\\y.txt");
  EXPECT_EQ(kestrel::paths::FromNative(c / "Temp" / "a.bmp"), "C:\\Temp\\a.bmp");
  EXPECT_EQ(kestrel::paths::FromNative("/"), "Z:\\");
}

TEST_F(MachineTest, MachineFolderHasSidAndSettings) {
  std::string sid = kestrel::machine::UserSid();
  EXPECT_TRUE(sid.starts_with("S-1-5-21-")) << sid;
  EXPECT_TRUE(fs::exists(home_ / "sid"));
  EXPECT_FALSE(kestrel::machine::IsStandardUser());
  kestrel::machine::SetSetting("user", "standard");
  EXPECT_TRUE(kestrel::machine::IsStandardUser());
  kestrel::machine::SetSetting("user", "admin");
  EXPECT_FALSE(kestrel::machine::IsStandardUser());
  EXPECT_EQ(kestrel::machine::Setting("missing", "x"), "x");
}

TEST_F(MachineTest, TempPathSizeProtocol) {
  char buf[64];
  std::memset(buf, 'S', sizeof buf);
  DWORD n = GetTempPathA(sizeof buf, buf);
  ASSERT_EQ(n, std::strlen("C:\\Temp\\"));
  EXPECT_STREQ(buf, "C:\\Temp\\");
  EXPECT_EQ(buf[n + 1], 'S');  // nothing written past the terminator

  char small[4];
  std::memset(small, 'S', sizeof small);
  EXPECT_EQ(GetTempPathA(sizeof small, small), n + 1);
  EXPECT_EQ(std::string(small, 4), "SSSS");

  ASSERT_TRUE(SetEnvironmentVariableA("TMP", "C:\\Other"));
  EXPECT_EQ(GetTempPathA(sizeof buf, buf), std::strlen("C:\\Other\\"));
  EXPECT_STREQ(buf, "C:\\Other\\");
  SetEnvironmentVariableA("TMP", nullptr);
  SetEnvironmentVariableA("TEMP", nullptr);
  GetTempPathA(sizeof buf, buf);
  EXPECT_TRUE(std::string(buf).starts_with("C:\\Users\\")) << "falls back to USERPROFILE: " << buf;
}

TEST_F(MachineTest, TempFileNamesAreCreatedAndUnique) {
  char a[MAX_PATH], b[MAX_PATH];
  UINT na = GetTempFileNameA("C:\\Temp", "QSCXYZ", 0, a);
  UINT nb = GetTempFileNameA("C:\\Temp\\", "QSC", 0, b);
  ASSERT_NE(na, 0u);
  ASSERT_NE(nb, 0u);
  EXPECT_NE(std::string(a), std::string(b));
  char expected[64];
  std::snprintf(expected, sizeof expected, "C:\\Temp\\QSC%X.TMP", na);
  EXPECT_STREQ(a, expected);
  EXPECT_TRUE(fs::exists(kestrel::paths::ToNative(a)));
  EXPECT_EQ(fs::file_size(kestrel::paths::ToNative(a)), 0u);

  EXPECT_EQ(GetTempFileNameA("C:\\Temp", "ab", 0x1F, a), 0x1Fu);
  EXPECT_STREQ(a, "C:\\Temp\\ab1F.TMP");
  EXPECT_FALSE(fs::exists(kestrel::paths::ToNative(a))) << "a given number only composes the name";

  SetLastError(0);
  EXPECT_EQ(GetTempFileNameA("C:\\NoSuchFolder", "QSC", 0, a), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(MachineTest, ExpandEnvironmentStrings) {
  SetEnvironmentVariableA("KestrelVar", "value");
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"plain", "plain"},
      {"%KESTRELVAR%", "value"},
      {"a%kestrelvar%b%KestrelVar%", "avaluebvalue"},
      {"%NoSuchVariable%", "%NoSuchVariable%"},
      {"100%", "100%"},
      {"%%KestrelVar%", "%value"},
      {"%TEMP%\\x", "C:\\Temp\\x"},
  };
  for (const auto& c : cases) {
    char buf[128];
    std::memset(buf, 'S', sizeof buf);
    DWORD n = ExpandEnvironmentStringsA(c.in, buf, sizeof buf);
    EXPECT_EQ(n, std::strlen(c.out) + 1) << c.in;
    EXPECT_STREQ(buf, c.out) << c.in;
    EXPECT_EQ(buf[n], 'S') << c.in;
    EXPECT_EQ(ExpandEnvironmentStringsA(c.in, nullptr, 0), n) << c.in;
  }
  SetEnvironmentVariableA("Loop", "%Loop%");
  char buf[32];
  ExpandEnvironmentStringsA("%Loop%", buf, sizeof buf);
  EXPECT_STREQ(buf, "%Loop%") << "one pass only";
}

TEST(Kernel, LastErrorIsPerThreadAndLocalMemory) {
  SetLastError(42);
  std::thread([] {
    EXPECT_EQ(GetLastError(), 0u);
    SetLastError(7);
  }).join();
  EXPECT_EQ(GetLastError(), 42u);
  HLOCAL p = LocalAlloc(LPTR, 16);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(static_cast<unsigned char*>(p)[15], 0);
  EXPECT_EQ(LocalFree(p), nullptr);
  EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid()));
}

TEST(Kernel, FormatMessageGivesSystemTexts) {
  char buf[256];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, buf, sizeof buf, nullptr);
  EXPECT_STREQ(buf, "The system cannot find the file specified.\r\n");
  EXPECT_EQ(n, std::strlen(buf));
}

}  // namespace
