// Showing, placing and stacking windows, rectangles and metrics, focus,
// activation and enabling.
#include <algorithm>

#include "windows.h"
#include "windows/api.h"
#include "windows/window_manager.h"

using namespace kestrel::windows;

namespace {

WindowManager& Manager() { return WindowManager::Get(); }

bool Activating(int command) {
  switch (command) {
    case SW_SHOWNORMAL:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMAXIMIZED:
    case SW_SHOW:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
      return true;
    default:
      return false;
  }
}

const RECT kScreen{0, 0, kScreenWidth, kScreenHeight};

// The window's rectangle of some kind, in a caller's buffer: false with the error set.
template <class Get>
BOOL WindowRectangle(HWND window, LPRECT rect, Get get) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (window == kDesktop) return *rect = kScreen, TRUE;
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  Window* w = FindOrFail(wm, window);
  if (!w) return FALSE;
  *rect = get(wm, *w);
  return TRUE;
}

BOOL MovePoint(HWND window, LPPOINT point, int sign) {
  if (!point) return FALSE;
  if (window == kDesktop) return TRUE;
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  Window* w = FindOrFail(wm, window);
  if (!w) return FALSE;
  POINT o = wm.ClientOrigin(*w);
  point->x += sign * o.x;
  point->y += sign * o.y;
  return TRUE;
}

}  // namespace

namespace kestrel::windows {

void Activate(HWND window, bool bring_to_top) {
  auto& wm = Manager();
  ThreadQueue& q = *OwnQueue();
  {
    std::lock_guard lock(wm.mutex);
    Window* w = window ? wm.Find(window) : nullptr;
    if (window && !w) return;
    if (w && bring_to_top) wm.PlaceInZOrder(*w, HWND_TOP);
    if (w || wm.foreground == q.active) wm.foreground = window;
  }
  HWND old = q.active;
  if (old == window) return;
  q.active = window;
  if (old && IsWindow(old)) SendMessageA(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(window));
  if (window) {
    SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(old));
  } else if (q.focus) {
    SetFocus(nullptr);
  }
}

void MoveFocusAway(HWND window) {
  HWND focus = GetFocus();
  if (!focus || (focus != window && !IsChild(window, focus))) return;
  SetFocus((GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr);
}

void ActivateOther(HWND window) {
  auto& wm = Manager();
  HWND next = nullptr;
  {
    std::lock_guard lock(wm.mutex);
    auto usable = [&](HWND h) {
      Window* w = wm.Find(h);
      return w && h != window && !w->destroying && w->queue.get() == CurrentQueue() && wm.IsVisible(*w) &&
             !(w->style & WS_DISABLED);
    };
    Window* w = wm.Find(window);
    if (w && w->owner && usable(w->owner)) next = w->owner;
    for (HWND h : wm.TopLevel())
      if (!next && usable(h)) next = h;
  }
  Activate(next, false);
}

}  // namespace kestrel::windows

extern "C" {

BOOL WINAPI ShowWindow(HWND window, int command) {
  auto& wm = Manager();
  bool was, show = command != SW_HIDE;
  {
    std::lock_guard lock(wm.mutex);
    Window* w = FindOrFail(wm, window);
    if (!w) return FALSE;
    was = (w->style & WS_VISIBLE) != 0;
  }
  if (show != was) SendMessageA(window, WM_SHOWWINDOW, show, 0);
  bool own_top_level;
  DWORD style;
  {
    std::lock_guard lock(wm.mutex);
    Window* w = wm.Find(window);
    if (!w) return was;
    if (command == SW_SHOWMINIMIZED || command == SW_MINIMIZE || command == SW_SHOWMINNOACTIVE)
      w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
    else if (command == SW_SHOWMAXIMIZED)
      w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
    else if (command == SW_SHOWNORMAL || command == SW_RESTORE || command == SW_SHOWDEFAULT)
      w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    if (show && !was) {
      w->style |= WS_VISIBLE;
      wm.InvalidateTree(*w);
    } else if (!show && was) {
      bool was_visible = wm.IsVisible(*w);
      RECT covered = wm.ScreenRect(*w);
      w->style &= ~WS_VISIBLE;
      wm.ValidateTree(*w);
      if (was_visible) wm.Uncover(covered, window);
    }
    own_top_level = !w->parent && !(w->style & WS_CHILD) && w->queue.get() == CurrentQueue();
    style = w->ex_style;
  }
  if (own_top_level && show && Activating(command) && !(style & WS_EX_NOACTIVATE)) Activate(window, true);
  if (!show && was) MoveFocusAway(window);
  if (own_top_level && !show && GetActiveWindow() == window) ActivateOther(window);
  return was;
}

BOOL WINAPI IsWindowVisible(HWND window) {
  if (window == kDesktop) return TRUE;
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  Window* w = wm.Find(window);
  return w && wm.IsVisible(*w);
}

BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto& wm = Manager();
  bool moved, sized, activate;
  LPARAM position, size;
  WPARAM size_kind;
  {
    std::lock_guard lock(wm.mutex);
    Window* w = FindOrFail(wm, window);
    if (!w) return FALSE;
    bool was_visible = wm.IsVisible(*w);
    RECT covered = wm.ScreenRect(*w);
    RECT r = w->rect;
    if (!(flags & SWP_NOMOVE)) OffsetRect(&r, x - r.left, y - r.top);
    if (!(flags & SWP_NOSIZE)) r.right = r.left + std::max(cx, 0), r.bottom = r.top + std::max(cy, 0);
    moved = r.left != w->rect.left || r.top != w->rect.top;
    sized = r.right - r.left != w->rect.right - w->rect.left || r.bottom - r.top != w->rect.bottom - w->rect.top;
    w->rect = r;
    bool restacked = !(flags & SWP_NOZORDER) && insertAfter != window;
    if (restacked) wm.PlaceInZOrder(*w, insertAfter);
    if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
    if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
    bool visible = wm.IsVisible(*w);
    if (was_visible && (!visible || moved || sized)) wm.Uncover(covered, window);
    if (!visible)
      wm.ValidateTree(*w);
    else if (!was_visible || ((moved || sized) && !(flags & SWP_NOREDRAW)) || restacked)
      wm.InvalidateTree(*w);
    RECT client = wm.ClientRect(*w), in = NonClientInsets(w->style, w->ex_style, HasMenu(*w));
    position = MAKELPARAM(r.left + in.left, r.top + in.top);
    size = MAKELPARAM(client.right, client.bottom);
    size_kind = (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : SIZE_RESTORED;
    activate = !(flags & SWP_NOACTIVATE) && visible && !w->parent && !(w->style & WS_CHILD) &&
               w->queue.get() == CurrentQueue();
  }
  if (moved) SendMessageA(window, WM_MOVE, 0, position);
  if (sized) SendMessageA(window, WM_SIZE, size_kind, size);
  if (activate) Activate(window, false);
  return TRUE;
}

BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(window, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : static_cast<UINT>(SWP_NOREDRAW)));
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
  return WindowRectangle(window, rect, [](WindowManager& wm, Window& w) { return wm.ScreenRect(w); });
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
  return WindowRectangle(window, rect, [](WindowManager& wm, Window& w) { return wm.ClientRect(w); });
}

BOOL WINAPI ClientToScreen(HWND window, LPPOINT point) { return MovePoint(window, point, 1); }
BOOL WINAPI ScreenToClient(HWND window, LPPOINT point) { return MovePoint(window, point, -1); }

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) return FALSE;
  RECT in = NonClientInsets(style, exStyle, menu);
  rect->left -= in.left, rect->top -= in.top, rect->right += in.right, rect->bottom += in.bottom;
  return TRUE;
}

int WINAPI GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
      return kScreenWidth;
    case SM_CYSCREEN:
      return kScreenHeight;
    case SM_CYCAPTION:
      return kCaption;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return kBorder;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return kDialogFrame;
    case SM_CYMENU:
      return kMenuBar;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return kSizingFrame;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return kClientEdge;
    case SM_CXICON:
    case SM_CYICON:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    default:
      return 0;
  }
}

HWND WINAPI GetFocus(void) {
  ThreadQueue* q = CurrentQueue();
  return q && q->focus && IsWindow(q->focus) ? q->focus : nullptr;
}

HWND WINAPI SetFocus(HWND window) {
  auto& wm = Manager();
  ThreadQueue& q = *OwnQueue();
  if (window) {
    HWND top;
    {
      std::lock_guard lock(wm.mutex);
      Window* w = FindOrFail(wm, window);
      if (!w) return nullptr;
      if (w->queue.get() != &q) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
      }
      while (w->parent) w = wm.Find(w->parent);
      top = w->handle;
    }
    // Its top-level window is activated first, which may move the focus itself.
    if (q.active != top) {
      Activate(top, true);
      if (!IsWindow(window) || q.active != top) return nullptr;
    }
  }
  HWND old = q.focus;
  if (old == window) return old;
  q.focus = window;
  if (old && IsWindow(old)) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  if (window && q.focus == window && IsWindow(window))
    SendMessageA(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND WINAPI GetActiveWindow(void) {
  ThreadQueue* q = CurrentQueue();
  return q && q->active && IsWindow(q->active) ? q->active : nullptr;
}

HWND WINAPI GetForegroundWindow(void) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  return wm.foreground && wm.Find(wm.foreground) ? wm.foreground : nullptr;
}

BOOL WINAPI SetForegroundWindow(HWND window) {
  auto& wm = Manager();
  HWND top;
  {
    std::lock_guard lock(wm.mutex);
    Window* w = FindOrFail(wm, window);
    if (!w) return FALSE;
    while (w->parent) w = wm.Find(w->parent);
    top = w->handle;
    if (w->queue.get() != CurrentQueue()) {
      // Another thread's window: no activation messages.
      wm.PlaceInZOrder(*w, HWND_TOP);
      wm.foreground = top;
      return TRUE;
    }
  }
  Activate(top, true);
  return TRUE;
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
  auto& wm = Manager();
  bool was_disabled;
  {
    std::lock_guard lock(wm.mutex);
    Window* w = FindOrFail(wm, window);
    if (!w) return FALSE;
    was_disabled = (w->style & WS_DISABLED) != 0;
    if (was_disabled != !enable) {
      if (enable)
        w->style &= ~WS_DISABLED;
      else
        w->style |= WS_DISABLED;
    }
  }
  if (was_disabled != !enable) {
    if (HWND f = GetFocus(); !enable && f && (f == window || IsChild(window, f))) SetFocus(nullptr);
    SendMessageA(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
  }
  return was_disabled;
}

BOOL WINAPI IsWindowEnabled(HWND window) {
  auto& wm = Manager();
  std::lock_guard lock(wm.mutex);
  Window* w = wm.Find(window);
  return w && !(w->style & WS_DISABLED);
}

BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom) {
  if (!rect) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL WINAPI IsRectEmpty(const RECT* rect) { return !rect || rect->right <= rect->left || rect->bottom <= rect->top; }

BOOL WINAPI IntersectRect(LPRECT out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  *out = IsRectEmpty(&r) ? RECT{} : r;
  return !IsRectEmpty(&r);
}

BOOL WINAPI UnionRect(LPRECT out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  if (IsRectEmpty(a)) return *out = IsRectEmpty(b) ? RECT{} : *b, !IsRectEmpty(b);
  if (IsRectEmpty(b)) return *out = *a, TRUE;
  *out = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
              std::max(a->bottom, b->bottom)};
  return TRUE;
}

BOOL WINAPI OffsetRect(LPRECT rect, int dx, int dy) {
  if (!rect) return FALSE;
  rect->left += dx, rect->right += dx, rect->top += dy, rect->bottom += dy;
  return TRUE;
}

BOOL WINAPI PtInRect(const RECT* rect, POINT point) {
  return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom;
}

BOOL WINAPI EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

}  // extern "C"
