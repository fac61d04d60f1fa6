#include "registry/handle_table.h"

#include "kestrel/machine.h"

namespace kestrel::registry {
namespace {

constexpr uint32_t kFirst = 0x100;
constexpr uint32_t kLast = 0x7FFFFFFC;

}  // namespace

HandleTable& HandleTable::Get() {
  static HandleTable table;
  return table;
}

HKEY HandleTable::Add(const KeyRef& ref) {
  std::lock_guard lock(mutex_);
  do {
    next_ = (next_ < kFirst || next_ >= kLast) ? kFirst : next_ + 4;
  } while (open_.contains(next_));
  open_.emplace(next_, ref);
  return reinterpret_cast<HKEY>(static_cast<uintptr_t>(next_));
}

std::optional<KeyRef> HandleTable::Find(HKEY key) {
  uintptr_t value = reinterpret_cast<uintptr_t>(key);
  if (value > kLast) return std::nullopt;
  std::lock_guard lock(mutex_);
  auto it = open_.find(static_cast<uint32_t>(value));
  if (it == open_.end()) return std::nullopt;
  return it->second;
}

bool HandleTable::Remove(HKEY key) {
  uintptr_t value = reinterpret_cast<uintptr_t>(key);
  if (value > kLast) return false;
  std::lock_guard lock(mutex_);
  return open_.erase(static_cast<uint32_t>(value)) == 1;
}

LONG Resolve(HKEY key, Database& db, KeyRef& out) {
  constexpr REGSAM kAll = ~REGSAM(0);
  if (key == HKEY_LOCAL_MACHINE) {
    out = {db.machine_root(), kAll, true, true, db.generation()};
  } else if (key == HKEY_CLASSES_ROOT) {
    out = {db.classes_root(), kAll, true, true, db.generation()};
  } else if (key == HKEY_CURRENT_USER) {
    out = {db.current_user(), kAll, false, true, db.generation()};
  } else if (key == HKEY_USERS) {
    out = {db.users_root(), kAll, false, true, db.generation()};
  } else {
    auto ref = HandleTable::Get().Find(key);
    if (!ref || ref->generation != db.generation()) return ERROR_INVALID_HANDLE;
    out = *ref;
  }
  return ERROR_SUCCESS;
}

LONG Require(const KeyRef& ref, REGSAM need) {
  if ((ref.access & need) != need) return ERROR_ACCESS_DENIED;
  if (ref.predefined && ref.machine && (need & kWriteAccess) && machine::IsStandardUser()) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

}  // namespace kestrel::registry
