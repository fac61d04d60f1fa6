#include "windows/thread_queue.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace kestrel::windows {

void SentMessage::Finish(bool ran_procedure, LRESULT value) {
  ran = ran_procedure;
  result = value;
  done.store(true, std::memory_order_release);
  if (sender) sender->Wake();
  if (reply) reply(ran_procedure, value);
}

ThreadQueue::ThreadQueue()
    : thread_id_(GetCurrentThreadId()),
      event_fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      last_touch_(Clock::now().time_since_epoch().count()) {}

ThreadQueue::~ThreadQueue() {
  if (event_fd_ >= 0) close(event_fd_);
  for (auto& link : links) close(link.second);
}

bool ThreadQueue::Post(const MSG& msg, bool in_front) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    if (in_front)
      posted_.push_front(msg);
    else
      posted_.push_back(msg);
  }
  if (GetCurrentThreadId() != thread_id_) Wake();
  return true;
}

bool ThreadQueue::Send(std::shared_ptr<SentMessage> message) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    sent_.push_back(std::move(message));
  }
  Wake();
  return true;
}

void ThreadQueue::Wake() {
  uint64_t one = 1;
  ssize_t n = write(event_fd_, &one, sizeof one);
  (void)n;  // a full counter already wakes
}

bool ThreadQueue::IsHung() const {
  auto now = Clock::now();
  std::lock_guard lock(mutex_);
  if (closed_) return false;
  if (!sent_.empty() && (sent_.front()->cancelled || sent_.front()->deadline < now)) return true;
  auto idle = now - Clock::time_point(Clock::duration(last_touch_.load()));
  return !waiting_.load() && idle > kHungLimit;
}

void ThreadQueue::Close() {
  std::deque<std::shared_ptr<SentMessage>> pending;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    pending.swap(sent_);
    posted_.clear();
  }
  for (auto& m : pending) m->Finish(false, 0);
}

std::shared_ptr<SentMessage> ThreadQueue::NextSent() {
  std::lock_guard lock(mutex_);
  if (sent_.empty()) return nullptr;
  auto m = std::move(sent_.front());
  sent_.pop_front();
  return m;
}

bool ThreadQueue::TakePosted(const std::function<bool(const MSG&)>& match, bool remove, MSG* out) {
  std::lock_guard lock(mutex_);
  for (auto it = posted_.begin(); it != posted_.end(); ++it) {
    if (!match(*it)) continue;
    *out = *it;
    if (remove) posted_.erase(it);
    return true;
  }
  return false;
}

short ThreadQueue::Wait(Clock::time_point deadline, int fd) {
  pollfd fds[2] = {{event_fd_, POLLIN, 0}, {fd, POLLIN, 0}};
  int timeout = -1;
  if (deadline != Clock::time_point::max()) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    timeout = left < 0 ? 0 : left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
  }
  waiting_.store(true);
  int n = poll(fds, fd >= 0 ? 2 : 1, timeout);
  waiting_.store(false);
  Touch();
  if (n > 0 && (fds[0].revents & POLLIN)) {
    uint64_t count;
    ssize_t r = read(event_fd_, &count, sizeof count);
    (void)r;
  }
  return n > 0 && fd >= 0 ? fds[1].revents : 0;
}

void ThreadQueue::Touch() { last_touch_.store(Clock::now().time_since_epoch().count()); }

}  // namespace kestrel::windows
