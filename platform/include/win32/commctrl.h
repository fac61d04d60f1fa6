// Common controls of the stand-in: the registration of their window
// classes and the toolbar control.
//
// Differences from the real platform: the classes need no registration
// here, so InitCommonControlsEx only checks its record. The toolbar knows
// only the messages below; it lays out one row (TBSTYLE_LIST buttons: icon,
// text in DejaVu Sans, padding, and with TBSTYLE_EX_DRAWDDARROWS a separate
// arrow part on drop-down buttons; separators as wide as their iBitmap);
// it has no tooltips, hot tracking, wrapping or strings of its own. Only
// records of sizeof(TBBUTTON), the 64-bit layout, are taken. A drop-down
// button's arrow part is its rightmost 14 pixels.
#pragma once

#include "win32/base.h"
#include "win32/imagelist.h"
#include "win32/windowing.h"

typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;  // sizeof(INITCOMMONCONTROLSEX), 8
  DWORD dwICC;   // ICC_ class sets
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_HOTKEY_CLASS 0x00000040
#define ICC_ANIMATE_CLASS 0x00000080
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_DATE_CLASSES 0x00000100
#define ICC_USEREX_CLASSES 0x00000200
#define ICC_COOL_CLASSES 0x00000400
#define ICC_STANDARD_CLASSES 0x00004000

extern "C" {

// TRUE for a record of the right size; FALSE (ERROR_INVALID_PARAMETER) for
// a null record or another size.
BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

}  // extern "C"

#define TOOLBARCLASSNAMEA "ToolbarWindow32"

// Window styles of the common controls and of the toolbar.
#define CCS_NORESIZE 0x00000004L
#define CCS_NODIVIDER 0x00000040L
#define TBSTYLE_TOOLTIPS 0x0100
#define TBSTYLE_FLAT 0x0800
#define TBSTYLE_LIST 0x1000
#define TBSTYLE_TRANSPARENT 0x8000

// Button styles and states.
#define TBSTYLE_BUTTON 0x00
#define TBSTYLE_SEP 0x01
#define TBSTYLE_DROPDOWN 0x08
#define TBSTYLE_AUTOSIZE 0x10
#define TBSTATE_CHECKED 0x01
#define TBSTATE_PRESSED 0x02
#define TBSTATE_ENABLED 0x04
#define TBSTATE_HIDDEN 0x08

#define TBSTYLE_EX_DRAWDDARROWS 0x00000001

// Toolbar messages.
#define TB_PRESSBUTTON (WM_USER + 3)
#define TB_GETBUTTON (WM_USER + 23)
#define TB_BUTTONCOUNT (WM_USER + 24)
#define TB_GETITEMRECT (WM_USER + 29)
#define TB_BUTTONSTRUCTSIZE (WM_USER + 30)
#define TB_SETIMAGELIST (WM_USER + 48)
#define TB_GETIMAGELIST (WM_USER + 49)
#define TB_ADDBUTTONSW (WM_USER + 68)
#define TB_GETBUTTONTEXTW (WM_USER + 75)
#define TB_SETEXTENDEDSTYLE (WM_USER + 84)
#define TB_GETEXTENDEDSTYLE (WM_USER + 85)

// Notifications (WM_NOTIFY codes).
#define NM_FIRST (0U - 0U)
#define NM_CLICK (NM_FIRST - 2)
#define TBN_FIRST (0U - 700U)
#define TBN_DROPDOWN (TBN_FIRST - 10)
#define TBDDRET_DEFAULT 0

// The button record, in its 64-bit layout (32 bytes).
typedef struct _TBBUTTON {
  int iBitmap;
  int idCommand;
  BYTE fsState;
  BYTE fsStyle;
  BYTE bReserved[6];
  DWORD_PTR dwData;
  INT_PTR iString;  // a UTF-16 text's address for TB_ADDBUTTONSW
} TBBUTTON, *LPTBBUTTON;
typedef const TBBUTTON* LPCTBBUTTON;
static_assert(sizeof(TBBUTTON) == 32);

// NM_CLICK: dwItemSpec is the clicked button's command ID, -1 off any button.
typedef struct tagNMMOUSE {
  NMHDR hdr;
  DWORD_PTR dwItemSpec;
  DWORD_PTR dwItemData;
  POINT pt;
  LPARAM dwHitInfo;
} NMMOUSE, *LPNMMOUSE;

// TBN_DROPDOWN: iItem is the button's command ID.
typedef struct tagNMTOOLBARW {
  NMHDR hdr;
  int iItem;
  TBBUTTON tbButton;
  int cchText;
  LPWSTR pszText;
  RECT rcButton;
} NMTOOLBARW, *LPNMTOOLBARW;
typedef NMTOOLBARW NMTOOLBAR;
typedef LPNMTOOLBARW LPNMTOOLBAR;

extern "C" {

// A toolbar child of parent with the control ID id; parent receives its
// notifications for its whole life, wherever it is moved. Bitmaps are not
// supported: nBitmaps must be 0 (images come from TB_SETIMAGELIST). The
// sizes are kept as the minimum button and image sizes. NULL when parent is
// no window, structSize is not sizeof(TBBUTTON) or a bitmap is asked for.
HWND WINAPI CreateToolbarEx(HWND parent, DWORD style, UINT id, int nBitmaps, HINSTANCE bitmapInstance,
                            UINT_PTR bitmapId, LPCTBBUTTON buttons, int numButtons, int dxButton, int dyButton,
                            int dxBitmap, int dyBitmap, UINT structSize);

}  // extern "C"
