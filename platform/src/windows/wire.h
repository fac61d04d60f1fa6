// What crosses between processes: one request per send, over a Unix stream
// socket to the receiving process, answered by one reply.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <cstdint>

#include "windows/thread_queue.h"

namespace kestrel::windows::wire {

constexpr uint32_t kRequestMagic = 0x4B575251;
constexpr uint32_t kReplyMagic = 0x4B575250;
constexpr uint32_t kMaxPayload = 64u << 20;

// Followed by payload_size bytes: a COPYDATASTRUCT's data or a string.
struct Request {
  uint32_t magic;
  uint32_t hwnd;
  uint32_t message;
  uint32_t carried;  // SentMessage::Carried
  uint64_t wparam;
  uint64_t lparam;  // the value, or the COPYDATASTRUCT's dwData
  uint64_t deadline_ns;  // on the steady clock, which all processes share
  uint32_t flags;  // SMTO_*
  uint32_t payload_size;
};

enum class Status : uint32_t { kOk = 0, kNoWindow = 1, kHung = 2, kRefused = 3 };

struct Reply {
  uint32_t magic;
  uint32_t status;
  int64_t result;
};

// The receiving socket of a process. It lives in the abstract namespace, so
// it vanishes with the process and leaves no file behind.
socklen_t Address(pid_t pid, sockaddr_un* out);

// Whether a message may go to another process.
bool CrossesProcesses(UINT message);

// A request as received: false when it is malformed.
bool Valid(const Request& request);

}  // namespace kestrel::windows::wire
