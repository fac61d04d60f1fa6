// The forms toolkit's per-user settings store: string values addressed by
// application, section and key.
//
// Kept in the registry as REG_SZ values under
//   HKEY_CURRENT_USER\Software\Program Settings\<application>\<section>
// with the key as the value name, so that `reg query` shows them. Reading
// never creates anything; a missing application, section or key gives the
// caller's default.
#pragma once

#include <string>

namespace forms {

std::u16string GetSetting(const std::u16string& application, const std::u16string& section, const std::u16string& key,
                          const std::u16string& defaultValue);

// Creates the section and key as needed and replaces the value. False when
// the registry refuses it.
bool SaveSetting(const std::u16string& application, const std::u16string& section, const std::u16string& key,
                 const std::u16string& value);

}  // namespace forms
