#include <gtest/gtest.h>

#include "com/com.h"
#include "kestrel/machine.h"
#include "kestrel/paths.h"
#include "machine_test.h"
#include "server/test_server.h"
#include "windows.h"

namespace {

std::string ServerFile() { return (kestrel::test::BinDir() / "TestServer.so").string(); }

std::string InprocServer() {
  HKEY key = nullptr;
  std::string path = "CLSID\\" + kestrel::com::GuidAnsi(CLSID_TestObject) + "\\InprocServer32";
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  char data[512] = {};
  DWORD size = sizeof data - 1;
  RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return data;
}

bool ProgIdRegistered() {
  CLSID clsid;
  return CLSIDFromProgID(kTestProgId, &clsid) == S_OK && clsid == CLSID_TestObject;
}

using RegsvrTest = kestrel::test::MachineTest;

TEST_F(RegsvrTest, RegistersAndUnregistersByLinuxOrWindowsPath) {
  const std::string lib = ServerFile(), windows = kestrel::paths::FromNative(lib);
  auto r = kestrel::test::Run("regsvr", {lib});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "DllRegisterServer in " + lib + " succeeded.\n");
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(ProgIdRegistered());
  EXPECT_EQ(InprocServer(), windows);

  r = kestrel::test::Run("regsvr", {"/u", windows});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "DllUnregisterServer in " + windows + " succeeded.\n");
  EXPECT_FALSE(ProgIdRegistered());
  EXPECT_EQ(InprocServer(), "");

  // Unregistering what is not registered is no failure.
  EXPECT_EQ(kestrel::test::Run("regsvr", {"-U", "-s", lib}).exit_code, 0);
}

TEST_F(RegsvrTest, ReportsEachFailureWithItsOwnStatus) {
  const std::string platform = (kestrel::test::BinDir() / "libplatform.so").string();
  struct Case {
    std::vector<std::string> args;
    bool standardUser;
    int status;
    std::string message;  // part of the one line on stderr
  } cases[] = {
      {{}, false, 1, "usage: regsvr"},
      {{"/x", ServerFile()}, false, 1, "usage: regsvr"},
      {{"/nonexistent/Missing.so"}, false, 3,
       "The module \"/nonexistent/Missing.so\" failed to load. The specified module could not be found."},
      {{platform}, false, 4,
       "The module \"" + platform + "\" was loaded but the entry-point DllRegisterServer was not found."},
      {{"/u", platform}, false, 4, "entry-point DllUnregisterServer was not found."},
      {{ServerFile()}, true, 5,
       "The module \"" + ServerFile() + "\" was loaded but the call to DllRegisterServer failed with error code "
       "0x80040201."},
      {{"/s", ServerFile()}, true, 5, ""},
  };
  for (const auto& c : cases) {
    kestrel::machine::SetSetting("user", c.standardUser ? "standard" : "admin");
    auto r = kestrel::test::Run("regsvr", c.args);
    EXPECT_EQ(r.exit_code, c.status) << r.err;
    EXPECT_EQ(r.out, "");
    if (c.message.empty()) {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
  }
  EXPECT_FALSE(ProgIdRegistered());
}

}  // namespace
