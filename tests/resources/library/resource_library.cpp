// A library that carries resources: the band's icons and manifest, the test
// icon 200, a broken icon 201 and a data resource.
#include "windows.h"

extern "C" __attribute__((visibility("default"))) HMODULE ResourceLibraryModule() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ResourceLibraryModule), &self);
  return self;
}
