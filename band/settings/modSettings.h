// The band's settings store: per-user strings of the application "Marlow",
// in the sections "Proxy" and "Toolbar". Every reader names its own default;
// nothing is cached.
#pragma once

#include <string>

namespace modSettings {

// The proxy auto-configuration script that Enable Proxy installs while the
// user has saved no "ProxyURL".
inline constexpr char16_t DefaultProxyScriptUrl[] = u"http://proxy.intranet.local/proxy.pac";

// The stored value, or defaultValue when the key or its section is absent.
// Reading never creates anything.
std::u16string ReadSetting(const std::u16string& section, const std::u16string& key,
                           const std::u16string& defaultValue);
// Creates the section and key as needed; callers ignore the outcome.
void WriteSetting(const std::u16string& section, const std::u16string& key, const std::u16string& value);

}  // namespace modSettings
