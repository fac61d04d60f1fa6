// The message queue of one thread: posted messages, messages sent from other
// threads and processes, the quit flag, timers, focus and activation.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "windows.h"

namespace kestrel::windows {

using Clock = std::chrono::steady_clock;

// A thread that has not looked at its queue for this long counts as hung;
// it is also the limit of a SendMessageA to another process.
constexpr std::chrono::milliseconds kHungLimit{5000};

class ThreadQueue;

// A message sent to a window of another thread or process, waiting to be run
// on the owner thread. Finished exactly once.
struct SentMessage {
  // What lParam stands for when the message came from another process.
  enum class Carried : uint32_t { kValue = 0, kCopyData = 1, kString = 2 };

  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;  // kCopyData: the dwData
  Carried carried = Carried::kValue;
  std::vector<char> payload;  // copied data; a string with its terminator
  Clock::time_point deadline = Clock::time_point::max();

  std::shared_ptr<ThreadQueue> sender;          // woken when finished (same process)
  std::function<void(bool ran, LRESULT)> reply;  // answers another process

  std::atomic<bool> cancelled{false};  // the sender stopped waiting
  std::atomic<bool> done{false};
  bool ran = false;  // the window existed and its procedure ran
  LRESULT result = 0;

  void Finish(bool ran_procedure, LRESULT value);
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT elapse;
  TIMERPROC proc;
  Clock::time_point due;
};

class ThreadQueue {
 public:
  ThreadQueue();  // the calling thread's
  ~ThreadQueue();
  ThreadQueue(const ThreadQueue&) = delete;
  ThreadQueue& operator=(const ThreadQueue&) = delete;

  DWORD thread_id() const { return thread_id_; }

  // From any thread; false once the thread has ended. In front: retrieved next.
  bool Post(const MSG& msg, bool in_front = false);
  bool Send(std::shared_ptr<SentMessage> message);
  // Interrupts a Wait of the owner thread.
  void Wake();
  // True when a sender would wait in vain: an earlier send is still there
  // though its sender gave up or its deadline passed, or the thread has not
  // looked at its queue for kHungLimit.
  bool IsHung() const;
  // The thread has ended: waiting sends are finished unrun, later ones refused.
  void Close();

  // Owner thread only.
  std::shared_ptr<SentMessage> NextSent();
  // The first posted message that match accepts; removed when remove.
  bool TakePosted(const std::function<bool(const MSG&)>& match, bool remove, MSG* out);
  // Blocks until Wake, the deadline, or (fd >= 0) fd becoming readable;
  // returns fd's poll events.
  short Wait(Clock::time_point deadline, int fd = -1);
  // The thread looked at its queue.
  void Touch();

  bool quit = false;
  int quit_code = 0;
  HWND focus = nullptr;
  HWND active = nullptr;
  std::vector<Timer> timers;
  UINT_PTR next_timer_id = 0x7FFF;
  std::atomic<int> invalid_windows{0};  // windows of this thread waiting for WM_PAINT
  // Connections to other processes (pid, socket), kept between sends.
  std::vector<std::pair<DWORD, int>> links;

 private:
  const DWORD thread_id_;
  const int event_fd_;
  mutable std::mutex mutex_;
  std::deque<MSG> posted_;
  std::deque<std::shared_ptr<SentMessage>> sent_;
  bool closed_ = false;
  std::atomic<bool> waiting_{false};
  std::atomic<Clock::rep> last_touch_;
};

}  // namespace kestrel::windows
