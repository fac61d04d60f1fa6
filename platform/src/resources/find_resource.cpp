// FindResourceA, LoadResource, LockResource, SizeofResource.
#include <map>
#include <mutex>
#include <span>
#include <vector>

#include "resources/resource_section.h"
#include "windows.h"

namespace {

// A resource handle stands for one resource's bytes for the life of the
// process, as the real handles do; finding it again gives the same handle.
// HRSRC values are kFirst + 8 * n, their HGLOBALs 4 more.
constexpr uintptr_t kFirst = 0x00500000;

struct ResourceTable {
  std::mutex mutex;
  std::map<const uint8_t*, size_t> index;
  std::vector<std::span<const uint8_t>> data;

  HRSRC Add(std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex);
    auto [it, added] = index.emplace(bytes.data(), data.size());
    if (added) data.push_back(bytes);
    return reinterpret_cast<HRSRC>(kFirst + 8 * it->second);
  }
  // The bytes behind a handle value of the given kind (0: HRSRC, 4: HGLOBAL).
  bool Find(uintptr_t value, uintptr_t kind, std::span<const uint8_t>* out) {
    if (value < kFirst || (value - kFirst) % 8 != kind) return false;
    size_t n = (value - kFirst) / 8;
    std::lock_guard lock(mutex);
    if (n >= data.size()) return false;
    *out = data[n];
    return true;
  }
};

ResourceTable& Table() {
  static ResourceTable table;
  return table;
}

}  // namespace

extern "C" {

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  using namespace kestrel::resources;
  std::span<const uint8_t> section, bytes;
  DWORD error = SectionOf(module, &section);
  auto type_id = IdFrom(type);
  auto name_id = IdFrom(name);
  if (error == ERROR_SUCCESS) {
    if (!type_id)
      error = ERROR_RESOURCE_TYPE_NOT_FOUND;
    else if (!name_id)
      error = ERROR_RESOURCE_NAME_NOT_FOUND;
    else
      error = FindEntry(section, *type_id, *name_id, &bytes);
  }
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return nullptr;
  }
  return Table().Add(bytes);
}

HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
  std::span<const uint8_t> bytes;
  if (!Table().Find(reinterpret_cast<uintptr_t>(resource), 0, &bytes)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return reinterpret_cast<HGLOBAL>(reinterpret_cast<uintptr_t>(resource) + 4);
}

LPVOID WINAPI LockResource(HGLOBAL data) {
  std::span<const uint8_t> bytes;
  if (!Table().Find(reinterpret_cast<uintptr_t>(data), 4, &bytes)) return nullptr;
  return const_cast<uint8_t*>(bytes.data());
}

DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
  std::span<const uint8_t> bytes;
  if (!Table().Find(reinterpret_cast<uintptr_t>(resource), 0, &bytes)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(bytes.size());
}

}  // extern "C"
