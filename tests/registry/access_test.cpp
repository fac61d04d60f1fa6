#include <gtest/gtest.h>

#include "kestrel/machine.h"
#include "machine_test.h"
#include "registry_support.h"

namespace kestrel::test {
namespace {

using RegistryAccess = MachineTest;

// What each operation answers through a handle opened with a given mask.
struct Outcomes {
  LONG query, set, delete_value, enum_values, enum_keys, info, create_new, create_existing, delete_self;
};

Outcomes Try(HKEY key) {
  BYTE byte = 1;
  DWORD size = 0, count = 0;
  char name[16];
  DWORD name_size = sizeof name;
  Key made, existing;
  Outcomes o;
  o.query = RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size);
  o.set = RegSetValueExA(key, "w", 0, REG_BINARY, &byte, 1);
  o.delete_value = RegDeleteValueA(key, "v");
  o.enum_values = RegEnumValueA(key, 0, name, &name_size, nullptr, nullptr, nullptr, nullptr);
  o.enum_keys = RegEnumKeyA(key, 0, name, sizeof name);
  o.info = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr);
  o.create_new = RegCreateKeyExA(key, "new", 0, nullptr, 0, KEY_READ, nullptr, made.out(), nullptr);
  o.create_existing = RegCreateKeyExA(key, "sub", 0, nullptr, 0, KEY_READ, nullptr, existing.out(), nullptr);
  o.delete_self = RegDeleteKeyA(key, "sub");  // a subkey is opened for DELETE afresh
  return o;
}

void Prepare(const char* path) {
  Key key = Create(HKEY_CURRENT_USER, path);
  SetString(key, "v", "1");
  Create(key, "sub");
  RegDeleteKeyA(key, "new");
}

TEST_F(RegistryAccess, HandlesRefuseWhatTheirMaskDoesNotGrant) {
  constexpr LONG ok = ERROR_SUCCESS, no = ERROR_ACCESS_DENIED;
  struct Case {
    REGSAM mask;
    Outcomes expect;
  } cases[] = {
      {KEY_READ, {ok, no, no, ok, ok, ok, no, ok, ok}},
      {KEY_QUERY_VALUE, {ok, no, no, ok, no, ok, no, ok, ok}},
      {KEY_SET_VALUE, {no, ok, ok, no, no, no, no, ok, ok}},
      {KEY_ENUMERATE_SUB_KEYS, {no, no, no, no, ok, no, no, ok, ok}},
      {KEY_CREATE_SUB_KEY, {no, no, no, no, no, no, ok, ok, ok}},
      {0, {no, no, no, no, no, no, no, ok, ok}},
      {KEY_ALL_ACCESS, {ok, ok, ok, ok, ok, ok, ok, ok, ok}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mask " << std::hex << c.mask);
    Prepare("Software\\Masks");
    Key key = Open(HKEY_CURRENT_USER, "Software\\Masks", c.mask);
    Outcomes got = Try(key);
    const LONG* g = &got.query;
    const LONG* e = &c.expect.query;
    const char* names[] = {"query", "set", "delete value", "enum values", "enum keys",
                           "info", "create new", "create existing", "delete subkey"};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(g[i], e[i]) << names[i];
  }
  // Deleting the handle's own key needs DELETE on it.
  Key read = Create(HKEY_CURRENT_USER, "Software\\Self", KEY_READ);
  EXPECT_EQ(RegDeleteKeyA(read, ""), ERROR_ACCESS_DENIED);
  Key del = Open(HKEY_CURRENT_USER, "Software\\Self", DELETE);
  EXPECT_EQ(RegDeleteKeyA(del, ""), ERROR_SUCCESS);
}

TEST_F(RegistryAccess, StandardUserCannotWriteUnderTheMachine) {
  {
    Key app = Create(HKEY_LOCAL_MACHINE, "Software\\App");
    SetString(app, "v", "machine");
    Create(app, "Sub");
    Create(HKEY_CLASSES_ROOT, ".kst");
  }
  Key admin_handle = Open(HKEY_LOCAL_MACHINE, "Software\\App", KEY_ALL_ACCESS);
  machine::SetSetting("user", "standard");
  BYTE byte = 1;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT}) {
    const char* path = root == HKEY_LOCAL_MACHINE ? "Software\\App" : ".kst";
    SCOPED_TRACE(path);
    Key key;
    key.h = reinterpret_cast<HKEY>(0x1234);
    EXPECT_EQ(RegCreateKeyExA(root, "Software\\New", 0, nullptr, 0, KEY_READ, nullptr, key.out(), nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(key.h, nullptr);
    key.h = reinterpret_cast<HKEY>(0x1234);
    EXPECT_EQ(RegOpenKeyExA(root, path, 0, KEY_READ | KEY_SET_VALUE, key.out()), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key.h, nullptr);
    EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, key.out(), nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetValueExA(root, "x", 0, REG_BINARY, &byte, 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(root, root == HKEY_LOCAL_MACHINE ? "Software\\App\\Sub" : ".kst"), ERROR_ACCESS_DENIED);
    // Reading is allowed, and so is "creating" a key that exists, for reading.
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_READ, nullptr, key.out(), &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
    EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_BINARY, &byte, 1), ERROR_ACCESS_DENIED);
  }
  Key app = Open(HKEY_LOCAL_MACHINE, "Software\\App", KEY_READ);
  EXPECT_EQ(Read(app, "v"), std::string("machine", 8));
  EXPECT_EQ(RegDeleteValueA(HKEY_LOCAL_MACHINE, "v"), ERROR_ACCESS_DENIED);
  // A handle granted before keeps what it was granted; the user's own hive stays writable.
  EXPECT_EQ(SetString(admin_handle, "granted", "1"), ERROR_SUCCESS);
  Key mine = Create(HKEY_CURRENT_USER, "Software\\Mine");
  EXPECT_EQ(SetString(mine, "v", "1"), ERROR_SUCCESS);
}

TEST_F(RegistryAccess, CurrentUserAndClassesRootAreViews) {
  SetString(Create(HKEY_CURRENT_USER, "Software\\View"), "v", "user");
  SetString(Create(HKEY_CLASSES_ROOT, "CLSID\\{1}"), "", "class");
  std::string hive = machine::UserSid() + "\\Software\\View";
  EXPECT_EQ(Read(Open(HKEY_USERS, hive.c_str()), "v"), std::string("user", 5));
  EXPECT_EQ(Read(Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\classes\\clsid\\{1}"), ""), std::string("class", 6));
  char name[128];
  ASSERT_EQ(RegEnumKeyA(HKEY_USERS, 0, name, sizeof name), ERROR_SUCCESS);
  EXPECT_EQ(name, machine::UserSid());
  // Another machine folder is another registry; handles of the old one are gone.
  Key old = Open(HKEY_CURRENT_USER, "Software\\View");
  FreshMachine();
  EXPECT_EQ(Read(old, "v"), "error 6");
  Key missing;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\View", 0, KEY_READ, missing.out()), ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace kestrel::test
