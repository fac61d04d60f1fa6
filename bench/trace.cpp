// The trace log: WriteTrace with no viewer running (it looks the viewer up
// at every call; target <= 20 us) and one record's round trip to a running
// traceview (target <= 300 us).
#include <benchmark/benchmark.h>

#include "bench_machine.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include "TraceViewerProtocol.h"
#include "modTrace.h"
#include "windows.h"

extern char** environ;

namespace {

void Trace() { modTrace::WriteTrace(u"Entered", u"CToolbar", u"Bench", 1, 0, u"", u""); }

// Each case runs on a thread of its own: the trace state is per thread.
template <class Body>
void OnFreshThread(Body body) {
  std::thread(body).join();
}

void BM_WriteTraceNoViewer(benchmark::State& state) {
  OnFreshThread([&] {
    modTrace::InitTrace(u"Kestrel Toolbar", 2, false);
    for (auto _ : state) Trace();
  });
}
BENCHMARK(BM_WriteTraceNoViewer)->Repetitions(5)->ReportAggregatesOnly(true);

// traceview started beside this program, its lines thrown away.
class Viewer {
 public:
  Viewer() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path = (std::filesystem::path(std::string(self, n > 0 ? n : 0)).parent_path() / "traceview").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char* argv[] = {path.data(), nullptr};
    if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 500 && !FindWindowA(nullptr, trace_viewer::kTitle); ++i) Sleep(10);
  }
  ~Viewer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

void BM_WriteTraceToViewer(benchmark::State& state) {
  static Viewer viewer;
  OnFreshThread([&] {
    modTrace::InitTrace(u"Kestrel Toolbar", 2, false);
    Trace();  // finds the viewer and asks its level
    for (auto _ : state) Trace();
  });
}
BENCHMARK(BM_WriteTraceToViewer)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) { return kestrel::bench::RunInFreshMachine(argc, argv); }
