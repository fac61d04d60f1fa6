// The band library's exports: class objects, unloading and registration.
#include "Library.h"

#include "CToolbar.h"
#include "cls_Favorites.h"
#include "com/class_factory.h"
#include "com/registration.h"
#include "com/runtime.h"
#include "com/type_library.h"

kestrel::com::ServerModule g_module;
kestrel::forms::FormSet g_forms;

namespace {

using kestrel::com::ClassRegistration;

const kestrel::com::TypeLibraryRegistration kTypeLibrary{
    .libid = LIBID_KestrelIEToolbar,
    .major = 1,
    .minor = 0,
    .lcid = 0,
    .description = u"Kestrel IE Toolbar",
    .interfaces = {{IID__CToolbar, u"_CToolbar"}, {IID__cls_Favorites, u"_cls_Favorites"}, {IID_ISubclass, u"_ISubclass"}},
};

std::u16string ProgIdOf(const char16_t* className) { return std::u16string(kTypeLibraryName) + u"." + className; }

const ClassRegistration kToolbarClass{CLSID_CToolbar, ProgIdOf(u"CToolbar"), u"Kestrel IE Toolbar"};
const ClassRegistration kFavoritesClass{CLSID_cls_Favorites, ProgIdOf(u"cls_Favorites"), ProgIdOf(u"cls_Favorites")};

template <class T>
HRESULT ClassObject(REFIID riid, LPVOID* object) {
  return kestrel::com::MakeObject<kestrel::com::ClassFactory<T>>(g_module)->QueryInterface(riid, object);
}

}  // namespace

extern "C" {

HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid == CLSID_CToolbar) return ClassObject<CToolbar>(riid, object);
  if (clsid == CLSID_cls_Favorites) return ClassObject<cls_Favorites>(riid, object);
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT DllCanUnloadNow(void) { return g_module.CanUnloadNow(); }

HRESULT DllRegisterServer(void) {
  const std::string path = kestrel::com::LibraryPathOf(reinterpret_cast<const void*>(&DllRegisterServer));
  HRESULT hr = kestrel::com::RegisterTypeLibrary(kTypeLibrary, path);
  if (SUCCEEDED(hr)) hr = kestrel::com::RegisterServerClass(kToolbarClass, path);
  if (SUCCEEDED(hr)) hr = kestrel::com::RegisterServerClass(kFavoritesClass, path);
  return hr;
}

HRESULT DllUnregisterServer(void) {
  HRESULT toolbar = kestrel::com::UnregisterServerClass(kToolbarClass);
  HRESULT favorites = kestrel::com::UnregisterServerClass(kFavoritesClass);
  HRESULT library = kestrel::com::UnregisterTypeLibrary(kTypeLibrary);
  return FAILED(toolbar) ? toolbar : FAILED(favorites) ? favorites : library;
}

}  // extern "C"
