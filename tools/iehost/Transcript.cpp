#include "Transcript.h"

#include <cstdio>
#include <mutex>

#include "kestrel/codepage.h"

namespace iehost {

namespace {
std::mutex g_mutex;
}

void Say(const std::string& line) {
  std::lock_guard lock(g_mutex);
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void Say(const std::u16string& line) { Say(kestrel::codepage::ToUtf8(line)); }

void Complain(const std::string& line) {
  std::lock_guard lock(g_mutex);
  std::fflush(stdout);
  std::fprintf(stderr, "iehost: %s\n", line.c_str());
  std::fflush(stderr);
}

}  // namespace iehost
