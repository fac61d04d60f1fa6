// Self-registration of an in-process server's classes, for its
// DllRegisterServer and DllUnregisterServer:
//   HKCR\CLSID\{clsid}                     (default) description
//   HKCR\CLSID\{clsid}\InprocServer32      (default) library path, ThreadingModel
//   HKCR\CLSID\{clsid}\ProgID              (default) ProgID
//   HKCR\<ProgID>                          (default) description
//   HKCR\<ProgID>\Clsid                    (default) {clsid}
#pragma once

#include <string>

#include "com/guid.h"

namespace kestrel::com {

struct ClassRegistration {
  CLSID clsid{};
  std::u16string progId;  // none when empty
  std::u16string description;
  std::u16string threadingModel = u"Apartment";
};

// The Windows path ("Z:\…\Shutterbox.so") of the library that contains
// address, as InprocServer32 records it; pass the address of one of the
// library's own functions.
std::string LibraryPathOf(const void* address);

// Writes the keys above. SELFREG_E_CLASS when a write is refused (a
// standard user cannot write HKCR, for one).
HRESULT RegisterServerClass(const ClassRegistration& registration, const std::string& libraryPath);
// Removes the class ID's key and the ProgID's key with all below them.
// S_OK also when they were not there; SELFREG_E_CLASS when refused.
HRESULT UnregisterServerClass(const ClassRegistration& registration);

}  // namespace kestrel::com
