// traceview: the outside log viewer. Owns a top-level window titled
// "Kestrel Trace Viewer", answers the band's level query and prints every
// trace record it receives as one line.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "TraceViewerProtocol.h"
#include "kestrel/codepage.h"
#include "windows.h"

namespace {

int g_level = 4;          // reply to the level query
int g_follow_reply = -1;  // reply to every record; -1: the level

void Usage(FILE* out) {
  std::fprintf(out,
               "usage: traceview [--level N] [--follow N]\n"
               "  Shows the trace records of the Kestrel IE Toolbar, one line each.\n"
               "  --level N   highest level the toolbar sends (default 4)\n"
               "  --follow N  answer every record with level N (for a toolbar that\n"
               "              follows the viewer's level)\n"
               "  Ctrl-C or SIGTERM closes the viewer.\n");
}

std::string Now() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000));
  return buf;
}

void PrintRecord(const COPYDATASTRUCT& cds) {
  std::vector<std::u16string> fields;
  std::vector<std::string> f;
  bool whole = trace_viewer::SplitRecord(cds.lpData, cds.cbData, fields);
  for (const auto& field : fields) f.push_back(kestrel::codepage::ToUtf8(field));
  if (!whole) {
    std::printf("%s malformed record (%u bytes)\n", Now().c_str(), static_cast<unsigned>(cds.cbData));
  } else {
    // version, message, procedure, class, application, source, extra1, extra2, -, number, level, reserved
    std::string line = Now() + " L" + f[10] + " " + f[5] + " " + f[3] + "." + f[2] + ": " + f[1];
    if (f[9] != "0") line += " #" + f[9];
    if (!f[6].empty()) line += " [" + f[6] + "]";
    if (!f[7].empty()) line += " [" + f[7] + "]";
    std::printf("%s\n", line.c_str());
  }
  std::fflush(stdout);
}

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COPYDATA: {
      const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (!cds) return 0;
      if (cds->dwData == trace_viewer::kLevelQuery) {
        std::printf("%s level query answered %d\n", Now().c_str(), g_level);
        std::fflush(stdout);
        return g_level;
      }
      PrintRecord(*cds);
      return g_follow_reply >= 0 ? g_follow_reply : g_level;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool ParseNumber(const char* text, int& out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < -32768 || v > 32767) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      Usage(stdout);
      return 0;
    }
    int* target = arg == "--level" ? &g_level : arg == "--follow" ? &g_follow_reply : nullptr;
    if (!target || i + 1 >= argc || !ParseNumber(argv[++i], *target)) {
      std::fprintf(stderr, "traceview: bad argument '%s'\n", arg.c_str());
      Usage(stderr);
      return 2;
    }
  }

  // Ctrl-C and SIGTERM are taken by one thread, which asks the window to close.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  WNDCLASSA wc{};
  wc.lpfnWndProc = ViewerProc;
  wc.lpszClassName = "KestrelTraceViewer";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, trace_viewer::kTitle, WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                              nullptr, nullptr, nullptr);
  if (!hwnd) {
    std::fprintf(stderr, "traceview: cannot create the viewer window (error %u)\n",
                 static_cast<unsigned>(GetLastError()));
    return 1;
  }
  std::printf("%s traceview listening as \"%s\", level %d\n", Now().c_str(), trace_viewer::kTitle, g_level);
  std::fflush(stdout);

  std::thread([hwnd, stop] {
    int sig = 0;
    sigwait(&stop, &sig);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
  }).detach();

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  std::printf("%s traceview closed\n", Now().c_str());
  return 0;
}
