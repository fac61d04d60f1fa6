// modSubclass: lets an object receive chosen messages of a window before (or
// instead of) the window's own procedure. All per-window state lives in the
// window's property list; a registration holds no reference on its client,
// so a client detaches before it goes away.
//
// Errors are raised as kestrel::ComponentError with the source
// "<band library>.WindowProc":
//   0x80043319 "Can't subclass window"                     (13081)
//   0x8004331A "Message already handled by another class"  (13082)
//   0x8004331B "Invalid window"                            (13083)
//   0x8004331C "Can't modify external window"              (13084)
#pragma once

#include "ISubclass.h"

namespace modSubclass {

inline constexpr int kCantSubclass = 13081;
inline constexpr int kAlreadyHandled = 13082;
inline constexpr int kInvalidWindow = 13083;
inline constexpr int kExternalWindow = 13084;

// Registers client for msg of hwnd; raises the errors above.
void AttachMessage(ISubclass* client, HWND hwnd, UINT msg);
// Removes one registration; raises nothing and does not check the window.
void DetachMessage(ISubclass* client, HWND hwnd, UINT msg);

// The procedure installed in a subclassed window.
LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Calls the previous procedure of the window being dispatched on this thread.
LRESULT CallOldWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// True when hwnd belongs to the calling process.
bool IsWindowLocal(HWND hwnd);
[[noreturn]] void RaiseSubclassError(int code);

}  // namespace modSubclass
