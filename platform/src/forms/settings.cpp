#include "forms/settings.h"

#include "kestrel/codepage.h"
#include "windows.h"

namespace forms {
namespace {

std::string SectionPath(const std::u16string& application, const std::u16string& section) {
  return "Software\\Program Settings\\" + kestrel::codepage::ToAnsi(application) + "\\" +
         kestrel::codepage::ToAnsi(section);
}

}  // namespace

std::u16string GetSetting(const std::u16string& application, const std::u16string& section, const std::u16string& key,
                          const std::u16string& defaultValue) {
  kestrel::UniqueHKey hkey;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, SectionPath(application, section).c_str(), 0, KEY_QUERY_VALUE, hkey.put()) !=
      ERROR_SUCCESS)
    return defaultValue;
  const std::string name = kestrel::codepage::ToAnsi(key);
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(hkey.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return defaultValue;
  std::string data(size, '\0');
  if (RegQueryValueExA(hkey.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
      ERROR_SUCCESS)
    return defaultValue;
  data.resize(size);
  if (size_t end = data.find('\0'); end != std::string::npos) data.resize(end);
  return kestrel::codepage::FromAnsi(data);
}

bool SaveSetting(const std::u16string& application, const std::u16string& section, const std::u16string& key,
                 const std::u16string& value) {
  kestrel::UniqueHKey hkey;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, SectionPath(application, section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, hkey.put(), nullptr) != ERROR_SUCCESS)
    return false;
  const std::string data = kestrel::codepage::ToAnsi(value);
  return RegSetValueExA(hkey.get(), kestrel::codepage::ToAnsi(key).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1)) ==
         ERROR_SUCCESS;
}

}  // namespace forms
