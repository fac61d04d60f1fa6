// Apartments, class activation through the registry and the table of
// loaded in-process servers.
#include "com/runtime.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "com/registry_text.h"
#include "kestrel/codepage.h"
#include "kestrel/paths.h"

namespace {

struct Apartment {
  unsigned count = 0;
  DWORD model = COINIT_APARTMENTTHREADED;
};
thread_local Apartment t_apartment;
std::atomic<unsigned> g_apartments{0};

// In-process servers loaded by the runtime, each once per process, by the
// Linux path of the library.
struct Server {
  HMODULE module = nullptr;
  LPFNGETCLASSOBJECT getClassObject = nullptr;
  LPFNCANUNLOADNOW canUnloadNow = nullptr;
};
struct ServerTable {
  // Held while a server's entry points run, so that no server is freed
  // while it is being asked; recursive because they may activate classes.
  std::recursive_mutex mutex;
  std::map<std::string, Server> servers;
};
ServerTable& servers() {
  static ServerTable table;
  return table;
}

// The library registered for the class, or the HRESULT that says why none.
HRESULT ServerPath(REFCLSID clsid, std::string* native) {
  auto path = kestrel::com::detail::ReadText(HKEY_CLASSES_ROOT,
                                             "CLSID\\" + kestrel::com::GuidAnsi(clsid) + "\\InprocServer32");
  if (!path || path->empty()) return REGDB_E_CLASSNOTREG;
  std::filesystem::path file = kestrel::paths::ToNative(*path);
  if (file.empty()) file = *path;  // a bare name: the loader's search
  std::error_code ec;
  if (file.has_parent_path()) {
    if (!std::filesystem::is_regular_file(file, ec)) return CO_E_DLLNOTFOUND;
    file = std::filesystem::weakly_canonical(file, ec);
  }
  *native = file.string();
  return S_OK;
}

HRESULT LoadServer(const std::string& native, Server** server) {
  ServerTable& table = servers();
  if (auto it = table.servers.find(native); it != table.servers.end()) {
    *server = &it->second;
    return S_OK;
  }
  HMODULE module = LoadLibraryA(native.c_str());
  if (!module) return GetLastError() == ERROR_MOD_NOT_FOUND ? CO_E_DLLNOTFOUND : CO_E_ERRORINDLL;
  Server s;
  s.module = module;
  s.getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
  s.canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(module, "DllCanUnloadNow"));
  if (!s.getClassObject) {
    FreeLibrary(module);
    return CO_E_ERRORINDLL;
  }
  *server = &table.servers.emplace(native, s).first->second;
  return S_OK;
}

void FreeUnusedServers() {
  ServerTable& table = servers();
  std::lock_guard lock(table.mutex);
  for (auto it = table.servers.begin(); it != table.servers.end();) {
    // A server without DllCanUnloadNow stays loaded.
    if (it->second.canUnloadNow && it->second.canUnloadNow() == S_OK) {
      FreeLibrary(it->second.module);
      it = table.servers.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

extern "C" {

HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit) {
  if (reserved) return E_INVALIDARG;
  DWORD model = coInit & COINIT_APARTMENTTHREADED;
  if (t_apartment.count > 0) {
    if (t_apartment.model != model) return RPC_E_CHANGED_MODE;
    ++t_apartment.count;
    return S_FALSE;
  }
  t_apartment.count = 1;
  t_apartment.model = model;
  ++g_apartments;
  return S_OK;
}

HRESULT WINAPI CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void WINAPI CoUninitialize(void) {
  if (t_apartment.count == 0) return;
  if (--t_apartment.count == 0 && --g_apartments == 0) FreeUnusedServers();
}

HRESULT WINAPI CoGetClassObject(REFCLSID clsid, DWORD clsContext, LPVOID, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (t_apartment.count == 0) return CO_E_NOTINITIALIZED;
  if (!(clsContext & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  std::string native;
  HRESULT hr = ServerPath(clsid, &native);
  if (FAILED(hr)) return hr;
  ServerTable& table = servers();
  std::lock_guard lock(table.mutex);
  Server* server = nullptr;
  if (FAILED(hr = LoadServer(native, &server))) return hr;
  hr = server->getClassObject(clsid, riid, object);
  if (FAILED(hr)) *object = nullptr;
  return hr;
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(clsid, clsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(outer, riid, object);
  factory->Release();
  if (FAILED(hr)) *object = nullptr;
  return hr;
}

void WINAPI CoFreeUnusedLibraries(void) { FreeUnusedServers(); }

HRESULT WINAPI CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) {
  if (!progId || !clsid || !*progId) return progId && clsid ? CO_E_CLASSSTRING : E_INVALIDARG;
  std::string name = kestrel::codepage::ToAnsi(progId);
  auto text = kestrel::com::detail::ReadText(HKEY_CLASSES_ROOT, name + "\\Clsid");
  if (!text) return CO_E_CLASSSTRING;
  CLSID found;
  std::u16string wide = kestrel::codepage::FromAnsi(*text);
  if (CLSIDFromString(wide.c_str(), &found) != S_OK) return CO_E_CLASSSTRING;
  *clsid = found;
  return S_OK;
}

LPVOID WINAPI CoTaskMemAlloc(SIZE_T size) { return std::malloc(size ? size : 1); }
LPVOID WINAPI CoTaskMemRealloc(LPVOID memory, SIZE_T size) { return std::realloc(memory, size ? size : 1); }
void WINAPI CoTaskMemFree(LPVOID memory) { std::free(memory); }

}  // extern "C"
