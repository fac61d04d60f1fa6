// Open key handles: a process-wide table from handle value to key.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "registry/database.h"
#include "win32/registry.h"

namespace kestrel::registry {

// What a key handle stands for.
struct KeyRef {
  int64_t id = 0;           // the key's row
  REGSAM access = 0;        // rights granted when it was opened
  bool machine = false;     // under HKEY_LOCAL_MACHINE (HKEY_CLASSES_ROOT included)
  bool predefined = false;  // one of the HKEY_* roots
  unsigned generation = 0;  // the machine folder it belongs to (machine::Generation)
};

// Handle values are multiples of 4 below 0x80000000: they fit in 32 bits and
// never meet the predefined keys. A value is not given out again while open.
class HandleTable {
 public:
  static HandleTable& Get();
  HKEY Add(const KeyRef& ref);
  std::optional<KeyRef> Find(HKEY key);
  // False when the handle is not open.
  bool Remove(HKEY key);

 private:
  std::mutex mutex_;
  std::unordered_map<uint32_t, KeyRef> open_;
  uint32_t next_ = 0;
};

// The key behind a predefined or opened handle, for the calling thread's
// database. ERROR_INVALID_HANDLE for NULL, unknown and closed handles and
// for handles opened on another machine folder.
LONG Resolve(HKEY key, Database& db, KeyRef& out);

// The rights that change the registry.
constexpr REGSAM kWriteAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

// ERROR_ACCESS_DENIED unless ref grants every right in need. Predefined roots
// grant everything, except write rights under HKLM to a standard user.
LONG Require(const KeyRef& ref, REGSAM need);

}  // namespace kestrel::registry
