// Common controls of the stand-in: the registration of their window
// classes. Differences from the real platform: the classes need no
// registration here, so InitCommonControlsEx only checks its record.
#pragma once

#include "win32/base.h"

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
