#include <gtest/gtest.h>

#include <signal.h>

#include <string>
#include <vector>

#include "machine_test.h"
#include "windows.h"

namespace {
using kestrel::test::BackgroundProcess;

constexpr char kToolbarList[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
constexpr char kBandClsid[] = "{9C9C909E-9E0D-468A-A4D2-C0846D493D88}";

// Lists a class ID in the browser's toolbar list, as the installer does.
void ListBand(const char* clsid) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kToolbarList, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, clsid, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  RegCloseKey(key);
}

class IEHostTest : public kestrel::test::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    auto r = kestrel::test::Run("regsvr", {"/s", (kestrel::test::BinDir() / "Kestrel IE Toolbar.so").string()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    ListBand(kBandClsid);
  }
};

// The lines of out.
std::vector<std::string> Lines(const std::string& out) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(out.substr(start, end - start));
  return lines;
}

TEST_F(IEHostTest, AScriptSitesTheBandTracesToTheViewerAndReleasesEverything) {
  BackgroundProcess viewer("traceview", {});
  ASSERT_TRUE(viewer.WaitForOutput("traceview listening"));

  auto r = kestrel::test::Run("iehost", {"--script", "-"},
               "# a first look\n"
               "expect status\n"
               "navigate http://example.test/page\n"
               "window new\n"
               "status\n"
               "window close\n"
               "quit\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                              "window 1 opened",
                              "page: about:blank",
                              "band sited: Kestrel IE Toolbar (minimum 600 x 24, ideal 200 x 24, no window)",
                              "page: http://example.test/page",
                              "window 2 opened",
                              "page: about:blank",
                              "band sited: Kestrel IE Toolbar (minimum 600 x 24, ideal 200 x 24, no window)",
                              "status: ",
                              "band closed: Kestrel IE Toolbar",
                              "window 2 closed",
                              "band closed: Kestrel IE Toolbar",
                              "window 1 closed",
                              "every object released",
                          }));
  ASSERT_TRUE(viewer.WaitForOutput("IDeskBand_ShowDW: Entered"));
  const std::string& log = viewer.out();
  for (const char* entry : {"CToolbar.IObjectWithSite_SetSite: Entered", "CToolbar.IDeskBand_GetBandInfo: Entered",
                            "CToolbar.IDeskBand_GetWindow: Entered", "CToolbar.IDeskBand_ShowDW: Entered"})
    EXPECT_NE(log.find(entry), std::string::npos) << entry << " in\n" << log;
  EXPECT_NE(log.find("L1 Kestrel Toolbar CToolbar.IObjectWithSite_SetSite"), std::string::npos) << log;
  viewer.Stop(SIGTERM);
}

TEST_F(IEHostTest, ScriptErrorsAndUnmetExpectationsNameTheLineAndEndTheRun) {
  struct Case {
    const char* script;
    int exitCode;
    const char* complaint;
  };
  const Case cases[] = {
      {"status\nfly away\nquit\n", 2, "line 2: unknown command 'fly'"},
      {"\nnavigate\n", 2, "line 2: navigate needs a URL"},
      {"window\n", 2, "line 1: window needs new or close"},
      {"window open\n", 2, "line 1: window takes new or close, not 'open'"},
      {"window close\nstatus\n", 2, "line 2: no browser window is open"},
      {"expect\n", 2, "line 1: expect needs what to expect"},
      {"expect title x\n", 2, "line 1: unknown expectation 'title'"},
      {"navigate about:blank\n\nexpect status Done\nquit\n", 1, "line 3: expected status \"Done\", status is \"\""},
  };
  for (const Case& c : cases) {
    auto r = kestrel::test::Run("iehost", {"--script", "-"}, c.script);
    EXPECT_EQ(r.exit_code, c.exitCode) << c.script;
    EXPECT_NE(r.err.find(c.complaint), std::string::npos) << c.script << r.err;
    // Even a failed run closes its windows and releases the band.
    EXPECT_NE(r.out.find("every object released"), std::string::npos) << c.script << r.out;
  }
}

TEST_F(IEHostTest, ABandThatCannotBeLoadedIsNamedAndSkipped) {
  ListBand("{00000000-0000-0000-0000-0000000000AB}");
  ListBand("not a class id");
  // A registered class whose server library is not there.
  const char* missing = "{00000000-0000-0000-0000-0000000000CD}";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + missing + "\\InprocServer32").c_str(), 0,
                            nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\gone.so"), 11);
  RegCloseKey(key);
  ListBand(missing);
  auto r = kestrel::test::Run("iehost", {"--script", "-"}, "quit\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("band sited: Kestrel IE Toolbar"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("band not loaded: {00000000-0000-0000-0000-0000000000AB}: class not registered (0x80040154)"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("band not loaded: not a class id: not a class ID"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("band not loaded: {00000000-0000-0000-0000-0000000000CD}: server library not found (0x800401F8)"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("every object released"), std::string::npos) << r.out;
}

TEST(IEHost, HelpListsTheCommands) {
  auto r = kestrel::test::Run("iehost", {"--help"});
  EXPECT_EQ(r.exit_code, 0);
  for (const char* command : {"navigate URL", "window new", "window close", "status", "expect status TEXT", "quit"})
    EXPECT_NE(r.out.find(command), std::string::npos) << command;
  EXPECT_EQ(kestrel::test::Run("iehost", {"--bogus"}).exit_code, 3);
  EXPECT_EQ(kestrel::test::Run("iehost", {"--script", "/no/such/script"}).exit_code, 3);
}

}  // namespace
