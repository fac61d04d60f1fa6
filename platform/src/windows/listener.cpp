#include "windows/listener.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "windows/window_manager.h"
#include "windows/wire.h"

namespace kestrel::windows {
namespace {

constexpr size_t kMaxConnections = 1024;

// One sender's connection. It stays open while a message it carried waits,
// so that the answer never goes to a descriptor reused meanwhile.
struct Connection {
  explicit Connection(int f) : fd(f) {}
  ~Connection() { close(fd); }

  void Answer(wire::Status status, LRESULT result) {
    wire::Reply reply{wire::kReplyMagic, static_cast<uint32_t>(status), static_cast<int64_t>(result)};
    std::lock_guard lock(mutex);
    // A sender that gave up has closed: the answer is dropped.
    ssize_t n = send(fd, &reply, sizeof reply, MSG_NOSIGNAL | MSG_DONTWAIT);
    (void)n;
  }

  // The sender closed: what it still waits for is not run.
  void Cancel() {
    std::lock_guard lock(mutex);
    for (auto& weak : outstanding)
      if (auto m = weak.lock()) m->cancelled = true;
    outstanding.clear();
  }

  void Track(const std::shared_ptr<SentMessage>& m) {
    std::lock_guard lock(mutex);
    std::erase_if(outstanding, [](const std::weak_ptr<SentMessage>& w) { return w.expired(); });
    outstanding.push_back(m);
  }

  const int fd;
  std::string input;
  std::mutex mutex;
  std::vector<std::weak_ptr<SentMessage>> outstanding;
};

void Deliver(const std::shared_ptr<Connection>& connection, const wire::Request& request, std::vector<char> payload) {
  std::shared_ptr<ThreadQueue> queue;
  {
    auto& wm = WindowManager::Get();
    std::lock_guard lock(wm.mutex);
    if (Window* w = wm.Find(HandleOf(request.hwnd))) queue = w->queue;
  }
  if (!queue) return connection->Answer(wire::Status::kNoWindow, 0);
  if ((request.flags & SMTO_ABORTIFHUNG) && queue->IsHung()) return connection->Answer(wire::Status::kHung, 0);
  auto m = std::make_shared<SentMessage>();
  m->hwnd = HandleOf(request.hwnd);
  m->message = request.message;
  m->wparam = request.wparam;
  m->lparam = static_cast<LPARAM>(request.lparam);
  m->carried = static_cast<SentMessage::Carried>(request.carried);
  m->payload = std::move(payload);
  if (m->carried == SentMessage::Carried::kString) m->payload.push_back('\0');
  m->deadline = Clock::time_point(std::chrono::duration_cast<Clock::duration>(
      std::chrono::nanoseconds(std::min<uint64_t>(request.deadline_ns, INT64_MAX))));
  connection->Track(m);
  // The message holds the connection until it is answered.
  auto keep = connection;
  m->reply = [keep](bool ran, LRESULT result) { keep->Answer(ran ? wire::Status::kOk : wire::Status::kNoWindow, result); };
  if (!queue->Send(m)) connection->Answer(wire::Status::kNoWindow, 0);
}

// Reads what has arrived; false when the connection is over (closed or malformed).
bool Receive(const std::shared_ptr<Connection>& c) {
  char buffer[65536];
  ssize_t n = recv(c->fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (n == 0) return false;
  if (n < 0) return errno == EAGAIN || errno == EINTR;
  c->input.append(buffer, static_cast<size_t>(n));
  while (c->input.size() >= sizeof(wire::Request)) {
    wire::Request request;
    std::memcpy(&request, c->input.data(), sizeof request);
    if (!wire::Valid(request)) return false;
    size_t total = sizeof request + request.payload_size;
    if (c->input.size() < total) break;
    std::vector<char> payload(c->input.begin() + sizeof request, c->input.begin() + static_cast<ptrdiff_t>(total));
    c->input.erase(0, total);
    Deliver(c, request, std::move(payload));
  }
  return true;
}

}  // namespace

Listener& Listener::Get() {
  static Listener* listener = new Listener;
  return *listener;
}

bool Listener::Start() {
  std::lock_guard lock(mutex_);
  pid_t pid = getpid();
  if (started_for_ == pid) return ok_;
  started_for_ = pid;
  ok_ = false;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address;
  socklen_t length = wire::Address(pid, &address);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 64) != 0) {
    close(fd);
    return false;
  }
  std::thread(Run, fd).detach();
  ok_ = true;
  return true;
}

void Listener::Run(int listen_fd) {
  std::vector<std::shared_ptr<Connection>> connections;
  std::vector<pollfd> fds;
  for (;;) {
    fds.assign(1, pollfd{listen_fd, POLLIN, 0});
    for (auto& c : connections) fds.push_back({c->fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), -1) < 0) continue;
    for (size_t i = connections.size(); i-- > 0;) {
      if (!fds[i + 1].revents) continue;
      if (!Receive(connections[i])) {
        connections[i]->Cancel();
        connections.erase(connections.begin() + static_cast<ptrdiff_t>(i));
      }
    }
    if (fds[0].revents & POLLIN) {
      int fd = accept4(listen_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) continue;
      // Only processes of the same user speak to this one.
      ucred peer{};
      socklen_t size = sizeof peer;
      if (connections.size() >= kMaxConnections || getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
          peer.uid != getuid()) {
        close(fd);
        continue;
      }
      connections.push_back(std::make_shared<Connection>(fd));
    }
  }
}

}  // namespace kestrel::windows
