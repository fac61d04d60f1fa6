// GUIDs: class, interface and service identifiers, and their registry text
// form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
//
// Differences from the real platform: OLECHAR is char16_t. A malformed
// string leaves the out-parameter untouched (the real functions may zero
// it). CLSIDFromString does not fall back to reading a ProgID; the system
// passes class IDs in text form only.
#pragma once

#include <compare>
#include <string>
#include <string_view>

#include "com/hresult.h"
#include "win32/base.h"

typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;

typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];

  constexpr auto operator<=>(const _GUID&) const = default;
} GUID;
typedef GUID IID;
typedef GUID CLSID;
typedef IID* LPIID;
typedef CLSID* LPCLSID;
typedef GUID* LPGUID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

namespace kestrel::com {

// Reads the text form, braces optional, hex digits in either case.
// False (guid untouched) for anything else.
template <class Char>
constexpr bool ParseGuid(std::basic_string_view<Char> text, GUID* guid) {
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') return false;
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return false;
  auto hex = [](Char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  // 32 hex digits, dashes after the 8th, 12th, 16th and 20th.
  BYTE bytes[16] = {};
  size_t digit = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return false;
      continue;
    }
    int v = hex(text[i]);
    if (v < 0) return false;
    bytes[digit / 2] = static_cast<BYTE>(bytes[digit / 2] << 4 | v);
    ++digit;
  }
  GUID g{};
  g.Data1 = DWORD(bytes[0]) << 24 | DWORD(bytes[1]) << 16 | DWORD(bytes[2]) << 8 | bytes[3];
  g.Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
  g.Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
  *guid = g;
  return true;
}

// A GUID constant from its text form, checked at compile time:
//   inline constexpr IID IID_IFoo = kestrel::com::MakeGuid("…");
consteval GUID MakeGuid(std::string_view text) {
  GUID g{};
  if (!ParseGuid(text, &g)) throw "malformed GUID text";
  return g;
}

// The registry text form, with braces and upper-case digits.
std::u16string GuidText(const GUID& guid);
// The same as Windows-1252 bytes, for the registry's "A" functions.
std::string GuidAnsi(const GUID& guid);

}  // namespace kestrel::com

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_NULL{};
inline constexpr CLSID CLSID_NULL{};

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

extern "C" {

// Writes the 38-character text form and its terminator; returns 39, or 0
// when cchMax is too small (buffer untouched).
int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR buffer, int cchMax);
// *text is allocated with CoTaskMemAlloc; the caller frees it with
// CoTaskMemFree. E_POINTER for a null text.
HRESULT WINAPI StringFromCLSID(REFCLSID clsid, LPOLESTR* text);
HRESULT WINAPI StringFromIID(REFIID iid, LPOLESTR* text);
// Braces required. A null text gives CLSID_NULL; malformed text
// CO_E_CLASSSTRING (CLSIDFromString) or E_INVALIDARG (IIDFromString).
HRESULT WINAPI CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
HRESULT WINAPI IIDFromString(LPCOLESTR text, LPIID iid);

}  // extern "C"
