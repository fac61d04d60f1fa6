#include "windows/wire.h"

#include <cstdio>
#include <cstring>

namespace kestrel::windows::wire {

socklen_t Address(pid_t pid, sockaddr_un* out) {
  std::memset(out, 0, sizeof *out);
  out->sun_family = AF_UNIX;
  int n = std::snprintf(out->sun_path + 1, sizeof out->sun_path - 1, "kestrel-windows-%d", static_cast<int>(pid));
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}

bool CrossesProcesses(UINT message) {
  return message == WM_COPYDATA || message == WM_SETTINGCHANGE || message == WM_NULL;
}

bool Valid(const Request& r) {
  using Carried = SentMessage::Carried;
  if (r.magic != kRequestMagic || r.payload_size > kMaxPayload) return false;
  switch (static_cast<Carried>(r.carried)) {
    case Carried::kCopyData:
      return r.message == WM_COPYDATA;
    case Carried::kString:
      return r.message == WM_SETTINGCHANGE;
    case Carried::kValue:
      // A value never stands for a pointer on this side.
      return r.payload_size == 0 && (r.message == WM_NULL || (r.message == WM_SETTINGCHANGE && r.lparam == 0));
  }
  return false;
}

}  // namespace kestrel::windows::wire
