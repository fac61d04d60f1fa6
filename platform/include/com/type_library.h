// The registry record of a type library, for an in-process server's
// DllRegisterServer and DllUnregisterServer:
//   HKCR\TypeLib\{libid}\<major.minor>              (default) description
//   HKCR\TypeLib\{libid}\<major.minor>\<lcid>\win64 (default) library path
//   HKCR\TypeLib\{libid}\<major.minor>\FLAGS        (default) "0"
//   HKCR\TypeLib\{libid}\<major.minor>\HELPDIR      (default) the library's folder
//   HKCR\Interface\{iid}                            (default) interface name
//   HKCR\Interface\{iid}\TypeLib                    (default) {libid}, Version
// Differences from the real platform: the type library is not a resource
// of the library and cannot be loaded; only its record exists. The platform
// key is "win64", as this is a 64-bit build.
#pragma once

#include <string>
#include <vector>

#include "com/guid.h"

namespace kestrel::com {

struct TypeLibraryRegistration {
  GUID libid{};
  WORD major = 1;
  WORD minor = 0;
  LCID lcid = 0;
  std::u16string description;
  struct Interface {
    IID iid{};
    std::u16string name;
  };
  std::vector<Interface> interfaces;  // those it describes
};

// Writes the keys above. SELFREG_E_TYPELIB when a write is refused.
HRESULT RegisterTypeLibrary(const TypeLibraryRegistration& registration, const std::string& libraryPath);
// Removes this version's key, the library's key when no other version is
// left, and the interfaces' keys. S_OK also when they were not there;
// SELFREG_E_TYPELIB when refused.
HRESULT UnregisterTypeLibrary(const TypeLibraryRegistration& registration);

}  // namespace kestrel::com
