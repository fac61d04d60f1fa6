// Message sequences: creation and destruction, posted and sent messages,
// other threads, paints and timers.
#include <chrono>
#include <future>
#include <thread>

#include "window_test.h"

namespace {
using namespace window_test;

TEST_F(WindowTest, CreationAndDestructionOrder) {
  HWND parent = Make("parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND child = Make("child", WS_CHILD | WS_VISIBLE, parent, 7);
  HWND owned = Make("owned", WS_POPUP, parent);
  ASSERT_TRUE(parent && child && owned);
  const std::vector<UINT> creation{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW};
  EXPECT_EQ(Take(creation), (std::vector<Event>{{"parent", WM_NCCREATE},
                                                {"parent", WM_CREATE},
                                                {"parent", WM_SIZE},
                                                {"parent", WM_MOVE},
                                                {"parent", WM_SHOWWINDOW},
                                                {"child", WM_NCCREATE},
                                                {"child", WM_CREATE},
                                                {"child", WM_SIZE},
                                                {"child", WM_MOVE},
                                                {"child", WM_SHOWWINDOW},
                                                {"owned", WM_NCCREATE},
                                                {"owned", WM_CREATE},
                                                {"owned", WM_SIZE},
                                                {"owned", WM_MOVE}}));
  char title[16];
  EXPECT_EQ(GetWindowTextA(parent, title, sizeof title), 6);
  EXPECT_STREQ(title, "parent");
  EXPECT_EQ(GetParent(child), parent);
  EXPECT_EQ(GetParent(owned), parent);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), parent);
  EXPECT_EQ(GetDlgItem(parent, 7), child);
  ASSERT_TRUE(SetPropA(child, "kept", reinterpret_cast<HANDLE>(1)));

  // Owned windows go first; then WM_DESTROY parent first, WM_NCDESTROY children first.
  ASSERT_TRUE(DestroyWindow(parent));
  EXPECT_EQ(Take({WM_DESTROY, WM_NCDESTROY}), (std::vector<Event>{{"owned", WM_DESTROY},
                                                                  {"owned", WM_NCDESTROY},
                                                                  {"parent", WM_DESTROY},
                                                                  {"child", WM_DESTROY},
                                                                  {"child", WM_NCDESTROY},
                                                                  {"parent", WM_NCDESTROY}}));
  for (HWND h : {parent, child, owned}) {
    EXPECT_FALSE(IsWindow(h));
    SetLastError(0);
    EXPECT_EQ(SendMessageA(h, WM_USER + 1, 1, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
  EXPECT_EQ(GetPropA(child, "kept"), nullptr);
  EXPECT_FALSE(DestroyWindow(parent));
  EXPECT_EQ(Take(), std::vector<Event>{});
}

TEST_F(WindowTest, ProcedureCanRefuseCreation) {
  struct Case {
    const char* name;
    std::vector<Event> events;
  } cases[] = {
      {"refuse-nccreate", {{"refuse-nccreate", WM_NCCREATE}, {"refuse-nccreate", WM_NCDESTROY}}},
      {"refuse-create",
       {{"refuse-create", WM_NCCREATE},
        {"refuse-create", WM_CREATE},
        {"refuse-create", WM_DESTROY},
        {"refuse-create", WM_NCDESTROY}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Make(c.name), nullptr) << c.name;
    EXPECT_EQ(Take({WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}), c.events) << c.name;
  }
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  ASSERT_TRUE(Make("keeps the class"));
  EXPECT_FALSE(UnregisterClassA(kClass, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
  WNDCLASSA again{};
  again.lpfnWndProc = DefWindowProcA;
  again.lpszClassName = "RECORDER";
  EXPECT_EQ(RegisterClassA(&again), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
}

TEST_F(WindowTest, QueueOrder) {
  HWND w = Make("w", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  MSG msg;
  // Showing made the window invalid; the paint waits behind everything posted.
  ASSERT_TRUE(PostMessageA(w, WM_USER + 2, 0, 0));
  ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 9, 0, 0));
  ASSERT_TRUE(PostMessageA(w, WM_USER + 3, 0, 0));
  PostQuitMessage(5);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, w);
  EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), WM_USER + 2, WM_USER + 2, PM_NOREMOVE));
  Take();

  std::vector<std::pair<HWND, UINT>> got;
  BOOL more;
  do {
    more = GetMessageA(&msg, nullptr, 0, 0);
    got.emplace_back(msg.hwnd, msg.message);
    if (msg.message == WM_QUIT) {
      EXPECT_EQ(msg.wParam, 5u);
    }
    DispatchMessageA(&msg);
  } while (more);
  EXPECT_EQ(got, (std::vector<std::pair<HWND, UINT>>{{w, WM_USER + 2}, {nullptr, WM_USER + 9}, {nullptr, WM_QUIT}}));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  EXPECT_EQ(msg.hwnd, w);
  RECT update;
  EXPECT_TRUE(GetUpdateRect(w, &update, FALSE));
  DispatchMessageA(&msg);  // DefWindowProcA validates
  EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(Take({WM_USER + 2, WM_PAINT}), (std::vector<Event>{{"w", WM_USER + 2}, {"w", WM_PAINT}}));
  EXPECT_FALSE(PostMessageA(w, WM_COPYDATA, 0, 0));
  EXPECT_EQ(GetMessageA(&msg, reinterpret_cast<HWND>(0x7FFFFFF0), 0, 0), -1);
}

TEST_F(WindowTest, PaintsFollowInvalidation) {
  HWND w = Make("w");  // hidden: nothing to paint
  RECT r{10, 10, 20, 20}, update;
  ASSERT_TRUE(InvalidateRect(w, &r, TRUE));
  EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
  ShowWindow(w, SW_SHOWNA);
  ASSERT_TRUE(ValidateRect(w, nullptr));
  ASSERT_TRUE(InvalidateRect(w, &r, TRUE));
  RECT more{15, 5, 30, 12};
  ASSERT_TRUE(InvalidateRect(w, &more, FALSE));
  ASSERT_TRUE(GetUpdateRect(w, &update, FALSE));
  RECT both{10, 5, 30, 20};
  EXPECT_TRUE(EqualRect(&update, &both));
  Take();
  ASSERT_TRUE(UpdateWindow(w));  // sent at once
  EXPECT_EQ(Take({WM_PAINT}), (std::vector<Event>{{"w", WM_PAINT}}));
  EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
  ASSERT_TRUE(UpdateWindow(w));
  EXPECT_EQ(Take({WM_PAINT}), std::vector<Event>{});
}

TEST_F(WindowTest, TimersComeWhenTheQueueIsEmpty) {
  HWND w = Make("w");
  ASSERT_EQ(SetTimer(w, 7, 10, nullptr), 7u);
  ASSERT_TRUE(PostMessageA(w, WM_USER + 2, 0, 0));
  MSG msg;
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));  // waits for the timer
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(msg.hwnd, w);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_TRUE(KillTimer(w, 7));
  EXPECT_FALSE(KillTimer(w, 7));

  static int calls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  DispatchMessageA(&msg);
  EXPECT_EQ(calls, 1);
  // A posted WM_TIMER whose lParam is not this thread's timer procedure is not called.
  MSG forged{nullptr, WM_TIMER, 99, reinterpret_cast<LPARAM>(&calls), 0, {}};
  EXPECT_EQ(DispatchMessageA(&forged), 0);
  EXPECT_TRUE(KillTimer(nullptr, id));
}

TEST_F(WindowTest, TranslateMessagePutsCharactersNext) {
  HWND w = Make("w");
  MSG key{w, WM_KEYDOWN, 'K', 0, 0, {}};
  ASSERT_TRUE(PostMessageA(w, WM_KEYUP, 'K', 0));
  EXPECT_TRUE(TranslateMessage(&key));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('k'));
  MSG shift{w, WM_KEYDOWN, VK_SHIFT, 0, 0, {}};
  EXPECT_TRUE(TranslateMessage(&shift));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYUP));
}

// A thread that owns one window and pumps messages until it is told to quit.
class Worker {
 public:
  explicit Worker(bool pump) : held_(!pump) {
    thread_ = std::thread([this, pump] {
      HWND h = CreateWindowExA(0, kClass, "worker", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               const_cast<char*>("worker"));
      tid_ = GetCurrentThreadId();
      ready_.set_value(h);
      if (!pump) release_.get_future().wait();
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    });
    hwnd_ = ready_.get_future().get();
  }
  ~Worker() {
    Release();
    PostThreadMessageA(tid_, WM_QUIT, 0, 0);
    thread_.join();
  }
  void Release() {
    if (held_) held_ = false, release_.set_value();
  }
  HWND hwnd() const { return hwnd_; }
  DWORD tid() const { return tid_; }

 private:
  bool held_;
  std::thread thread_;
  std::promise<HWND> ready_;
  std::promise<void> release_;
  HWND hwnd_ = nullptr;
  DWORD tid_ = 0;
};

DWORD g_ran_on = 0;

// WM_USER + 5 sends WM_USER + 1 to the window in wParam and answers its result + 1.
LRESULT CALLBACK RelayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 5)
    return SendMessageA(reinterpret_cast<HWND>(wParam), WM_USER + 1, static_cast<WPARAM>(lParam), 0) + 1;
  if (message == WM_USER + 1) g_ran_on = GetCurrentThreadId();
  return RecordingProc(hwnd, message, wParam, lParam);
}

TEST_F(WindowTest, SendsFromOtherThreadsRunOnTheOwner) {
  Worker worker(true);
  HWND own = Make("main");
  EXPECT_EQ(GetWindowThreadProcessId(worker.hwnd(), nullptr), worker.tid());
  EXPECT_NE(worker.tid(), GetCurrentThreadId());
  SetWindowLongPtrA(worker.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RelayProc));
  SetWindowLongPtrA(own, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RelayProc));
  EXPECT_EQ(SendMessageA(worker.hwnd(), WM_USER + 1, 21, 0), 42);
  EXPECT_EQ(g_ran_on, worker.tid());

  // The worker's procedure sends back to this thread while it waits for the answer.
  Take();
  EXPECT_EQ(SendMessageA(worker.hwnd(), WM_USER + 5, reinterpret_cast<WPARAM>(own), 4), 9);
  EXPECT_EQ(g_ran_on, GetCurrentThreadId());
  EXPECT_EQ(Take({WM_USER + 1, WM_USER + 5}), (std::vector<Event>{{"main", WM_USER + 1}}));

  DWORD_PTR result = 0;
  EXPECT_TRUE(SendMessageTimeoutA(worker.hwnd(), WM_USER + 1, 5, 0, SMTO_ABORTIFHUNG, 1000, &result));
  EXPECT_EQ(result, 10u);
}

TEST_F(WindowTest, HungThreadTimesOutAndItsEndAnswersZero) {
  auto worker = std::make_unique<Worker>(false);
  HWND h = worker->hwnd();
  Take();
  DWORD_PTR result = 77;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(SendMessageTimeoutA(h, WM_USER + 1, 1, 0, SMTO_NORMAL, 100, &result));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(result, 77u);
  // Known hung now: no waiting at all.
  start = std::chrono::steady_clock::now();
  EXPECT_FALSE(SendMessageTimeoutA(h, WM_USER + 1, 1, 0, SMTO_ABORTIFHUNG, 60000, &result));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));

  worker->Release();
  EXPECT_EQ(SendMessageA(h, WM_USER + 1, 3, 0), 6);
  // The sends that timed out were dropped, not run late.
  EXPECT_EQ(Take({WM_USER + 1}), (std::vector<Event>{{"worker", WM_USER + 1}}));
  worker.reset();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(SendMessageA(h, WM_USER + 1, 3, 0), 0);
  EXPECT_FALSE(PostThreadMessageA(0x7FFFFFF0, WM_USER, 0, 0));
}

}  // namespace
