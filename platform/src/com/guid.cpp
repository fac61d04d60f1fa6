#include "com/guid.h"

#include <cstdio>
#include <cstring>

#include "com/runtime.h"
#include "kestrel/codepage.h"

namespace kestrel::com {

std::string GuidAnsi(const GUID& g) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

std::u16string GuidText(const GUID& guid) { return codepage::FromAnsi(GuidAnsi(guid)); }

}  // namespace kestrel::com

namespace {

HRESULT FromText(LPCOLESTR text, GUID* guid, HRESULT malformed) {
  if (!guid) return E_INVALIDARG;
  if (!text) {
    *guid = GUID_NULL;
    return S_OK;
  }
  std::u16string_view view(text);
  if (!view.starts_with(u'{') || !kestrel::com::ParseGuid(view, guid)) return malformed;
  return S_OK;
}

HRESULT ToAllocatedText(REFGUID guid, LPOLESTR* text) {
  if (!text) return E_POINTER;
  std::u16string s = kestrel::com::GuidText(guid);
  auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(OLECHAR)));
  *text = out;
  if (!out) return E_OUTOFMEMORY;
  std::memcpy(out, s.c_str(), (s.size() + 1) * sizeof(OLECHAR));
  return S_OK;
}

}  // namespace

extern "C" {

int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR buffer, int cchMax) {
  std::u16string s = kestrel::com::GuidText(guid);
  int needed = static_cast<int>(s.size() + 1);
  if (!buffer || cchMax < needed) return 0;
  std::memcpy(buffer, s.c_str(), needed * sizeof(OLECHAR));
  return needed;
}

HRESULT WINAPI StringFromCLSID(REFCLSID clsid, LPOLESTR* text) { return ToAllocatedText(clsid, text); }
HRESULT WINAPI StringFromIID(REFIID iid, LPOLESTR* text) { return ToAllocatedText(iid, text); }

HRESULT WINAPI CLSIDFromString(LPCOLESTR text, LPCLSID clsid) { return FromText(text, clsid, CO_E_CLASSSTRING); }
HRESULT WINAPI IIDFromString(LPCOLESTR text, LPIID iid) { return FromText(text, iid, E_INVALIDARG); }

}  // extern "C"
