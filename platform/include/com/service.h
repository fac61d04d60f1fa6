// IServiceProvider: a site hands out the services of its container.
// As on the platform, apart from what com/unknown.h says of all interfaces.
#pragma once

#include "com/unknown.h"

inline constexpr IID IID_IServiceProvider = kestrel::com::MakeGuid("6D5140C1-7436-11CE-8034-00AA006009FA");

struct IServiceProvider : IUnknown {
  static constexpr const IID& kIid = IID_IServiceProvider;
  using Base = IUnknown;

  // *object is null on failure (E_NOINTERFACE for a service or interface
  // that is not offered).
  virtual HRESULT QueryService(REFGUID service, REFIID riid, void** object) = 0;
};
