// Sending messages: straight to the procedure on the owner thread, through
// the owner's queue from another thread, through a socket to another process.
#pragma once

#include <optional>

#include "windows/published_windows.h"
#include "windows/thread_queue.h"

namespace kestrel::windows {

// One window (not HWND_BROADCAST). No timeout: SendMessageA (waits for a
// thread of this process, kHungLimit for another process). False with the
// last error set when the message was not handled.
bool SendTo(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT flags,
            std::optional<DWORD> timeout_ms, LRESULT* result);
// Every top-level window of the machine, each with the whole timeout.
void Broadcast(UINT message, WPARAM wparam, LPARAM lparam, UINT flags, std::optional<DWORD> timeout_ms);
// Runs the messages other threads and processes have sent to this thread.
void HandleSent(ThreadQueue& queue);

enum class RemoteResult { kOk, kNoWindow, kTimeout, kRefused };
// A message (wire::CrossesProcesses) to a window of another process, its data
// copied; the calling thread handles sent messages while it waits unless
// SMTO_BLOCK.
RemoteResult SendToProcess(const PublishedWindow& target, UINT message, WPARAM wparam, LPARAM lparam, UINT flags,
                           Clock::time_point deadline, LRESULT* result);

}  // namespace kestrel::windows
