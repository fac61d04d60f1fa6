// The COM runtime: apartments, class activation through the registry,
// in-process servers and task memory.
//
// CoCreateInstance and CoGetClassObject find HKCR\CLSID\{clsid}\InprocServer32,
// whose default value is the server library's path (a Windows path such as
// "Z:\opt\kestrel\Shutterbox.so", or a Linux path; REG_EXPAND_SZ is
// expanded). The library is loaded once per process and asked through its
// DllGetClassObject export; CoFreeUnusedLibraries frees every loaded server
// whose DllCanUnloadNow answers S_OK.
//
// Differences from the real platform: only in-process servers. An apartment
// is a per-thread initialisation count and nothing more: there is no
// marshalling, and an object may be called from any thread. Unused
// libraries are freed at once (no delay), and also when the last apartment
// of the process ends, but only those that agree to it through
// DllCanUnloadNow.
#pragma once

#include "com/unknown.h"

typedef enum tagCOINIT {
  COINIT_MULTITHREADED = 0x0,
  COINIT_APARTMENTTHREADED = 0x2,
  COINIT_DISABLE_OLE1DDE = 0x4,
  COINIT_SPEED_OVER_MEMORY = 0x8,
} COINIT;

typedef enum tagCLSCTX {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10,
} CLSCTX;
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

extern "C" {

// S_OK for the thread's first call, S_FALSE for each further one (each
// needs its CoUninitialize), RPC_E_CHANGED_MODE when the thread already
// has the other concurrency model (that call needs no CoUninitialize).
HRESULT WINAPI CoInitialize(LPVOID reserved);
HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit);
void WINAPI CoUninitialize(void);

// *object is set to null first, E_POINTER when object is null.
// CO_E_NOTINITIALIZED on a thread without CoInitialize; REGDB_E_CLASSNOTREG
// for a class without InprocServer32 (or a context without
// CLSCTX_INPROC_SERVER); CO_E_DLLNOTFOUND when the library file is missing;
// CO_E_ERRORINDLL when it is not a loadable library or lacks
// DllGetClassObject; otherwise what the factory answers (E_NOINTERFACE,
// CLASS_E_NOAGGREGATION, CLASS_E_CLASSNOTAVAILABLE, ...).
HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid, LPVOID* object);
HRESULT WINAPI CoGetClassObject(REFCLSID clsid, DWORD clsContext, LPVOID serverInfo, REFIID riid, LPVOID* object);
void WINAPI CoFreeUnusedLibraries(void);

// Reads HKCR\<progId>\Clsid. CO_E_CLASSSTRING when it is missing or not a
// class ID; E_INVALIDARG for null arguments. clsid untouched on failure.
HRESULT WINAPI CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid);

LPVOID WINAPI CoTaskMemAlloc(SIZE_T size);
LPVOID WINAPI CoTaskMemRealloc(LPVOID memory, SIZE_T size);
void WINAPI CoTaskMemFree(LPVOID memory);

// The exports of an in-process server library, as the runtime and the
// registration tool call them.
HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object);
HRESULT DllCanUnloadNow(void);
HRESULT DllRegisterServer(void);
HRESULT DllUnregisterServer(void);

}  // extern "C"

typedef HRESULT (*LPFNGETCLASSOBJECT)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT (*LPFNCANUNLOADNOW)(void);
typedef HRESULT (*LPFNREGISTERSERVER)(void);
