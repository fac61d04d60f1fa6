// A module's resources: the .rsrc section of its ELF file, holding entries in
// the layout of a compiled resource file (.res).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "win32/resources.h"

namespace kestrel::resources {

// A resource type or name: a number, or a name in upper case.
struct ResourceId {
  bool numeric = true;
  WORD number = 0;
  std::u16string name;
  bool operator==(const ResourceId&) const = default;
};

// MAKEINTRESOURCE numbers, "#n" and names (compared case-insensitively).
// Nullopt for a NULL or empty name.
std::optional<ResourceId> IdFrom(LPCSTR text);

// The section of a loaded module (NULL: the main program) in memory.
// ERROR_INVALID_HANDLE when the handle is no module,
// ERROR_RESOURCE_DATA_NOT_FOUND when the module carries no resources.
DWORD SectionOf(HMODULE module, std::span<const uint8_t>* out);

// The data of the first entry of that type and name in a section;
// ERROR_RESOURCE_TYPE_NOT_FOUND or ERROR_RESOURCE_NAME_NOT_FOUND otherwise.
// Malformed entries end the search.
DWORD FindEntry(std::span<const uint8_t> section, const ResourceId& type, const ResourceId& name,
                std::span<const uint8_t>* out);

}  // namespace kestrel::resources
