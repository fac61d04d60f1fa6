#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>

#include "Identifiers.h"
#include "com/com.h"
#include "com/band.h"
#include "kestrel/machine.h"
#include "machine_test.h"
#include "windows.h"

namespace {
using kestrel::ComPtr;

// Every key and value below HKCR, as "path" and "path|value=data".
std::map<std::string, std::string> Dump(HKEY root, const std::string& path = "") {
  std::map<std::string, std::string> out;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
  out[path] = "";
  for (DWORD i = 0;; ++i) {
    char name[256], data[1024];
    DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize) !=
        ERROR_SUCCESS)
      break;
    data[dataSize] = 0;
    out[path + "|" + name] = data;
  }
  std::vector<std::string> children;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.emplace_back(name, size);
  }
  RegCloseKey(key);
  for (const std::string& child : children) out.merge(Dump(root, path.empty() ? child : path + "\\" + child));
  return out;
}

std::string Text(const std::string& path, const char* value = nullptr) {
  auto all = Dump(HKEY_CLASSES_ROOT);
  auto it = all.find(path + "|" + (value ? value : ""));
  return it == all.end() ? "<missing>" : it->second;
}

void Put(const std::string& path, const char* value, const std::string& data) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), DWORD(data.size() + 1));
  RegCloseKey(key);
}

using BandRegistrationTest = kestrel::test::MachineTest;

TEST_F(BandRegistrationTest, RecordsTheClassesAndTypeLibraryAndRemovesExactlyThat) {
  // Another server's records, which must survive both.
  Put("CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32", nullptr, "other.so");
  Put("TypeLib\\{00000000-1111-2222-3333-555555555555}\\1.0", nullptr, "other");
  Put("Interface\\{00000000-1111-2222-3333-666666666666}", nullptr, "IOther");
  const auto before = Dump(HKEY_CLASSES_ROOT);

  ASSERT_EQ(DllRegisterServer(), S_OK);
  const std::string toolbar = "CLSID\\{9C9C909E-9E0D-468A-A4D2-C0846D493D88}";
  const std::string favorites = "CLSID\\{7485C1A0-8028-47D7-A641-E5A01C9C4809}";
  const std::string typeLib = "TypeLib\\{EBC7D5E7-D4C5-45AE-A0CB-C0EB205B9CCD}\\1.0";
  EXPECT_EQ(Text("KestrelIEToolbar.CToolbar\\Clsid"), "{9C9C909E-9E0D-468A-A4D2-C0846D493D88}");
  EXPECT_EQ(Text("KestrelIEToolbar.cls_Favorites\\Clsid"), "{7485C1A0-8028-47D7-A641-E5A01C9C4809}");
  EXPECT_EQ(Text(toolbar), "Kestrel IE Toolbar");
  EXPECT_EQ(Text(toolbar + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(Text(favorites + "\\InprocServer32", "ThreadingModel"), "Apartment");
  const std::string path = Text(toolbar + "\\InprocServer32");
  EXPECT_TRUE(path.starts_with("Z:\\") && path.ends_with("\\Kestrel IE Toolbar.so")) << path;
  EXPECT_EQ(Text(favorites + "\\InprocServer32"), path);
  EXPECT_EQ(Text(typeLib + "\\0\\win64"), path);
  EXPECT_EQ(Text("Interface\\{7361846A-D2F7-4676-96B1-1EB90D3CBDF8}"), "_CToolbar");
  EXPECT_EQ(Text("Interface\\{7361846A-D2F7-4676-96B1-1EB90D3CBDF8}\\TypeLib"),
            "{EBC7D5E7-D4C5-45AE-A0CB-C0EB205B9CCD}");
  // Registration adds the band to no toolbar list.
  HKEY list = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar", 0, KEY_READ, &list),
            ERROR_FILE_NOT_FOUND);

  // The class ID the band reports is the one it registers under.
  CLSID registered{}, reported{};
  ASSERT_EQ(CLSIDFromProgID(u"KestrelIEToolbar.CToolbar", &registered), S_OK);
  std::thread([&] {
    CoInitialize(nullptr);
    ComPtr<IPersist> band;
    EXPECT_EQ(CoCreateInstance(registered, nullptr, CLSCTX_INPROC_SERVER, IID_IPersist, band.put_void()), S_OK);
    ASSERT_TRUE(band);
    EXPECT_EQ(band->GetClassID(&reported), S_OK);
    CLSID again{};
    EXPECT_EQ(band.As<IPersistStream>()->GetClassID(&again), S_OK);
    EXPECT_EQ(again, reported);
    band = nullptr;
    CoUninitialize();
  }).join();
  EXPECT_EQ(reported, registered);

  ASSERT_EQ(DllRegisterServer(), S_OK) << "registering again";
  ASSERT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_EQ(Dump(HKEY_CLASSES_ROOT), before);
  EXPECT_EQ(DllUnregisterServer(), S_OK) << "nothing left to remove";
}

TEST_F(BandRegistrationTest, AStandardUserCannotRegisterAndIsToldSo) {
  kestrel::machine::SetSetting("user", "standard");
  EXPECT_TRUE(FAILED(DllRegisterServer()));
  EXPECT_TRUE(Dump(HKEY_CLASSES_ROOT, "KestrelIEToolbar.CToolbar").empty());
}

TEST_F(BandRegistrationTest, TheLibraryServesItsTwoClassesAndNothingElse) {
  std::thread([&] {
    CoInitialize(nullptr);
    for (const CLSID& clsid : {CLSID_CToolbar, CLSID_cls_Favorites}) {
      ComPtr<IClassFactory> factory;
      ASSERT_EQ(DllGetClassObject(clsid, IID_IClassFactory, factory.put_void()), S_OK);
      ComPtr<IDispatch> object;
      EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, object.put_void()), S_OK);
      EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    }
    void* none = &none;
    EXPECT_EQ(DllGetClassObject(CLSID_ISubclass, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    CoUninitialize();
  }).join();
  EXPECT_EQ(kestrel::com::LiveObjects(), 0);
}

}  // namespace
