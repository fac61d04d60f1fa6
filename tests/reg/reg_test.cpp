#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "../registry/registry_support.h"
#include "kestrel/codepage.h"
#include "kestrel/machine.h"
#include "machine_test.h"

namespace kestrel::test {
namespace {

using Reg = MachineTest;

ProcessResult Reg_(std::vector<std::string> args, const std::string& input = "") { return Run("reg", args, input); }

const std::string kNotFound = "ERROR: The system was unable to find the specified registry key or value.\n";
const std::string kDone = "The operation completed successfully.\n";

TEST_F(Reg, EachTypeRoundTripsBetweenProcesses) {
  struct Case {
    std::vector<std::string> add;  // after the key
    std::string line;              // as reg query shows it
    std::string bytes;             // as stored
    DWORD type;
  } cases[] = {
      {{"/v", "Text", "/d", "Hello world"}, "    Text    REG_SZ    Hello world", std::string("Hello world", 12), REG_SZ},
      {{"/v", "Path", "/t", "reg_expand_sz", "/d", "%TEMP%\\x"}, "    Path    REG_EXPAND_SZ    %TEMP%\\x",
       std::string("%TEMP%\\x", 9), REG_EXPAND_SZ},
      {{"/v", "N", "/t", "REG_DWORD", "/d", "42"}, "    N    REG_DWORD    0x2a", std::string("\x2a\0\0\0", 4), REG_DWORD},
      {{"/v", "Max", "/t", "REG_DWORD", "/d", "0xFFFFFFFF"}, "    Max    REG_DWORD    0xffffffff",
       std::string("\xff\xff\xff\xff", 4), REG_DWORD},
      {{"/v", "Bin", "/t", "REG_BINARY", "/d", "00ff10"}, "    Bin    REG_BINARY    00FF10",
       std::string("\x00\xff\x10", 3), REG_BINARY},
      {{"/v", "List", "/t", "REG_MULTI_SZ", "/d", "a\\0bc\\0d"}, "    List    REG_MULTI_SZ    a\\0bc\\0d",
       std::string("a\0bc\0d\0\0", 8), REG_MULTI_SZ},
      {{"/ve", "/d", "default"}, "    (Default)    REG_SZ    default", std::string("default", 8), REG_SZ},
      {{"/v", "Caf\xC3\xA9", "/d", "\xE2\x82\xAC 5"}, "    Caf\xC3\xA9    REG_SZ    \xE2\x82\xAC 5",
       std::string("\x80 5", 4), REG_SZ},  // UTF-8 outside, Windows-1252 inside
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::vector<std::string> args{"add", "HKCU\\Software\\Trip"};
    args.insert(args.end(), c.add.begin(), c.add.end());
    args.push_back("/f");
    ProcessResult added = Reg_(args);
    ASSERT_EQ(added.exit_code, 0) << added.err;
    EXPECT_EQ(added.out, kDone);
    std::string name = c.add[0] == "/ve" ? "" : codepage::Utf8ToAnsi(c.add[1]);
    std::vector<std::string> query{"query", "hkey_current_user\\Software\\Trip"};
    if (name.empty()) {
      query.push_back("/ve");
    } else {
      query.insert(query.end(), {"/V", c.add[1]});
    }
    ProcessResult read = Reg_(query);
    ASSERT_EQ(read.exit_code, 0) << read.err;
    EXPECT_EQ(read.out, "\nHKEY_CURRENT_USER\\Software\\Trip\n" + c.line + "\n\n");
    Key key = Open(HKEY_CURRENT_USER, "Software\\Trip");
    EXPECT_EQ(Read(key, name.c_str()), c.bytes);
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
  }
}

TEST_F(Reg, QueryShowsValuesThenSubkeysAndWholeTreesWithS) {
  Key demo = Create(HKEY_CURRENT_USER, "Software\\Demo");
  SetString(demo, "Greeting", "Hello");
  DWORD five = 5;
  RegSetValueExA(demo, "Runs", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), 4);
  SetString(Create(demo, "Sub"), "", "inner");
  Create(demo, "Sub\\Empty");
  Create(demo, "Another");
  EXPECT_EQ(Reg_({"query", "HKCU\\Software\\Demo"}).out,
            "\nHKEY_CURRENT_USER\\Software\\Demo\n"
            "    Greeting    REG_SZ    Hello\n"
            "    Runs    REG_DWORD    0x5\n"
            "\n"
            "HKEY_CURRENT_USER\\Software\\Demo\\Another\n"
            "HKEY_CURRENT_USER\\Software\\Demo\\Sub\n");
  EXPECT_EQ(Reg_({"query", "HKCU\\Software"}).out, "\nHKEY_CURRENT_USER\\Software\\Demo\n");
  EXPECT_EQ(Reg_({"QUERY", "HKCU\\Software\\Demo\\", "/S"}).out,
            "\nHKEY_CURRENT_USER\\Software\\Demo\n"
            "    Greeting    REG_SZ    Hello\n"
            "    Runs    REG_DWORD    0x5\n"
            "\n"
            "HKEY_CURRENT_USER\\Software\\Demo\\Another\n"
            "\n"
            "HKEY_CURRENT_USER\\Software\\Demo\\Sub\n"
            "    (Default)    REG_SZ    inner\n"
            "\n"
            "HKEY_CURRENT_USER\\Software\\Demo\\Sub\\Empty\n"
            "\n");
  EXPECT_EQ(Reg_({"query", "HKCU\\Software", "/ve", "/s"}).out,
            "\nHKEY_CURRENT_USER\\Software\\Demo\\Sub\n"
            "    (Default)    REG_SZ    inner\n"
            "\n"
            "End of search: 1 match(es) found.\n");
  EXPECT_EQ(Reg_({"query", "HKCU\\Software\\Demo", "/ve"}).out,
            "\nHKEY_CURRENT_USER\\Software\\Demo\n    (Default)    REG_SZ    (value not set)\n\n");
  // The other roots by both names.
  SetString(Create(HKEY_CLASSES_ROOT, ".kst"), "", "kst");
  EXPECT_EQ(Reg_({"query", "HKLM\\Software\\Classes\\.kst", "/ve"}).out,
            "\nHKEY_LOCAL_MACHINE\\Software\\Classes\\.kst\n    (Default)    REG_SZ    kst\n\n");
  EXPECT_EQ(Reg_({"query", "HKEY_CLASSES_ROOT\\.KST", "/ve"}).exit_code, 0);
  EXPECT_EQ(Reg_({"query", "HKU\\" + machine::UserSid() + "\\Software\\Demo", "/v", "runs"}).exit_code, 0);
  ProcessResult help = Reg_({"query", "/?"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("REG QUERY"), std::string::npos);
}

TEST_F(Reg, FailuresExitWithOneAndAnErrorLine) {
  Key key = Create(HKEY_CURRENT_USER, "Software\\E");
  SetString(key, "v", "1");
  machine::SetSetting("user", "standard");
  struct Case {
    std::vector<std::string> args;
    std::string err_starts;
  } cases[] = {
      {{"query", "HKCU\\Software\\Missing"}, kNotFound},
      {{"query", "HKCU\\Software\\E", "/v", "missing"}, kNotFound},
      {{"delete", "HKCU\\Software\\E", "/v", "missing", "/f"}, kNotFound},
      {{"delete", "HKCU\\Software\\Missing", "/f"}, kNotFound},
      {{"add", "HKCU\\Software\\E", "/v", "d", "/t", "REG_DWORD", "/d", "12x"}, "ERROR: Invalid data"},
      {{"add", "HKCU\\Software\\E", "/v", "d", "/t", "REG_DWORD", "/d", "0x100000000"}, "ERROR: Invalid data"},
      {{"add", "HKCU\\Software\\E", "/v", "b", "/t", "REG_BINARY", "/d", "0g"}, "ERROR: Invalid data"},
      {{"add", "HKCU\\Software\\E", "/v", "b", "/t", "REG_QWORDS"}, "ERROR: Invalid type"},
      {{"add", "HKCU\\Software\\E", "/v"}, "ERROR: Invalid syntax"},
      {{"add", "HKCU\\Software\\E", "/v", "a", "/ve"}, "ERROR: Invalid syntax"},
      {{"query", "HKCU\\Software\\E", "/x"}, "ERROR: Invalid syntax"},
      {{"query", "HKXX\\Software"}, "ERROR: Invalid key name"},
      {{"delete", "HKCU", "/f"}, "ERROR: Invalid key name"},
      {{"frobnicate"}, "ERROR: Invalid syntax"},
      {{}, "ERROR: Invalid syntax"},
      {{"add", "HKLM\\Software\\Kestrel", "/f"}, "ERROR: Access is denied.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    ProcessResult r = Reg_(c.args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err.substr(0, c.err_starts.size()), c.err_starts);
    EXPECT_EQ(r.out.find("completed successfully"), std::string::npos);
  }
  EXPECT_EQ(Read(key, "d"), "error 2");

  // A damaged registry is told, not hidden.
  machine::SetSetting("user", "admin");
  std::ofstream(home_ / "registry.db", std::ios::trunc) << std::string(20000, 'G');
  std::filesystem::remove(home_ / "registry.db-wal");
  std::filesystem::remove(home_ / "registry.db-shm");
  ProcessResult r = Reg_({"query", "HKCU\\Software"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "ERROR: The configuration registry database is corrupt.\n");
}

TEST_F(Reg, DeleteAsksFirstAndTakesTheSubtree) {
  Key tree = Create(HKEY_CURRENT_USER, "Software\\Tree");
  SetString(tree, "a", "1");
  SetString(tree, "b", "2");
  SetString(Create(tree, "x\\y\\z"), "deep", "1");
  Create(tree, "w");

  ProcessResult no = Reg_({"delete", "HKCU\\Software\\Tree"}, "n\n");
  EXPECT_EQ(no.exit_code, 1);
  EXPECT_NE(no.out.find("Permanently delete the registry key HKEY_CURRENT_USER\\Software\\Tree (Yes/No)?"),
            std::string::npos);
  EXPECT_EQ(Reg_({"delete", "HKCU\\Software\\Tree", "/v", "a"}, "").exit_code, 1);  // no answer is no
  EXPECT_EQ(Read(tree, "a"), std::string("1", 2));

  EXPECT_EQ(Reg_({"delete", "HKCU\\Software\\Tree", "/v", "A"}, "yes\n").exit_code, 0);
  EXPECT_EQ(Read(tree, "a"), "error 2");
  EXPECT_EQ(Reg_({"delete", "HKCU\\Software\\Tree", "/va", "/f"}).out, kDone);
  EXPECT_EQ(Read(tree, "b"), "error 2");
  Open(HKEY_CURRENT_USER, "Software\\Tree\\x\\y\\z");  // subkeys stay

  ProcessResult yes = Reg_({"delete", "HKCU\\Software\\Tree"}, "Y\n");
  EXPECT_EQ(yes.exit_code, 0) << yes.err;
  EXPECT_NE(yes.out.find(kDone), std::string::npos);
  Key gone;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tree", 0, KEY_READ, gone.out()), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Read(tree, "a"), "error 1018");
}

// Starts the writer with its stdout on a pipe; returns the pid and the read end.
pid_t StartWriter(const std::string& key, const std::string& prefix, int count, int& out) {
  std::string path = (BinDir() / "registry_writer").string();
  std::string n = std::to_string(count);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC)) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    execl(path.c_str(), path.c_str(), key.c_str(), prefix.c_str(), n.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  out = fds[0];
  return pid;
}

// Reads whole lines of indices until count of them came or the pipe closed.
std::vector<long> ReadIndices(int fd, size_t count, std::string& partial) {
  std::vector<long> indices;
  char buf[4096];
  while (indices.size() < count) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    partial.append(buf, static_cast<size_t>(n));
    for (size_t end; (end = partial.find('\n')) != std::string::npos; partial.erase(0, end + 1))
      indices.push_back(std::stol(partial.substr(0, end)));
  }
  return indices;
}

std::string IntegrityCheck(const std::filesystem::path& db) {
  sqlite3* conn = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open((db).c_str(), &conn) == SQLITE_OK) {
    sqlite3_exec(
        conn, "PRAGMA integrity_check",
        [](void* out, int, char** values, char**) {
          *static_cast<std::string*>(out) = values[0] ? values[0] : "";
          return 0;
        },
        &result, nullptr);
  }
  sqlite3_close(conn);
  return result;
}

TEST_F(Reg, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kEach = 300;
  int out_a = -1, out_b = -1;
  pid_t a = StartWriter("Software\\Shared", "a", kEach, out_a);
  pid_t b = StartWriter("Software\\Shared", "b", kEach, out_b);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  std::string pa, pb;
  size_t got_a = 0, got_b = 0;
  // Drain both pipes so that neither writer blocks on a full one.
  while (got_a < kEach || got_b < kEach) {
    size_t before = got_a + got_b;
    if (got_a < kEach) got_a += ReadIndices(out_a, 1, pa).size();
    if (got_b < kEach) got_b += ReadIndices(out_b, 1, pb).size();
    if (got_a + got_b == before) break;
  }
  int status_a = 0, status_b = 0;
  waitpid(a, &status_a, 0);
  waitpid(b, &status_b, 0);
  close(out_a);
  close(out_b);
  EXPECT_EQ(status_a, 0);
  EXPECT_EQ(status_b, 0);
  Key key = Open(HKEY_CURRENT_USER, "Software\\Shared");
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, DWORD(2 * kEach));
  for (DWORD i = 0; i < kEach; i += 37) {
    EXPECT_EQ(Read(key, ("a" + std::to_string(i)).c_str()), std::string(reinterpret_cast<char*>(&i), 4));
    EXPECT_EQ(Read(key, ("b" + std::to_string(i)).c_str()), std::string(reinterpret_cast<char*>(&i), 4));
  }
}

TEST_F(Reg, KilledWriterLosesNoCommittedWriteAndLeavesTheDatabaseWhole) {
  int out = -1;
  pid_t pid = StartWriter("Software\\Stream", "v", 1000000, out);
  ASSERT_GT(pid, 0);
  std::string partial;
  std::vector<long> reported = ReadIndices(out, 500, partial);
  kill(pid, SIGKILL);
  std::vector<long> rest = ReadIndices(out, SIZE_MAX, partial);  // what it told before it died
  reported.insert(reported.end(), rest.begin(), rest.end());
  int status = 0;
  waitpid(pid, &status, 0);
  close(out);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_GE(reported.size(), 500u);
  const DWORD last = static_cast<DWORD>(reported.back());
  EXPECT_EQ(reported.size(), last + 1u);

  EXPECT_EQ(IntegrityCheck(home_ / "registry.db"), "ok");
  Key key = Open(HKEY_CURRENT_USER, "Software\\Stream");
  for (DWORD i = 0; i <= last; ++i)
    ASSERT_EQ(Read(key, ("v" + std::to_string(i)).c_str()), std::string(reinterpret_cast<char*>(&i), 4)) << i;
  // At most the one write under way when it died may be there unreported, and then whole.
  DWORD next = last + 1;
  std::string after = Read(key, ("v" + std::to_string(next)).c_str());
  EXPECT_TRUE(after == "error 2" || after == std::string(reinterpret_cast<char*>(&next), 4));
  EXPECT_EQ(Read(key, ("v" + std::to_string(last + 2)).c_str()), "error 2");
}

}  // namespace
}  // namespace kestrel::test
