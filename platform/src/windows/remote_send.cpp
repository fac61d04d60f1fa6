// Sends to a window of another process: one request on a connection of this
// thread to that process, the answer awaited while the thread's own sent
// messages are handled.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "windows/sending.h"
#include "windows/window_manager.h"
#include "windows/wire.h"

namespace kestrel::windows {
namespace {

int Connect(DWORD pid, Clock::time_point deadline) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  sockaddr_un address;
  socklen_t length = wire::Address(static_cast<pid_t>(pid), &address);
  // A Unix socket connects at once, or refuses (no listener: no process), or
  // is busy for a moment while the listener's backlog is full.
  while (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    if ((errno != EAGAIN && errno != EINTR) || Clock::now() >= deadline) {
      close(fd);
      return -1;
    }
    usleep(1000);
  }
  return fd;
}

// A connection to pid taken out of the thread's cache (so that a nested send
// makes its own), or a new one; -1 when the process does not answer.
int TakeLink(ThreadQueue& queue, DWORD pid, Clock::time_point deadline, bool* reused) {
  for (auto it = queue.links.begin(); it != queue.links.end(); ++it) {
    if (it->first != pid) continue;
    int fd = it->second;
    queue.links.erase(it);
    *reused = true;
    return fd;
  }
  *reused = false;
  return Connect(pid, deadline);
}

bool WriteAll(int fd, const std::string& data, Clock::time_point deadline) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, POLLOUT, 0};
    poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
  }
  return true;
}

// The request, or false when the message cannot be carried.
bool Compose(const PublishedWindow& target, UINT message, WPARAM wparam, LPARAM lparam, UINT flags,
             Clock::time_point deadline, std::string* out) {
  using Carried = SentMessage::Carried;
  wire::Request r{};
  r.magic = wire::kRequestMagic;
  r.hwnd = target.handle;
  r.message = message;
  r.wparam = wparam;
  r.flags = flags;
  r.deadline_ns = static_cast<uint64_t>(std::chrono::nanoseconds(deadline.time_since_epoch()).count());
  const char* payload = nullptr;
  size_t size = 0;
  if (message == WM_COPYDATA) {
    auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    if (!data || (data->cbData && !data->lpData) || data->cbData > wire::kMaxPayload) return false;
    r.carried = static_cast<uint32_t>(Carried::kCopyData);
    r.lparam = data->dwData;
    payload = static_cast<const char*>(data->lpData);
    size = data->cbData;
  } else if (message == WM_SETTINGCHANGE && lparam) {
    payload = reinterpret_cast<const char*>(lparam);
    size = strnlen(payload, wire::kMaxPayload);
    r.carried = static_cast<uint32_t>(Carried::kString);
  } else if (wire::CrossesProcesses(message)) {
    r.carried = static_cast<uint32_t>(Carried::kValue);
    r.lparam = static_cast<uint64_t>(lparam);
  } else {
    return false;
  }
  r.payload_size = static_cast<uint32_t>(size);
  out->assign(reinterpret_cast<const char*>(&r), sizeof r);
  if (size) out->append(payload, size);
  return true;
}

}  // namespace

RemoteResult SendToProcess(const PublishedWindow& target, UINT message, WPARAM wparam, LPARAM lparam, UINT flags,
                           Clock::time_point deadline, LRESULT* result) {
  std::string request;
  if (!Compose(target, message, wparam, lparam, flags, deadline, &request)) return RemoteResult::kRefused;
  ThreadQueue& queue = *OwnQueue();
  auto& published = WindowManager::Get().published();
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool reused;
    int fd = TakeLink(queue, target.pid, deadline, &reused);
    if (fd < 0) {
      published.MarkDead(target.pid);
      return RemoteResult::kNoWindow;
    }
    if (!WriteAll(fd, request, deadline)) {
      close(fd);
      // A kept connection may lead to a process that has ended since: once more on a new one.
      if (reused && Clock::now() < deadline) continue;
      return Clock::now() < deadline ? RemoteResult::kNoWindow : RemoteResult::kTimeout;
    }
    wire::Reply reply;
    size_t got = 0;
    for (;;) {
      short events = queue.Wait(deadline, fd);
      if (events) {
        ssize_t n = recv(fd, reinterpret_cast<char*>(&reply) + got, sizeof reply - got, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
          // The receiver went away in the middle of it.
          close(fd);
          published.MarkDead(target.pid);
          return RemoteResult::kNoWindow;
        }
        if (n > 0) got += static_cast<size_t>(n);
        if (got == sizeof reply) break;
      }
      if (!(flags & SMTO_BLOCK)) HandleSent(queue);
      if (Clock::now() >= deadline) {
        close(fd);  // a late answer must not meet the next request
        return RemoteResult::kTimeout;
      }
    }
    if (reply.magic != wire::kReplyMagic) {
      close(fd);
      return RemoteResult::kRefused;
    }
    queue.links.emplace_back(target.pid, fd);
    switch (static_cast<wire::Status>(reply.status)) {
      case wire::Status::kOk:
        *result = static_cast<LRESULT>(reply.result);
        return RemoteResult::kOk;
      case wire::Status::kNoWindow:
        return RemoteResult::kNoWindow;
      case wire::Status::kHung:
        return RemoteResult::kTimeout;
      default:
        return RemoteResult::kRefused;
    }
  }
  return RemoteResult::kNoWindow;
}

}  // namespace kestrel::windows
