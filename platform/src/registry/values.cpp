// Value functions: query, set, delete, enumerate.
#include <cstring>

#include "kestrel/codepage.h"
#include "registry/database.h"
#include "registry/handle_table.h"
#include "registry/tree.h"
#include "windows.h"

namespace kestrel::registry {
namespace {

// The default value has the empty name, whether given as NULL or "".
std::string_view ValueName(LPCSTR name) { return name ? std::string_view(name) : std::string_view(); }

// Copies data into a caller's buffer by the size protocol: without a buffer
// only the size is told; a buffer too small gets nothing and
// ERROR_MORE_DATA, with the size needed.
LONG CopyData(std::string_view bytes, LPBYTE data, LPDWORD dataSize) {
  if (data) {
    if (*dataSize < bytes.size()) {
      *dataSize = static_cast<DWORD>(bytes.size());
      return ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.data(), bytes.size());
  }
  if (dataSize) *dataSize = static_cast<DWORD>(bytes.size());
  return ERROR_SUCCESS;
}

LONG QueryValue(HKEY key, std::string_view name, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  Database& db = Database::ForThread();
  KeyRef ref;
  if (LONG rc = Resolve(key, db, ref)) return rc;
  if (LONG rc = Require(ref, KEY_QUERY_VALUE)) return rc;
  const std::string fold = codepage::FoldAnsi(name);  // bound without a copy: must outlive the query
  Query q = db.Use(Sql::kQueryValue);
  q.Bind(1, ref.id).Bind(2, fold);
  if (!q.Step()) return KeyExists(db, ref.id) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
  // The type is told even when the buffer is too small: callers size their
  // read by it.
  if (type) *type = static_cast<DWORD>(q.Int(0));
  return CopyData(q.Blob(1), data, dataSize);
}

LONG SetValue(HKEY key, std::string_view name, DWORD type, const BYTE* data, DWORD dataSize) {
  Database& db = Database::ForThread();
  KeyRef ref;
  if (LONG rc = Resolve(key, db, ref)) return rc;
  if ((!data && dataSize) || dataSize > kMaxData || name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
  if (LONG rc = Require(ref, KEY_SET_VALUE)) return rc;
  const std::string fold = codepage::FoldAnsi(name);
  Query q = db.Use(Sql::kSetValue);
  q.Bind(1, ref.id).Bind(2, name).Bind(3, fold).Bind(4, static_cast<int64_t>(type));
  q.Bind(5, std::string_view(reinterpret_cast<const char*>(data), data ? dataSize : 0));
  q.Step();
  return db.Changes() ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG DeleteValue(HKEY key, std::string_view name) {
  Database& db = Database::ForThread();
  KeyRef ref;
  if (LONG rc = Resolve(key, db, ref)) return rc;
  if (LONG rc = Require(ref, KEY_SET_VALUE)) return rc;
  const std::string fold = codepage::FoldAnsi(name);
  {
    Query q = db.Use(Sql::kDeleteValue);
    q.Bind(1, ref.id).Bind(2, fold);
    q.Step();
  }
  if (db.Changes()) return ERROR_SUCCESS;
  return KeyExists(db, ref.id) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
}

LONG EnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  Database& db = Database::ForThread();
  KeyRef ref;
  if (LONG rc = Resolve(key, db, ref)) return rc;
  if (LONG rc = Require(ref, KEY_QUERY_VALUE)) return rc;
  ValueEntry value;
  if (LONG rc = ValueAt(db, ref.id, index, value)) return rc;
  if (value.name.size() + 1 > *nameSize) return ERROR_MORE_DATA;
  if (LONG rc = CopyData(value.data, data, dataSize)) return rc;
  std::memcpy(name, value.name.data(), value.name.size());
  name[value.name.size()] = '\0';
  *nameSize = static_cast<DWORD>(value.name.size());
  if (type) *type = value.type;
  return ERROR_SUCCESS;
}

}  // namespace
}  // namespace kestrel::registry

using namespace kestrel::registry;

extern "C" {

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize) {
  if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  return Guarded([&] { return QueryValue(key, ValueName(valueName), type, data, dataSize); });
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
  return Guarded([&] { return SetValue(key, ValueName(valueName), type, data, dataSize); });
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
  return Guarded([&] { return DeleteValue(key, ValueName(valueName)); });
}

LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameSize, LPDWORD reserved,
                          LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (!valueName || !valueNameSize || reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  return Guarded([&] { return EnumValue(key, index, valueName, valueNameSize, type, data, dataSize); });
}

}  // extern "C"
