// The key tree over the database: paths, walks and enumeration by index.
#pragma once

#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "registry/database.h"
#include "win32/registry.h"

namespace kestrel::registry {

constexpr size_t kMaxKeyName = 255;      // characters of one key name
constexpr size_t kMaxValueName = 16383;  // characters of a value name
constexpr size_t kMaxData = 1 << 20;     // bytes of value data

// Splits a subkey path into its key names. ERROR_BAD_PATHNAME for a leading
// backslash and for an empty name inside the path ("a\\b"); one trailing
// backslash is allowed. An empty path has no names.
LONG SplitPath(std::string_view path, std::vector<std::string_view>& names);

bool KeyExists(Database& db, int64_t id);

// Follows names down from the key from. ERROR_KEY_DELETED when from itself
// is gone, ERROR_FILE_NOT_FOUND when a name is missing.
LONG Walk(Database& db, int64_t from, const std::vector<std::string_view>& names, int64_t& id);

// The index-th subkey of key in case-insensitive name order.
// ERROR_NO_MORE_ITEMS past the end, ERROR_KEY_DELETED when key is gone.
LONG SubkeyAt(Database& db, int64_t key, DWORD index, std::string& name);

struct ValueEntry {
  std::string name;
  DWORD type = REG_NONE;
  std::string data;
};
// The index-th value of key in creation order; errors as SubkeyAt.
LONG ValueAt(Database& db, int64_t key, DWORD index, ValueEntry& value);

// Runs the body of a registry function: a failure of the database or of
// memory becomes the function's error code, never an exception.
template <class Body>
LONG Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const DbFailure& failure) {
    return failure.code;
  } catch (const std::bad_alloc&) {
    return ERROR_OUTOFMEMORY;
  } catch (...) {
    return ERROR_REGISTRY_IO_FAILED;
  }
}

}  // namespace kestrel::registry
