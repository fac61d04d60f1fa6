// Reading and writing the registry's string values for the COM runtime and
// self-registration; names and text are Windows-1252 bytes.
#pragma once

#include <optional>
#include <string>

#include "windows.h"

namespace kestrel::com::detail {

// The string data of a value ("" for the default value) of key path under
// root: REG_SZ as it is, REG_EXPAND_SZ expanded. Nothing when the key or the
// value is missing or is not a string.
std::optional<std::string> ReadText(HKEY root, const std::string& path, const std::string& valueName = "");

// Creates the key (and those above it) and sets a REG_SZ value. Returns the
// registry's error code.
LONG WriteText(HKEY root, const std::string& path, const std::string& valueName, const std::string& data);

// Deletes a key with everything below it. ERROR_SUCCESS also when it was
// not there.
LONG DeleteTree(HKEY root, const std::string& path);

}  // namespace kestrel::com::detail
