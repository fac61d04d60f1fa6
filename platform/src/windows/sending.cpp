#include "windows/sending.h"

#include "windows/window_manager.h"
#include "windows/wire.h"

namespace kestrel::windows {
namespace {

Clock::time_point DeadlineAfter(std::optional<DWORD> timeout_ms, Clock::duration otherwise) {
  if (!timeout_ms) return otherwise == Clock::duration::max() ? Clock::time_point::max() : Clock::now() + otherwise;
  return Clock::now() + std::chrono::milliseconds(*timeout_ms);
}

bool SendToThread(const std::shared_ptr<ThreadQueue>& target, HWND window, UINT message, WPARAM wparam,
                  LPARAM lparam, UINT flags, std::optional<DWORD> timeout_ms, LRESULT* result) {
  const auto& own = OwnQueue();
  if ((flags & SMTO_ABORTIFHUNG) && target->IsHung()) {
    SetLastError(ERROR_TIMEOUT);
    return false;
  }
  auto m = std::make_shared<SentMessage>();
  m->hwnd = window;
  m->message = message;
  m->wparam = wparam;
  m->lparam = lparam;
  m->deadline = DeadlineAfter(timeout_ms, Clock::duration::max());
  m->sender = own;
  if (!target->Send(m)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  while (!m->done.load(std::memory_order_acquire)) {
    if (Clock::now() >= m->deadline) {
      m->cancelled = true;
      SetLastError(ERROR_TIMEOUT);
      return false;
    }
    own->Wait(m->deadline);
    if (!(flags & SMTO_BLOCK)) HandleSent(*own);
  }
  if (!m->ran) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  *result = m->result;
  return true;
}

void RunSent(SentMessage& m) {
  if (m.cancelled || Clock::now() > m.deadline) return m.Finish(false, 0);
  LPARAM lparam = m.lparam;
  COPYDATASTRUCT data{};
  if (m.carried == SentMessage::Carried::kCopyData) {
    data = {static_cast<ULONG_PTR>(m.lparam), static_cast<DWORD>(m.payload.size()),
            m.payload.empty() ? nullptr : m.payload.data()};
    lparam = reinterpret_cast<LPARAM>(&data);
  } else if (m.carried == SentMessage::Carried::kString) {
    lparam = reinterpret_cast<LPARAM>(m.payload.data());
  }
  WNDPROC proc = nullptr;
  {
    auto& wm = WindowManager::Get();
    std::lock_guard lock(wm.mutex);
    if (Window* w = wm.Find(m.hwnd); w && w->queue.get() == CurrentQueue()) proc = w->proc;
  }
  if (!proc) return m.Finish(false, 0);
  LRESULT r;
  try {
    r = proc(m.hwnd, m.message, m.wparam, lparam);
  } catch (...) {
    m.Finish(true, 0);
    throw;
  }
  m.Finish(true, r);
}

}  // namespace

void HandleSent(ThreadQueue& queue) {
  while (auto m = queue.NextSent()) RunSent(*m);
}

bool SendTo(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT flags, std::optional<DWORD> timeout_ms,
            LRESULT* result) {
  auto& wm = WindowManager::Get();
  WNDPROC proc = nullptr;
  std::shared_ptr<ThreadQueue> target;
  {
    std::lock_guard lock(wm.mutex);
    if (Window* w = wm.Find(window)) {
      if (w->queue.get() == CurrentQueue())
        proc = w->proc;
      else
        target = w->queue;
    }
  }
  if (proc) {
    *result = proc(window, message, wparam, lparam);
    return true;
  }
  if (target) return SendToThread(target, window, message, wparam, lparam, flags, timeout_ms, result);
  if (window == kDesktop) {
    *result = 0;
    return true;
  }
  auto remote = reinterpret_cast<uintptr_t>(window) <= 0xFFFFFFFF ? wm.published().Find(HandleValue(window))
                                                                  : std::nullopt;
  if (!remote) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  switch (SendToProcess(*remote, message, wparam, lparam, flags, DeadlineAfter(timeout_ms, kHungLimit), result)) {
    case RemoteResult::kOk:
      return true;
    case RemoteResult::kNoWindow:
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return false;
    case RemoteResult::kTimeout:
      SetLastError(ERROR_TIMEOUT);
      return false;
    case RemoteResult::kRefused:
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
  }
  return false;
}

void Broadcast(UINT message, WPARAM wparam, LPARAM lparam, UINT flags, std::optional<DWORD> timeout_ms) {
  auto& wm = WindowManager::Get();
  std::vector<HWND> local;
  {
    std::lock_guard lock(wm.mutex);
    local = wm.TopLevel();
  }
  LRESULT ignored;
  for (HWND h : local) SendTo(h, message, wparam, lparam, flags, timeout_ms, &ignored);
  if (!wire::CrossesProcesses(message)) return;
  for (const auto& w : wm.published().Others())
    SendToProcess(w, message, wparam, lparam, flags, DeadlineAfter(timeout_ms, kHungLimit), &ignored);
}

}  // namespace kestrel::windows
