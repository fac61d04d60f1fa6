// Where a module's image lies: its file and its load address.
#pragma once

#include <cstdint>
#include <string>

#include "win32/base.h"

namespace kestrel::kernel {

struct LoadedImage {
  std::string path;  // the module's file
  uintptr_t bias = 0;  // added to the file's addresses once loaded
};

// NULL names the main program. False for a handle that is no module.
bool ImageOf(HMODULE module, LoadedImage* out);

}  // namespace kestrel::kernel
