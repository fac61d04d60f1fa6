// IPersist and IPersistStream: an object names its class and saves itself
// into a stream. As on the platform, apart from what com/unknown.h says of
// all interfaces.
#pragma once

#include "com/stream.h"

inline constexpr IID IID_IPersist = kestrel::com::MakeGuid("0000010C-0000-0000-C000-000000000046");
inline constexpr IID IID_IPersistStream = kestrel::com::MakeGuid("00000109-0000-0000-C000-000000000046");

struct IPersist : IUnknown {
  static constexpr const IID& kIid = IID_IPersist;
  using Base = IUnknown;

  virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IPersistStream : IPersist {
  static constexpr const IID& kIid = IID_IPersistStream;
  using Base = IPersist;

  // S_OK when changed since the last save, S_FALSE otherwise.
  virtual HRESULT IsDirty() = 0;
  virtual HRESULT Load(IStream* stream) = 0;
  virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
  virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
};
