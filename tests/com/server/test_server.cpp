// A small in-process server for the COM runtime's tests.
#include "test_server.h"

#include "com/class_factory.h"
#include "com/dispatch_object.h"
#include "com/persist.h"
#include "com/registration.h"
#include "com/runtime.h"

namespace {
using kestrel::Variant;
using kestrel::com::DispatchMember;

kestrel::com::ServerModule g_module;

const kestrel::com::ClassRegistration kRegistration{CLSID_TestObject, kTestProgId, u"Kestrel test object"};

class TestObject : public kestrel::com::DispatchObject<TestObject, IDispatch, IPersist> {
 public:
  explicit TestObject(kestrel::com::ServerModule& module);

  HRESULT GetClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_TestObject;
    return S_OK;
  }

 private:
  static const DispatchMember<TestObject> kMembers[];
  std::u16string name_ = u"unnamed";
};

const DispatchMember<TestObject> TestObject::kMembers[] = {
    {.name = u"Name",
     .get = [](TestObject& o) { return Variant(o.name_); },
     .put = [](TestObject& o, const Variant& v) { o.name_ = v.ToText(); }},
    {.name = u"Add",
     .call = [](TestObject&, DispatchMember<TestObject>::Args a) { return Variant(a[0].ToInt32() + a[1].ToInt32()); },
     .minArgs = 2,
     .maxArgs = 2},
    {.name = u"Fail",
     .call = [](TestObject&, DispatchMember<TestObject>::Args) -> Variant {
       throw kestrel::ComponentError(kTestErrorNumber, u"TestServer.TestObject", u"Failed on purpose");
     }},
    {.name = u"Echo",
     .call = [](TestObject&, DispatchMember<TestObject>::Args a) { return a[0]; },
     .minArgs = 1,
     .maxArgs = 1},
};

TestObject::TestObject(kestrel::com::ServerModule& module) : DispatchObject(module, kMembers) {}

}  // namespace

extern "C" {

HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_TestObject) return CLASS_E_CLASSNOTAVAILABLE;
  return kestrel::com::MakeObject<kestrel::com::ClassFactory<TestObject>>(g_module)->QueryInterface(riid, object);
}

HRESULT DllCanUnloadNow(void) { return g_module.CanUnloadNow(); }

HRESULT DllRegisterServer(void) {
  return kestrel::com::RegisterServerClass(kRegistration, kestrel::com::LibraryPathOf(&g_module));
}

HRESULT DllUnregisterServer(void) { return kestrel::com::UnregisterServerClass(kRegistration); }

}  // extern "C"
