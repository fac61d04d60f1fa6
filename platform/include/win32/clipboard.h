// The clipboard of the stand-in.
//
// Differences from the real platform: the clipboard belongs to the process
// (not the machine), holds CF_BITMAP only, and renders nothing late. What it
// is given it owns: EmptyClipboard and the next SetClipboardData of the
// same format delete the bitmap it held. It is open for one thread at a
// time; the owner window is recorded, never sent messages.
#pragma once

#include "win32/base.h"

#define CF_BITMAP 2
#define ERROR_CLIPBOARD_NOT_OPEN 1418L

extern "C" {

// FALSE when another thread has the clipboard open.
BOOL WINAPI OpenClipboard(HWND newOwner);
BOOL WINAPI CloseClipboard(void);
// Frees what the clipboard holds and makes the opener's window its owner.
// FALSE (ERROR_CLIPBOARD_NOT_OPEN) when this thread has not opened it.
BOOL WINAPI EmptyClipboard(void);
// Takes ownership of data and returns it; NULL when the clipboard is not
// open here, the format is not CF_BITMAP or data is not a bitmap (data then
// stays the caller's).
HANDLE WINAPI SetClipboardData(UINT format, HANDLE data);
// The clipboard's own handle (still the clipboard's: do not delete it);
// NULL when the clipboard is not open here or holds nothing of that format.
HANDLE WINAPI GetClipboardData(UINT format);
BOOL WINAPI IsClipboardFormatAvailable(UINT format);
HWND WINAPI GetClipboardOwner(void);

}  // extern "C"
