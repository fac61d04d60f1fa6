// A key as reg names it: a root (short or long name) and a path below it.
#pragma once

#include <optional>
#include <string>

#include "windows.h"

namespace reg {

struct KeyPath {
  HKEY root = nullptr;
  std::string root_name;  // the long name: HKEY_CURRENT_USER, ...
  std::string subkey;     // below the root, as typed, without a trailing backslash

  // "HKEY_CURRENT_USER\Software\Demo".
  std::string Full() const { return subkey.empty() ? root_name : root_name + "\\" + subkey; }
  KeyPath Child(const std::string& name) const;
};

// HKLM, HKCU, HKCR, HKU or their long names, in any case, then "\path".
// Nothing for an unknown root.
std::optional<KeyPath> ParseKeyPath(const std::string& text);

}  // namespace reg
