#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <fstream>
#include <set>
#include <thread>

#include "kestrel/machine.h"
#include "machine_test.h"
#include "registry_support.h"

namespace kestrel::test {
namespace {

using RegistryRobustness = MachineTest;

TEST_F(RegistryRobustness, BadHandlesAreRefusedAndLastErrorIsLeftAlone) {
  HKEY closed = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\H", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &closed,
                            nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);  // predefined keys stay
  SetLastError(12345);
  for (HKEY bad : {static_cast<HKEY>(nullptr), closed, reinterpret_cast<HKEY>(0x12345678),
                   reinterpret_cast<HKEY>(0x80000004), reinterpret_cast<HKEY>(~uintptr_t(0))}) {
    SCOPED_TRACE(reinterpret_cast<uintptr_t>(bad));
    Key out;
    out.h = reinterpret_cast<HKEY>(0x1234);
    char name[8];
    DWORD size = sizeof name;
    BYTE byte = 0;
    EXPECT_EQ(RegOpenKeyExA(bad, "x", 0, KEY_READ, out.out()), ERROR_INVALID_HANDLE);
    EXPECT_EQ(out.h, nullptr);
    EXPECT_EQ(RegCreateKeyExA(bad, "x", 0, nullptr, 0, KEY_READ, nullptr, out.out(), nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(bad, "x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueExA(bad, "x", 0, REG_BINARY, &byte, 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteValueA(bad, "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteKeyA(bad, "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumKeyA(bad, 0, name, sizeof name), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumValueA(bad, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryInfoKeyA(bad, nullptr, nullptr, nullptr, &size, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
  }
  // Failures and successes alike leave GetLastError as it was.
  Key key = Create(HKEY_CURRENT_USER, "Software\\H");
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetLastError(), 12345u);
}

TEST_F(RegistryRobustness, HandleValuesFitIn32BitsAndAreDistinct) {
  std::vector<Key> keys;
  std::set<uintptr_t> seen;
  for (int i = 0; i < 100; ++i) {
    keys.push_back(Create(HKEY_CURRENT_USER, "Software"));
    uintptr_t value = reinterpret_cast<uintptr_t>(keys.back().h);
    EXPECT_LT(value, 0x80000000u);
    EXPECT_NE(value, 0u);
    EXPECT_TRUE(seen.insert(value).second);
  }
}

// Writes over the registry file while no connection has it open.
void Damage(const std::filesystem::path& home, std::streamoff offset) {
  FreshMachine();
  Key elsewhere = Create(HKEY_CURRENT_USER, "Software");  // the old connection closes
  std::fstream file(home / "registry.db", std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(offset);
  std::string garbage(8192, '\x6B');
  file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  file.close();
  machine::Switch(home);
}

TEST_F(RegistryRobustness, DamagedDatabaseIsBadDbWithoutCrash) {
  for (std::streamoff offset : {std::streamoff(0), std::streamoff(4096)}) {  // the header, then the tree's pages
    SCOPED_TRACE(offset);
    std::filesystem::path home = FreshMachine();
    {
      Key key = Create(HKEY_CURRENT_USER, "Software\\Damaged");
      for (int i = 0; i < 50; ++i) SetString(key, ("v" + std::to_string(i)).c_str(), std::string(200, 'd'));
    }
    Damage(home, offset);
    Key key;
    LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Damaged", 0, KEY_ALL_ACCESS, key.out());
    if (rc == ERROR_SUCCESS) {
      DWORD size = 0;
      rc = RegQueryValueExA(key, "v49", nullptr, nullptr, nullptr, &size);
      if (rc == ERROR_SUCCESS) rc = SetString(key, "w", "x");
    }
    EXPECT_EQ(rc, ERROR_BADDB);
    EXPECT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "x", 0, REG_NONE, nullptr, 0), ERROR_BADDB);
  }
}

TEST_F(RegistryRobustness, WriterLockedOutBeyondTheTimeoutFailsCleanly) {
  Key key = Create(HKEY_CURRENT_USER, "Software\\Locked");
  ASSERT_EQ(SetString(key, "before", "1"), ERROR_SUCCESS);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open((home_ / "registry.db").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(SetString(key, "during", "1"), ERROR_REGISTRY_IO_FAILED);
  EXPECT_EQ(Read(key, "before"), std::string("1", 2));  // readers are not held up
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(Read(key, "during"), "error 2");
  EXPECT_EQ(SetString(key, "after", "1"), ERROR_SUCCESS);
}

TEST_F(RegistryRobustness, ThreadsShareHandlesAndLoseNoWrite) {
  Key shared = Create(HKEY_CURRENT_USER, "Software\\Threads");
  constexpr int kThreads = 4, kEach = 100;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      Key own = Create(shared, ("t" + std::to_string(t)).c_str());
      for (int i = 0; i < kEach; ++i) {
        std::string name = std::to_string(t) + "-" + std::to_string(i);
        if (SetString(shared, name.c_str(), name) || SetString(own, name.c_str(), name)) ++failures;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures, 0);
  DWORD values = 0, subkeys = 0;
  ASSERT_EQ(RegQueryInfoKeyA(shared, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, DWORD(kThreads * kEach));
  EXPECT_EQ(subkeys, DWORD(kThreads));
  EXPECT_EQ(Read(Open(shared, "t3"), "3-99"), std::string("3-99", 5));
}

}  // namespace
}  // namespace kestrel::test
