// cls_Capture: choosing the window, the settings it holds, the deltas it resets.
#include <gtest/gtest.h>

#include "Capture.h"
#include "capture_support.h"
#include "cls_Capture.h"
#include "kestrel/component_error.h"
#include "machine_test.h"

namespace {
using kestrel::ComPtr;
using kestrel::Variant;
using kestrel::test::PatternWindow;
using kestrel::test::PixelsOf;

class CaptureClass : public kestrel::test::MachineTest {
 protected:
  void TearDown() override {
    Capture::dx_Left = Capture::dy_Top = Capture::dx_Right = Capture::dy_Bottom = 0;
    EXPECT_EQ(module_.Objects(), 0);
  }
  ComPtr<cls_Capture> Make() { return kestrel::com::MakeObject<cls_Capture>(module_); }
  static ComPtr<IPictureDisp> Last(cls_Capture* c) {
    ComPtr<IPictureDisp> p;
    c->get_LastCapture(p.put());
    return p;
  }
  static void Do(cls_Capture* c, CaptureType type, HWND window = nullptr) {
    Variant result(int32_t{7});
    LONG handle = static_cast<LONG>(reinterpret_cast<uintptr_t>(window));
    EXPECT_EQ(c->DoCapture(&type, handle, &result), S_OK);
    EXPECT_TRUE(result.IsEmpty());
  }
  kestrel::com::ServerModule module_;
};

TEST_F(CaptureClass, ChoosesTheWindowByCaptureType) {
  PatternWindow front({10, 10, 110, 60}, 1), other({300, 300, 340, 320}, 2);
  SetForegroundWindow(front.hwnd());
  ComPtr<cls_Capture> c = Make();
  Do(c.get(), Capture_ActiveWindow, other.hwnd());
  EXPECT_EQ(PixelsOf(Last(c.get()).get()).width, 100) << "the foreground window, not the one given";
  Do(c.get(), Capture_Window, other.hwnd());
  EXPECT_EQ(PixelsOf(Last(c.get()).get()).width, 40);
  Do(c.get(), Capture_FullScreen, other.hwnd());
  EXPECT_EQ(PixelsOf(Last(c.get()).get()).width, 1024);
  Do(c.get(), static_cast<CaptureType>(3), other.hwnd());
  EXPECT_FALSE(Last(c.get())) << "an unknown type grabs nothing and clears the last capture";
}

TEST_F(CaptureClass, ClientOnlyFullScreenIsTheWholeScreen) {
  PatternWindow window({100, 100, 200, 200}, 9);
  ComPtr<cls_Capture> c = Make();
  Do(c.get(), Capture_FullScreen);
  auto whole = PixelsOf(Last(c.get()).get());
  c->put_CaptureClientOnly(VARIANT_TRUE);
  Do(c.get(), Capture_FullScreen);
  auto client = PixelsOf(Last(c.get()).get());
  EXPECT_EQ(client.width, 1024);
  EXPECT_EQ(client.height, 768);
  EXPECT_EQ(client.pixels, whole.pixels);
  EXPECT_EQ(client.at(150, 150), kestrel::test::PatternPixel(50, 50, 9));
}

TEST_F(CaptureClass, DeltasAreLibraryWideUntilANewInstance) {
  PatternWindow window({0, 0, 100, 80}, 3);
  ComPtr<cls_Capture> first = Make();
  LONG five = 5;
  first->SetDelta(&five, &five, &five, &five);
  ComPtr<cls_Capture> second = Make();
  Do(second.get(), Capture_Window, window.hwnd());
  EXPECT_EQ(PixelsOf(Last(second.get()).get()).width, 100) << "creating the second reset them";
  LONG two = 2, none = 0;
  second->SetDelta(&two, &two, &two, &none);
  Do(first.get(), Capture_Window, window.hwnd());
  auto got = PixelsOf(Last(first.get()).get());
  EXPECT_EQ(got.width, 96) << "set through one instance, used by the other";
  EXPECT_EQ(got.height, 80) << "the top delta shifts, it does not shorten";
}

TEST_F(CaptureClass, PropertiesKeepWhatTheyAreGiven) {
  ComPtr<cls_Capture> c = Make();
  VARIANT_BOOL flag = VARIANT_TRUE;
  LONG x = 1;
  c->get_CopyCaptureToClipboard(&flag);
  c->get_XOld(&x);
  EXPECT_EQ(flag, VARIANT_FALSE);
  EXPECT_EQ(x, 0);
  EXPECT_FALSE(Last(c.get()));
  c->put_XOld(-42);
  c->get_XOld(&x);
  EXPECT_EQ(x, -42);
  // A picture of the caller's own making, put by reference.
  PatternWindow window({0, 0, 20, 10}, 3);
  ComPtr<IPictureDisp> own = Capture::GrabWindowImage(window.hwnd(), false, -1, -1, -1, -1);
  c->putref_LastCapture(own.get());
  EXPECT_EQ(Last(c.get()), own);
  // Late bound, by name.
  ComPtr<IDispatch> d = c.As<IDispatch>();
  kestrel::com::PutProperty(d.get(), u"CopyCaptureToClipboard", Variant(true));
  c->get_CopyCaptureToClipboard(&flag);
  EXPECT_EQ(flag, VARIANT_TRUE);
  EXPECT_EQ(kestrel::com::GetProperty(d.get(), u"LastCapture").Dispatch(), own.get());
  kestrel::com::CallMethod(d.get(), u"DoCapture", {Variant(int32_t{3})});
  EXPECT_FALSE(Last(c.get()));
}

TEST_F(CaptureClass, SaveErrorsCarryTheSaveSource) {
  ComPtr<cls_Capture> c = Make();
  std::u16string file = u"C:\\Temp\\x.jpg", format = u"jpg";
  VARIANT_BOOL result = VARIANT_TRUE;
  try {
    c->SaveCaptureToFile(&file, &format, &result);
    ADD_FAILURE() << "no error raised";
  } catch (const kestrel::ComponentError& e) {
    EXPECT_EQ(e.source(), u"CCapture.SaveCaptureToFile");
  }
  // The same error reaches a late-bound caller.
  try {
    kestrel::com::CallMethod(c.As<IDispatch>().get(), u"SaveCaptureToFile", {Variant(file), Variant(format)});
    ADD_FAILURE() << "no error raised";
  } catch (const kestrel::ComponentError& e) {
    EXPECT_EQ(e.source(), u"CCapture.SaveCaptureToFile");
    EXPECT_FALSE(e.description().empty());
  }
}

}  // namespace
