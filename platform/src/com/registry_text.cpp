#include "com/registry_text.h"

#include <vector>

namespace kestrel::com::detail {

std::optional<std::string> ReadText(HKEY root, const std::string& path, const std::string& valueName) {
  UniqueHKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return std::nullopt;
  std::optional<std::string> text;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::vector<BYTE> data(size + 1);
    if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, data.data(), &size) == ERROR_SUCCESS) {
      // Stored data need not end with a terminator.
      std::string s(reinterpret_cast<const char*>(data.data()), size);
      if (auto nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
      text = std::move(s);
    }
  }
  key.reset();
  if (text && type == REG_EXPAND_SZ) {
    DWORD needed = ExpandEnvironmentStringsA(text->c_str(), nullptr, 0);
    std::string expanded(needed, '\0');
    if (needed && ExpandEnvironmentStringsA(text->c_str(), expanded.data(), needed) == needed) {
      expanded.resize(needed - 1);
      text = std::move(expanded);
    }
  }
  return text;
}

LONG WriteText(HKEY root, const std::string& path, const std::string& valueName, const std::string& data) {
  UniqueHKey key;
  LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                            key.put(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  return RegSetValueExA(key.get(), valueName.empty() ? nullptr : valueName.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
}

LONG DeleteTree(HKEY root, const std::string& path) {
  UniqueHKey key;
  LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, key.put());
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::string> children;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD size = sizeof name;
    rc = RegEnumKeyExA(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) break;
    children.emplace_back(name, size);
  }
  key.reset();
  if (rc != ERROR_NO_MORE_ITEMS) return rc;
  for (const std::string& child : children)
    if ((rc = DeleteTree(root, path + "\\" + child)) != ERROR_SUCCESS) return rc;
  rc = RegDeleteKeyA(root, path.c_str());
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

}  // namespace kestrel::com::detail
