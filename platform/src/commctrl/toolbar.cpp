// The toolbar control: one row of buttons laid out from their images and
// texts, hit-testing of mouse clicks, notifications to the window that was
// the parent at creation, and painting with cairo.
#include <cairo.h>

#include <algorithm>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kestrel/canvas.h"
#include "kestrel/codepage.h"
#include "kestrel/icon_pixels.h"
#include "windows.h"

namespace {

// Layout of a TBSTYLE_LIST button, in pixels.
constexpr int kTop = 1;          // above every button
constexpr int kPadLeft = 4;      // before the image
constexpr int kImageGap = 4;     // between image and text
constexpr int kPadRight = 6;     // after the text (or the image)
constexpr int kPadTextless = 4;  // after the image of a button without text
constexpr int kArrowWidth = 14;  // the separate arrow part of a drop-down button
constexpr int kMinHeight = 22;
constexpr double kFontSize = 12;

struct Button {
  TBBUTTON record{};
  std::u16string text;
  RECT rect{};  // client coordinates; empty while hidden
};

struct Toolbar {
  HWND window = nullptr;
  HWND notify = nullptr;  // the parent at creation
  UINT id = 0;
  DWORD extendedStyle = 0;
  HIMAGELIST images = nullptr;
  int imageWidth = 16, imageHeight = 16;
  int minWidth = 0, minHeight = 0;
  std::vector<Button> buttons;
  int tracking = -1;  // the button whose body the mouse went down on
};

std::mutex g_mutex;
std::map<HWND, std::shared_ptr<Toolbar>> g_toolbars;

std::shared_ptr<Toolbar> Find(HWND window) {
  std::lock_guard lock(g_mutex);
  auto it = g_toolbars.find(window);
  return it == g_toolbars.end() ? nullptr : it->second;
}

bool IsSeparator(const Button& b) { return b.record.fsStyle & TBSTYLE_SEP; }
bool IsHidden(const Button& b) { return b.record.fsState & TBSTATE_HIDDEN; }
bool HasArrow(const Toolbar& t, const Button& b) {
  return !IsSeparator(b) && (b.record.fsStyle & TBSTYLE_DROPDOWN) && (t.extendedStyle & TBSTYLE_EX_DRAWDDARROWS);
}

// The width of text in the strip's font.
double TextWidth(const std::u16string& text) {
  if (text.empty()) return 0;
  static thread_local cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
  static thread_local cairo_t* cr = [] {
    cairo_t* c = cairo_create(scratch);
    cairo_select_font_face(c, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(c, kFontSize);
    return c;
  }();
  const std::string utf8 = kestrel::codepage::ToUtf8(text);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, utf8.c_str(), &extents);
  return extents.x_advance;
}

void Layout(Toolbar& t) {
  const int height = std::max({kMinHeight, t.minHeight, t.imageHeight + 6});
  int x = 0;
  for (Button& b : t.buttons) {
    if (IsHidden(b)) {
      b.rect = RECT{x, kTop, x, kTop};
      continue;
    }
    int width;
    if (IsSeparator(b)) {
      width = b.record.iBitmap > 0 ? b.record.iBitmap : 8;
    } else {
      width = kPadLeft + t.imageWidth;
      width += b.text.empty() ? kPadTextless : kImageGap + static_cast<int>(TextWidth(b.text) + 0.999) + kPadRight;
      width = std::max(width, t.minWidth);
      if (HasArrow(t, b)) width += kArrowWidth;
    }
    b.rect = RECT{x, kTop, x + width, kTop + height};
    x += width;
  }
}

// The button under point and whether the point is on its arrow; -1 off any button.
int HitTest(const Toolbar& t, POINT point, bool* onArrow) {
  for (size_t i = 0; i < t.buttons.size(); ++i) {
    const Button& b = t.buttons[i];
    if (IsHidden(b) || IsSeparator(b) || !PtInRect(&b.rect, point)) continue;
    *onArrow = HasArrow(t, b) && point.x >= b.rect.right - kArrowWidth;
    return static_cast<int>(i);
  }
  *onArrow = false;
  return -1;
}

void SendClick(HWND window, int commandId, POINT point) {
  std::shared_ptr<Toolbar> t = Find(window);
  if (!t) return;
  const HWND notify = t->notify;
  const UINT id = t->id;
  if (commandId != -1)
    SendMessageA(notify, WM_COMMAND, MAKEWPARAM(commandId, BN_CLICKED), reinterpret_cast<LPARAM>(window));
  NMMOUSE nm{};
  nm.hdr = NMHDR{window, id, NM_CLICK};
  nm.dwItemSpec = static_cast<DWORD_PTR>(static_cast<LONG_PTR>(commandId));
  nm.pt = point;
  SendMessageA(notify, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&nm));
}

void SendDropDown(HWND window, const Button& b) {
  std::shared_ptr<Toolbar> t = Find(window);
  if (!t) return;
  NMTOOLBARW nm{};
  nm.hdr = NMHDR{window, t->id, TBN_DROPDOWN};
  nm.iItem = b.record.idCommand;
  nm.tbButton = b.record;
  nm.rcButton = b.rect;
  SendMessageA(t->notify, WM_NOTIFY, t->id, reinterpret_cast<LPARAM>(&nm));
}

void SetSource(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

void PaintImage(cairo_t* cr, const Toolbar& t, int index, int x, int y) {
  kestrel::IconPixels px;
  if (!t.images || !kestrel::GetImageListPixels(t.images, index, &px) || px.width <= 0) return;
  cairo_surface_t* image =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(px.argb.data()), CAIRO_FORMAT_ARGB32,
                                          px.width, px.height, px.width * 4);
  cairo_set_source_surface(cr, image, x, y);
  cairo_paint(cr);
  cairo_surface_destroy(image);
}

void Paint(HWND window, const Toolbar& t) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(window, &ps);
  RECT client{};
  GetClientRect(window, &client);
  {
    kestrel::gdi::Canvas canvas(hdc);
    if (cairo_t* cr = canvas.cr()) {
      canvas.FillRect(0, 0, client.right, client.bottom, GetSysColor(COLOR_BTNFACE));
      cairo_set_font_size(cr, kFontSize);
      cairo_set_line_width(cr, 1);
      for (const Button& b : t.buttons) {
        const RECT& r = b.rect;
        if (IsHidden(b)) continue;
        if (IsSeparator(b)) {
          const double mid = (r.left + r.right) / 2 + 0.5;
          SetSource(cr, GetSysColor(COLOR_BTNSHADOW));
          cairo_move_to(cr, mid, r.top + 3);
          cairo_line_to(cr, mid, r.bottom - 3);
          cairo_stroke(cr);
          continue;
        }
        const bool pressed = b.record.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED);
        if (pressed) {
          canvas.FillRect(r.left, r.top, r.right, r.bottom, RGB(200, 200, 200));
          SetSource(cr, GetSysColor(COLOR_BTNSHADOW));
          cairo_rectangle(cr, r.left + 0.5, r.top + 0.5, r.right - r.left - 1, r.bottom - r.top - 1);
          cairo_stroke(cr);
        }
        const int shift = pressed ? 1 : 0;
        const int top = r.top + (r.bottom - r.top - t.imageHeight) / 2 + shift;
        PaintImage(cr, t, b.record.iBitmap, r.left + kPadLeft + shift, top);
        if (!b.text.empty()) {
          SetSource(cr, GetSysColor(COLOR_BTNTEXT));
          cairo_font_extents_t fe;
          cairo_font_extents(cr, &fe);
          const double baseline = r.top + (r.bottom - r.top + fe.ascent - fe.descent) / 2 + shift;
          cairo_move_to(cr, r.left + kPadLeft + t.imageWidth + kImageGap + shift, baseline);
          cairo_show_text(cr, kestrel::codepage::ToUtf8(b.text).c_str());
        }
        if (HasArrow(t, b)) {
          const double left = r.right - kArrowWidth;
          SetSource(cr, GetSysColor(COLOR_BTNSHADOW));
          cairo_move_to(cr, left + 0.5, r.top + 3);
          cairo_line_to(cr, left + 0.5, r.bottom - 3);
          cairo_stroke(cr);
          const double cx = left + kArrowWidth / 2.0 + shift, cy = (r.top + r.bottom) / 2.0 + shift;
          SetSource(cr, GetSysColor(COLOR_BTNTEXT));
          cairo_move_to(cr, cx - 3.5, cy - 1.5);
          cairo_line_to(cr, cx + 3.5, cy - 1.5);
          cairo_line_to(cr, cx, cy + 2);
          cairo_close_path(cr);
          cairo_fill(cr);
        }
      }
    }
  }
  EndPaint(window, &ps);
}

LRESULT CALLBACK ToolbarProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<Toolbar> t = Find(window);
  if (!t) return DefWindowProcA(window, msg, wParam, lParam);
  switch (msg) {
    case TB_BUTTONSTRUCTSIZE:
      return 0;
    case TB_SETEXTENDEDSTYLE: {
      const DWORD previous = t->extendedStyle;
      t->extendedStyle = wParam ? (previous & ~static_cast<DWORD>(wParam)) | (static_cast<DWORD>(lParam) & wParam)
                                : static_cast<DWORD>(lParam);
      Layout(*t);
      InvalidateRect(window, nullptr, TRUE);
      return previous;
    }
    case TB_GETEXTENDEDSTYLE:
      return t->extendedStyle;
    case TB_SETIMAGELIST: {
      HIMAGELIST previous = t->images;
      t->images = reinterpret_cast<HIMAGELIST>(lParam);
      int cx = 0, cy = 0;
      if (t->images && ImageList_GetIconSize(t->images, &cx, &cy)) {
        t->imageWidth = cx;
        t->imageHeight = cy;
      }
      Layout(*t);
      InvalidateRect(window, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(previous);
    }
    case TB_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(t->images);
    case TB_ADDBUTTONSW: {
      const auto* records = reinterpret_cast<const TBBUTTON*>(lParam);
      if (!records && wParam) return FALSE;
      for (WPARAM i = 0; i < wParam; ++i) {
        Button b;
        b.record = records[i];
        // Small values would index a string pool, which this toolbar has not.
        if (!(b.record.fsStyle & TBSTYLE_SEP) && static_cast<UINT_PTR>(b.record.iString) > 0xFFFF)
          b.text = reinterpret_cast<const char16_t*>(b.record.iString);
        t->buttons.push_back(std::move(b));
      }
      Layout(*t);
      InvalidateRect(window, nullptr, TRUE);
      return TRUE;
    }
    case TB_GETBUTTONTEXTW: {
      // By command ID: the text's length, copied with its terminator when a
      // buffer is given; -1 for a missing button.
      for (const Button& b : t->buttons) {
        if (b.record.idCommand != static_cast<int>(wParam) || IsSeparator(b)) continue;
        if (auto* out = reinterpret_cast<char16_t*>(lParam)) out[b.text.copy(out, b.text.size())] = u'\0';
        return static_cast<LRESULT>(b.text.size());
      }
      return -1;
    }
    case TB_BUTTONCOUNT:
      return static_cast<LRESULT>(t->buttons.size());
    case TB_GETBUTTON: {
      auto* out = reinterpret_cast<TBBUTTON*>(lParam);
      if (!out || wParam >= t->buttons.size()) return FALSE;
      *out = t->buttons[wParam].record;
      return TRUE;
    }
    case TB_PRESSBUTTON: {
      for (Button& b : t->buttons) {
        if (b.record.idCommand != static_cast<int>(wParam)) continue;
        if (LOWORD(lParam)) {
          b.record.fsState |= TBSTATE_PRESSED;
        } else {
          b.record.fsState &= static_cast<BYTE>(~TBSTATE_PRESSED);
        }
        InvalidateRect(window, &b.rect, TRUE);
        return TRUE;
      }
      return FALSE;
    }
    case TB_GETITEMRECT: {
      auto* out = reinterpret_cast<RECT*>(lParam);
      if (!out || wParam >= t->buttons.size() || IsHidden(t->buttons[wParam])) return FALSE;
      *out = t->buttons[wParam].rect;
      return TRUE;
    }
    case WM_LBUTTONDOWN: {
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      bool onArrow = false;
      const int index = HitTest(*t, point, &onArrow);
      if (index >= 0 && onArrow) {
        t->tracking = -1;
        SendDropDown(window, t->buttons[index]);  // the receiver presses and releases it
      } else {
        t->tracking = index;
        if (index >= 0) {
          t->buttons[index].record.fsState |= TBSTATE_PRESSED;
          InvalidateRect(window, &t->buttons[index].rect, TRUE);
        }
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      bool onArrow = false;
      const int index = HitTest(*t, point, &onArrow);
      const int tracked = std::exchange(t->tracking, -1);
      if (tracked >= 0) {
        Button& b = t->buttons[tracked];
        b.record.fsState &= static_cast<BYTE>(~TBSTATE_PRESSED);
        InvalidateRect(window, &b.rect, TRUE);
        // A click: down and up on the body of the same button.
        if (index == tracked && !onArrow) SendClick(window, b.record.idCommand, point);
      } else if (index < 0) {
        SendClick(window, -1, point);
      }
      return 0;
    }
    case WM_PAINT:
      Paint(window, *t);
      return 0;
    case WM_NCDESTROY: {
      std::lock_guard lock(g_mutex);
      g_toolbars.erase(window);
      break;
    }
  }
  return DefWindowProcA(window, msg, wParam, lParam);
}

void RegisterToolbarClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ToolbarProc;
    wc.lpszClassName = TOOLBARCLASSNAMEA;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    RegisterClassA(&wc);
  });
}

}  // namespace

extern "C" HWND WINAPI CreateToolbarEx(HWND parent, DWORD style, UINT id, int nBitmaps, HINSTANCE, UINT_PTR,
                                       LPCTBBUTTON buttons, int numButtons, int dxButton, int dyButton, int dxBitmap,
                                       int dyBitmap, UINT structSize) {
  if (!IsWindow(parent) || structSize != sizeof(TBBUTTON) || nBitmaps != 0 || numButtons < 0 ||
      (numButtons > 0 && !buttons)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  RegisterToolbarClass();
  HWND window = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", style | WS_CHILD, 0, 0, 0, 0, parent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
  if (!window) return nullptr;
  auto t = std::make_shared<Toolbar>();
  t->window = window;
  t->notify = parent;
  t->id = id;
  t->imageWidth = dxBitmap > 0 ? dxBitmap : 16;
  t->imageHeight = dyBitmap > 0 ? dyBitmap : 16;
  t->minWidth = dxButton > 0 ? dxButton : 0;
  t->minHeight = dyButton > 0 ? dyButton : 0;
  {
    std::lock_guard lock(g_mutex);
    g_toolbars[window] = t;
  }
  if (numButtons > 0) SendMessageA(window, TB_ADDBUTTONSW, numButtons, reinterpret_cast<LPARAM>(buttons));
  return window;
}
