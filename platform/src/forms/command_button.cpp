#include "forms/command_button.h"

#include <mutex>

#include "forms/form.h"
#include "kestrel/codepage.h"

namespace kestrel::forms {

namespace {

constexpr char kButtonClass[] = "KestrelCommandButton";

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONUP || msg == BM_CLICK) {
    SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd));
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterButtonClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ButtonProc;
    wc.lpszClassName = kButtonClass;
    RegisterClassA(&wc);
  });
}

}  // namespace

CommandButton::CommandButton(Form& form, std::u16string name, std::u16string caption, int left, int top, int width,
                             int height)
    : Control(form, std::move(name)), caption_(std::move(caption)), left_(left), top_(top), width_(width),
      height_(height) {}

CommandButton::~CommandButton() { Destroy(); }

void CommandButton::Create(HWND formWindow) {
  RegisterButtonClass();
  window_ = CreateWindowExA(0, kButtonClass, codepage::ToAnsi(caption_).c_str(),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, left_ / kTwipsPerPixel,
                            top_ / kTwipsPerPixel, width_ / kTwipsPerPixel, height_ / kTwipsPerPixel, formWindow,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id())), nullptr, nullptr);
}

void CommandButton::Destroy() {
  if (HWND window = std::exchange(window_, nullptr)) DestroyWindow(window);
}

bool CommandButton::Command(WORD code, HWND from) {
  if (code != BN_CLICKED || !from || from != window_) return false;
  RunClick();
  return true;
}

void CommandButton::SetValue(bool value) {
  Parent().Load();
  if (value) RunClick();
}

void CommandButton::RunClick() {
  value_ = true;
  // The handler may unload the form or replace Click: run a copy.
  if (std::function<void()> click = Click) click();
  value_ = false;
}

}  // namespace kestrel::forms
