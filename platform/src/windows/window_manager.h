// The window manager of this process: classes, windows, their tree and
// z-order, update rectangles, the threads' queues and what this process shows
// of itself to the machine. One per process, shared by all threads.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "windows.h"
#include "windows/published_windows.h"
#include "windows/thread_queue.h"

namespace kestrel::windows {

struct WindowClass {
  std::string name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int window_extra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  int windows = 0;  // live windows of the class
};

struct Window {
  HWND handle = nullptr;
  WindowClass* window_class = nullptr;
  std::shared_ptr<ThreadQueue> queue;  // of the owning thread
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD ex_style = 0;
  LONG_PTR id = 0;  // a child's control ID; another window's menu
  LONG_PTR user_data = 0;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;  // null for a top-level window
  HWND owner = nullptr;
  std::vector<HWND> children;  // top of the z-order first
  RECT rect{};  // in the parent's client coordinates (the screen's when top-level)
  std::string text;
  std::vector<std::pair<std::string, HANDLE>> properties;
  std::vector<unsigned char> extra;  // the class's cbWndExtra bytes
  RECT update{};  // what is still to paint, client coordinates
  bool invalid = false;
  bool erase = false;
  bool destroying = false;
  unsigned machine = 0;  // the machine folder generation it was made under
};

// What the screen side plugs in to carry out painting; unset, nothing is drawn.
// A top-level window's id is its menu, which takes a bar above the client area.
inline bool HasMenu(const Window& window) { return !(window.style & WS_CHILD) && window.id != 0; }

struct PaintHooks {
  // From DefWindowProcA(WM_PAINT), before the window is validated.
  void (*paint_default)(HWND window) = nullptr;
  // A visible window stopped covering this part of the screen (hidden, moved,
  // sized or destroyed); the windows of this process beneath it are already
  // invalidated.
  void (*uncovered)(const RECT& screen) = nullptr;
};

inline constexpr int kScreenWidth = 1024;
inline constexpr int kScreenHeight = 768;
// The desktop: the parent of top-level windows, the screen's rectangle.
inline const HWND kDesktop = reinterpret_cast<HWND>(uintptr_t{0x10000});

inline uint32_t HandleValue(HWND window) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)); }
inline HWND HandleOf(uint32_t value) { return reinterpret_cast<HWND>(uintptr_t{value}); }

// Names of classes, properties and titles compare case-insensitively.
bool SameName(std::string_view a, std::string_view b);
// A class or property name that may be MAKEINTATOM(atom) ("#atom" then).
std::string NameOrAtom(LPCSTR name);

// Non-client metrics, in pixels.
inline constexpr int kBorder = 1;
inline constexpr int kDialogFrame = 3;
inline constexpr int kSizingFrame = 4;
inline constexpr int kCaption = 19;
inline constexpr int kToolCaption = 15;
inline constexpr int kMenuBar = 19;
inline constexpr int kClientEdge = 2;
// Frame, caption, menu bar and edges around the client area.
RECT NonClientInsets(DWORD style, DWORD ex_style, bool menu);

class WindowManager {
 public:
  static WindowManager& Get();

  // Guards every window, class and list. Never held while a window
  // procedure runs; may be taken before the queues' and the table's locks.
  std::mutex mutex;

  // ---- with mutex held ----
  Window* Find(HWND window);  // a window of this process, also while it is destroyed
  WindowClass* FindClass(LPCSTR name);  // a name or MAKEINTATOM
  ATOM AddClass(const WindowClass& window_class);  // 0 when the name is taken
  DWORD RemoveClass(LPCSTR name);  // 0 or the error
  // Takes the window, gives it its handle and links it into the z-order.
  Window& Add(std::unique_ptr<Window> window, uint32_t handle);
  bool HandleInUse(uint32_t handle) const { return windows_.count(handle) != 0; }
  // Unlinks and frees the window; children it still has go with it.
  void Remove(Window& window);
  std::vector<HWND>& Siblings(const Window& window);  // its z-order list
  std::vector<HWND>& TopLevel() { return top_level_; }
  // insert_after: HWND_TOP, HWND_BOTTOM, HWND_TOPMOST, HWND_NOTOPMOST or a sibling.
  void PlaceInZOrder(Window& window, HWND insert_after);
  RECT ScreenRect(const Window& window);
  RECT ClientRect(const Window& window);  // (0, 0, width, height)
  POINT ClientOrigin(const Window& window);  // screen coordinates
  bool IsVisible(const Window& window);  // itself and every ancestor
  bool IsChild(HWND parent, HWND window);
  // The window itself, or any window of this thread when filter is null,
  // or a child of filter: PeekMessageA's window filter.
  bool MatchesFilter(HWND filter, HWND window);
  void Invalidate(Window& window, const RECT* client, bool erase);
  void Validate(Window& window, const RECT* client);
  void InvalidateTree(Window& window);
  void ValidateTree(Window& window);
  // Invalidates the visible windows under a screen area no longer covered
  // by except, and tells the paint hook.
  void Uncover(const RECT& screen, HWND except);
  HWND NextToPaint(const ThreadQueue& queue, HWND filter);
  // 32-bit handles for procedures (GetWindowLongA(GWL_WNDPROC)).
  LONG ProcedureHandle(WNDPROC procedure);
  // The procedure of a handle, or the value itself when it is no handle.
  WNDPROC Procedure(ULONG_PTR value);
  std::shared_ptr<ThreadQueue> QueueOfThread(DWORD thread_id);
  HWND foreground = nullptr;
  PaintHooks paint_hooks;

  // ---- without mutex ----
  // Shows this process's current top-level windows to the machine.
  void Publish();
  PublishedWindows& published() { return published_; }
  void QueueStarted(const std::shared_ptr<ThreadQueue>& queue);
  // The thread ended: its windows vanish without messages.
  void ThreadEnded(ThreadQueue& queue);

 private:
  WindowManager() = default;
  void Unlink(Window& window);

  std::unordered_map<uint32_t, std::unique_ptr<Window>> windows_;
  std::vector<std::unique_ptr<WindowClass>> classes_;
  ATOM next_atom_ = 0xC000;
  std::vector<HWND> top_level_;  // topmost ones first
  std::vector<WNDPROC> procedures_;
  std::unordered_map<DWORD, std::weak_ptr<ThreadQueue>> queues_;

  std::mutex publish_mutex_;
  std::vector<PublishedWindow> last_published_;
  PublishedWindows published_;
};

// The calling thread's queue; null before the thread needed one.
ThreadQueue* CurrentQueue();
// The calling thread's queue, made on first use.
const std::shared_ptr<ThreadQueue>& OwnQueue();

}  // namespace kestrel::windows
