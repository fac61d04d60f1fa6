// The process's menus: a table of menus by handle, each a list of items.
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "windows.h"

namespace {

struct Item {
  UINT flags = 0;  // MF_SEPARATOR, MF_POPUP, MF_CHECKED, MF_GRAYED, MF_DISABLED
  UINT id = 0;
  std::string text;
  HMENU submenu = nullptr;
};

struct Menu {
  std::vector<Item> items;
};

std::mutex g_mutex;
std::map<HMENU, Menu> g_menus;
std::map<HWND, HMENU> g_menu_bars;
uintptr_t g_next_handle = 0x00020000;

constexpr UINT kStateFlags = MF_CHECKED | MF_GRAYED | MF_DISABLED;

Menu* Find(HMENU menu) {
  auto it = g_menus.find(menu);
  return it == g_menus.end() ? nullptr : &it->second;
}

HMENU Create() {
  std::lock_guard lock(g_mutex);
  HMENU handle = reinterpret_cast<HMENU>(g_next_handle);
  g_next_handle += 4;
  g_menus.emplace(handle, Menu{});
  return handle;
}

void DestroyLocked(HMENU menu) {
  auto it = g_menus.find(menu);
  if (it == g_menus.end()) return;
  std::vector<Item> items = std::move(it->second.items);
  g_menus.erase(it);
  for (const Item& item : items)
    if (item.submenu) DestroyLocked(item.submenu);
  for (auto bar = g_menu_bars.begin(); bar != g_menu_bars.end();)
    bar = bar->second == menu ? g_menu_bars.erase(bar) : std::next(bar);
}

// The item addressed by position or, depth first through submenus, by
// command ID.
Item* Locate(HMENU handle, UINT item, UINT flags) {
  Menu* menu = Find(handle);
  if (!menu) return nullptr;
  if (flags & MF_BYPOSITION) return item < menu->items.size() ? &menu->items[item] : nullptr;
  for (Item& candidate : menu->items) {
    if (candidate.submenu) {
      if (Item* inner = Locate(candidate.submenu, item, flags)) return inner;
    } else if (!(candidate.flags & MF_SEPARATOR) && candidate.id == item) {
      return &candidate;
    }
  }
  return nullptr;
}

}  // namespace

extern "C" {

HMENU WINAPI CreateMenu(void) { return Create(); }
HMENU WINAPI CreatePopupMenu(void) { return Create(); }

BOOL WINAPI DestroyMenu(HMENU menu) {
  std::lock_guard lock(g_mutex);
  if (!Find(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  DestroyLocked(menu);
  return TRUE;
}

BOOL WINAPI IsMenu(HMENU menu) {
  std::lock_guard lock(g_mutex);
  return Find(menu) != nullptr;
}

BOOL WINAPI AppendMenuA(HMENU handle, UINT flags, UINT_PTR id, LPCSTR text) {
  std::lock_guard lock(g_mutex);
  Menu* menu = Find(handle);
  HMENU submenu = (flags & MF_POPUP) ? reinterpret_cast<HMENU>(id) : nullptr;
  if (!menu || ((flags & MF_POPUP) && (!Find(submenu) || submenu == handle))) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  Item item;
  item.flags = flags & (kStateFlags | MF_SEPARATOR | MF_POPUP);
  if (flags & MF_SEPARATOR) {
    item.flags &= ~MF_POPUP;
  } else {
    item.id = submenu ? 0 : static_cast<UINT>(id);
    item.submenu = submenu;
    item.text = text ? text : "";
  }
  menu->items.push_back(std::move(item));
  return TRUE;
}

int WINAPI GetMenuItemCount(HMENU handle) {
  std::lock_guard lock(g_mutex);
  Menu* menu = Find(handle);
  if (!menu) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return -1;
  }
  return static_cast<int>(menu->items.size());
}

UINT WINAPI GetMenuItemID(HMENU handle, int position) {
  std::lock_guard lock(g_mutex);
  Item* item = position < 0 ? nullptr : Locate(handle, static_cast<UINT>(position), MF_BYPOSITION);
  if (!item || item->submenu) return static_cast<UINT>(-1);
  return item->id;
}

HMENU WINAPI GetSubMenu(HMENU handle, int position) {
  std::lock_guard lock(g_mutex);
  Item* item = position < 0 ? nullptr : Locate(handle, static_cast<UINT>(position), MF_BYPOSITION);
  return item ? item->submenu : nullptr;
}

int WINAPI GetMenuStringA(HMENU handle, UINT which, LPSTR text, int maxCount, UINT flags) {
  std::lock_guard lock(g_mutex);
  Item* item = Locate(handle, which, flags);
  if (!item || (item->flags & MF_SEPARATOR)) {
    if (text && maxCount > 0) text[0] = '\0';
    return 0;
  }
  if (!text) return static_cast<int>(item->text.size());
  if (maxCount <= 0) return 0;
  size_t n = std::min(item->text.size(), static_cast<size_t>(maxCount - 1));
  std::memcpy(text, item->text.data(), n);
  text[n] = '\0';
  return static_cast<int>(n);
}

DWORD WINAPI CheckMenuItem(HMENU handle, UINT which, UINT check) {
  std::lock_guard lock(g_mutex);
  Item* item = Locate(handle, which, check & MF_BYPOSITION);
  if (!item) return static_cast<DWORD>(-1);
  DWORD previous = item->flags & MF_CHECKED;
  item->flags = (item->flags & ~MF_CHECKED) | (check & MF_CHECKED);
  return previous;
}

UINT WINAPI GetMenuState(HMENU handle, UINT which, UINT flags) {
  std::lock_guard lock(g_mutex);
  Item* item = Locate(handle, which, flags & MF_BYPOSITION);
  if (!item) return static_cast<UINT>(-1);
  UINT state = item->flags;
  if (item->submenu) {
    const Menu* sub = Find(item->submenu);
    state |= static_cast<UINT>(sub ? sub->items.size() : 0) << 8;
  }
  return state;
}

BOOL WINAPI SetMenu(HWND window, HMENU menu) {
  if (!IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  std::lock_guard lock(g_mutex);
  if (menu && !Find(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  if (menu) {
    g_menu_bars[window] = menu;
  } else {
    g_menu_bars.erase(window);
  }
  return TRUE;
}

HMENU WINAPI GetMenu(HWND window) {
  bool alive = IsWindow(window);
  std::lock_guard lock(g_mutex);
  auto it = g_menu_bars.find(window);
  if (it == g_menu_bars.end()) return nullptr;
  if (!alive) {  // the window has gone; its handle may come back for another
    g_menu_bars.erase(it);
    return nullptr;
  }
  return it->second;
}

}  // extern "C"
