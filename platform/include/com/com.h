// The COM face of the platform stand-in: GUIDs, HRESULTs, IUnknown and
// class factories, the runtime, IDispatch with Variant, streams,
// persistence and service providers. The band-hosting interfaces are in
// com/band.h, the browser's in com/browser.h; helpers for implementing
// objects in com/com_object.h, com/class_factory.h, com/dispatch_object.h
// and com/registration.h.
#pragma once

#include "com/com_ptr.h"
#include "com/dispatch.h"
#include "com/dispatch_call.h"
#include "com/guid.h"
#include "com/hresult.h"
#include "com/persist.h"
#include "com/runtime.h"
#include "com/server_module.h"
#include "com/service.h"
#include "com/stream.h"
#include "com/unknown.h"
#include "com/variant.h"
