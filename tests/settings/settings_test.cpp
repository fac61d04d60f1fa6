#include <gtest/gtest.h>

#include "machine_test.h"
#include "modSettings.h"
#include "windows.h"

namespace {
using kestrel::test::MachineTest;
using modSettings::ReadSetting;
using modSettings::WriteSetting;

bool KeyExists(const char* path) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key);
  if (key) RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

TEST_F(MachineTest, ReadingGivesTheDefaultAndCreatesNothing) {
  EXPECT_EQ(ReadSetting(u"Toolbar", u"SHOW_Misc", u"1"), u"1");
  EXPECT_EQ(ReadSetting(u"Proxy", u"ProxyURL", modSettings::DefaultProxyScriptUrl), modSettings::DefaultProxyScriptUrl);
  EXPECT_FALSE(KeyExists("Software\\Program Settings"));
  WriteSetting(u"Toolbar", u"SHOW_Capture", u"0");
  EXPECT_EQ(ReadSetting(u"Toolbar", u"SHOW_Misc", u"1"), u"1") << "another key of the same section";
  EXPECT_EQ(ReadSetting(u"Proxy", u"ProxyURL", u""), u"");
  EXPECT_FALSE(KeyExists("Software\\Program Settings\\Marlow\\Proxy"));
}

TEST_F(MachineTest, WrittenValuesAreSeenByRegAndReplaced) {
  WriteSetting(u"Proxy", u"ProxyURL", u"");
  EXPECT_EQ(ReadSetting(u"Proxy", u"ProxyURL", u"default"), u"") << "an empty value is a value";
  WriteSetting(u"Toolbar", u"DefaultCapture", u"Capture Full Screen");
  WriteSetting(u"Toolbar", u"DefaultCapture", u"Capture and Email");
  EXPECT_EQ(ReadSetting(u"Toolbar", u"DefaultCapture", u"Capture IE Page"), u"Capture and Email");

  auto r = kestrel::test::Run("reg", {"query", "HKCU\\Software\\Program Settings\\Marlow\\Toolbar"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("    DefaultCapture    REG_SZ    Capture and Email"), std::string::npos) << r.out;

  // A value set by hand with reg is what the band reads.
  r = kestrel::test::Run("reg", {"add", "HKCU\\Software\\Program Settings\\Marlow\\Toolbar", "/v", "SHOW_Misc", "/d",
                                 "0", "/f"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadSetting(u"Toolbar", u"SHOW_Misc", u"1"), u"0");
}

}  // namespace
