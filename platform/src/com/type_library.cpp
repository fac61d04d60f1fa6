#include "com/type_library.h"

#include <cstdio>

#include "com/registry_text.h"
#include "kestrel/codepage.h"

namespace kestrel::com {

namespace {

std::string LibraryKey(const TypeLibraryRegistration& r) { return "TypeLib\\" + GuidAnsi(r.libid); }

std::string VersionText(const TypeLibraryRegistration& r) {
  char text[32];
  std::snprintf(text, sizeof text, "%x.%x", r.major, r.minor);
  return text;
}

// The folder part of a Windows or Linux path.
std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

HRESULT RegisterTypeLibrary(const TypeLibraryRegistration& r, const std::string& libraryPath) {
  using detail::WriteText;
  const std::string libid = GuidAnsi(r.libid);
  const std::string version = LibraryKey(r) + "\\" + VersionText(r);
  char lcid[16];
  std::snprintf(lcid, sizeof lcid, "%x", static_cast<unsigned>(r.lcid));
  bool ok = WriteText(HKEY_CLASSES_ROOT, version, "", codepage::ToAnsi(r.description)) == ERROR_SUCCESS &&
            WriteText(HKEY_CLASSES_ROOT, version + "\\" + lcid + "\\win64", "", libraryPath) == ERROR_SUCCESS &&
            WriteText(HKEY_CLASSES_ROOT, version + "\\FLAGS", "", "0") == ERROR_SUCCESS &&
            WriteText(HKEY_CLASSES_ROOT, version + "\\HELPDIR", "", FolderOf(libraryPath)) == ERROR_SUCCESS;
  for (const auto& i : r.interfaces) {
    if (!ok) break;
    const std::string key = "Interface\\" + GuidAnsi(i.iid);
    ok = WriteText(HKEY_CLASSES_ROOT, key, "", codepage::ToAnsi(i.name)) == ERROR_SUCCESS &&
         WriteText(HKEY_CLASSES_ROOT, key + "\\TypeLib", "", libid) == ERROR_SUCCESS &&
         WriteText(HKEY_CLASSES_ROOT, key + "\\TypeLib", "Version", VersionText(r)) == ERROR_SUCCESS;
  }
  return ok ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT UnregisterTypeLibrary(const TypeLibraryRegistration& r) {
  bool ok = detail::DeleteTree(HKEY_CLASSES_ROOT, LibraryKey(r) + "\\" + VersionText(r)) == ERROR_SUCCESS;
  // The library's own key goes with its last version.
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, LibraryKey(r).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD subKeys = 0, values = 0;
    LONG rc = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr);
    RegCloseKey(key);
    if (rc == ERROR_SUCCESS && subKeys == 0 && values == 0)
      ok = RegDeleteKeyA(HKEY_CLASSES_ROOT, LibraryKey(r).c_str()) == ERROR_SUCCESS && ok;
  }
  for (const auto& i : r.interfaces)
    ok = detail::DeleteTree(HKEY_CLASSES_ROOT, "Interface\\" + GuidAnsi(i.iid)) == ERROR_SUCCESS && ok;
  return ok ? S_OK : SELFREG_E_TYPELIB;
}

}  // namespace kestrel::com
