// IStream and a stream over memory, for IPersistStream.
//
// Differences from the real platform: there is no global memory, so
// CreateStreamOnHGlobal only makes a new, growable stream over its own
// memory (hGlobal must be NULL, else E_INVALIDARG) and deleteOnRelease is
// ignored. The memory stream has no locking (LockRegion and UnlockRegion
// answer STG_E_INVALIDFUNCTION), no transactions (Commit and Revert do
// nothing) and cannot be cloned (E_NOTIMPL). Seeking to before the start
// or with an unknown origin fails with STG_E_INVALIDFUNCTION; seeking past
// the end is allowed, and a later write fills the gap with zeros.
#pragma once

#include "com/unknown.h"
#include "win32/registry.h"  // FILETIME

typedef union _LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
} LARGE_INTEGER;
typedef union _ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  } u;
  ULONGLONG QuadPart;
} ULARGE_INTEGER;

typedef enum tagSTREAM_SEEK { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 } STREAM_SEEK;
typedef enum tagSTGTY { STGTY_STORAGE = 1, STGTY_STREAM = 2, STGTY_LOCKBYTES = 3, STGTY_PROPERTY = 4 } STGTY;
typedef enum tagSTATFLAG { STATFLAG_DEFAULT = 0, STATFLAG_NONAME = 1 } STATFLAG;
#define STGM_READWRITE 0x00000002L

typedef struct tagSTATSTG {
  LPOLESTR pwcsName;  // null: streams over memory have no name
  DWORD type;
  ULARGE_INTEGER cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode;
  DWORD grfLocksSupported;
  CLSID clsid;
  DWORD grfStateBits;
  DWORD reserved;
} STATSTG;

inline constexpr IID IID_ISequentialStream = kestrel::com::MakeGuid("0C733A30-2A1C-11CE-ADE5-00AA0044773D");
inline constexpr IID IID_IStream = kestrel::com::MakeGuid("0000000C-0000-0000-C000-000000000046");

struct ISequentialStream : IUnknown {
  static constexpr const IID& kIid = IID_ISequentialStream;
  using Base = IUnknown;

  // Reads what there is: fewer bytes than asked (S_OK) at the end.
  virtual HRESULT Read(void* buffer, ULONG size, ULONG* read) = 0;
  virtual HRESULT Write(const void* buffer, ULONG size, ULONG* written) = 0;
};

struct IStream : ISequentialStream {
  static constexpr const IID& kIid = IID_IStream;
  using Base = ISequentialStream;

  virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
  virtual HRESULT SetSize(ULARGE_INTEGER newSize) = 0;
  virtual HRESULT CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read, ULARGE_INTEGER* written) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) = 0;
  virtual HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) = 0;
  virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
  virtual HRESULT Clone(IStream** clone) = 0;
};
typedef IStream* LPSTREAM;

typedef HANDLE HGLOBAL;

extern "C" {

// A new empty stream at position 0; *stream null on failure.
HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL deleteOnRelease, LPSTREAM* stream);

}  // extern "C"
