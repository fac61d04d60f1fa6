#include <gtest/gtest.h>

#include <signal.h>

#include <functional>
#include <string>
#include <vector>

#include "TraceViewerProtocol.h"
#include "kestrel/component_error.h"
#include "machine_test.h"
#include "modSubclass.h"

namespace {
using kestrel::ComponentError;
using kestrel::test::MachineTest;

std::vector<std::string> g_log;

std::string Entry(const char* who, UINT msg, WPARAM w, LPARAM l) {
  return std::string(who) + " " + std::to_string(msg) + " " + std::to_string(w) + " " + std::to_string(l);
}

LRESULT CALLBACK BaseProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_COMMAND || msg == WM_NOTIFY || msg >= WM_USER) {
    g_log.push_back(Entry("base", msg, w, l));
    return 1000 + static_cast<LRESULT>(msg);
  }
  return DefWindowProcA(hwnd, msg, w, l);
}

// A client that logs, answers with its result and Handled, and may run an
// action (detach, nested send) in the middle of its WindowProc.
class Client : public ISubclass {
 public:
  Client(const char* name, LRESULT result, bool handled) : name_(name), result_(result), handled_(handled) {}
  std::function<void()> during;
  int references = 1;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_ISubclass) return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
  LRESULT WindowProc(HWND, UINT msg, WPARAM w, LPARAM l, VARIANT_BOOL* handled) override {
    EXPECT_EQ(*handled, VARIANT_FALSE);
    EXPECT_GT(references, 1) << "a reference is held during the call";
    g_log.push_back(Entry(name_, msg, w, l));
    if (during) during();
    *handled = handled_ ? VARIANT_TRUE : VARIANT_FALSE;
    return result_;
  }

 private:
  const char* name_;
  LRESULT result_;
  bool handled_;
};

class SubclassTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    g_log.clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = BaseProc;
    wc.lpszClassName = "SubclassTestWindow";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, wc.lpszClassName, "test", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd_, nullptr);
  }
  void TearDown() override { DestroyWindow(hwnd_); }
  std::string Name(const char* format) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, static_cast<int>(reinterpret_cast<intptr_t>(hwnd_)));
    return buf;
  }
  intptr_t Prop(const std::string& name) { return reinterpret_cast<intptr_t>(GetPropA(hwnd_, name.c_str())); }
  HWND hwnd_ = nullptr;
};

TEST_F(SubclassTest, MessageWithoutClientsReachesThePreviousProcedureUnchanged) {
  Client a("A", 1, true);
  modSubclass::AttachMessage(&a, hwnd_, WM_COMMAND);
  EXPECT_EQ(SendMessageA(hwnd_, WM_NOTIFY, 7, -9), 1000 + WM_NOTIFY);
  EXPECT_EQ(g_log, std::vector<std::string>{Entry("base", WM_NOTIFY, 7, -9)});
  modSubclass::DetachMessage(&a, hwnd_, WM_COMMAND);
}

TEST_F(SubclassTest, ClientsRunInOrderAndOnlyTheLastOnesHandledCounts) {
  struct Case {
    bool firstHandled, secondHandled;
    std::vector<std::string> log;
    LRESULT result;
  } cases[] = {
      {false, false, {Entry("A", 273, 1, 2), Entry("B", 273, 1, 2), Entry("base", 273, 1, 2)}, 1273},
      {true, false, {Entry("A", 273, 1, 2), Entry("B", 273, 1, 2), Entry("base", 273, 1, 2)}, 1273},
      {false, true, {Entry("A", 273, 1, 2), Entry("B", 273, 1, 2)}, 22},
  };
  for (const auto& c : cases) {
    g_log.clear();
    Client a("A", 11, c.firstHandled), b("B", 22, c.secondHandled);
    modSubclass::AttachMessage(&a, hwnd_, WM_COMMAND);
    modSubclass::AttachMessage(&b, hwnd_, WM_COMMAND);
    EXPECT_EQ(SendMessageA(hwnd_, WM_COMMAND, 1, 2), c.result);
    EXPECT_EQ(g_log, c.log);
    modSubclass::DetachMessage(&a, hwnd_, WM_COMMAND);
    modSubclass::DetachMessage(&b, hwnd_, WM_COMMAND);
    EXPECT_EQ(a.references, 1);
  }
}

TEST_F(SubclassTest, DetachDuringDispatchRunsThePreviousProcedureForTheMissingPosition) {
  Client a("A", 11, false), b("B", 22, true);
  modSubclass::AttachMessage(&a, hwnd_, WM_COMMAND);
  modSubclass::AttachMessage(&b, hwnd_, WM_COMMAND);
  a.during = [&] { modSubclass::DetachMessage(&a, hwnd_, WM_COMMAND); };
  EXPECT_EQ(SendMessageA(hwnd_, WM_COMMAND, 1, 2), 1273);
  EXPECT_EQ(g_log, (std::vector<std::string>{Entry("A", 273, 1, 2), Entry("base", 273, 1, 2)}));
  g_log.clear();
  EXPECT_EQ(SendMessageA(hwnd_, WM_COMMAND, 3, 4), 22) << "B moved down to position 1";
  EXPECT_EQ(g_log, std::vector<std::string>{Entry("B", 273, 3, 4)});
  modSubclass::DetachMessage(&b, hwnd_, WM_COMMAND);
}

TEST_F(SubclassTest, NestedDispatchAndCallOldWindowProc) {
  Client a("A", 11, true);
  modSubclass::AttachMessage(&a, hwnd_, WM_COMMAND);
  modSubclass::AttachMessage(&a, hwnd_, WM_USER);
  a.during = [&] {
    if (g_log.size() == 1) SendMessageA(hwnd_, WM_USER, 5, 6);
    else g_log.push_back("old " + std::to_string(modSubclass::CallOldWindowProc(hwnd_, WM_USER + 1, 0, 0)));
  };
  EXPECT_EQ(SendMessageA(hwnd_, WM_COMMAND, 1, 2), 11);
  EXPECT_EQ(g_log, (std::vector<std::string>{Entry("A", 273, 1, 2), Entry("A", WM_USER, 5, 6),
                                             Entry("base", WM_USER + 1, 0, 0), "old " + std::to_string(1000 + WM_USER + 1)}));
  modSubclass::DetachMessage(&a, hwnd_, WM_USER);
  modSubclass::DetachMessage(&a, hwnd_, WM_COMMAND);
}

TEST_F(SubclassTest, AttachTwoMessagesThenDetachBothLeavesNothingBehind) {
  const LONG_PTR original = GetWindowLongPtrA(hwnd_, GWL_WNDPROC);
  Client a("A", 11, false);
  modSubclass::AttachMessage(&a, hwnd_, WM_COMMAND);
  modSubclass::AttachMessage(&a, hwnd_, WM_NOTIFY);
  EXPECT_EQ(Prop(Name("C%d")), 2);
  EXPECT_EQ(Prop(Name("%d")), original);
  EXPECT_EQ(Prop(Name("%d#273C")), 1);
  EXPECT_EQ(Prop(Name("%d#78#1")), reinterpret_cast<intptr_t>(static_cast<ISubclass*>(&a)));
  EXPECT_EQ(GetWindowLongPtrA(hwnd_, GWL_WNDPROC), reinterpret_cast<LONG_PTR>(&modSubclass::SubclassProc));

  modSubclass::DetachMessage(&a, hwnd_, WM_COMMAND);
  modSubclass::DetachMessage(&a, hwnd_, WM_NOTIFY);
  EXPECT_EQ(GetWindowLongPtrA(hwnd_, GWL_WNDPROC), original);
  for (const char* name : {"C%d", "%d", "%d#273C", "%d#273#1", "%d#78C", "%d#78#1"})
    EXPECT_EQ(GetPropA(hwnd_, Name(name).c_str()), nullptr) << Name(name);
  EXPECT_EQ(a.references, 1) << "registrations hold no reference";
}

void ExpectError(const std::function<void()>& call, int code, const char16_t* description) {
  try {
    call();
    ADD_FAILURE() << "no error " << code;
  } catch (const ComponentError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x80040000u) + code);
    EXPECT_EQ(e.source(), u"Kestrel IE Toolbar.WindowProc");
    EXPECT_EQ(e.description(), description);
  }
}

TEST_F(SubclassTest, Errors) {
  Client a("A", 11, false);
  ExpectError([&] { modSubclass::AttachMessage(&a, reinterpret_cast<HWND>(0x7777), WM_COMMAND); }, 13083,
              u"Invalid window");
  modSubclass::AttachMessage(&a, hwnd_, WM_COMMAND);
  ExpectError([&] { modSubclass::AttachMessage(&a, hwnd_, WM_COMMAND); }, 13082,
              u"Message already handled by another class");
  EXPECT_EQ(Prop(Name("C%d")), 2) << "the attachment count stays raised";
  ExpectError([] { modSubclass::RaiseSubclassError(13081); }, 13081, u"Can't subclass window");
  EXPECT_EQ(-2147208420, static_cast<int32_t>(0x80040000u) + 13084);

  kestrel::test::BackgroundProcess other("traceview", {});
  ASSERT_TRUE(other.WaitForOutput("listening")) << other.out();
  HWND foreign = FindWindowA(nullptr, trace_viewer::kTitle);
  ASSERT_NE(foreign, nullptr);
  EXPECT_FALSE(modSubclass::IsWindowLocal(foreign));
  EXPECT_TRUE(modSubclass::IsWindowLocal(hwnd_));
  ExpectError([&] { modSubclass::AttachMessage(&a, foreign, WM_COMMAND); }, 13084, u"Can't modify external window");
  other.Stop(SIGTERM);
}

}  // namespace
