#include <gtest/gtest.h>

#include <cstring>

#include "machine_test.h"
#include "registry_support.h"

namespace kestrel::test {
namespace {

using RegistryValues = MachineTest;

TEST_F(RegistryValues, QueryFollowsTheSizeProtocolAndNeverOverruns) {
  Key key = Create(HKEY_CURRENT_USER, "Software\\Sizes");
  ASSERT_EQ(SetString(key, "v", "hello"), ERROR_SUCCESS);  // 6 bytes with the terminator
  struct Case {
    bool with_buffer;
    DWORD capacity;
    LONG rc;
    DWORD size_after;
    size_t written;
  } cases[] = {
      {false, 0, ERROR_SUCCESS, 6, 0},  {true, 0, ERROR_MORE_DATA, 6, 0}, {true, 5, ERROR_MORE_DATA, 6, 0},
      {true, 6, ERROR_SUCCESS, 6, 6},   {true, 64, ERROR_SUCCESS, 6, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "buffer " << c.with_buffer << " capacity " << c.capacity);
    GuardedBuffer buffer(c.capacity);
    DWORD size = c.capacity, type = 0xBAD;
    EXPECT_EQ(RegQueryValueExA(key, "V", nullptr, &type, c.with_buffer ? buffer.data() : nullptr, &size), c.rc);
    EXPECT_EQ(size, c.size_after);
    EXPECT_EQ(type, DWORD(REG_SZ)) << "the type is told with ERROR_MORE_DATA too";
    EXPECT_TRUE(buffer.UntouchedFrom(c.written));
    if (c.written) {
      EXPECT_EQ(buffer.Head(c.written), std::string("hello", 6));
    }
  }

  DWORD type = 0, size = 3;
  GuardedBuffer buffer(8);
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, buffer.data(), nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, &type, buffer.data(), &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(size, 3u);
  EXPECT_TRUE(buffer.UntouchedFrom(0));
}

TEST_F(RegistryValues, DataIsStoredAsGivenIncludingEmptyAndLargest) {
  Key key = Create(HKEY_CURRENT_USER, "Software\\Data");
  const std::string no_terminator = "abc";
  const DWORD dword = 0x01020304;
  const std::string largest(1 << 20, '\x5A');
  ASSERT_EQ(RegSetValueExA(key, "empty", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 0), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "null", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(no_terminator.data()), 3),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "big", 0, REG_BINARY, reinterpret_cast<const BYTE*>(largest.data()),
                           static_cast<DWORD>(largest.size())),
            ERROR_SUCCESS);
  EXPECT_EQ(Read(key, "empty"), "");
  EXPECT_EQ(Read(key, "null"), "");
  EXPECT_EQ(Read(key, "raw"), "abc");  // not terminated: read back as stored
  EXPECT_EQ(Read(key, "dword"), std::string("\x04\x03\x02\x01", 4));
  EXPECT_EQ(Read(key, "big"), largest);

  // Past the limit nothing is stored, and the old data stays.
  std::string too_big(largest.size() + 1, 'x');
  EXPECT_EQ(RegSetValueExA(key, "big", 0, REG_BINARY, reinterpret_cast<const BYTE*>(too_big.data()),
                           static_cast<DWORD>(too_big.size())),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Read(key, "big"), largest);
  EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Read(key, "x"), "error 2");
}

TEST_F(RegistryValues, NamesIgnoreCaseKeepTheirCaseAndReplaceInPlace) {
  Key key = Create(HKEY_CURRENT_USER, "Software\\Names");
  for (const char* name : {"Zeta", "\xc9t\xe9", "Alpha", ""}) ASSERT_EQ(SetString(key, name, name), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, "ZETA", "replaced"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, nullptr, "default"), ERROR_SUCCESS);  // NULL and "" are the default value
  EXPECT_EQ(Read(key, "zeta"), std::string("replaced", 9));
  EXPECT_EQ(Read(key, "\xe9T\xc9"), std::string("\xc9t\xe9", 4));  // é and É are one letter
  EXPECT_EQ(Read(key, ""), std::string("default", 8));

  // Creation order, the replaced value in its old place with its old name.
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[32];
    DWORD size = sizeof name;
    LONG rc = RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(size, strlen(name));
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Zeta", "\xc9t\xe9", "Alpha", ""}));

  // Deleted and set again, a value goes to the end.
  ASSERT_EQ(RegDeleteValueA(key, "zeta"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "zeta"), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(SetString(key, "zeta", "back"), ERROR_SUCCESS);
  char name[8];
  DWORD size = sizeof name;
  ASSERT_EQ(RegEnumValueA(key, 3, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "zeta");
}

TEST_F(RegistryValues, EnumValueBuffersTooSmall) {
  Key key = Create(HKEY_CURRENT_USER, "Software\\Enum");
  ASSERT_EQ(SetString(key, "name", "data"), ERROR_SUCCESS);  // name 4 chars, data 5 bytes
  struct Case {
    DWORD name_capacity, data_capacity;
    LONG rc;
    DWORD name_size_after, data_size_after;
  } cases[] = {
      {4, 5, ERROR_MORE_DATA, 4, 5},  // no room for the name's terminator
      {5, 4, ERROR_MORE_DATA, 5, 5},  // the data's size is told
      {5, 5, ERROR_SUCCESS, 4, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name_capacity << "/" << c.data_capacity);
    GuardedBuffer name(c.name_capacity), data(c.data_capacity);
    DWORD name_size = c.name_capacity, data_size = c.data_capacity, type = 0xBAD;
    EXPECT_EQ(RegEnumValueA(key, 0, name.text(), &name_size, nullptr, &type, data.data(), &data_size), c.rc);
    EXPECT_EQ(name_size, c.name_size_after);
    EXPECT_EQ(data_size, c.data_size_after);
    bool ok = c.rc == ERROR_SUCCESS;
    EXPECT_TRUE(name.UntouchedFrom(ok ? 5 : 0));
    EXPECT_TRUE(data.UntouchedFrom(ok ? 5 : 0));
    EXPECT_EQ(type, ok ? DWORD(REG_SZ) : 0xBADu);
    if (ok) {
      EXPECT_EQ(name.Head(5), std::string("name", 5));
    }
  }
  char name[8];
  DWORD size = sizeof name;
  BYTE data[8];
  EXPECT_EQ(RegEnumValueA(key, 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumValueA(key, 0, nullptr, &size, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegEnumValueA(key, 0, name, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegEnumValueA(key, 0, name, &size, nullptr, nullptr, data, nullptr), ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace kestrel::test
