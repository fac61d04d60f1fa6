// A second process for the window tests. Prints its window's handle, then:
//   windows_peer viewer <title>  pumps messages and answers WM_COPYDATA by dwData:
//       0  the FNV-1a hash of the data      1  3
//       2  the hash of the last WM_SETTINGCHANGE string
//       3  ends the process in the middle of the send
//       5  sends WM_COPYDATA (dwData 0) to the window titled "kestrel test window"
//          and answers its result + 1
//   windows_peer hang <title>    never looks at its queue
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "windows.h"

namespace {

uint64_t g_setting_hash = 0;

uint64_t Fnv(const void* data, size_t size) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < size; ++i) h = (h ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ull;
  return h;
}

LRESULT CALLBACK PeerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    auto* data = reinterpret_cast<COPYDATASTRUCT*>(lParam);
    switch (data->dwData) {
      case 0:
        if (data->cbData == 0 && data->lpData) return -1;
        return static_cast<LRESULT>(Fnv(data->lpData, data->cbData));
      case 1:
        return 3;
      case 2:
        return static_cast<LRESULT>(g_setting_hash);
      case 3:
        _exit(0);
      case 5: {
        HWND back = FindWindowA(nullptr, "kestrel test window");
        COPYDATASTRUCT ask{0, 0, nullptr};
        return SendMessageA(back, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&ask)) + 1;
      }
      default:
        return 0;
    }
  }
  if (message == WM_SETTINGCHANGE && lParam) {
    const char* text = reinterpret_cast<const char*>(lParam);
    g_setting_hash = Fnv(text, std::strlen(text));
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::string mode = argv[1];
  WNDCLASSA wc{};
  wc.lpfnWndProc = PeerProc;
  wc.lpszClassName = "KestrelPeer";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, "KestrelPeer", argv[2], WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                              nullptr, nullptr);
  if (!hwnd) return 1;
  std::printf("%u\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(hwnd)));
  std::fflush(stdout);
  if (mode == "hang") {
    for (;;) pause();
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
