#include <mutex>
#include <thread>

#include "windows.h"

namespace {

struct Clipboard {
  std::mutex mutex;
  std::thread::id opener;
  bool open = false;
  HWND open_window = nullptr;
  HWND owner = nullptr;
  HBITMAP bitmap = nullptr;
};

Clipboard& clipboard() {
  static Clipboard c;
  return c;
}

bool OpenHere(Clipboard& c) { return c.open && c.opener == std::this_thread::get_id(); }

void Free(Clipboard& c) {
  if (c.bitmap) DeleteObject(c.bitmap);
  c.bitmap = nullptr;
}

}  // namespace

extern "C" {

BOOL WINAPI OpenClipboard(HWND newOwner) {
  Clipboard& c = clipboard();
  std::lock_guard lock(c.mutex);
  if (c.open && c.opener != std::this_thread::get_id()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  c.open = true;
  c.opener = std::this_thread::get_id();
  c.open_window = newOwner;
  return TRUE;
}

BOOL WINAPI CloseClipboard(void) {
  Clipboard& c = clipboard();
  std::lock_guard lock(c.mutex);
  if (!OpenHere(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  c.open = false;
  c.opener = {};
  return TRUE;
}

BOOL WINAPI EmptyClipboard(void) {
  Clipboard& c = clipboard();
  std::lock_guard lock(c.mutex);
  if (!OpenHere(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  Free(c);
  c.owner = c.open_window;
  return TRUE;
}

HANDLE WINAPI SetClipboardData(UINT format, HANDLE data) {
  Clipboard& c = clipboard();
  std::lock_guard lock(c.mutex);
  if (!OpenHere(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (format != CF_BITMAP || GetObjectType(data) != OBJ_BITMAP) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (c.bitmap != data) Free(c);
  c.bitmap = static_cast<HBITMAP>(data);
  return data;
}

HANDLE WINAPI GetClipboardData(UINT format) {
  Clipboard& c = clipboard();
  std::lock_guard lock(c.mutex);
  if (!OpenHere(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  return format == CF_BITMAP ? c.bitmap : nullptr;
}

BOOL WINAPI IsClipboardFormatAvailable(UINT format) {
  Clipboard& c = clipboard();
  std::lock_guard lock(c.mutex);
  return format == CF_BITMAP && c.bitmap != nullptr;
}

HWND WINAPI GetClipboardOwner(void) {
  Clipboard& c = clipboard();
  std::lock_guard lock(c.mutex);
  return c.owner;
}

}  // extern "C"
