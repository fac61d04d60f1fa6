// Menus of the stand-in: menu bars and popup menus with item IDs, texts,
// separators, check marks and submenus, and a window's menu bar.
//
// Differences from the real platform: menus belong to the process and are
// not drawn; a window's menu bar is recorded by SetMenu only (CreateWindowExA
// does not take one), and DestroyWindow does not destroy it, so its owner
// destroys it. Items are text, separator or submenu (no bitmaps, owner draw
// or default items). MF_BYCOMMAND searches submenus depth first, as on the
// real platform.
#pragma once

#include "win32/base.h"

#define MF_INSERT 0x00000000L
#define MF_CHANGE 0x00000080L
#define MF_APPEND 0x00000100L
#define MF_DELETE 0x00000200L
#define MF_REMOVE 0x00001000L
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_SEPARATOR 0x00000800L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_UNCHECKED 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_STRING 0x00000000L
#define MF_POPUP 0x00000010L

extern "C" {

// An empty menu bar or popup menu; NULL on failure.
HMENU WINAPI CreateMenu(void);
HMENU WINAPI CreatePopupMenu(void);
// Destroys the menu and its submenus; FALSE with ERROR_INVALID_MENU_HANDLE
// for an invalid menu.
BOOL WINAPI DestroyMenu(HMENU menu);
BOOL WINAPI IsMenu(HMENU menu);

// Appends a text item (id = command ID), a separator or, with MF_POPUP, the
// submenu given as id (the menu then owns it). MF_CHECKED, MF_GRAYED and
// MF_DISABLED set the item's state.
BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR item);

// -1 with ERROR_INVALID_MENU_HANDLE for an invalid menu.
int WINAPI GetMenuItemCount(HMENU menu);
// The item's command ID; 0 for a separator; (UINT)-1 for a submenu or a
// position outside the menu.
UINT WINAPI GetMenuItemID(HMENU menu, int position);
// The submenu at position, NULL when that item has none.
HMENU WINAPI GetSubMenu(HMENU menu, int position);
// Copies the item's text, cut to maxCount - 1 characters and terminated;
// returns the characters copied without the terminator (the text's length
// when text is NULL); 0 for a separator or a missing item.
int WINAPI GetMenuStringA(HMENU menu, UINT item, LPSTR text, int maxCount, UINT flags);
// The previous check state (MF_CHECKED or MF_UNCHECKED), (DWORD)-1 for a
// missing item.
DWORD WINAPI CheckMenuItem(HMENU menu, UINT item, UINT check);
// The item's state flags (MF_CHECKED, MF_GRAYED, MF_DISABLED, MF_SEPARATOR,
// MF_POPUP; for a submenu the item count in the high byte), (UINT)-1 for a
// missing item.
UINT WINAPI GetMenuState(HMENU menu, UINT item, UINT flags);

// Gives the window a menu bar (NULL removes it); the previous one is not
// destroyed. FALSE for an invalid window or menu.
BOOL WINAPI SetMenu(HWND window, HMENU menu);
// The window's menu bar, NULL when it has none.
HMENU WINAPI GetMenu(HWND window);

}  // extern "C"
