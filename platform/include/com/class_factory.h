// ClassFactory<T>: the class object of a class T that derives from
// ComObject and is constructed from its library's ServerModule.
//
//   HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
//     if (!object) return E_POINTER;
//     *object = nullptr;
//     if (clsid != CLSID_Widget) return CLASS_E_CLASSNOTAVAILABLE;
//     return kestrel::com::MakeObject<ClassFactory<Widget>>(g_module)->QueryInterface(riid, object);
//   }
#pragma once

#include "com/com_object.h"

namespace kestrel::com {

template <class T>
class ClassFactory : public ComObject<IClassFactory> {
 public:
  explicit ClassFactory(ServerModule& module) : ComObject(module) {}

  // No aggregation: CLASS_E_NOAGGREGATION for an outer object.
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    ComPtr<T> created = ComPtr<T>::Adopt(new T(Module()));
    return created->QueryInterface(riid, object);
  }
  HRESULT LockServer(BOOL lock) override {
    lock ? Module().Lock() : Module().Unlock();
    return S_OK;
  }
};

}  // namespace kestrel::com
