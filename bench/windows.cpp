// The window manager's hot paths: a same-thread send, a FindWindowA that
// finds nothing (a traced program looks its viewer up at every call), and a
// WM_COPYDATA round trip to a window of another process.
#include <benchmark/benchmark.h>

#include "bench_machine.h"
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "kestrel/machine.h"
#include "windows.h"

namespace {

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 1 || m == WM_COPYDATA) return 1;
  return DefWindowProcA(h, m, w, l);
}

HWND MakeWindow(const char* title) {
  return CreateWindowExA(0, "KestrelBench", title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                         nullptr);
}

// Another process with one window, pumping messages.
struct Receiver {
  pid_t pid = -1;
  HWND hwnd = nullptr;

  Receiver() {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      execl("/proc/self/exe", "bench_windows", "--receiver", nullptr);
      _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    pollfd p{out[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoul(line.c_str(), nullptr, 10)));
  }
  ~Receiver() {
    if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
  }
};

Receiver* g_receiver = nullptr;

void BM_SendMessageSameThread(benchmark::State& state) {
  HWND w = MakeWindow("same thread");
  for (auto _ : state) benchmark::DoNotOptimize(SendMessageA(w, WM_USER + 1, 0, 0));
  DestroyWindow(w);
}
BENCHMARK(BM_SendMessageSameThread)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_FindWindowNoMatch(benchmark::State& state) {
  HWND a = MakeWindow("one"), b = MakeWindow("two");
  for (auto _ : state) benchmark::DoNotOptimize(FindWindowA(nullptr, "Kestrel Trace Viewer (absent)"));
  DestroyWindow(a);
  DestroyWindow(b);
}
BENCHMARK(BM_FindWindowNoMatch)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_CopyDataRoundTrip(benchmark::State& state) {
  if (!g_receiver || !g_receiver->hwnd) return state.SkipWithError("no receiver");
  // A trace record of about the usual size.
  std::u16string record(100, u'x');
  COPYDATASTRUCT cds{0, static_cast<DWORD>(record.size() * 2), record.data()};
  for (auto _ : state) {
    if (SendMessageA(g_receiver->hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)) != 1)
      return state.SkipWithError("send failed");
  }
}
BENCHMARK(BM_CopyDataRoundTrip)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = "KestrelBench";
  RegisterClassA(&wc);
  if (argc == 2 && std::string(argv[1]) == "--receiver") {
    HWND h = MakeWindow("Kestrel Bench Receiver");
    std::printf("%u\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(h)));
    std::fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
  }
  // A machine folder of its own, shared with the receiver through the environment.
  kestrel::bench::ScopedMachine machine;
  {
    Receiver receiver;
    g_receiver = &receiver;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_receiver = nullptr;
  }
  return 0;
}
