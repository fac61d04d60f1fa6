// Windows and messages of the stand-in: classes, window procedures, parent
// and child, z-order, rectangles, properties, focus, per-thread queues,
// sent and posted messages, paints, timers.
//
// Behaviour callers rely on, as on the real platform: a window belongs to the
// thread that created it and its procedure runs on that thread; a same-thread
// SendMessageA calls the procedure directly, a send from another thread is
// delivered while the owner pumps or waits in a send of its own; destroying a
// window destroys its owned windows, then sends WM_DESTROY to it and its
// children (parent first) and WM_NCDESTROY (children first); handles of
// destroyed windows fail with ERROR_INVALID_WINDOW_HANDLE.
//
// Across processes on the same machine folder: handles are unique on the
// machine and fit in 32 bits; top-level windows of every process are seen by
// FindWindowA, FindWindowExA (NULL parent), IsWindow, GetWindowTextA,
// GetClassNameA and GetWindowThreadProcessId; windows of a process that has
// ended vanish. Only WM_COPYDATA (its data copied, read-only and valid during
// the call), WM_SETTINGCHANGE (lParam 0 or a string, copied) and WM_NULL are
// sent to another process; other messages to such a window, posts to it and
// changes of it fail with ERROR_ACCESS_DENIED. A receiver that does not answer
// within the send's timeout (5 s for SendMessageA) gives 0 and ERROR_TIMEOUT;
// one that has ended, or ends during the send, 0 at once.
//
// Differences: ANSI only (no W procedures, so no ANSI/Unicode thunking);
// GetWindowLongA/SetWindowLongA(GWL_WNDPROC) carry 32-bit procedure handles
// (valid for SetWindowLongA and CallWindowProcA), the Ptr forms carry the
// procedure itself. No WM_NCCALCSIZE, WM_GETMINMAXINFO, WM_WINDOWPOS* or
// WM_ERASEBKGND; SetWindowPos sends WM_MOVE/WM_SIZE itself. Minimising and
// maximising only set the style bits. Activation messages reach windows of
// the calling thread only. Top-level windows of other processes come after
// this process's own in FindWindowExA's order; GetWindow sees this process's
// windows only; owned windows are not kept above their owner. Paints are kept
// as one bounding update rectangle per window. Posted messages and timers
// stay within the process.
#pragma once

#include "win32/base.h"

typedef HICON HCURSOR;
typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

struct POINT {
  LONG x;
  LONG y;
};
struct SIZE {
  LONG cx;
  LONG cy;
};
typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT;
typedef POINT* LPPOINT;
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;

typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG;
typedef MSG* LPMSG;

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};

struct WNDCLASSEXA {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
  HICON hIconSm;
};

struct CREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};

struct COPYDATASTRUCT {
  ULONG_PTR dwData;
  DWORD cbData;
  LPVOID lpData;
};
typedef COPYDATASTRUCT* PCOPYDATASTRUCT;

struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};
typedef NMHDR* LPNMHDR;

#define MAKEINTATOM(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))

// Messages.
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SHOWWINDOW 0x0018
#define WM_SETTINGCHANGE 0x001A
#define WM_WININICHANGE WM_SETTINGCHANGE
#define WM_COPYDATA 0x004A
#define WM_NOTIFY 0x004E
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MOUSEWHEEL 0x020A
#define WM_USER 0x0400
#define WM_APP 0x8000

// WM_ACTIVATE.
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2
// WM_SIZE.
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2
// Mouse message key states.
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// Virtual keys that TranslateMessage knows.
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_DELETE 0x2E

// Window styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_CHILDWINDOW WS_CHILD
#define WS_OVERLAPPEDWINDOW \
  (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)

#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_NOPARENTNOTIFY 0x00000004L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_ACCEPTFILES 0x00000010L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_CONTROLPARENT 0x00010000L
#define WS_EX_STATICEDGE 0x00020000L
#define WS_EX_APPWINDOW 0x00040000L
#define WS_EX_OVERLAPPEDWINDOW (WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE)
#define WS_EX_NOACTIVATE 0x08000000L

// Class styles (kept, not acted on).
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020
#define CS_CLASSDC 0x0040
#define CS_PARENTDC 0x0080
#define CS_NOCLOSE 0x0200
#define CS_SAVEBITS 0x0800
#define CS_GLOBALCLASS 0x4000

#define CW_USEDEFAULT ((int)0x80000000)

#define HWND_DESKTOP ((HWND)0)
#define HWND_BROADCAST ((HWND)0xffff)
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)-1)
#define HWND_NOTOPMOST ((HWND)-2)

// Get/SetWindowLong indexes; 0 and above address the class's cbWndExtra bytes.
#define GWL_WNDPROC (-4)
#define GWL_HINSTANCE (-6)
#define GWL_HWNDPARENT (-8)
#define GWL_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_USERDATA (-21)
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_ID (-12)
#define GWLP_USERDATA (-21)

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOCOPYBITS 0x0100
#define SWP_NOOWNERZORDER 0x0200

#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

#define SMTO_NORMAL 0x0000
#define SMTO_BLOCK 0x0001
#define SMTO_ABORTIFHUNG 0x0002

// GetSystemMetrics: the screen is 1024 x 768; frames as the window rules use them.
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CYMENU 15
#define SM_CXFRAME 32
#define SM_CYFRAME 33
#define SM_CXEDGE 45
#define SM_CYEDGE 46
#define SM_CXSMICON 49
#define SM_CYSMICON 50

extern "C" {

// Classes. RegisterClass* returns the class atom, 0 on failure
// (ERROR_CLASS_ALREADY_EXISTS). Names compare case-insensitively; a name may
// be MAKEINTATOM(atom). Classes belong to the process; hInstance is kept only.
ATOM WINAPI RegisterClassA(const WNDCLASSA* wndClass);
ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wndClass);
// Fails with ERROR_CLASS_DOES_NOT_EXIST, or ERROR_CLASS_HAS_WINDOWS while
// windows of the class exist.
BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance);

// WM_NCCREATE, WM_CREATE (both with CREATESTRUCTA), WM_SIZE, WM_MOVE, then
// WM_SHOWWINDOW when WS_VISIBLE. NULL when WM_NCCREATE returns FALSE or
// WM_CREATE returns -1 (the window is then destroyed again). With WS_CHILD,
// parent is the parent and hMenu the control ID; otherwise parent is the
// owner. x, y are in the parent's client coordinates (screen for top-level).
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
#define CreateWindowA(c, n, s, x, y, w, h, p, m, i, l) CreateWindowExA(0, c, n, s, x, y, w, h, p, m, i, l)
// Only the owning thread may destroy a window (ERROR_ACCESS_DENIED otherwise).
BOOL WINAPI DestroyWindow(HWND window);
BOOL WINAPI IsWindow(HWND window);
// The owning thread's id, and the process's id in *processId when given;
// 0 for an invalid window, *processId then untouched.
DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId);

// 0 with ERROR_INVALID_INDEX for an unknown index, and with
// ERROR_ACCESS_DENIED when changing a window of another process. The
// previous value is returned (0 can also be a previous value: callers that
// care clear the last error first, as on the real platform).
LONG WINAPI GetWindowLongA(HWND window, int index);
LONG WINAPI SetWindowLongA(HWND window, int index, LONG newLong);
LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index);
LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR newLong);
// Calls proc, which may be a procedure or a procedure handle of
// GetWindowLongA(GWL_WNDPROC); 0 for NULL.
LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Default processing: WM_NCCREATE keeps the title, WM_CLOSE destroys the
// window, WM_SETTEXT / WM_GETTEXT / WM_GETTEXTLENGTH keep the text,
// WM_PAINT validates, WM_ACTIVATE gives an activated window the focus.
LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// 0 with ERROR_INVALID_WINDOW_HANDLE for an invalid window, ERROR_TIMEOUT
// for a receiver that did not answer in time; HWND_BROADCAST reaches every
// top-level window of the machine (then the result is 0 for SendMessageA).
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Nonzero when the message was handled, result then set (HWND_BROADCAST:
// always nonzero, result 0, each window given the whole timeout). SMTO_BLOCK: no sent
// messages are handled while waiting. SMTO_ABORTIFHUNG: fails at once for a
// receiver that has not looked at its queue for 5 s or has left an earlier
// send unanswered past its timeout.
LRESULT WINAPI SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                                   UINT timeout, PDWORD_PTR result);
// window NULL posts to the calling thread. WM_COPYDATA cannot be posted.
BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
void WINAPI PostQuitMessage(int exitCode);
// Handles sent messages, then returns, in this order: a posted message, WM_QUIT,
// WM_PAINT for an invalid visible window, WM_TIMER. The window filter takes
// the window and its children ((HWND)-1: messages without window only).
BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage);
// 0 for WM_QUIT, -1 for an invalid window filter, otherwise nonzero.
BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax);
// Waits until a message arrives, handling sent ones.
BOOL WINAPI WaitMessage(void);
// Posts WM_CHAR for WM_KEYDOWN of letters (lower case), digits, space, Tab,
// Enter, Backspace and Escape; no keyboard state or layouts.
BOOL WINAPI TranslateMessage(const MSG* msg);
LRESULT WINAPI DispatchMessageA(const MSG* msg);

// Properties: names case-insensitive. SetPropA adds or replaces; GetPropA
// gives NULL for a missing one; RemovePropA gives the stored value or NULL.
BOOL WINAPI SetPropA(HWND window, LPCSTR name, HANDLE data);
HANDLE WINAPI GetPropA(HWND window, LPCSTR name);
HANDLE WINAPI RemovePropA(HWND window, LPCSTR name);

// GetParent gives the parent of a child window, the owner of another one.
HWND WINAPI GetParent(HWND window);
// Gives the previous parent (the desktop for a top-level window); NULL makes
// the window top-level.
HWND WINAPI SetParent(HWND child, HWND newParent);
BOOL WINAPI IsChild(HWND parent, HWND window);
HWND WINAPI GetWindow(HWND window, UINT command);
HWND WINAPI GetDesktopWindow(void);
HWND WINAPI GetDlgItem(HWND dialog, int id);
int WINAPI GetDlgCtrlID(HWND window);
// Top-level windows only; NULL class or title matches any; the whole title
// compared case-insensitively.
HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName);
// Children of parent (top-level windows when NULL) after childAfter (from the
// first when NULL).
HWND WINAPI FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName);

// Nonzero when the window was visible before.
BOOL WINAPI ShowWindow(HWND window, int command);
BOOL WINAPI IsWindowVisible(HWND window);
BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
BOOL WINAPI ClientToScreen(HWND window, LPPOINT point);
BOOL WINAPI ScreenToClient(HWND window, LPPOINT point);
BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle);
int WINAPI GetSystemMetrics(int index);

// Characters copied without the terminator; the text is cut to fit.
int WINAPI GetWindowTextA(HWND window, LPSTR text, int maxCount);
int WINAPI GetWindowTextLengthA(HWND window);
BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text);
int WINAPI GetClassNameA(HWND window, LPSTR className, int maxCount);

// Focus and activation are kept per thread; the foreground window per process.
HWND WINAPI GetFocus(void);
HWND WINAPI SetFocus(HWND window);
HWND WINAPI GetActiveWindow(void);
HWND WINAPI GetForegroundWindow(void);
BOOL WINAPI SetForegroundWindow(HWND window);
// Nonzero when the window was disabled before.
BOOL WINAPI EnableWindow(HWND window, BOOL enable);
BOOL WINAPI IsWindowEnabled(HWND window);

// Paints: rect in client coordinates, NULL for the whole client area.
BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL WINAPI ValidateRect(HWND window, const RECT* rect);
BOOL WINAPI GetUpdateRect(HWND window, LPRECT rect, BOOL erase);
// Sends WM_PAINT at once when the window is invalid.
BOOL WINAPI UpdateWindow(HWND window);

// Timers of the calling thread; the window must be the calling thread's.
UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL WINAPI KillTimer(HWND window, UINT_PTR id);

BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom);
BOOL WINAPI IsRectEmpty(const RECT* rect);
BOOL WINAPI IntersectRect(LPRECT out, const RECT* a, const RECT* b);
BOOL WINAPI UnionRect(LPRECT out, const RECT* a, const RECT* b);
BOOL WINAPI OffsetRect(LPRECT rect, int dx, int dy);
BOOL WINAPI PtInRect(const RECT* rect, POINT point);
BOOL WINAPI EqualRect(const RECT* a, const RECT* b);

}  // extern "C"
