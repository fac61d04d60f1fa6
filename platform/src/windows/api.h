// What the window manager's Win32 functions share.
#pragma once

#include <optional>

#include "windows/published_windows.h"
#include "windows/window_manager.h"

namespace kestrel::windows {

// A top-level window of another process.
std::optional<PublishedWindow> Remote(HWND window);
// The error for a handle that is no window of this process: ERROR_ACCESS_DENIED
// for one of another process, ERROR_INVALID_WINDOW_HANDLE otherwise.
void SetNotLocalError(HWND window);
// The window of this process, or null with the error of SetNotLocalError
// set. The caller holds the manager's lock.
Window* FindOrFail(WindowManager& wm, HWND window);

// Makes a top-level window of the calling thread the active one (null: none),
// with WM_ACTIVATE to the one that stops being active and to the new one.
void Activate(HWND window, bool bring_to_top);
// The focus leaves a window that is hidden or destroyed and its children:
// to its parent for a child window, to none otherwise.
void MoveFocusAway(HWND window);
// The window stops being active (hidden or destroyed): its owner, or else the
// next visible top-level window of the thread, becomes active.
void ActivateOther(HWND window);

}  // namespace kestrel::windows
