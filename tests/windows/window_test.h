// Shared pieces of the window tests: a window procedure that records the
// messages it receives, and a fixture that makes and cleans up windows.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "machine_test.h"
#include "windows.h"

namespace window_test {

struct Event {
  std::string window;  // the name the window was made with
  UINT message;
  bool operator==(const Event&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Event& e);

// The class every test window is made of. Its procedure records each message
// under the window's name and answers WM_USER + 1 with wParam * 2. Names
// "refuse-nccreate" and "refuse-create" fail their creation.
inline constexpr char kClass[] = "Recorder";
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The recorded messages of the listed kinds (all when empty), in order; the
// record is cleared.
std::vector<Event> Take(std::vector<UINT> only = {});
void Record(HWND hwnd, UINT message);
std::string NameOf(HWND hwnd);

class WindowTest : public kestrel::test::MachineTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A window of the recording class; the name is its title too.
  HWND Make(const char* name, DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr, int id = 0);
  std::vector<HWND> made_;
};

}  // namespace window_test
