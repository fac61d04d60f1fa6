// The count of iehost's own COM objects (browsers, documents, sites).
#pragma once

#include "com/server_module.h"

namespace iehost {
extern kestrel::com::ServerModule g_module;
}
