#include "window_test.h"

#include <map>

namespace window_test {
namespace {

std::mutex g_mutex;
std::vector<Event> g_events;

}  // namespace

std::ostream& operator<<(std::ostream& out, const Event& e) { return out << e.window << ":0x" << std::hex << e.message << std::dec; }

std::string NameOf(HWND hwnd) {
  auto* name = static_cast<const char*>(GetPropA(hwnd, "test.name"));
  return name ? name : "?";
}

void Record(HWND hwnd, UINT message) {
  std::lock_guard lock(g_mutex);
  g_events.push_back({NameOf(hwnd), message});
}

std::vector<Event> Take(std::vector<UINT> only) {
  std::lock_guard lock(g_mutex);
  std::vector<Event> taken;
  for (auto& e : g_events)
    if (only.empty() || std::find(only.begin(), only.end(), e.message) != only.end()) taken.push_back(e);
  g_events.clear();
  return taken;
}

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetPropA(hwnd, "test.name", reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
  Record(hwnd, message);
  std::string name = NameOf(hwnd);
  if (message == WM_NCCREATE && name == "refuse-nccreate") return FALSE;
  if (message == WM_CREATE && name == "refuse-create") return -1;
  if (message == WM_USER + 1) return static_cast<LRESULT>(wParam * 2);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void WindowTest::SetUp() {
  MachineTest::SetUp();
  static ATOM atom = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = kClass;
    wc.cbWndExtra = 16;
    return RegisterClassA(&wc);
  }();
  ASSERT_NE(atom, 0);
  Take();
}

void WindowTest::TearDown() {
  for (HWND h : made_)
    if (IsWindow(h)) DestroyWindow(h);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  Take();
}

HWND WindowTest::Make(const char* name, DWORD style, HWND parent, int id) {
  HWND h = CreateWindowExA(0, kClass, name, style, 100, 100, 300, 200, parent,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, const_cast<char*>(name));
  if (h) made_.push_back(h);
  return h;
}

}  // namespace window_test
