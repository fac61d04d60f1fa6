// The process's menus: a table of menus by handle, each a list of items.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "kestrel/codepage.h"
#include "kestrel/person.h"
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

// Popup menus: what the person sees, and the choice made.
namespace {

// One item as the person sees it, its submenu's items below it.
struct Shown {
  std::u16string caption;  // without mnemonic ampersands; "-" for a separator
  UINT id = 0;
  bool separator = false;
  bool checked = false;
  std::vector<Shown> items;  // a submenu's
  bool submenu = false;
};

std::u16string WithoutMnemonics(const std::string& ansi) {
  std::u16string text = kestrel::codepage::FromAnsi(ansi), out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;  // "&&" is one ampersand
    else if (text[i] == u'&') continue;
    out += text[i];
  }
  return out;
}

std::vector<Shown> Snapshot(HMENU handle, int depth = 0) {
  std::vector<Shown> shown;
  const Menu* menu = Find(handle);
  if (!menu || depth > 16) return shown;
  for (const Item& item : menu->items) {
    Shown s;
    s.separator = item.flags & MF_SEPARATOR;
    s.caption = s.separator ? u"-" : WithoutMnemonics(item.text);
    s.id = item.id;
    s.checked = item.flags & MF_CHECKED;
    if (item.submenu) {
      s.submenu = true;
      s.items = Snapshot(item.submenu, depth + 1);
    }
    shown.push_back(std::move(s));
  }
  return shown;
}

void ListChoices(const std::vector<Shown>& items, const std::u16string& prefix, std::vector<std::u16string>* out) {
  for (const Shown& s : items) {
    if (s.submenu) {
      ListChoices(s.items, prefix + s.caption + u" > ", out);
    } else {
      out->push_back(s.separator ? prefix + u"-" : prefix + s.caption + (s.checked ? u" (checked)" : u""));
    }
  }
}

std::u16string Trim(const std::u16string& s) {
  const size_t begin = s.find_first_not_of(u" \t");
  if (begin == std::u16string::npos) return {};
  return s.substr(begin, s.find_last_not_of(u" \t") - begin + 1);
}

std::vector<std::u16string> Split(const std::u16string& s, char16_t separator) {
  std::vector<std::u16string> parts;
  size_t start = 0;
  while (true) {
    const size_t at = s.find(separator, start);
    parts.push_back(Trim(s.substr(start, at == std::u16string::npos ? std::u16string::npos : at - start)));
    if (at == std::u16string::npos) return parts;
    start = at + 1;
  }
}

// The item a path "A > B" names; null with the reason when there is none.
const Shown* Resolve(const std::vector<Shown>& items, const std::u16string& path, std::u16string* reason) {
  const std::vector<Shown>* level = &items;
  const Shown* found = nullptr;
  for (const std::u16string& part : Split(path, u'>')) {
    if (found && !found->submenu) {
      *reason = u"\"" + found->caption + u"\" has no submenu";
      return nullptr;
    }
    found = nullptr;
    // Typed as shown, or with mnemonics of its own.
    const std::u16string plain = WithoutMnemonics(kestrel::codepage::ToAnsi(part));
    for (const Shown& s : *level)
      if (!s.separator && (s.caption == part || s.caption == plain)) {
        found = &s;
        break;
      }
    if (!found) {
      *reason = u"the menu has no item \"" + part + u"\"";
      return nullptr;
    }
    level = &found->items;
  }
  return found;
}

// Checks an "expect" action against the popup; empty when it holds.
std::u16string Expectation(const std::vector<Shown>& items, const std::u16string& argument) {
  const size_t blank = argument.find_first_of(u" \t");
  const std::u16string what = argument.substr(0, blank);
  const std::u16string rest = blank == std::u16string::npos ? u"" : Trim(argument.substr(blank));
  std::u16string reason;
  if (what == u"items") {
    std::u16string shown;
    for (const Shown& s : items) shown += (shown.empty() ? u"" : u" | ") + s.caption;
    std::u16string expected;
    for (const std::u16string& part : Split(rest, u'|')) expected += (expected.empty() ? u"" : u" | ") + part;
    return shown == expected ? u"" : u"expected items " + expected + u", the menu shows " + shown;
  }
  if (what == u"no") {
    const std::u16string caption = Trim(rest.substr(rest.find_first_of(u" \t") == std::u16string::npos
                                                        ? rest.size()
                                                        : rest.find_first_of(u" \t")));
    if (rest.rfind(u"item", 0) != 0) return u"expect no item CAPTION";
    return Resolve(items, caption, &reason) ? u"the menu has an item \"" + caption + u"\"" : u"";
  }
  if (what == u"item" || what == u"checked" || what == u"unchecked") {
    const Shown* s = Resolve(items, rest, &reason);
    if (!s) return reason;
    if (what == u"checked" && !s->checked) return u"\"" + rest + u"\" is not checked";
    if (what == u"unchecked" && s->checked) return u"\"" + rest + u"\" is checked";
    return u"";
  }
  return u"a popup menu expects items, item, no item, checked or unchecked";
}

}  // namespace

extern "C" BOOL WINAPI TrackPopupMenu(HMENU handle, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  std::vector<Shown> items;
  {
    std::lock_guard lock(g_mutex);
    if (!Find(handle)) {
      SetLastError(ERROR_INVALID_MENU_HANDLE);
      return FALSE;
    }
    items = Snapshot(handle);
  }
  if (!IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  kestrel::Prompt prompt;
  prompt.kind = kestrel::Prompt::Kind::kPopupMenu;
  prompt.text = kestrel::codepage::FromAnsi("at " + std::to_string(x) + ", " + std::to_string(y));
  ListChoices(items, u"", &prompt.choices);

  std::shared_ptr<kestrel::Person> person = kestrel::CurrentPerson();
  UINT chosen = 0;
  bool done = false;
  while (!done) {
    kestrel::Action action = person->Act(prompt);
    std::u16string reason;
    if (action.verb == "choose") {
      const Shown* s = Resolve(items, action.argument, &reason);
      if (s && s->submenu) reason = u"\"" + s->caption + u"\" opens a submenu";
      if (s && !s->submenu) {
        chosen = s->id;
        done = true;
        continue;
      }
    } else if (action.verb == "dismiss" || action.IsCancel()) {
      done = true;
      continue;
    } else if (action.verb == "expect") {
      reason = Expectation(items, action.argument);
      if (reason.empty()) continue;
    } else {
      reason = u"a popup menu is open: choose an item or dismiss it";
    }
    if (!person->Reject(action, reason)) done = true;  // given up: dismissed
  }
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (chosen) PostMessageA(owner, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
  return TRUE;
}
