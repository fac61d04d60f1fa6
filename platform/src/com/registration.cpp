#include "com/registration.h"

#include "com/registry_text.h"
#include "kestrel/codepage.h"
#include "kestrel/module.h"
#include "kestrel/paths.h"

namespace kestrel::com {

std::string LibraryPathOf(const void* address) {
  std::string native = module::PathContaining(address);
  return native.empty() ? std::string() : paths::FromNative(native);
}

HRESULT RegisterServerClass(const ClassRegistration& r, const std::string& libraryPath) {
  using detail::WriteText;
  const std::string clsidKey = "CLSID\\" + GuidAnsi(r.clsid);
  const std::string description = codepage::ToAnsi(r.description);
  const std::string progId = codepage::ToAnsi(r.progId);
  bool ok = WriteText(HKEY_CLASSES_ROOT, clsidKey, "", description) == ERROR_SUCCESS &&
            WriteText(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", "", libraryPath) == ERROR_SUCCESS &&
            WriteText(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", "ThreadingModel",
                      codepage::ToAnsi(r.threadingModel)) == ERROR_SUCCESS;
  if (ok && !progId.empty()) {
    ok = WriteText(HKEY_CLASSES_ROOT, clsidKey + "\\ProgID", "", progId) == ERROR_SUCCESS &&
         WriteText(HKEY_CLASSES_ROOT, progId, "", description) == ERROR_SUCCESS &&
         WriteText(HKEY_CLASSES_ROOT, progId + "\\Clsid", "", GuidAnsi(r.clsid)) == ERROR_SUCCESS;
  }
  return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterServerClass(const ClassRegistration& r) {
  const std::string progId = codepage::ToAnsi(r.progId);
  bool ok = detail::DeleteTree(HKEY_CLASSES_ROOT, "CLSID\\" + GuidAnsi(r.clsid)) == ERROR_SUCCESS;
  if (!progId.empty()) ok = detail::DeleteTree(HKEY_CLASSES_ROOT, progId) == ERROR_SUCCESS && ok;
  return ok ? S_OK : SELFREG_E_CLASS;
}

}  // namespace kestrel::com
