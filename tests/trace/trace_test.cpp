#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <thread>
#include <vector>

#include "TraceViewerProtocol.h"
#include "kestrel/codepage.h"
#include "machine_test.h"
#include "modTrace.h"
#include "windows.h"

namespace {
using kestrel::test::MachineTest;

// A viewer window in this thread that records what reaches it.
class FakeViewer {
 public:
  struct Received {
    ULONG_PTR kind;
    std::u16string record;
  };
  FakeViewer(LRESULT queryReply, LRESULT recordReply) {
    current() = this;
    query_reply_ = queryReply;
    record_reply_ = recordReply;
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "FakeTraceViewer";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, "FakeTraceViewer", trace_viewer::kTitle, 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                            nullptr);
  }
  ~FakeViewer() { Close(); }
  void Close() {
    if (hwnd_) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  // Levels of the records received, in order.
  std::vector<int> Levels() const {
    std::vector<int> levels;
    for (auto& r : received_) {
      if (r.kind != trace_viewer::kRecord) continue;
      std::vector<std::u16string> fields;
      trace_viewer::SplitRecord(r.record.data(), r.record.size() * 2, fields);
      levels.push_back(std::stoi(kestrel::codepage::ToUtf8(fields.at(10))));
    }
    return levels;
  }
  int Queries() const {
    int n = 0;
    for (auto& r : received_) n += r.kind == trace_viewer::kLevelQuery;
    return n;
  }

 private:
  static FakeViewer*& current() {
    thread_local FakeViewer* viewer = nullptr;
    return viewer;
  }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_COPYDATA) return DefWindowProcA(hwnd, msg, wParam, lParam);
    auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    FakeViewer* self = current();
    EXPECT_EQ(reinterpret_cast<HWND>(wParam), hwnd) << "wParam is the viewer itself";
    self->received_.push_back(
        {cds->dwData, std::u16string(static_cast<const char16_t*>(cds->lpData), cds->cbData / 2)});
    if (cds->dwData == trace_viewer::kRecord) {
      EXPECT_EQ(cds->cbData % 2, 0u);
    }
    return cds->dwData == trace_viewer::kLevelQuery ? self->query_reply_ : self->record_reply_;
  }
  HWND hwnd_ = nullptr;
  LRESULT query_reply_ = 0, record_reply_ = 0;
  std::vector<Received> received_;
};

void Trace(int level) { modTrace::WriteTrace(u"Entered", u"CToolbar", u"Test", static_cast<int16_t>(level), 0, u"", u""); }

// Runs body on a new thread, which starts with its own trace state.
template <class Body>
void OnFreshThread(Body body) {
  std::thread(body).join();
}

// A literal with embedded terminators, without its own final one.
template <size_t N>
std::u16string Literal(const char16_t (&text)[N]) {
  return std::u16string(text, N - 1);
}

TEST(TraceRecord, IsTwelveTerminatedFieldsByteForByte) {
  const std::u16string record =
      modTrace::BuildRecord(u"Entered", u"CToolbar", u"IObjectWithSite_SetSite", u"Kestrel Toolbar", 1, 0, u"", u"", 0);
  const std::u16string expected = Literal(
      u"2.0\0Entered\0IObjectWithSite_SetSite\0CToolbar\0Kestrel IE Toolbar\0Kestrel Toolbar\0\0\0\0" u"0\0" u"1\0" u"0\0");
  EXPECT_EQ(record.size(), 89u);
  EXPECT_EQ(record, expected);
  EXPECT_EQ(std::count(record.begin(), record.end(), u'\0'), 12);
  EXPECT_EQ(modTrace::BuildRecord(u"m", u"c", u"p", u"s", -3, -12, u"x", u"y", 0),
            Literal(u"2.0\0m\0p\0c\0Kestrel IE Toolbar\0s\0x\0y\0\0-12\0-3\0" u"0\0"));
}

TEST_F(MachineTest, RecordOfTheCallThatFindsTheViewer) {
  OnFreshThread([] {
    modTrace::InitTrace(u"Kestrel Toolbar", 2, false);
    FakeViewer viewer(3, 1);
    modTrace::WriteTrace(u"Entered", u"CToolbar", u"CreateToolbar", 1, 0, u"", u"");
    ASSERT_EQ(viewer.Levels().size(), 1u);
  });
}

TEST_F(MachineTest, LevelRules) {
  struct Case {
    const char* name;
    bool init;           // InitTrace("Kestrel Toolbar", 2, follow)
    bool follow;
    LRESULT queryReply;
    LRESULT recordReply;
    std::vector<int> calls;
    std::vector<int> received;
  } cases[] = {
      {"viewer answers 3", true, false, 3, 9, {5, 1, 2, 3, 4, 0, -1, -5}, {5, 1, 2, 3, 2}},
      {"no InitTrace: -1 is level 0", false, false, 4, 4, {-1, -1, 1}, {0, 1}},
      {"viewer answers 0", true, false, 0, 4, {2, 1, 2}, {2}},
      {"follow: a record answered 0 stops all", true, true, 4, 0, {1, 1, 1}, {1}},
      {"follow: replies raise the level", true, true, 1, 4, {1, 3, 4}, {1, 3, 4}},
      {"reply out of range keeps the level", true, false, 70000, 0, {3, 1}, {3}},
  };
  for (const auto& c : cases) {
    OnFreshThread([&] {
      if (c.init) modTrace::InitTrace(u"Kestrel Toolbar", 2, c.follow);
      FakeViewer viewer(c.queryReply, c.recordReply);
      for (int level : c.calls) Trace(level);
      EXPECT_EQ(viewer.Levels(), c.received) << c.name;
      EXPECT_EQ(viewer.Queries(), 1) << c.name;
    });
  }
}

TEST_F(MachineTest, ViewerIsLookedUpUntilFoundAndNeverAgain) {
  OnFreshThread([] {
    modTrace::InitTrace(u"Kestrel Toolbar", 2, false);
    Trace(1);  // no viewer: dropped
    Trace(1);
    auto first = std::make_unique<FakeViewer>(4, 4);
    Trace(1);
    EXPECT_EQ(first->Levels(), std::vector<int>{1});
    first->Close();
    Trace(1);  // sent to the closed window: lost
    FakeViewer second(4, 4);
    Trace(1);
    EXPECT_TRUE(second.Levels().empty()) << "a restarted viewer is not found again";
  });
}

TEST_F(MachineTest, DefaultSourceAndVersion) {
  OnFreshThread([] {
    EXPECT_EQ(modTrace::GetTraceSource(), u"KestrelIEToolbar");
    EXPECT_EQ(modTrace::GetVersionText(), u"1.0.0");
    FakeViewer viewer(4, 4);
    Trace(1);
  });
}

TEST_F(MachineTest, TraceviewShowsRecordsUpToItsLevel) {
  kestrel::test::BackgroundProcess viewer("traceview", {"--level", "3"});
  ASSERT_TRUE(viewer.WaitForOutput("listening")) << viewer.out();
  OnFreshThread([] {
    modTrace::InitTrace(u"Kestrel Toolbar", 2, false);
    for (int level : {4, 1, 2, 3, 4}) {
      modTrace::WriteTrace(u"Level " + kestrel::codepage::FromAnsi(std::to_string(level)), u"CToolbar", u"Test",
                           static_cast<int16_t>(level), 0, u"", u"");
    }
    // Malformed records: odd byte count, too few fields, no terminator.
    HWND hwnd = FindWindowA(nullptr, trace_viewer::kTitle);
    for (std::u16string bad : {std::u16string(u"abc"), std::u16string(u"2.0\0x\0", 6)}) {
      COPYDATASTRUCT cds{trace_viewer::kRecord, static_cast<DWORD>(bad.size() * 2 - (bad.size() == 3)), bad.data()};
      SendMessageA(hwnd, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&cds));
    }
  });
  ASSERT_TRUE(viewer.WaitForOutput("malformed record (12 bytes)")) << viewer.out();
  EXPECT_EQ(viewer.Stop(SIGTERM), 0);
  const std::string out = viewer.out();
  EXPECT_NE(out.find("level query answered 3"), std::string::npos) << out;
  EXPECT_NE(out.find("L4 Kestrel Toolbar CToolbar.Test: Level 4\n"), std::string::npos) << "the finding call";
  for (const char* line : {"L1 Kestrel Toolbar CToolbar.Test: Level 1", "L2 Kestrel Toolbar CToolbar.Test: Level 2",
                           "L3 Kestrel Toolbar CToolbar.Test: Level 3", "malformed record (5 bytes)"})
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  EXPECT_EQ(out.find("Level 4", out.find("Level 1")), std::string::npos) << out;
  EXPECT_NE(out.find("traceview closed"), std::string::npos) << out;
}

}  // namespace

namespace {

TEST_F(MachineTest, AViewerKilledMidStreamLeavesTheSenderRunning) {
  kestrel::test::BackgroundProcess viewer("traceview", {"--level", "4"});
  ASSERT_TRUE(viewer.WaitForOutput("listening")) << viewer.out();
  OnFreshThread([&] {
    modTrace::InitTrace(u"Kestrel Toolbar", 2, true);
    for (int i = 0; i < 20; ++i) {
      if (i == 10) viewer.Stop(SIGKILL);
      auto start = std::chrono::steady_clock::now();
      Trace(1);
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << "record " << i;
    }
  });
  EXPECT_NE(viewer.out().find("L1 Kestrel Toolbar CToolbar.Test: Entered"), std::string::npos) << viewer.out();
}

}  // namespace
