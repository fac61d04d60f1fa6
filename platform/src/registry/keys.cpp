// Key functions: create, open, close, delete, enumerate subkeys, key info.
#include <cstring>

#include "kestrel/codepage.h"
#include "kestrel/machine.h"
#include "registry/database.h"
#include "registry/handle_table.h"
#include "registry/tree.h"
#include "windows.h"

namespace kestrel::registry {
namespace {

bool IsRoot(Database& db, int64_t id) {
  return id == db.machine_root() || id == db.users_root() || id == db.current_user() || id == db.classes_root();
}

LONG OpenKey(HKEY key, std::string_view path, REGSAM desired, PHKEY result) {
  Database& db = Database::ForThread();
  KeyRef parent;
  if (LONG rc = Resolve(key, db, parent)) return rc;
  std::vector<std::string_view> names;
  if (LONG rc = SplitPath(path, names)) return rc;
  int64_t id = 0;
  if (LONG rc = Walk(db, parent.id, names, id)) return rc;
  if (parent.machine && (desired & kWriteAccess) && machine::IsStandardUser()) return ERROR_ACCESS_DENIED;
  *result = HandleTable::Get().Add({id, desired, parent.machine, false, db.generation()});
  return ERROR_SUCCESS;
}

LONG CreateKey(HKEY key, std::string_view path, REGSAM desired, PHKEY result, LPDWORD disposition) {
  Database& db = Database::ForThread();
  KeyRef parent;
  if (LONG rc = Resolve(key, db, parent)) return rc;
  std::vector<std::string_view> names;
  if (LONG rc = SplitPath(path, names)) return rc;
  int64_t id = 0;
  DWORD outcome = REG_OPENED_EXISTING_KEY;
  LONG found = Walk(db, parent.id, names, id);
  if (found == ERROR_KEY_DELETED) return found;
  if (found == ERROR_FILE_NOT_FOUND) {
    for (std::string_view name : names)
      if (name.size() > kMaxKeyName) return ERROR_INVALID_PARAMETER;
    if (parent.machine && machine::IsStandardUser()) return ERROR_ACCESS_DENIED;
    if (LONG rc = Require(parent, KEY_CREATE_SUB_KEY)) return rc;
    // Every missing level in one transaction: all of them or none.
    WriteTransaction tx(db);
    if (!KeyExists(db, parent.id)) return ERROR_KEY_DELETED;
    id = parent.id;
    for (std::string_view name : names) {
      std::string fold = codepage::FoldAnsi(name);
      if (auto child = db.FindChild(id, fold)) {
        id = *child;
        continue;
      }
      Query insert = db.Use(Sql::kInsertKey);
      insert.Bind(1, id).Bind(2, name).Bind(3, fold);
      insert.Step();
      id = db.LastInsertId();
      outcome = REG_CREATED_NEW_KEY;
    }
    tx.Commit();
  } else if (found != ERROR_SUCCESS) {
    return found;
  }
  if (outcome == REG_OPENED_EXISTING_KEY && parent.machine && (desired & kWriteAccess) && machine::IsStandardUser())
    return ERROR_ACCESS_DENIED;
  *result = HandleTable::Get().Add({id, desired, parent.machine, false, db.generation()});
  if (disposition) *disposition = outcome;
  return ERROR_SUCCESS;
}

LONG DeleteKey(HKEY key, std::string_view path) {
  Database& db = Database::ForThread();
  KeyRef parent;
  if (LONG rc = Resolve(key, db, parent)) return rc;
  std::vector<std::string_view> names;
  if (LONG rc = SplitPath(path, names)) return rc;
  // An empty path deletes the handle's own key, which needs DELETE on it;
  // a subkey is opened for DELETE afresh.
  if (names.empty()) {
    if (LONG rc = Require(parent, DELETE)) return rc;
  }
  WriteTransaction tx(db);
  int64_t id = 0;
  if (LONG rc = Walk(db, parent.id, names, id)) return rc;
  if (!names.empty() && parent.machine && machine::IsStandardUser()) return ERROR_ACCESS_DENIED;
  if (IsRoot(db, id)) return ERROR_ACCESS_DENIED;
  {
    Query children = db.Use(Sql::kHasChildren);
    children.Bind(1, id);
    if (children.Step()) return ERROR_ACCESS_DENIED;
  }
  db.Use(Sql::kDeleteKeyValues).Bind(1, id).Step();
  db.Use(Sql::kDeleteKey).Bind(1, id).Step();
  tx.Commit();
  return ERROR_SUCCESS;
}

LONG EnumKey(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPSTR keyClass, LPDWORD classSize,
             PFILETIME lastWriteTime) {
  Database& db = Database::ForThread();
  KeyRef ref;
  if (LONG rc = Resolve(key, db, ref)) return rc;
  if (LONG rc = Require(ref, KEY_ENUMERATE_SUB_KEYS)) return rc;
  std::string found;
  if (LONG rc = SubkeyAt(db, ref.id, index, found)) return rc;
  if (found.size() + 1 > *nameSize) return ERROR_MORE_DATA;
  std::memcpy(name, found.data(), found.size());
  name[found.size()] = '\0';
  *nameSize = static_cast<DWORD>(found.size());
  if (keyClass && *classSize > 0) keyClass[0] = '\0';
  if (classSize) *classSize = 0;
  if (lastWriteTime) *lastWriteTime = FILETIME{};
  return ERROR_SUCCESS;
}

LONG QueryInfo(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD subKeys, LPDWORD maxSubKeyLength,
               LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength, LPDWORD maxValueLength,
               LPDWORD securityDescriptor, PFILETIME lastWriteTime) {
  Database& db = Database::ForThread();
  KeyRef ref;
  if (LONG rc = Resolve(key, db, ref)) return rc;
  if (LONG rc = Require(ref, KEY_QUERY_VALUE)) return rc;
  Query q = db.Use(Sql::kQueryInfo);
  q.Bind(1, ref.id);
  if (!q.Step()) return ERROR_KEY_DELETED;
  auto column = [&](int i) { return static_cast<DWORD>(q.Int(i)); };  // max() of nothing is NULL, read as 0
  if (keyClass && *classSize > 0) keyClass[0] = '\0';
  if (classSize) *classSize = 0;
  if (subKeys) *subKeys = column(0);
  if (maxSubKeyLength) *maxSubKeyLength = column(1);
  if (maxClassLength) *maxClassLength = 0;
  if (values) *values = column(2);
  if (maxValueNameLength) *maxValueNameLength = column(3);
  if (maxValueLength) *maxValueLength = column(4);
  if (securityDescriptor) *securityDescriptor = 0;
  if (lastWriteTime) *lastWriteTime = FILETIME{};
  return ERROR_SUCCESS;
}

}  // namespace
}  // namespace kestrel::registry

using namespace kestrel::registry;

extern "C" {

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM desired,
                            const SECURITY_ATTRIBUTES*, PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  LONG rc = subKey ? Guarded([&] { return CreateKey(key, subKey, desired, result, disposition); })
                   : ERROR_INVALID_PARAMETER;
  if (rc != ERROR_SUCCESS) *result = nullptr;
  return rc;
}

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  LONG rc = Guarded([&] { return OpenKey(key, subKey ? subKey : "", desired, result); });
  if (rc != ERROR_SUCCESS) *result = nullptr;
  return rc;
}

LONG WINAPI RegCloseKey(HKEY key) {
  if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_USERS)
    return ERROR_SUCCESS;
  return HandleTable::Get().Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  if (!subKey) return ERROR_INVALID_PARAMETER;
  return Guarded([&] { return DeleteKey(key, subKey); });
}

LONG WINAPI RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize) {
  if (!name) return ERROR_INVALID_PARAMETER;
  return Guarded([&] { return EnumKey(key, index, name, &nameSize, nullptr, nullptr, nullptr); });
}

LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR keyClass,
                          LPDWORD classSize, PFILETIME lastWriteTime) {
  if (!name || !nameSize || reserved || (keyClass && !classSize)) return ERROR_INVALID_PARAMETER;
  return Guarded([&] { return EnumKey(key, index, name, nameSize, keyClass, classSize, lastWriteTime); });
}

LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                             LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityDescriptor,
                             PFILETIME lastWriteTime) {
  if (reserved || (keyClass && !classSize)) return ERROR_INVALID_PARAMETER;
  return Guarded([&] {
    return QueryInfo(key, keyClass, classSize, subKeys, maxSubKeyLength, maxClassLength, values, maxValueNameLength,
                     maxValueLength, securityDescriptor, lastWriteTime);
  });
}

}  // extern "C"
