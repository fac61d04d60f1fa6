// Classes, creating and destroying windows, window data, properties, the
// window tree, text and finding windows.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "windows.h"
#include "windows/api.h"
#include "windows/window_manager.h"

namespace kestrel::windows {

std::optional<PublishedWindow> Remote(HWND window) {
  if (!window || reinterpret_cast<uintptr_t>(window) > 0xFFFFFFFF) return std::nullopt;
  return WindowManager::Get().published().Find(HandleValue(window));
}

void SetNotLocalError(HWND window) {
  SetLastError(Remote(window) ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
}

Window* FindOrFail(WindowManager& wm, HWND window) {
  Window* w = wm.Find(window);
  if (!w) SetNotLocalError(window);
  return w;
}

}  // namespace kestrel::windows

using namespace kestrel::windows;

namespace {

WindowManager& Manager() { return WindowManager::Get(); }

// Copies up to size - 1 characters and a terminator; the characters copied.
int CopyText(const std::string& text, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  int n = std::min<int>(static_cast<int>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), static_cast<size_t>(n));
  buffer[n] = '\0';
  return n;
}

ATOM Register(const WindowClass& c) {
  if (c.name.empty() || !c.proc || c.window_extra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  ATOM atom = wm.AddClass(c);
  if (!atom) SetLastError(ERROR_CLASS_ALREADY_EXISTS);
  return atom;
}

std::string ClassName(LPCSTR name) {
  return reinterpret_cast<uintptr_t>(name) <= 0xFFFF ? std::string() : std::string(name);
}

void MarkDestroying(Window& w) {
  w.destroying = true;
  for (HWND child : w.children)
    if (Window* c = Manager().Find(child)) MarkDestroying(*c);
}

// WM_DESTROY to the window, then to its children.
void SendDestroy(HWND window) {
  SendMessageA(window, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  {
    std::lock_guard lock(Manager().mutex);
    if (Window* w = Manager().Find(window)) children = w->children;
  }
  for (HWND child : children) SendDestroy(child);
}

// WM_NCDESTROY to the children, then to the window, which is freed.
void FreeTree(HWND window) {
  std::vector<HWND> children;
  {
    std::lock_guard lock(Manager().mutex);
    if (Window* w = Manager().Find(window)) children = w->children;
  }
  for (HWND child : children) FreeTree(child);
  SendMessageA(window, WM_NCDESTROY, 0, 0);
  std::lock_guard lock(Manager().mutex);
  if (Window* w = Manager().Find(window)) Manager().Remove(*w);
}

HWND TopLevelAncestor(Window* w) {
  while (w->parent) w = Manager().Find(w->parent);
  return w->handle;
}

// A value of Get/SetWindowLong: read, and written when value is given.
// size is 4 for the LONG functions, 8 for the Ptr ones.
LONG_PTR WindowLong(HWND window, int index, const LONG_PTR* value, size_t size) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  Window* w = FindOrFail(wm, window);
  if (!w) return 0;
  auto swap = [&](auto& field) {
    LONG_PTR old = static_cast<LONG_PTR>(field);
    if (value) field = static_cast<std::remove_reference_t<decltype(field)>>(*value);
    return old;
  };
  switch (index) {
    case GWL_WNDPROC: {
      LONG_PTR old = size == 4 ? wm.ProcedureHandle(w->proc) : reinterpret_cast<LONG_PTR>(w->proc);
      if (value) {
        // A 32-bit value must be a procedure handle: a cut pointer is refused.
        auto v = static_cast<ULONG_PTR>(*value);
        bool handle = (v & 0xFFFF0000) == 0xFFFF0000 && (v >> 32 == 0 || v >> 32 == 0xFFFFFFFF);
        WNDPROC procedure = size == 4 && !handle ? nullptr : wm.Procedure(v);
        if (!procedure) {
          SetLastError(ERROR_INVALID_PARAMETER);
          return 0;
        }
        w->proc = procedure;
      }
      return old;
    }
    case GWL_HINSTANCE: {
      LONG_PTR old = reinterpret_cast<LONG_PTR>(w->instance);
      if (value) w->instance = reinterpret_cast<HINSTANCE>(*value);
      return old;
    }
    case GWL_HWNDPARENT: {
      LONG_PTR old = reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
      if (value && !(w->style & WS_CHILD)) w->owner = reinterpret_cast<HWND>(*value);
      return old;
    }
    case GWL_ID:
      return swap(w->id);
    case GWL_STYLE:
      return swap(w->style);
    case GWL_EXSTYLE:
      return swap(w->ex_style);
    case GWL_USERDATA:
      return swap(w->user_data);
    default:
      break;
  }
  if (index < 0 || static_cast<size_t>(index) + size > w->extra.size()) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  LONG_PTR old = 0;
  if (size == 4) {
    LONG v;
    std::memcpy(&v, &w->extra[static_cast<size_t>(index)], 4);
    old = v;
    if (value) v = static_cast<LONG>(*value), std::memcpy(&w->extra[static_cast<size_t>(index)], &v, 4);
  } else {
    std::memcpy(&old, &w->extra[static_cast<size_t>(index)], 8);
    if (value) std::memcpy(&w->extra[static_cast<size_t>(index)], value, 8);
  }
  return old;
}

// The properties of a window of this process; null with the error set.
std::vector<std::pair<std::string, HANDLE>>* Properties(HWND window, LPCSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Window* w = Manager().Find(window);
  if (!w) SetNotLocalError(window);
  return w ? &w->properties : nullptr;
}

}  // namespace

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* c) {
  if (!c || !c->lpszClassName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return Register({ClassName(c->lpszClassName), 0, c->style, c->lpfnWndProc, c->cbWndExtra, c->hInstance, c->hIcon,
                   c->hCursor, c->hbrBackground, 0});
}

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* c) {
  if (!c || c->cbSize != sizeof(WNDCLASSEXA) || !c->lpszClassName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return Register({ClassName(c->lpszClassName), 0, c->style, c->lpfnWndProc, c->cbWndExtra, c->hInstance, c->hIcon,
                   c->hCursor, c->hbrBackground, 0});
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  DWORD error = wm.RemoveClass(className);
  if (error) SetLastError(error);
  return error == 0;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  auto& wm = Manager();
  const auto& queue = OwnQueue();
  unsigned machine = wm.published().Machine();
  uint32_t handle = wm.published().NewHandle();
  if (parent == kDesktop) parent = nullptr;
  CREATESTRUCTA cs{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style), windowName,
                   className, exStyle};
  HWND hwnd;
  bool top_level;
  {
    std::lock_guard lock(wm.mutex);
    WindowClass* c = wm.FindClass(className);
    if (!c) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    auto w = std::make_unique<Window>();
    if (parent) {
      Window* p = wm.Find(parent);
      if (!p) {
        SetNotLocalError(parent);
        return nullptr;
      }
      if (style & WS_CHILD)
        w->parent = parent;
      else
        w->owner = TopLevelAncestor(p);  // an owner is always top-level
    } else if (style & WS_CHILD) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    bool overlapped = !(style & (WS_CHILD | WS_POPUP));
    if (overlapped) style |= WS_CAPTION | WS_CLIPSIBLINGS;
    if (x == CW_USEDEFAULT) x = y = overlapped ? 100 : 0;
    if (width == CW_USEDEFAULT) width = overlapped ? 640 : 0, height = overlapped ? 480 : 0;
    w->window_class = c;
    w->queue = queue;
    w->proc = c->proc;
    w->style = style & ~WS_VISIBLE;  // shown once created
    w->ex_style = exStyle;
    w->id = reinterpret_cast<LONG_PTR>(menu);
    w->instance = instance;
    w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    w->extra.assign(static_cast<size_t>(c->window_extra), 0);
    w->machine = machine;
    while (wm.HandleInUse(handle)) handle = wm.published().NewHandle();
    hwnd = wm.Add(std::move(w), handle).handle;
    top_level = !parent || !(style & WS_CHILD);
  }
  if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    std::lock_guard lock(wm.mutex);
    if (Window* w = wm.Find(hwnd)) wm.Remove(*w);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  LPARAM size, position;
  {
    std::lock_guard lock(wm.mutex);
    Window* w = wm.Find(hwnd);
    if (!w) return nullptr;
    RECT client = wm.ClientRect(*w), in = NonClientInsets(w->style, w->ex_style, HasMenu(*w));
    size = MAKELPARAM(client.right, client.bottom);
    position = MAKELPARAM(w->rect.left + in.left, w->rect.top + in.top);
  }
  SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, size);
  SendMessageA(hwnd, WM_MOVE, 0, position);
  if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  if (!IsWindow(hwnd)) return nullptr;
  if (top_level) wm.Publish();
  return hwnd;
}

BOOL WINAPI DestroyWindow(HWND window) {
  auto& wm = Manager();
  std::vector<HWND> owned;
  bool top_level;
  {
    std::lock_guard lock(wm.mutex);
    Window* w = FindOrFail(wm, window);
    if (!w) return FALSE;
    if (w->queue.get() != CurrentQueue()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (w->destroying) return TRUE;
    MarkDestroying(*w);
    top_level = !w->parent;
    for (HWND h : wm.TopLevel())
      if (wm.Find(h)->owner == window) owned.push_back(h);
  }
  for (HWND h : owned) DestroyWindow(h);
  {
    // Hidden without WM_SHOWWINDOW; what it covered is painted again.
    std::lock_guard lock(wm.mutex);
    Window* w = wm.Find(window);
    if (!w) return TRUE;
    bool was_visible = wm.IsVisible(*w);
    RECT covered = wm.ScreenRect(*w);
    w->style &= ~WS_VISIBLE;
    wm.ValidateTree(*w);
    if (was_visible) wm.Uncover(covered, window);
  }
  MoveFocusAway(window);
  if (GetActiveWindow() == window) ActivateOther(window);
  SendDestroy(window);
  FreeTree(window);
  if (top_level) wm.Publish();
  return TRUE;
}

BOOL WINAPI IsWindow(HWND window) {
  if (window == kDesktop) return TRUE;
  {
    auto& wm = Manager();
    std::lock_guard lock(wm.mutex);
    if (wm.Find(window)) return TRUE;
  }
  return Remote(window).has_value();
}

DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId) {
  DWORD tid = 0, pid = 0;
  {
    auto& wm = Manager();
    std::lock_guard lock(wm.mutex);
    if (Window* w = wm.Find(window)) tid = w->queue->thread_id(), pid = static_cast<DWORD>(getpid());
  }
  if (!tid)
    if (auto r = Remote(window)) tid = r->tid, pid = r->pid;
  if (!tid) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId) *processId = pid;
  return tid;
}

LONG WINAPI GetWindowLongA(HWND window, int index) { return static_cast<LONG>(WindowLong(window, index, nullptr, 4)); }

LONG WINAPI SetWindowLongA(HWND window, int index, LONG newLong) {
  LONG_PTR value = newLong;
  return static_cast<LONG>(WindowLong(window, index, &value, 4));
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index) { return WindowLong(window, index, nullptr, 8); }

LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR newLong) {
  return WindowLong(window, index, &newLong, 8);
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto value = reinterpret_cast<ULONG_PTR>(proc);
  if (!value) return 0;
  if ((value & 0xFFFF0000) == 0xFFFF0000) {
    auto& wm = Manager();
    std::lock_guard lock(wm.mutex);
    proc = wm.Procedure(value);
  }
  return proc ? proc(window, message, wParam, lParam) : 0;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& wm = Manager();
  switch (message) {
    case WM_NCCREATE:
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(lParam);
      if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        text = cs && reinterpret_cast<uintptr_t>(cs->lpszName) > 0xFFFF ? cs->lpszName : nullptr;
        if (!text) return TRUE;
      }
      bool top_level;
      {
        std::lock_guard lock(wm.mutex);
        Window* w = wm.Find(window);
        if (!w) return FALSE;
        w->text = text ? text : "";
        top_level = !w->parent;
      }
      if (top_level && message == WM_SETTEXT) wm.Publish();
      return TRUE;
    }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      std::lock_guard lock(wm.mutex);
      Window* w = wm.Find(window);
      if (!w) return 0;
      if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(w->text.size());
      return CopyText(w->text, reinterpret_cast<LPSTR>(lParam), static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFF)));
    }
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_PAINT:
      if (wm.paint_hooks.paint_default) wm.paint_hooks.paint_default(window);
      ValidateRect(window, nullptr);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !(GetWindowLongA(window, GWL_STYLE) & WS_MINIMIZE)) SetFocus(window);
      return 0;
    default:
      return 0;
  }
}

BOOL WINAPI SetPropA(HWND window, LPCSTR name, HANDLE data) {
  std::lock_guard lock(Manager().mutex);
  auto* properties = Properties(window, name);
  if (!properties) return FALSE;
  std::string key = NameOrAtom(name);
  for (auto& [n, v] : *properties)
    if (SameName(n, key)) return v = data, TRUE;
  properties->emplace_back(std::move(key), data);
  return TRUE;
}

HANDLE WINAPI GetPropA(HWND window, LPCSTR name) {
  std::lock_guard lock(Manager().mutex);
  auto* properties = Properties(window, name);
  if (!properties) return nullptr;
  std::string key = NameOrAtom(name);
  for (auto& [n, v] : *properties)
    if (SameName(n, key)) return v;
  return nullptr;
}

HANDLE WINAPI RemovePropA(HWND window, LPCSTR name) {
  std::lock_guard lock(Manager().mutex);
  auto* properties = Properties(window, name);
  if (!properties) return nullptr;
  std::string key = NameOrAtom(name);
  for (auto it = properties->begin(); it != properties->end(); ++it) {
    if (!SameName(it->first, key)) continue;
    HANDLE value = it->second;
    properties->erase(it);
    return value;
  }
  return nullptr;
}

HWND WINAPI GetParent(HWND window) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  Window* w = wm.Find(window);
  if (!w) {
    if (window != kDesktop) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (w->style & WS_CHILD) return w->parent;
  return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND WINAPI SetParent(HWND child, HWND newParent) {
  auto& wm = Manager();
  HWND old;
  bool republish;
  {
    std::lock_guard lock(wm.mutex);
    Window* w = wm.Find(child);
    if (!w) {
      SetNotLocalError(child);
      return nullptr;
    }
    if (newParent == kDesktop) newParent = nullptr;
    Window* p = newParent ? wm.Find(newParent) : nullptr;
    if (newParent && !p) {
      SetNotLocalError(newParent);
      return nullptr;
    }
    for (Window* a = p; a; a = a->parent ? wm.Find(a->parent) : nullptr) {
      if (a == w) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
    }
    old = w->parent ? w->parent : kDesktop;
    bool was_visible = wm.IsVisible(*w);
    RECT covered = wm.ScreenRect(*w);
    republish = !w->parent != !newParent;
    auto& from = wm.Siblings(*w);
    from.erase(std::remove(from.begin(), from.end(), child), from.end());
    w->parent = newParent;
    if (p)
      p->children.insert(p->children.begin(), child);
    else
      wm.PlaceInZOrder(*w, HWND_TOP);
    if (was_visible) wm.Uncover(covered, child);
    wm.InvalidateTree(*w);
  }
  if (republish) wm.Publish();
  return old;
}

BOOL WINAPI IsChild(HWND parent, HWND window) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  return wm.IsChild(parent, window);
}

HWND WINAPI GetWindow(HWND window, UINT command) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  if (window == kDesktop) return command == GW_CHILD && !wm.TopLevel().empty() ? wm.TopLevel().front() : nullptr;
  Window* w = FindOrFail(wm, window);
  if (!w) return nullptr;
  if (command == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (command == GW_OWNER) return w->owner && wm.Find(w->owner) ? w->owner : nullptr;
  const auto& list = wm.Siblings(*w);
  auto at = std::find(list.begin(), list.end(), window);
  switch (command) {
    case GW_HWNDFIRST:
      return list.front();
    case GW_HWNDLAST:
      return list.back();
    case GW_HWNDNEXT:
      return at + 1 == list.end() ? nullptr : *(at + 1);
    case GW_HWNDPREV:
      return at == list.begin() ? nullptr : *(at - 1);
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

HWND WINAPI GetDesktopWindow(void) { return kDesktop; }

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  Window* w = wm.Find(dialog);
  if (!w) {
    SetNotLocalError(dialog);
    return nullptr;
  }
  for (HWND child : w->children)
    if (wm.Find(child)->id == id) return child;
  return nullptr;
}

int WINAPI GetDlgCtrlID(HWND window) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  Window* w = wm.Find(window);
  return w && (w->style & WS_CHILD) ? static_cast<int>(w->id) : 0;
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
  return FindWindowExA(nullptr, nullptr, className, windowName);
}

HWND WINAPI FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName) {
  auto& wm = Manager();
  std::string wanted_class;
  auto matches = [&](std::string_view window_class, std::string_view title) {
    return (!className || SameName(window_class, wanted_class)) && (!windowName || SameName(title, windowName));
  };
  bool started = !childAfter;
  {
    std::lock_guard lock(wm.mutex);
    if (className) {
      // An atom names a class of this process.
      WindowClass* c = reinterpret_cast<uintptr_t>(className) <= 0xFFFF ? wm.FindClass(className) : nullptr;
      if (reinterpret_cast<uintptr_t>(className) <= 0xFFFF && !c) return nullptr;
      wanted_class = c ? c->name : className;
    }
    const std::vector<HWND>* list = &wm.TopLevel();
    if (parent && parent != kDesktop) {
      Window* p = wm.Find(parent);
      if (!p) {
        SetNotLocalError(parent);
        return nullptr;
      }
      list = &p->children;
    }
    for (HWND h : *list) {
      if (!started) {
        started = h == childAfter;
        continue;
      }
      Window* w = wm.Find(h);
      if (matches(w->window_class->name, w->text)) return h;
    }
    if (parent && parent != kDesktop) return nullptr;
  }
  // Then the other processes' top-level windows, after childAfter when it is one of them.
  if (!started && !Remote(childAfter)) return nullptr;
  uint32_t after = started ? 0 : HandleValue(childAfter);
  auto found = wm.published().FindNext(
      after, [&](const PublishedWindow& w) { return matches(w.class_name, w.title); });
  return found ? HandleOf(found->handle) : nullptr;
}

int WINAPI GetWindowTextA(HWND window, LPSTR text, int maxCount) {
  if (!text || maxCount <= 0) return 0;
  bool local;
  {
    std::lock_guard lock(Manager().mutex);
    local = Manager().Find(window) != nullptr;
  }
  if (local) return static_cast<int>(SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                                  reinterpret_cast<LPARAM>(text)));
  text[0] = '\0';
  auto r = Remote(window);
  if (!r) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return CopyText(r->title, text, maxCount);
}

int WINAPI GetWindowTextLengthA(HWND window) {
  bool local;
  {
    std::lock_guard lock(Manager().mutex);
    local = Manager().Find(window) != nullptr;
  }
  if (local) return static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
  auto r = Remote(window);
  if (!r) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return r ? static_cast<int>(r->title.size()) : 0;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
  {
    std::lock_guard lock(Manager().mutex);
    if (!Manager().Find(window)) {
      SetNotLocalError(window);
      return FALSE;
    }
  }
  return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

int WINAPI GetClassNameA(HWND window, LPSTR className, int maxCount) {
  if (!className || maxCount <= 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::string name;
  bool found = false;
  {
    std::lock_guard lock(Manager().mutex);
    if (Window* w = Manager().Find(window)) name = w->window_class->name, found = true;
  }
  if (window == kDesktop) name = "#32769", found = true;
  if (!found)
    if (auto r = Remote(window)) name = r->class_name, found = true;
  if (!found) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return CopyText(name, className, maxCount);
}

}  // extern "C"
