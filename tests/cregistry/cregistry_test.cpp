#include <gtest/gtest.h>

#include <functional>

#include "CRegistry.h"
#include "kestrel/codepage.h"
#include "kestrel/component_error.h"
#include "kestrel/machine.h"
#include "kestrel/module.h"
#include "machine_test.h"
#include "windows.h"

namespace {
using kestrel::ComponentError;
using kestrel::Variant;
using kestrel::test::MachineTest;

constexpr int32_t kHKCR = static_cast<int32_t>(0x80000000u);
constexpr int32_t kHKCU = static_cast<int32_t>(0x80000001u);
constexpr int32_t kHKLM = static_cast<int32_t>(0x80000002u);
const std::u16string kKey = u"Software\\Kestrel\\Test";
void Marker() {}

class CRegistryTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    reg_.Init(kHKCU);
  }
  // The stored type and bytes of a value under HKCU\kKey.
  std::pair<DWORD, std::string> Stored(const char* name) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrel\\Test", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    char data[256];
    DWORD type = 0, size = sizeof data;
    LONG ret = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (ret != ERROR_SUCCESS) return {REG_NONE, ""};
    return {type, std::string(data, size)};
  }
  void StoreRaw(const char* name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kestrel\\Test", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  CRegistry reg_;
};

TEST_F(CRegistryTest, TextIsStoredAsExpandableOnlyWithTwoSeparatedPercentSigns) {
  struct Case {
    std::u16string text;
    DWORD type;
    std::string bytes;
  } cases[] = {
      {u"plain", REG_SZ, std::string("plain\0", 6)},
      {u"http://h/a%20b%20c", REG_EXPAND_SZ, std::string("http://h/a%20b%20c\0", 19)},
      {u"100%", REG_SZ, std::string("100%\0", 5)},
      {u"%%", REG_SZ, std::string("%%\0", 3)},
      {u"a%%b", REG_SZ, std::string("a%%b\0", 5)},
      {u"%a%", REG_EXPAND_SZ, std::string("%a%\0", 4)},
      {u"", REG_SZ, std::string("\0", 1)},
      {u"caf\u00E9 \u20AC", REG_SZ, std::string("caf\xE9 \x80\0", 7)},
  };
  for (const auto& c : cases) {
    for (int32_t asked : {REG_SZ, REG_EXPAND_SZ}) {
      ASSERT_TRUE(reg_.SetValue(kKey, u"v", c.text, asked));
      auto [type, bytes] = Stored("v");
      EXPECT_EQ(type, c.type) << kestrel::codepage::ToUtf8(c.text);
      EXPECT_EQ(bytes, c.bytes) << kestrel::codepage::ToUtf8(c.text);
      EXPECT_EQ(reg_.GetValue(kKey, u"v", Variant()), Variant(c.text));
    }
  }
}

TEST_F(CRegistryTest, ExpandableTextIsExpandedOnRead) {
  ASSERT_TRUE(reg_.SetValue(kKey, u"p", u"%TEMP%\\shot.bmp", REG_SZ));
  EXPECT_EQ(Stored("p").first, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(reg_.GetValue(kKey, u"p", Variant()), Variant(u"C:\\Temp\\shot.bmp"));
  EXPECT_EQ(reg_.ValueType(kKey, u"p"), REG_EXPAND_SZ);
}

TEST_F(CRegistryTest, ValueKindsAndTypeCodes) {
  // Integers: 4 and 5 both store an ordinary REG_DWORD.
  ASSERT_TRUE(reg_.SetValue(kKey, u"d4", int32_t(-2), REG_DWORD));
  ASSERT_TRUE(reg_.SetValue(kKey, u"d5", int16_t(7), REG_DWORD_BIG_ENDIAN));
  EXPECT_EQ(Stored("d4"), (std::pair<DWORD, std::string>{REG_DWORD, std::string("\xFE\xFF\xFF\xFF", 4)}));
  EXPECT_EQ(Stored("d5"), (std::pair<DWORD, std::string>{REG_DWORD, std::string("\x07\0\0\0", 4)}));
  EXPECT_EQ(reg_.GetValue(kKey, u"d4", Variant()), Variant(int32_t(-2)));

  // A value of the wrong kind writes nothing and reports success; type 6 fails.
  EXPECT_TRUE(reg_.SetValue(kKey, u"wrong4", u"12", REG_DWORD));
  EXPECT_TRUE(reg_.SetValue(kKey, u"wrong3", int32_t(12), REG_BINARY));
  EXPECT_FALSE(reg_.SetValue(kKey, u"six", u"x", 6));
  for (const char* name : {"wrong4", "wrong3", "six"}) EXPECT_EQ(Stored(name).first, DWORD(REG_NONE)) << name;
  EXPECT_EQ(reg_.ValueType(kKey, u"wrong4"), 0);

  ASSERT_TRUE(reg_.SetValue(kKey, u"bin", Variant::ByteArray{0, 1, 255}, REG_BINARY));
  EXPECT_EQ(Stored("bin"), (std::pair<DWORD, std::string>{REG_BINARY, std::string("\0\x01\xFF", 3)}));
  EXPECT_EQ(reg_.GetValue(kKey, u"bin", Variant()), Variant(Variant::ByteArray{0, 1, 255}));

  StoreRaw("be", REG_DWORD_BIG_ENDIAN, std::string("\x01\x02\x03\x04", 4));
  EXPECT_EQ(reg_.GetValue(kKey, u"be", Variant()), Variant(int32_t(0x01020304)));
  EXPECT_EQ(reg_.ValueType(kKey, u"be"), REG_DWORD_BIG_ENDIAN);

  StoreRaw("multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  EXPECT_EQ(reg_.GetValue(kKey, u"multi", Variant()), Variant(std::u16string(u"a\0b\0", 4)));

  StoreRaw("q", REG_QWORD, std::string("\x01\0\0\0\0\0\0\0", 8));
  EXPECT_EQ(reg_.GetValue(kKey, u"q", Variant()), Variant(Variant::ByteArray{1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(CRegistryTest, MissingValuesAndKeysGiveTheDefault) {
  const Variant fallback(u"fallback");
  EXPECT_EQ(reg_.GetValue(kKey, u"none", fallback), fallback);
  EXPECT_EQ(reg_.GetValue(u"Software\\NoSuchKey", u"none", fallback), fallback);
  EXPECT_EQ(reg_.ValueType(u"Software\\NoSuchKey", u"none"), 0);
  EXPECT_FALSE(reg_.KeyExists(u"Software\\NoSuchKey"));
  EXPECT_FALSE(reg_.DeleteValue(u"Software\\NoSuchKey", u"none"));
  ASSERT_TRUE(reg_.CreateKey(kKey));
  EXPECT_FALSE(reg_.DeleteValue(kKey, u"none"));
}

TEST_F(CRegistryTest, ListsAreEmptiedFirstAndOrdered) {
  std::vector<std::u16string> list{u"stale"};
  EXPECT_EQ(reg_.GetAllSubKeys(u"Software\\NoSuchKey", list), 0);
  EXPECT_TRUE(list.empty());
  ASSERT_TRUE(reg_.CreateKey(kKey));
  list = {u"stale"};
  EXPECT_EQ(reg_.GetAllSubKeys(kKey, list), 0);
  EXPECT_TRUE(list.empty());
  list = {u"stale"};
  EXPECT_EQ(reg_.GetAllValueNames(kKey, list), 0);
  EXPECT_TRUE(list.empty());

  for (const char16_t* sub : {u"beta", u"Alpha", u"gamma"}) ASSERT_TRUE(reg_.CreateKey(kKey + u"\\" + sub));
  EXPECT_EQ(reg_.GetAllSubKeys(kKey, list), 3);
  EXPECT_EQ(list, (std::vector<std::u16string>{u"Alpha", u"beta", u"gamma"}));

  for (const char16_t* name : {u"zeta", u"", u"Alpha", u"a-very-long-value-name-that-sets-the-longest"})
    ASSERT_TRUE(reg_.SetValue(kKey, name, u"x", REG_SZ));
  EXPECT_EQ(reg_.GetAllValueNames(kKey, list), 4);
  EXPECT_EQ(list, (std::vector<std::u16string>{u"zeta", u"", u"Alpha", u"a-very-long-value-name-that-sets-the-longest"}));

  EXPECT_FALSE(reg_.DeleteKey(kKey)) << "a key with subkeys stays";
  EXPECT_TRUE(reg_.DeleteKey(kKey + u"\\beta"));
  EXPECT_FALSE(reg_.KeyExists(kKey + u"\\beta"));
  EXPECT_TRUE(reg_.DeleteValue(kKey, u"zeta"));
  EXPECT_EQ(reg_.GetAllValueNames(kKey, list), 3);
}

TEST_F(CRegistryTest, EmptyKeyNameRaisesWhereOneIsRequired) {
  const std::u16string source =
      kestrel::codepage::FromAnsi(kestrel::module::NameContaining(reinterpret_cast<const void*>(&Marker))) +
      u".CRegistry";
  std::vector<std::function<void()>> calls = {
      [&] { reg_.CreateKey(u""); },
      [&] { reg_.DeleteKey(u""); },
      [&] { reg_.DeleteValue(u"", u"x"); },
      [&] { reg_.KeyExists(u""); },
      [&] { reg_.SetValue(u"", u"x", u"y", REG_SZ); },
      [&] { reg_.ValueType(u"", u"x"); },
  };
  for (size_t i = 0; i < calls.size(); ++i) {
    try {
      calls[i]();
      ADD_FAILURE() << "call " << i << " raised nothing";
    } catch (const ComponentError& e) {
      EXPECT_EQ(e.number(), static_cast<int32_t>(0x80044651u)) << i;
      EXPECT_EQ(e.number(), -2147203503) << i;
      EXPECT_EQ(e.source(), source) << i;
      EXPECT_EQ(e.description(), u"Invalid KeyName value") << i;
    }
  }
}

TEST_F(CRegistryTest, EmptyKeyNameReadsTheRootItself) {
  ASSERT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("root"), 5),
            ERROR_SUCCESS);
  EXPECT_EQ(reg_.GetValue(u"", u"x", Variant()), Variant(u"root"));
  std::vector<std::u16string> names;
  EXPECT_EQ(reg_.GetAllValueNames(u"", names), 1);
  ASSERT_TRUE(reg_.CreateKey(u"Software"));
  EXPECT_GE(reg_.GetAllSubKeys(u"", names), 1);
}

TEST_F(CRegistryTest, ZeroByteTextCannotBeRead) {
  StoreRaw("empty", REG_SZ, "");
  try {
    reg_.GetValue(kKey, u"empty", Variant());
    ADD_FAILURE() << "raised nothing";
  } catch (const ComponentError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x80044653u));
    EXPECT_EQ(e.description(), u"CRegistry component failure");
  }
  EXPECT_EQ(reg_.ValueType(kKey, u"empty"), REG_SZ);
}

TEST_F(MachineTest, NewInstanceWorksUnderClassesRoot) {
  CRegistry reg;
  EXPECT_EQ(reg.RootKey(), kHKCR);
  ASSERT_TRUE(reg.CreateKey(u"KestrelIEToolbar.Test\\Clsid"));
  reg.Init(kHKLM);
  EXPECT_TRUE(reg.KeyExists(u"Software\\Classes\\KestrelIEToolbar.Test\\Clsid"));
  reg.RootKey(kHKCU);
  EXPECT_EQ(reg.RootKey(), kHKCU);
}

TEST_F(MachineTest, StandardUserWritesUnderMachineFailQuietly) {
  kestrel::machine::SetSetting("user", "standard");
  CRegistry reg;
  reg.Init(kHKLM);
  EXPECT_FALSE(reg.CreateKey(u"Software\\Kestrel"));
  EXPECT_FALSE(reg.SetValue(u"Software\\Kestrel", u"x", u"y", REG_SZ));
  reg.Init(kHKCU);
  EXPECT_TRUE(reg.SetValue(u"Software\\Kestrel", u"x", u"y", REG_SZ));
}

}  // namespace
