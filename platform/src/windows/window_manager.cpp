#include "windows/window_manager.h"

#include <pthread.h>

#include <algorithm>

#include "kestrel/codepage.h"
#include "windows/listener.h"

namespace kestrel::windows {
namespace {

thread_local ThreadQueue* t_queue = nullptr;
thread_local std::shared_ptr<ThreadQueue>* t_owner = nullptr;

// The queue is owned through a thread key: its destructor runs after every
// thread_local destructor, so module state that destroys windows at thread
// end still finds the queue.
pthread_key_t QueueKey() {
  static pthread_key_t key = [] {
    pthread_key_t k;
    pthread_key_create(&k, [](void* p) {
      auto* owner = static_cast<std::shared_ptr<ThreadQueue>*>(p);
      WindowManager::Get().ThreadEnded(**owner);
      t_queue = nullptr;
      t_owner = nullptr;
      delete owner;
    });
    return k;
  }();
  return key;
}

constexpr ULONG_PTR kProcedureTag = 0xFFFF0000;

bool Intersect(RECT* out, const RECT& a, const RECT& b) { return IntersectRect(out, &a, &b); }

}  // namespace

ThreadQueue* CurrentQueue() { return t_queue; }

const std::shared_ptr<ThreadQueue>& OwnQueue() {
  if (!t_owner) {
    t_owner = new std::shared_ptr<ThreadQueue>(std::make_shared<ThreadQueue>());
    t_queue = t_owner->get();
    pthread_setspecific(QueueKey(), t_owner);
    WindowManager::Get().QueueStarted(*t_owner);
  }
  return *t_owner;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && codepage::UpperAnsi(static_cast<unsigned char>(a[i])) !=
                            codepage::UpperAnsi(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string NameOrAtom(LPCSTR name) {
  auto value = reinterpret_cast<uintptr_t>(name);
  if (value <= 0xFFFF) return "#" + std::to_string(value);
  return name;
}

RECT NonClientInsets(DWORD style, DWORD ex_style, bool menu) {
  int frame = 0;
  if (style & WS_THICKFRAME)
    frame = kSizingFrame;
  else if ((style & WS_DLGFRAME) || (ex_style & WS_EX_DLGMODALFRAME))
    frame = kDialogFrame;
  else if (style & WS_BORDER)
    frame = kBorder;
  RECT r{frame, frame, frame, frame};
  if ((style & WS_CAPTION) == WS_CAPTION) r.top += (ex_style & WS_EX_TOOLWINDOW) ? kToolCaption : kCaption;
  if (menu) r.top += kMenuBar;
  int edge = (ex_style & WS_EX_CLIENTEDGE) ? kClientEdge : (ex_style & WS_EX_STATICEDGE) ? kBorder : 0;
  r.left += edge, r.top += edge, r.right += edge, r.bottom += edge;
  return r;
}

WindowManager& WindowManager::Get() {
  // Never destroyed: threads may still use it while the process ends.
  static WindowManager* manager = new WindowManager;
  return *manager;
}

Window* WindowManager::Find(HWND window) {
  auto value = reinterpret_cast<uintptr_t>(window);
  if (value > 0xFFFFFFFF) return nullptr;
  auto it = windows_.find(static_cast<uint32_t>(value));
  return it == windows_.end() ? nullptr : it->second.get();
}

WindowClass* WindowManager::FindClass(LPCSTR name) {
  if (!name) return nullptr;
  auto value = reinterpret_cast<uintptr_t>(name);
  for (auto& c : classes_)
    if (value <= 0xFFFF ? c->atom == value : SameName(c->name, name)) return c.get();
  return nullptr;
}

ATOM WindowManager::AddClass(const WindowClass& window_class) {
  if (FindClass(window_class.name.c_str())) return 0;
  auto c = std::make_unique<WindowClass>(window_class);
  c->atom = next_atom_++;
  c->windows = 0;
  classes_.push_back(std::move(c));
  return classes_.back()->atom;
}

DWORD WindowManager::RemoveClass(LPCSTR name) {
  WindowClass* c = FindClass(name);
  if (!c) return ERROR_CLASS_DOES_NOT_EXIST;
  if (c->windows > 0) return ERROR_CLASS_HAS_WINDOWS;
  classes_.erase(std::find_if(classes_.begin(), classes_.end(), [c](auto& p) { return p.get() == c; }));
  return 0;
}

Window& WindowManager::Add(std::unique_ptr<Window> window, uint32_t handle) {
  Window& w = *window;
  w.handle = HandleOf(handle);
  w.window_class->windows++;
  windows_[handle] = std::move(window);
  if (w.parent) {
    Find(w.parent)->children.push_back(w.handle);  // new children go to the bottom
  } else {
    PlaceInZOrder(w, (w.ex_style & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP);
  }
  return w;
}

std::vector<HWND>& WindowManager::Siblings(const Window& window) {
  if (!window.parent) return top_level_;
  return Find(window.parent)->children;
}

void WindowManager::Unlink(Window& window) {
  auto& list = Siblings(window);
  list.erase(std::remove(list.begin(), list.end(), window.handle), list.end());
}

void WindowManager::Remove(Window& window) {
  for (HWND child : std::vector<HWND>(window.children))
    if (Window* c = Find(child)) Remove(*c);
  Unlink(window);
  if (window.invalid) window.queue->invalid_windows--;
  window.window_class->windows--;
  if (foreground == window.handle) foreground = nullptr;
  ThreadQueue& q = *window.queue;
  if (q.focus == window.handle) q.focus = nullptr;
  if (q.active == window.handle) q.active = nullptr;
  std::erase_if(q.timers, [&](const Timer& t) { return t.hwnd == window.handle; });
  windows_.erase(HandleValue(window.handle));
}

void WindowManager::PlaceInZOrder(Window& window, HWND insert_after) {
  auto& list = Siblings(window);
  list.erase(std::remove(list.begin(), list.end(), window.handle), list.end());
  bool top_level = !window.parent;
  if (top_level && insert_after == HWND_TOPMOST) window.ex_style |= WS_EX_TOPMOST;
  if (top_level && (insert_after == HWND_NOTOPMOST || insert_after == HWND_BOTTOM)) window.ex_style &= ~WS_EX_TOPMOST;
  // Topmost windows stay in front of the others.
  auto first_plain = list.begin();
  if (top_level)
    first_plain = std::find_if(list.begin(), list.end(),
                               [&](HWND h) { return !(Find(h)->ex_style & WS_EX_TOPMOST); });
  auto at = list.end();
  if (insert_after == HWND_TOP || insert_after == HWND_TOPMOST || insert_after == HWND_NOTOPMOST) {
    at = (top_level && !(window.ex_style & WS_EX_TOPMOST)) ? first_plain : list.begin();
  } else if (insert_after != HWND_BOTTOM) {
    auto it = std::find(list.begin(), list.end(), insert_after);
    if (it != list.end()) at = it + 1;
  }
  list.insert(at, window.handle);
}

RECT WindowManager::ScreenRect(const Window& window) {
  RECT r = window.rect;
  if (window.parent) {
    POINT o = ClientOrigin(*Find(window.parent));
    OffsetRect(&r, o.x, o.y);
  }
  return r;
}

RECT WindowManager::ClientRect(const Window& window) {
  RECT in = NonClientInsets(window.style, window.ex_style, HasMenu(window));
  LONG w = window.rect.right - window.rect.left - in.left - in.right;
  LONG h = window.rect.bottom - window.rect.top - in.top - in.bottom;
  return RECT{0, 0, std::max<LONG>(w, 0), std::max<LONG>(h, 0)};
}

POINT WindowManager::ClientOrigin(const Window& window) {
  RECT in = NonClientInsets(window.style, window.ex_style, HasMenu(window));
  RECT r = ScreenRect(window);
  return POINT{r.left + in.left, r.top + in.top};
}

bool WindowManager::IsVisible(const Window& window) {
  for (const Window* w = &window; w; w = w->parent ? Find(w->parent) : nullptr)
    if (!(w->style & WS_VISIBLE)) return false;
  return true;
}

bool WindowManager::IsChild(HWND parent, HWND window) {
  Window* w = Find(window);
  while (w && (w->style & WS_CHILD) && w->parent) {
    if (w->parent == parent) return true;
    w = Find(w->parent);
  }
  return false;
}

bool WindowManager::MatchesFilter(HWND filter, HWND window) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(-1)) return window == nullptr;
  return window && (window == filter || IsChild(filter, window));
}

void WindowManager::Invalidate(Window& window, const RECT* client, bool erase) {
  if (!IsVisible(window)) return;
  RECT area = ClientRect(window), r;
  if (!Intersect(&r, client ? *client : area, area)) return;
  if (window.invalid) {
    UnionRect(&window.update, &window.update, &r);
  } else {
    window.update = r;
    window.invalid = true;
    window.queue->invalid_windows++;
    if (window.queue.get() != t_queue) window.queue->Wake();
  }
  window.erase = window.erase || erase;
}

void WindowManager::Validate(Window& window, const RECT* client) {
  if (!window.invalid) return;
  RECT u;
  // Only one bounding rectangle is kept: a part validated leaves it whole.
  if (client && !(UnionRect(&u, client, &window.update) && EqualRect(&u, client))) return;
  window.invalid = false;
  window.erase = false;
  window.update = RECT{};
  window.queue->invalid_windows--;
}

void WindowManager::InvalidateTree(Window& window) {
  Invalidate(window, nullptr, true);
  for (HWND child : window.children)
    if (Window* c = Find(child)) InvalidateTree(*c);
}

void WindowManager::ValidateTree(Window& window) {
  Validate(window, nullptr);
  for (HWND child : window.children)
    if (Window* c = Find(child)) ValidateTree(*c);
}

void WindowManager::Uncover(const RECT& screen, HWND except) {
  if (IsRectEmpty(&screen)) return;
  std::vector<HWND> pending(top_level_.begin(), top_level_.end());
  while (!pending.empty()) {
    Window* w = Find(pending.back());
    pending.pop_back();
    if (!w || w->handle == except || !(w->style & WS_VISIBLE)) continue;
    POINT o = ClientOrigin(*w);
    RECT client = ClientRect(*w), r;
    OffsetRect(&client, o.x, o.y);
    if (Intersect(&r, client, screen)) {
      OffsetRect(&r, -o.x, -o.y);
      Invalidate(*w, &r, true);
    }
    pending.insert(pending.end(), w->children.begin(), w->children.end());
  }
  if (paint_hooks.uncovered) paint_hooks.uncovered(screen);
}

HWND WindowManager::NextToPaint(const ThreadQueue& queue, HWND filter) {
  if (queue.invalid_windows.load() <= 0) return nullptr;
  // Parents before children, the top of the z-order first.
  std::vector<HWND> pending(top_level_.rbegin(), top_level_.rend());
  while (!pending.empty()) {
    Window* w = Find(pending.back());
    pending.pop_back();
    if (!w || !(w->style & WS_VISIBLE)) continue;
    if (w->invalid && w->queue.get() == &queue && MatchesFilter(filter, w->handle)) return w->handle;
    pending.insert(pending.end(), w->children.rbegin(), w->children.rend());
  }
  return nullptr;
}

LONG WindowManager::ProcedureHandle(WNDPROC procedure) {
  auto it = std::find(procedures_.begin(), procedures_.end(), procedure);
  size_t index = static_cast<size_t>(it - procedures_.begin());
  if (it == procedures_.end()) {
    if (procedures_.size() >= 0xFFFF) return 0;
    procedures_.push_back(procedure);
  }
  return static_cast<LONG>(kProcedureTag | (index + 1));
}

WNDPROC WindowManager::Procedure(ULONG_PTR value) {
  // A handle arrives sign- or zero-extended from its 32 bits.
  ULONG_PTR high = value >> 32;
  if ((high == 0 || high == 0xFFFFFFFF) && (value & 0xFFFF0000) == kProcedureTag) {
    size_t index = value & 0xFFFF;
    return index >= 1 && index <= procedures_.size() ? procedures_[index - 1] : nullptr;
  }
  return reinterpret_cast<WNDPROC>(value);
}

std::shared_ptr<ThreadQueue> WindowManager::QueueOfThread(DWORD thread_id) {
  auto it = queues_.find(thread_id);
  return it == queues_.end() ? nullptr : it->second.lock();
}

void WindowManager::QueueStarted(const std::shared_ptr<ThreadQueue>& queue) {
  std::lock_guard lock(mutex);
  queues_[queue->thread_id()] = queue;
}

void WindowManager::Publish() {
  std::lock_guard publishing(publish_mutex_);
  unsigned machine = published_.Machine();
  std::vector<PublishedWindow> own;
  {
    std::lock_guard lock(mutex);
    for (HWND h : top_level_) {
      Window* w = Find(h);
      if (w->machine == machine && !w->destroying)
        own.push_back({HandleValue(h), 0, w->queue->thread_id(), w->window_class->name, w->text});
    }
  }
  auto same = [](const PublishedWindow& a, const PublishedWindow& b) {
    return a.handle == b.handle && a.tid == b.tid && a.class_name == b.class_name && a.title == b.title;
  };
  if (std::equal(own.begin(), own.end(), last_published_.begin(), last_published_.end(), same)) return;
  if (!own.empty() && !Listener::Get().Start()) return;
  published_.Publish(own);
  last_published_ = std::move(own);
}

void WindowManager::ThreadEnded(ThreadQueue& queue) {
  {
    std::lock_guard lock(mutex);
    for (bool found = true; found;) {
      found = false;
      for (auto& [handle, w] : windows_) {
        if (w->queue.get() != &queue) continue;
        // From the top of its tree, so that no child is left behind.
        Window* root = w.get();
        while (root->parent && Find(root->parent)->queue.get() == &queue) root = Find(root->parent);
        Remove(*root);
        found = true;
        break;
      }
    }
    queues_.erase(queue.thread_id());
  }
  queue.Close();
  Publish();
}

}  // namespace kestrel::windows
