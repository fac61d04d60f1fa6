// Value data as reg shows and takes it on the command line.
#pragma once

#include <optional>
#include <string>

#include "windows.h"

namespace reg {

// "REG_SZ", ...; "REG_UNKNOWN" for a type it has no name for.
std::string TypeName(DWORD type);
// The types reg add takes: REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY,
// REG_MULTI_SZ, in any case.
std::optional<DWORD> ParseTypeName(const std::string& name);

// The bytes to store for /d text: strings with their terminator; REG_MULTI_SZ
// split at "\0" (empty strings dropped) and closed by an empty one;
// REG_DWORD in decimal or 0x hex; REG_BINARY as pairs of hex digits.
// Nothing when the text does not fit the type.
std::optional<std::string> ParseData(DWORD type, const std::string& text);

// The data as reg query shows it: strings up to their terminator, REG_MULTI_SZ
// joined with "\0", numbers as 0x hex, anything else as hex digits.
std::string FormatData(DWORD type, const std::string& bytes);

}  // namespace reg
