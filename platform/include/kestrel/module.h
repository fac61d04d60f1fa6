// Which module (program or shared library) a piece of code lives in.
#pragma once

#include <string>

namespace kestrel::module {

// The full file path of the module that contains the given address (the
// main program or a shared library). Empty when it cannot be found.
std::string PathContaining(const void* address);

// That module's file name without folder and extension:
// "Kestrel IE Toolbar" for ".../Kestrel IE Toolbar.so", "BandSetup" for the
// installer. The deliverables name their error sources with it.
std::string NameContaining(const void* address);

}  // namespace kestrel::module
