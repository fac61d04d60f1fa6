// Sending, posting and retrieving messages, paints and timers.
#include <algorithm>

#include "windows.h"
#include "windows/api.h"
#include "windows/sending.h"
#include "windows/window_manager.h"

using namespace kestrel::windows;

namespace {

WindowManager& Manager() { return WindowManager::Get(); }

const HWND kThreadOnly = reinterpret_cast<HWND>(-1);

// PeekMessageA's window filter, resolved once: the window and its children.
class Filter {
 public:
  explicit Filter(HWND window) : window_(window) {
    if (!window || window == kThreadOnly) return;
    auto& wm = Manager();
    std::lock_guard lock(wm.mutex);
    std::vector<HWND> pending{window};
    while (!pending.empty()) {
      Window* w = wm.Find(pending.back());
      pending.pop_back();
      if (!w) continue;
      family_.push_back(w->handle);
      for (HWND c : w->children)
        if (Window* cw = wm.Find(c); cw && (cw->style & WS_CHILD)) pending.push_back(c);
    }
  }
  bool Valid() const { return !window_ || window_ == kThreadOnly || !family_.empty(); }
  bool Accepts(HWND h) const {
    if (!window_) return true;
    if (window_ == kThreadOnly) return h == nullptr;
    return h && std::find(family_.begin(), family_.end(), h) != family_.end();
  }
  HWND window() const { return window_; }

 private:
  HWND window_;
  std::vector<HWND> family_;
};

MSG Make(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return MSG{hwnd, message, wparam, lparam, GetTickCount(), POINT{0, 0}};
}

// The next message for the calling thread in PeekMessageA's order.
bool Next(ThreadQueue& q, MSG* out, const Filter& filter, UINT min, UINT max, bool remove) {
  q.Touch();
  HandleSent(q);
  auto in_range = [&](UINT m) { return (min == 0 && max == 0) || (m >= min && m <= max); };
  if (q.TakePosted([&](const MSG& m) { return in_range(m.message) && filter.Accepts(m.hwnd); }, remove, out))
    return true;
  if (q.quit && in_range(WM_QUIT)) {
    *out = Make(nullptr, WM_QUIT, static_cast<WPARAM>(q.quit_code), 0);
    if (remove) q.quit = false;
    return true;
  }
  if (in_range(WM_PAINT) && filter.window() != kThreadOnly) {
    HWND h;
    {
      std::lock_guard lock(Manager().mutex);
      h = Manager().NextToPaint(q, filter.window());
    }
    if (h) {
      *out = Make(h, WM_PAINT, 0, 0);  // stays until the window is validated
      return true;
    }
  }
  if (in_range(WM_TIMER)) {
    auto now = Clock::now();
    for (Timer& t : q.timers) {
      if (t.due > now || !filter.Accepts(t.hwnd)) continue;
      *out = Make(t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc));
      if (remove) t.due = now + std::chrono::milliseconds(t.elapse);
      return true;
    }
  }
  return false;
}

Clock::time_point NextTimer(const ThreadQueue& q) {
  auto due = Clock::time_point::max();
  for (const Timer& t : q.timers) due = std::min(due, t.due);
  return due;
}

char CharacterOf(WPARAM key) {
  if (key >= 'A' && key <= 'Z') return static_cast<char>(key - 'A' + 'a');
  if (key >= '0' && key <= '9') return static_cast<char>(key);
  switch (key) {
    case VK_SPACE:
      return ' ';
    case VK_TAB:
      return '\t';
    case VK_RETURN:
      return '\r';
    case VK_BACK:
      return '\b';
    case VK_ESCAPE:
      return 0x1B;
    default:
      return 0;
  }
}

}  // namespace

extern "C" {

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The common case first: a window of the calling thread.
  WNDPROC proc = nullptr;
  if (ThreadQueue* own = CurrentQueue()) {
    auto& wm = Manager();
    std::lock_guard lock(wm.mutex);
    if (Window* w = wm.Find(window); w && w->queue.get() == own) proc = w->proc;
  }
  if (proc) return proc(window, message, wParam, lParam);
  if (window == HWND_BROADCAST) {
    Broadcast(message, wParam, lParam, SMTO_NORMAL, std::nullopt);
    return 0;
  }
  LRESULT result = 0;
  SendTo(window, message, wParam, lParam, SMTO_NORMAL, std::nullopt, &result);
  return result;
}

LRESULT WINAPI SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                                   UINT timeout, PDWORD_PTR result) {
  if (window == HWND_BROADCAST) {
    Broadcast(message, wParam, lParam, flags, timeout);
    if (result) *result = 0;
    return TRUE;
  }
  LRESULT r = 0;
  if (!SendTo(window, message, wParam, lParam, flags, timeout, &r)) return 0;
  if (result) *result = static_cast<DWORD_PTR>(r);
  return TRUE;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    SetLastError(ERROR_MESSAGE_SYNC_ONLY);
    return FALSE;
  }
  if (!window) return OwnQueue()->Post(Make(nullptr, message, wParam, lParam));
  if (window == kDesktop) return TRUE;
  std::vector<std::shared_ptr<ThreadQueue>> queues;
  std::vector<HWND> targets;
  {
    auto& wm = Manager();
    std::lock_guard lock(wm.mutex);
    if (window == HWND_BROADCAST) {
      for (HWND h : wm.TopLevel()) targets.push_back(h), queues.push_back(wm.Find(h)->queue);
    } else if (Window* w = wm.Find(window)) {
      targets.push_back(window), queues.push_back(w->queue);
    }
  }
  if (window != HWND_BROADCAST && queues.empty()) {
    SetNotLocalError(window);
    return FALSE;
  }
  for (size_t i = 0; i < queues.size(); ++i) {
    if (!queues[i]->Post(Make(targets[i], message, wParam, lParam)) && window != HWND_BROADCAST) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
  }
  return TRUE;
}

BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<ThreadQueue> q;
  if (threadId == GetCurrentThreadId()) {
    q = OwnQueue();
  } else {
    std::lock_guard lock(Manager().mutex);
    q = Manager().QueueOfThread(threadId);
  }
  if (!q || !q->Post(Make(nullptr, message, wParam, lParam))) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  return TRUE;
}

void WINAPI PostQuitMessage(int exitCode) {
  ThreadQueue& q = *OwnQueue();
  q.quit = true;
  q.quit_code = exitCode;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage) {
  Filter filter(window);
  if (!msg || !filter.Valid()) {
    SetLastError(msg ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Next(*OwnQueue(), msg, filter, filterMin, filterMax, removeMessage & PM_REMOVE);
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
  Filter filter(window);
  if (!msg || !filter.Valid()) {
    SetLastError(msg ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
    return -1;
  }
  ThreadQueue& q = *OwnQueue();
  while (!Next(q, msg, filter, filterMin, filterMax, true)) q.Wait(NextTimer(q));
  return msg->message != WM_QUIT;
}

BOOL WINAPI WaitMessage(void) {
  ThreadQueue& q = *OwnQueue();
  HandleSent(q);
  MSG m;
  if (!Next(q, &m, Filter(nullptr), 0, 0, false)) q.Wait(NextTimer(q));
  HandleSent(q);
  return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  switch (msg->message) {
    case WM_KEYDOWN:
      if (char c = CharacterOf(msg->wParam)) {
        // Retrieved next, before keys that came after it.
        std::shared_ptr<ThreadQueue> q;
        {
          std::lock_guard lock(Manager().mutex);
          if (Window* w = Manager().Find(msg->hwnd)) q = w->queue;
        }
        if (q) q->Post(Make(msg->hwnd, WM_CHAR, static_cast<unsigned char>(c), msg->lParam), true);
      }
      return TRUE;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      return TRUE;
    default:
      return FALSE;
  }
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    // Only a timer procedure set on this thread is called, never any value a post carried.
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    ThreadQueue* q = CurrentQueue();
    bool known = q && std::any_of(q->timers.begin(), q->timers.end(), [&](const Timer& t) {
                   return t.hwnd == msg->hwnd && t.id == msg->wParam && t.proc == proc;
                 });
    if (known) proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (!msg->hwnd) return 0;
  WNDPROC proc = nullptr;
  {
    auto& wm = Manager();
    std::lock_guard lock(wm.mutex);
    if (Window* w = wm.Find(msg->hwnd); w && w->queue.get() == CurrentQueue()) proc = w->proc;
  }
  if (!proc) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  if (!window || window == kDesktop) {
    for (HWND h : std::vector<HWND>(wm.TopLevel())) wm.InvalidateTree(*wm.Find(h));
    return TRUE;
  }
  Window* w = FindOrFail(wm, window);
  if (!w) return FALSE;
  wm.Invalidate(*w, rect, erase);
  return TRUE;
}

BOOL WINAPI ValidateRect(HWND window, const RECT* rect) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  Window* w = FindOrFail(wm, window);
  if (!w) return FALSE;
  wm.Validate(*w, rect);
  return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND window, LPRECT rect, BOOL) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  Window* w = FindOrFail(wm, window);
  if (!w) return FALSE;
  if (rect) *rect = w->invalid ? w->update : RECT{};
  return w->invalid;
}

BOOL WINAPI UpdateWindow(HWND window) {
  bool invalid;
  {
    auto& wm = Manager();
    std::lock_guard lock(wm.mutex);
    Window* w = FindOrFail(wm, window);
    if (!w) return FALSE;
    invalid = w->invalid;
  }
  if (invalid) SendMessageA(window, WM_PAINT, 0, 0);
  return TRUE;
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  ThreadQueue& q = *OwnQueue();
  if (window) {
    std::lock_guard lock(Manager().mutex);
    Window* w = Manager().Find(window);
    if (!w || w->queue.get() != &q) {
      SetLastError(w ? ERROR_WINDOW_OF_OTHER_THREAD : ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
  }
  elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);
  auto due = Clock::now() + std::chrono::milliseconds(elapse);
  auto same = [&](const Timer& t) { return t.hwnd == window && t.id == id; };
  if (!window && !std::any_of(q.timers.begin(), q.timers.end(), same)) {
    do id = ++q.next_timer_id;
    while (std::any_of(q.timers.begin(), q.timers.end(), same));
  }
  auto it = std::find_if(q.timers.begin(), q.timers.end(), same);
  if (it != q.timers.end())
    *it = Timer{window, id, elapse, proc, due};
  else
    q.timers.push_back(Timer{window, id, elapse, proc, due});
  return window && !id ? 1 : id;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
  ThreadQueue* q = CurrentQueue();
  if (!q) return FALSE;
  auto it = std::find_if(q->timers.begin(), q->timers.end(),
                         [&](const Timer& t) { return t.hwnd == window && t.id == id; });
  if (it == q->timers.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  q->timers.erase(it);
  return TRUE;
}

}  // extern "C"
