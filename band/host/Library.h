// What the band library's classes share: the count of its live objects and
// its forms. The exports (DllGetClassObject, DllCanUnloadNow,
// DllRegisterServer, DllUnregisterServer) are in Library.cpp.
#pragma once

#include "com/server_module.h"
#include "forms/form.h"

extern kestrel::com::ServerModule g_module;
extern kestrel::forms::FormSet g_forms;
