// IDispatch: members bound by name at run time.
//
// Differences from the real platform: arguments and results are
// kestrel::Variant (VARIANT and VARIANTARG name it); EXCEPINFO's texts are
// std::u16string and there is no deferred filling. Arguments travel as on
// the real platform: rgvarg holds them last one first, and a property put
// passes its value as the one argument named DISPID_PROPERTYPUT. No
// by-reference arguments, no type information (GetTypeInfoCount reports 0).
#pragma once

#include <string>

#include "com/unknown.h"

namespace kestrel {
class Variant;
}
typedef kestrel::Variant VARIANT;
typedef kestrel::Variant VARIANTARG;
typedef VARIANT* LPVARIANT;

typedef LONG DISPID;
typedef DISPID MEMBERID;
typedef SHORT VARIANT_BOOL;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8

#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800

typedef struct tagDISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
} DISPPARAMS;

typedef struct tagEXCEPINFO {
  WORD wCode;
  WORD wReserved;
  std::u16string bstrSource;
  std::u16string bstrDescription;
  std::u16string bstrHelpFile;
  DWORD dwHelpContext;
  SCODE scode;
} EXCEPINFO, *LPEXCEPINFO;

struct ITypeInfo;

inline constexpr IID IID_IDispatch = kestrel::com::MakeGuid("00020400-0000-0000-C000-000000000046");

struct IDispatch : IUnknown {
  static constexpr const IID& kIid = IID_IDispatch;
  using Base = IUnknown;

  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
  // riid must be IID_NULL. An unknown name gives DISPID_UNKNOWN in its slot
  // and DISP_E_UNKNOWNNAME.
  virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) = 0;
  // DISP_E_EXCEPTION when the member raised an error; excepInfo (when not
  // null) then carries its number (scode), source and description.
  virtual HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* excepInfo, UINT* argErr) = 0;
};
typedef IDispatch* LPDISPATCH;
