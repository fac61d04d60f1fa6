// The band library's type library, classes and interfaces.
#pragma once

#include "com/guid.h"

inline constexpr GUID LIBID_KestrelIEToolbar = kestrel::com::MakeGuid("EBC7D5E7-D4C5-45AE-A0CB-C0EB205B9CCD");
inline constexpr CLSID CLSID_CToolbar = kestrel::com::MakeGuid("9C9C909E-9E0D-468A-A4D2-C0846D493D88");
inline constexpr IID IID__CToolbar = kestrel::com::MakeGuid("7361846A-D2F7-4676-96B1-1EB90D3CBDF8");
inline constexpr CLSID CLSID_cls_Favorites = kestrel::com::MakeGuid("7485C1A0-8028-47D7-A641-E5A01C9C4809");
inline constexpr IID IID__cls_Favorites = kestrel::com::MakeGuid("8D882480-EAA9-4A6C-998F-059CD832DF42");
inline constexpr CLSID CLSID_ISubclass = kestrel::com::MakeGuid("FAB65AC6-915A-43F9-8AE8-DB4C8A187156");

// The type library's name, which the ProgIDs begin with.
inline constexpr char16_t kTypeLibraryName[] = u"KestrelIEToolbar";
