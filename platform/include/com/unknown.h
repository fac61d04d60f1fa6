// IUnknown and IClassFactory.
//
// Interfaces are abstract C++ classes with the platform's members in the
// platform's vtable order. Each one names its identifier and the interface
// it extends, for ComPtr::As and ComObject's QueryInterface:
//   static constexpr const IID& kIid = IID_IFoo;  using Base = IBar;
// Differences from the real platform: no calling-convention decorations,
// and interfaces have no virtual destructor (objects delete themselves in
// Release, through their own class).
#pragma once

#include "com/guid.h"
#include "com/hresult.h"

inline constexpr IID IID_IUnknown = kestrel::com::MakeGuid("00000000-0000-0000-C000-000000000046");
inline constexpr IID IID_IClassFactory = kestrel::com::MakeGuid("00000001-0000-0000-C000-000000000046");

struct IUnknown {
  static constexpr const IID& kIid = IID_IUnknown;
  using Base = void;

  // *object is null whenever the result is a failure.
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};
typedef IUnknown* LPUNKNOWN;

struct IClassFactory : IUnknown {
  static constexpr const IID& kIid = IID_IClassFactory;
  using Base = IUnknown;

  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};
typedef IClassFactory* LPCLASSFACTORY;
