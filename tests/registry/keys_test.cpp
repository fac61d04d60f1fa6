#include <gtest/gtest.h>

#include <cstdio>

#include "machine_test.h"
#include "registry_support.h"

namespace kestrel::test {
namespace {

using RegistryKeys = MachineTest;

std::vector<std::string> Subkeys(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.push_back(name);
  return names;
}

TEST_F(RegistryKeys, NamesIgnoreCaseAndSubkeysEnumerateInFoldedOrder) {
  Key root = Create(HKEY_CURRENT_USER, "Software\\Order");
  for (const char* name : {"b", "_x", "A", "\xe9t\xe9", "C", "a1", "Zz"}) Create(root, name);
  DWORD disposition = 0;
  Key again;
  ASSERT_EQ(RegCreateKeyExA(root, "ZZ", 0, nullptr, 0, KEY_READ, nullptr, again.out(), &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
  Open(HKEY_CURRENT_USER, "SOFTWARE\\order\\\xc9T\xc9");
  // '_' sorts after the letters, as upper case is compared; é (É, 0xC9) after them too.
  EXPECT_EQ(Subkeys(root), (std::vector<std::string>{"A", "a1", "b", "C", "Zz", "_x", "\xe9t\xe9"}));

  char name[256];
  EXPECT_EQ(RegEnumKeyA(root, 7, name, sizeof name), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumKeyA(root, 1000, name, sizeof name), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumKeyA(root, 0, nullptr, 10), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryKeys, EnumerationByIndexSeesChangesBetweenCalls) {
  Key root = Create(HKEY_CURRENT_USER, "Software\\Live");
  for (const char* name : {"a", "c", "e"}) Create(root, name);
  char name[8];
  ASSERT_EQ(RegEnumKeyA(root, 0, name, sizeof name), ERROR_SUCCESS);
  ASSERT_EQ(RegEnumKeyA(root, 1, name, sizeof name), ERROR_SUCCESS);
  EXPECT_STREQ(name, "c");
  Create(root, "b");  // index 2 is now "c" again
  ASSERT_EQ(RegEnumKeyA(root, 2, name, sizeof name), ERROR_SUCCESS);
  EXPECT_STREQ(name, "c");
  ASSERT_EQ(RegDeleteKeyA(root, "a"), ERROR_SUCCESS);  // now b c e
  ASSERT_EQ(RegEnumKeyA(root, 3, name, sizeof name), ERROR_NO_MORE_ITEMS);
  ASSERT_EQ(RegEnumKeyA(root, 2, name, sizeof name), ERROR_SUCCESS);
  EXPECT_STREQ(name, "e");
  // The usual way to empty a key: always take the first.
  while (RegEnumKeyA(root, 0, name, sizeof name) == ERROR_SUCCESS) ASSERT_EQ(RegDeleteKeyA(root, name), ERROR_SUCCESS);
  EXPECT_TRUE(Subkeys(root).empty());

  // Values too.
  for (const char* v : {"x", "y", "z"}) SetString(root, v, v);
  DWORD size = sizeof name;
  ASSERT_EQ(RegEnumValueA(root, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueA(root, "x"), ERROR_SUCCESS);
  size = sizeof name;
  ASSERT_EQ(RegEnumValueA(root, 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "z");

  // And changes made by another process.
  for (const char* n : {"m", "n"}) Create(root, n);
  ASSERT_EQ(RegEnumKeyA(root, 0, name, sizeof name), ERROR_SUCCESS);
  ASSERT_EQ(kestrel::test::Run("reg", {"add", "HKCU\\Software\\Live\\a", "/f"}).exit_code, 0);
  ASSERT_EQ(kestrel::test::Run("reg", {"add", "HKCU\\Software\\Live", "/v", "w", "/d", "1", "/f"}).exit_code, 0);
  ASSERT_EQ(RegEnumKeyA(root, 1, name, sizeof name), ERROR_SUCCESS);
  EXPECT_STREQ(name, "m");
  size = sizeof name;
  ASSERT_EQ(RegEnumValueA(root, 2, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "w");
}

TEST_F(RegistryKeys, LongListsEnumerateWholeAndFollowChanges) {
  Key root = Create(HKEY_CURRENT_USER, "Software\\Long");
  std::vector<std::string> expected;
  for (int i = 0; i < 300; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "k%03d", i);
    expected.push_back(name);
  }
  for (int i = 299; i >= 0; --i) {
    Create(root, expected[i].c_str());
    SetString(root, expected[i].c_str(), expected[i]);  // values in the reverse order
  }
  EXPECT_EQ(Subkeys(root), expected);
  std::vector<std::string> values;
  char name[16];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumValueA(root, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    values.push_back(name);
  }
  EXPECT_EQ(values, std::vector<std::string>(expected.rbegin(), expected.rend()));

  // Changes before the position count, wherever the position is.
  for (DWORD i = 0; i < 200; ++i) ASSERT_EQ(RegEnumKeyA(root, i, name, sizeof name), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(root, "k000"), ERROR_SUCCESS);
  ASSERT_EQ(RegEnumKeyA(root, 200, name, sizeof name), ERROR_SUCCESS);
  EXPECT_STREQ(name, "k201");
  Create(root, "a");
  ASSERT_EQ(RegEnumKeyA(root, 201, name, sizeof name), ERROR_SUCCESS);
  EXPECT_STREQ(name, "k201");
  ASSERT_EQ(RegEnumKeyA(root, 300, name, sizeof name), ERROR_NO_MORE_ITEMS);
  DWORD size = sizeof name;
  ASSERT_EQ(RegEnumValueA(root, 150, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "k149");
  ASSERT_EQ(RegDeleteValueA(root, "k299"), ERROR_SUCCESS);
  size = sizeof name;
  ASSERT_EQ(RegEnumValueA(root, 151, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "k147");
}

TEST_F(RegistryKeys, EnumKeyExNameBufferProtocol) {
  Key root = Create(HKEY_CURRENT_USER, "Software\\Ex");
  Create(root, "abcd");
  struct Case {
    DWORD capacity;
    LONG rc;
    DWORD size_after;
  } cases[] = {{0, ERROR_MORE_DATA, 0}, {4, ERROR_MORE_DATA, 4}, {5, ERROR_SUCCESS, 4}, {9, ERROR_SUCCESS, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    GuardedBuffer name(c.capacity), keyClass(4);
    DWORD size = c.capacity, class_size = 4;
    FILETIME written{1, 1};
    EXPECT_EQ(RegEnumKeyExA(root, 0, name.text(), &size, nullptr, keyClass.text(), &class_size, &written), c.rc);
    EXPECT_EQ(size, c.size_after);
    if (c.rc == ERROR_SUCCESS) {
      EXPECT_EQ(name.Head(5), std::string("abcd", 5));
      EXPECT_TRUE(name.UntouchedFrom(5));
      EXPECT_EQ(class_size, 0u);
      EXPECT_TRUE(keyClass.UntouchedFrom(1));
    } else {
      EXPECT_TRUE(name.UntouchedFrom(0));
      EXPECT_EQ(written.dwLowDateTime, 1u);
    }
  }
  GuardedBuffer small(4);
  EXPECT_EQ(RegEnumKeyA(root, 0, small.text(), small.size()), ERROR_MORE_DATA);
  EXPECT_TRUE(small.UntouchedFrom(0));
  DWORD size = 8;
  char name[8];
  DWORD reserved = 0;
  EXPECT_EQ(RegEnumKeyExA(root, 0, name, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegEnumKeyExA(root, 0, name, &size, &reserved, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryKeys, QueryInfoReportsCountsAndLengthsWithoutTerminators) {
  Key root = Create(HKEY_CURRENT_USER, "Software\\Info");
  DWORD subkeys = 9, max_subkey = 9, values = 9, max_name = 9, max_data = 9;
  ASSERT_EQ(RegQueryInfoKeyA(root, nullptr, nullptr, nullptr, &subkeys, &max_subkey, nullptr, &values, &max_name,
                             &max_data, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ((std::vector<DWORD>{subkeys, max_subkey, values, max_name, max_data}), (std::vector<DWORD>(5, 0)));
  Create(root, "ab");
  Create(root, "abcdef");
  SetString(root, "n", "0123456789");
  SetString(root, "name", "");
  ASSERT_EQ(RegQueryInfoKeyA(root, nullptr, nullptr, nullptr, &subkeys, &max_subkey, nullptr, &values, &max_name,
                             &max_data, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ((std::vector<DWORD>{subkeys, max_subkey, values, max_name, max_data}),
            (std::vector<DWORD>{2, 6, 2, 4, 11}));
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryInfoKeyA(root, nullptr, nullptr, &reserved, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryKeys, DeleteRulesAndDeletedHandles) {
  Key parent = Create(HKEY_CURRENT_USER, "Software\\Del\\Child\\Leaf");
  Key child = Open(HKEY_CURRENT_USER, "Software\\Del\\Child");
  Key del = Open(HKEY_CURRENT_USER, "Software\\Del");
  SetString(child, "v", "x");
  EXPECT_EQ(RegDeleteKeyA(del, "Child"), ERROR_ACCESS_DENIED);  // it has a subkey
  EXPECT_EQ(RegDeleteKeyA(del, "missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(del, nullptr), ERROR_INVALID_PARAMETER);
  ASSERT_EQ(RegDeleteKeyA(del, "child\\LEAF"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(child, ""), ERROR_SUCCESS);  // the handle's own key
  EXPECT_EQ(Read(del, "v"), "error 2");

  // The same path made again is a new key; the old handle stays dead.
  Create(HKEY_CURRENT_USER, "Software\\Del\\Child");
  char name[8];
  DWORD size = sizeof name, count = 0;
  BYTE byte = 0;
  Key out;
  struct Case {
    const char* what;
    LONG rc;
  } cases[] = {
      {"query", RegQueryValueExA(child, "v", nullptr, nullptr, nullptr, &size)},
      {"set", RegSetValueExA(child, "v", 0, REG_BINARY, &byte, 1)},
      {"delete value", RegDeleteValueA(child, "v")},
      {"enum key", RegEnumKeyA(child, 0, name, sizeof name)},
      {"enum value", RegEnumValueA(child, 0, name, &size, nullptr, nullptr, nullptr, nullptr)},
      {"info", RegQueryInfoKeyA(child, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr)},
      {"open self", RegOpenKeyExA(child, "", 0, KEY_READ, out.out())},
      {"open sub", RegOpenKeyExA(child, "x", 0, KEY_READ, out.out())},
      {"create sub", RegCreateKeyExA(child, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, out.out(), nullptr)},
      {"delete self", RegDeleteKeyA(child, "")},
  };
  for (const Case& c : cases) EXPECT_EQ(c.rc, ERROR_KEY_DELETED) << c.what;
  EXPECT_EQ(out.h, nullptr);
  EXPECT_EQ(Subkeys(del), (std::vector<std::string>{"Child"}));
  EXPECT_EQ(RegCloseKey(child.h), ERROR_SUCCESS);
  child.h = nullptr;

  // Roots are not deleted.
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Classes"), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryKeys, PathsAndNameLimits) {
  std::string longest(255, 'k'), too_long(256, 'k');
  struct Case {
    std::string path;
    LONG create, open;
  } cases[] = {
      {"Software\\P\\a", ERROR_SUCCESS, ERROR_SUCCESS},
      {"Software\\P\\a\\", ERROR_SUCCESS, ERROR_SUCCESS},  // one trailing backslash is allowed
      {"\\Software\\P", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
      {"Software\\\\P", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
      {"Software\\P\\\\", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
      {"Software\\P\\" + longest, ERROR_SUCCESS, ERROR_SUCCESS},
      {"Software\\P\\" + too_long, ERROR_INVALID_PARAMETER, ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.substr(0, 20));
    Key created, opened;
    opened.h = reinterpret_cast<HKEY>(0x1234);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, c.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              created.out(), nullptr),
              c.create);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, c.path.c_str(), 0, KEY_READ, opened.out()), c.open);
    if (c.open != ERROR_SUCCESS) {
      EXPECT_EQ(opened.h, nullptr);
    }
  }

  // Value names up to 16,383 characters.
  Key key = Create(HKEY_CURRENT_USER, "Software\\P");
  std::string name(16383, 'v');
  EXPECT_EQ(SetString(key, name.c_str(), "x"), ERROR_SUCCESS);
  EXPECT_EQ(Read(key, name.c_str()), std::string("x", 2));
  name += 'v';
  EXPECT_EQ(SetString(key, name.c_str(), "x"), ERROR_INVALID_PARAMETER);

  // An empty or NULL subkey opens the same key again, as a new handle.
  SetString(key, "here", "1");
  for (const char* same : {"", static_cast<const char*>(nullptr)}) {
    Key again;
    ASSERT_EQ(RegOpenKeyExA(key, same, 0, KEY_READ, again.out()), ERROR_SUCCESS);
    EXPECT_NE(again.h, key.h);
    EXPECT_EQ(Read(again, "here"), std::string("1", 2));
  }
  Key created;
  EXPECT_EQ(RegCreateKeyExA(key, nullptr, 0, nullptr, 0, KEY_READ, nullptr, created.out(), nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExA(key, "x", 0, nullptr, 0, KEY_READ, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExA(key, "x", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace kestrel::test
