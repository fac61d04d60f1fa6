// The test server's class: "Kestrel.TestObject", an IDispatch object that
// also answers IPersist. Members: Name (get, put), Add(a, b), Fail() (raises
// kTestErrorNumber), Echo(value) (returns it).
#pragma once

#include "com/guid.h"
#include "kestrel/component_error.h"

inline constexpr CLSID CLSID_TestObject = kestrel::com::MakeGuid("{5B0C4E7A-3D2F-4A61-9E8B-1C7D2F3A4B5C}");
inline constexpr const char16_t* kTestProgId = u"Kestrel.TestObject";
inline constexpr int32_t kTestErrorNumber = kestrel::kObjectErrorBase + 0x4651;
