// The in-process server's exports and its self-registration: the class, its
// ProgID, the type library ShutterCore and the interface _cls_Capture.
#include <string>

#include "ShutterCore.h"
#include "cls_Capture.h"
#include "com/class_factory.h"
#include "com/registration.h"
#include "kestrel/codepage.h"

namespace {

kestrel::com::ServerModule g_module;

const kestrel::com::ClassRegistration kClass{CLSID_cls_Capture, kShutterCoreProgId, u"ShutterCore.cls_Capture"};
constexpr char kLibraryTitle[] = "Kestrel Screen Capture DLL";
constexpr char kLibraryVersion[] = "2.0";
// The automation marshaller, the proxy of every dual interface.
constexpr char kAutomationProxy[] = "{00020424-0000-0000-C000-000000000046}";

bool WriteText(const std::string& key, const char* name, const std::string& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS)
    return false;
  LONG result = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

// Removes a key of HKCR with everything below it; true when it is gone.
bool DeleteTree(const std::string& key) {
  HKEY handle = nullptr;
  LONG opened = RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  std::vector<std::string> children;
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(handle, i, name, sizeof name) == ERROR_SUCCESS; ++i) children.push_back(name);
  RegCloseKey(handle);
  bool ok = true;
  for (const auto& child : children) ok = DeleteTree(key + "\\" + child) && ok;
  LONG deleted = RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
  return ok && (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND);
}

std::string LibraryKey() { return "TypeLib\\" + kestrel::com::GuidAnsi(LIBID_ShutterCore); }
std::string InterfaceKey() { return "Interface\\" + kestrel::com::GuidAnsi(IID__cls_Capture); }

HRESULT RegisterTypeLibrary(const std::string& libraryPath) {
  const std::string version = LibraryKey() + "\\" + kLibraryVersion;
  const std::string folder = libraryPath.substr(0, libraryPath.find_last_of('\\') + 1);
  const std::string clsid = "CLSID\\" + kestrel::com::GuidAnsi(CLSID_cls_Capture);
  bool ok = WriteText(version, "", kLibraryTitle) && WriteText(version + "\\0\\win64", "", libraryPath) &&
            WriteText(version + "\\FLAGS", "", "0") && WriteText(version + "\\HELPDIR", "", folder) &&
            WriteText(InterfaceKey(), "", "_cls_Capture") &&
            WriteText(InterfaceKey() + "\\ProxyStubClsid32", "", kAutomationProxy) &&
            WriteText(InterfaceKey() + "\\TypeLib", "", kestrel::com::GuidAnsi(LIBID_ShutterCore)) &&
            WriteText(InterfaceKey() + "\\TypeLib", "Version", kLibraryVersion) &&
            WriteText(clsid + "\\TypeLib", "", kestrel::com::GuidAnsi(LIBID_ShutterCore)) &&
            WriteText(clsid + "\\VERSION", "", kLibraryVersion);
  return ok ? S_OK : SELFREG_E_TYPELIB;
}

}  // namespace

extern "C" {

HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_cls_Capture) return CLASS_E_CLASSNOTAVAILABLE;
  return kestrel::com::MakeObject<kestrel::com::ClassFactory<cls_Capture>>(g_module)->QueryInterface(riid, object);
}

HRESULT DllCanUnloadNow(void) { return g_module.CanUnloadNow(); }

HRESULT DllRegisterServer(void) {
  const std::string path = kestrel::com::LibraryPathOf(reinterpret_cast<const void*>(&DllRegisterServer));
  HRESULT hr = kestrel::com::RegisterServerClass(kClass, path);
  if (SUCCEEDED(hr)) hr = RegisterTypeLibrary(path);
  return hr;
}

HRESULT DllUnregisterServer(void) {
  HRESULT hr = kestrel::com::UnregisterServerClass(kClass);
  bool ok = DeleteTree(LibraryKey()) && DeleteTree(InterfaceKey());
  return FAILED(hr) ? hr : ok ? S_OK : SELFREG_E_TYPELIB;
}

}  // extern "C"
