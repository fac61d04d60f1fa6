// Shutterbox.so as an in-process server: registration, creation through the
// registry, unregistration.
#include <gtest/gtest.h>

#include "ShutterCore.h"
#include "com/com.h"
#include "machine_test.h"

namespace {
using kestrel::ComPtr;

std::string ServerFile() { return (kestrel::test::BinDir() / "Shutterbox.so").string(); }

bool KeyExists(const std::string& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

class Server : public kestrel::test::ApartmentTest {
 protected:
  static void Regsvr(std::vector<std::string> args) {
    args.push_back(ServerFile());
    auto r = kestrel::test::Run("regsvr", args);
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  }
};

TEST_F(Server, RegistersCreatesAndUnregisters) {
  Regsvr({"/s"});
  const std::string clsid = "CLSID\\" + kestrel::com::GuidAnsi(CLSID_cls_Capture);
  const std::string typelib = "TypeLib\\" + kestrel::com::GuidAnsi(LIBID_ShutterCore);
  for (const std::string& key : {clsid + "\\InprocServer32", clsid + "\\TypeLib", typelib + "\\2.0\\0\\win64",
                                 "Interface\\" + kestrel::com::GuidAnsi(IID__cls_Capture),
                                 std::string("ShutterCore.cls_Capture\\Clsid")})
    EXPECT_TRUE(KeyExists(key)) << key;

  CLSID found{};
  ASSERT_EQ(CLSIDFromProgID(u"ShutterCore.cls_Capture", &found), S_OK);
  EXPECT_EQ(found, CLSID_cls_Capture);
  {
    ComPtr<_cls_Capture> capture;
    ASSERT_EQ(CoCreateInstance(found, nullptr, CLSCTX_INPROC_SERVER, IID__cls_Capture, capture.put_void()), S_OK);
    CaptureType full = Capture_FullScreen;
    kestrel::Variant result;
    EXPECT_EQ(capture->DoCapture(&full, 0, &result), S_OK);
    ComPtr<IPictureDisp> picture;
    capture->get_LastCapture(picture.put());
    EXPECT_TRUE(picture);
    EXPECT_TRUE(capture.As<IDispatch>());
  }
  CoFreeUnusedLibraries();

  Regsvr({"/s", "/u"});
  EXPECT_FALSE(KeyExists(clsid));
  EXPECT_FALSE(KeyExists("TypeLib\\" + kestrel::com::GuidAnsi(LIBID_ShutterCore)));
  EXPECT_FALSE(KeyExists("Interface\\" + kestrel::com::GuidAnsi(IID__cls_Capture)));
  EXPECT_FALSE(KeyExists("ShutterCore.cls_Capture"));
}

}  // namespace
