#include "key_path.h"

#include "kestrel/codepage.h"

namespace reg {
namespace {

struct Root {
  const char* short_name;
  const char* long_name;
  HKEY key;
};

const Root kRoots[] = {
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKU", "HKEY_USERS", HKEY_USERS},
};

}  // namespace

KeyPath KeyPath::Child(const std::string& name) const {
  KeyPath child = *this;
  child.subkey = subkey.empty() ? name : subkey + "\\" + name;
  return child;
}

std::optional<KeyPath> ParseKeyPath(const std::string& text) {
  size_t slash = text.find('\\');
  std::string root = kestrel::codepage::FoldAnsi(text.substr(0, slash));
  std::string rest = slash == std::string::npos ? std::string() : text.substr(slash + 1);
  while (!rest.empty() && rest.back() == '\\') rest.pop_back();
  for (const Root& r : kRoots)
    if (root == r.short_name || root == r.long_name) return KeyPath{r.key, r.long_name, rest};
  return std::nullopt;
}

}  // namespace reg
