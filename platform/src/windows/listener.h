// The receiving side of messages from other processes: a thread that accepts
// connections on this process's socket, reads requests and hands each to the
// queue of the thread that owns the window; that thread answers when it has
// run the window procedure. Malformed requests close their connection.
#pragma once

#include <sys/types.h>

#include <mutex>

namespace kestrel::windows {

class Listener {
 public:
  static Listener& Get();
  // Starts receiving for this process (once); false when its socket cannot be made.
  bool Start();

 private:
  Listener() = default;
  static void Run(int listen_fd);

  std::mutex mutex_;
  pid_t started_for_ = 0;  // a forked child starts its own
  bool ok_ = false;
};

}  // namespace kestrel::windows
