#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "com/com.h"
#include "com/registration.h"
#include "kestrel/paths.h"
#include "machine_test.h"
#include "server/test_server.h"
#include "windows.h"

namespace {
using kestrel::ComPtr;
using kestrel::Variant;
namespace fs = std::filesystem;

fs::path ServerFile() { return kestrel::test::BinDir() / "TestServer.so"; }

bool ServerLoaded() { return GetModuleHandleA(ServerFile().c_str()) != nullptr; }

// An apartment whose test leaves the test server unloaded.
class ComRuntimeTest : public kestrel::test::ApartmentTest {
 protected:
  void TearDown() override {
    ApartmentTest::TearDown();
    EXPECT_FALSE(ServerLoaded());
  }
  static void RegisterServer() {
    auto r = kestrel::test::Run("regsvr", {"/s", ServerFile().string()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
  }
  // Registers clsid with InprocServer32 naming path.
  static void RegisterPath(REFCLSID clsid, const std::string& path) {
    ASSERT_EQ(kestrel::com::RegisterServerClass({clsid, u"", u"test class"}, path), S_OK);
  }
};

TEST_F(ComRuntimeTest, CreatesThroughTheRegistryAndFreesTheUnusedLibrary) {
  RegisterServer();
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(kTestProgId, &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestObject);

  ComPtr<IDispatch> first, second;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, first.put_void()), S_OK);
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, second.put_void()), S_OK);
  EXPECT_EQ(kestrel::com::LiveObjects(), 2);  // the class factories are gone
  EXPECT_TRUE(ServerLoaded());

  kestrel::com::PutProperty(first.get(), u"Name", Variant(u"first"));
  EXPECT_EQ(kestrel::com::GetProperty(first.get(), u"name"), Variant(u"first"));
  EXPECT_EQ(kestrel::com::GetProperty(second.get(), u"Name"), Variant(u"unnamed"));
  EXPECT_EQ(kestrel::com::CallMethod(first.get(), u"Add", {Variant(2), Variant(40)}), Variant(42));
  try {
    kestrel::com::CallMethod(first.get(), u"Fail");
    FAIL() << "no error raised";
  } catch (const kestrel::ComponentError& e) {
    EXPECT_EQ(e.number(), kTestErrorNumber);
    EXPECT_EQ(e.source(), u"TestServer.TestObject");
  }
  ComPtr<IPersist> persist = first.As<IPersist>();
  ASSERT_TRUE(persist);
  CLSID reported{};
  EXPECT_EQ(persist->GetClassID(&reported), S_OK);
  EXPECT_EQ(reported, CLSID_TestObject);
  persist.Reset();

  // Still in use: stays loaded.
  first.Reset();
  CoFreeUnusedLibraries();
  EXPECT_TRUE(ServerLoaded());
  second.Reset();
  EXPECT_EQ(kestrel::com::LiveObjects(), 0);
  // Loaded once: one free unloads it.
  CoFreeUnusedLibraries();
  EXPECT_FALSE(ServerLoaded());

  // And it loads again when next needed.
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, first.put_void()), S_OK);
  EXPECT_TRUE(ServerLoaded());
  first.Reset();
  CoFreeUnusedLibraries();
}

TEST_F(ComRuntimeTest, ALockedClassFactoryKeepsItsLibrary) {
  RegisterServer();
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(CLSID_TestObject, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void()),
            S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  ComPtr<IUnknown> aggregated;
  IUnknown* outer = factory.get();
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, aggregated.put_void()), CLASS_E_NOAGGREGATION);
  EXPECT_FALSE(aggregated);
  factory.Reset();
  CoFreeUnusedLibraries();
  EXPECT_TRUE(ServerLoaded());
  ASSERT_EQ(CoGetClassObject(CLSID_TestObject, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void()),
            S_OK);
  factory->LockServer(FALSE);
  factory.Reset();
  CoFreeUnusedLibraries();
  EXPECT_FALSE(ServerLoaded());
}

TEST_F(ComRuntimeTest, ActivationFailuresSayWhy) {
  RegisterServer();
  constexpr CLSID kUnregistered = kestrel::com::MakeGuid("{0E0E0E0E-0000-4000-8000-000000000001}");
  constexpr CLSID kMissingFile = kestrel::com::MakeGuid("{0E0E0E0E-0000-4000-8000-000000000002}");
  constexpr CLSID kNotALibrary = kestrel::com::MakeGuid("{0E0E0E0E-0000-4000-8000-000000000003}");
  constexpr CLSID kNoExports = kestrel::com::MakeGuid("{0E0E0E0E-0000-4000-8000-000000000004}");
  constexpr CLSID kNotServed = kestrel::com::MakeGuid("{0E0E0E0E-0000-4000-8000-000000000005}");
  RegisterPath(kMissingFile, "Z:\\nonexistent\\Missing.so");
  fs::create_directories(kestrel::paths::ToNative("C:\\Temp"));
  std::ofstream(kestrel::paths::ToNative("C:\\Temp\\NotALibrary.so")) << "text, not a library";
  RegisterPath(kNotALibrary, "C:\\Temp\\NotALibrary.so");
  RegisterPath(kNoExports, kestrel::paths::FromNative(kestrel::test::BinDir() / "libplatform.so"));
  RegisterPath(kNotServed, kestrel::paths::FromNative(ServerFile()));

  struct Case {
    const char* what;
    CLSID clsid;
    DWORD context;
    IID iid;
    HRESULT expected;
  } cases[] = {
      {"unregistered class", kUnregistered, CLSCTX_INPROC_SERVER, IID_IUnknown, REGDB_E_CLASSNOTREG},
      {"library file missing", kMissingFile, CLSCTX_INPROC_SERVER, IID_IUnknown, CO_E_DLLNOTFOUND},
      {"file is not a library", kNotALibrary, CLSCTX_INPROC_SERVER, IID_IUnknown, CO_E_ERRORINDLL},
      {"library without exports", kNoExports, CLSCTX_INPROC_SERVER, IID_IUnknown, CO_E_ERRORINDLL},
      {"class not in its library", kNotServed, CLSCTX_INPROC_SERVER, IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE},
      {"interface not answered", CLSID_TestObject, CLSCTX_INPROC_SERVER, IID_IStream, E_NOINTERFACE},
      {"no in-process context", CLSID_TestObject, CLSCTX_LOCAL_SERVER, IID_IUnknown, REGDB_E_CLASSNOTREG},
  };
  for (const auto& c : cases) {
    void* object = &object;
    EXPECT_EQ(CoCreateInstance(c.clsid, nullptr, c.context, c.iid, &object), c.expected) << c.what;
    EXPECT_EQ(object, nullptr) << c.what;
  }
  EXPECT_EQ(CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(CoGetClassObject(CLSID_TestObject, CLSCTX_INPROC_SERVER, nullptr, IID_IUnknown, nullptr), E_POINTER);

  CLSID clsid = kUnregistered;
  EXPECT_EQ(CLSIDFromProgID(u"Kestrel.NoSuchClass", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(u"", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
  EXPECT_EQ(CLSIDFromProgID(kTestProgId, nullptr), E_INVALIDARG);
  EXPECT_EQ(clsid, kUnregistered);

  // A thread without CoInitialize gets nothing, even with the class there.
  std::thread([] {
    void* object = &object;
    EXPECT_EQ(CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
  }).join();
  CoFreeUnusedLibraries();
}

TEST(ComApartment, CountsPerThreadAndKeepsItsModel) {
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  std::thread([] {
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
  }).join();
  CoUninitialize();
  CoUninitialize();
  // Uninitialised again: the next one is the first.
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  CoUninitialize();
  CoUninitialize();  // unbalanced: no effect
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  CoUninitialize();
}

}  // namespace
