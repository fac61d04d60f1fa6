#include "forms/form.h"

#include <algorithm>
#include <mutex>

#include "forms/menu.h"
#include "kestrel/codepage.h"

namespace kestrel::forms {

namespace {

constexpr char kFormClass[] = "KestrelForm";
constexpr char kFormProperty[] = "Kestrel.Form";

// The loaded forms of this thread, of every set, in load order.
thread_local std::vector<Form*> t_loaded;

void RegisterFormClass(WNDPROC proc) {
  static std::once_flag once;
  std::call_once(once, [proc] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = kFormClass;
    RegisterClassA(&wc);
  });
}

}  // namespace

void FormSet::UnloadAll() {
  for (Form* form : std::vector<Form*>(t_loaded.rbegin(), t_loaded.rend()))
    if (&form->Set() == this && std::find(t_loaded.begin(), t_loaded.end(), form) != t_loaded.end()) form->Unload();
}

std::vector<Form*> FormSet::LoadedForms() const {
  std::vector<Form*> forms;
  for (Form* form : t_loaded)
    if (&form->Set() == this) forms.push_back(form);
  return forms;
}

Form::Form(FormSet& set, std::u16string name, std::u16string caption, int widthTwips, int heightTwips)
    : set_(set), name_(std::move(name)), caption_(std::move(caption)), width_(widthTwips), height_(heightTwips) {}

Form::~Form() {
  // The derived form and its controls are gone by now: neither Form_Unload
  // nor the controls run; the window goes without routing its messages here.
  if (HWND window = std::exchange(window_, nullptr)) {
    RemovePropA(window, kFormProperty);
    SetMenu(window, nullptr);
    DestroyWindow(window);
    if (menuBar_) DestroyMenu(menuBar_);
    std::erase(t_loaded, this);
  }
}

void Form::AddControl(Control* control) {
  controls_.push_back(control);
  control->id_ = static_cast<int>(controls_.size());
}

HWND Form::hWnd() {
  Load();
  return window_;
}

void Form::Load() {
  if (window_ || unloading_) return;
  RegisterFormClass(&Form::FormProc);
  HWND window = CreateWindowExA(0, kFormClass, codepage::ToAnsi(caption_).c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, width_ / kTwipsPerPixel, height_ / kTwipsPerPixel, nullptr, nullptr,
                                nullptr, this);
  if (!window) return;
  window_ = window;
  if (!menus_.empty()) {
    menuBar_ = CreateMenu();
    for (Menu* menu : menus_) menu->AppendTo(menuBar_);
    SetMenu(window_, menuBar_);
  }
  for (Control* control : controls_) control->Create(window_);
  t_loaded.push_back(this);
  Form_Load();
}

void Form::Unload() {
  if (!window_ || unloading_) return;
  unloading_ = true;
  Form_Unload();
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) (*it)->Destroy();
  HWND window = std::exchange(window_, nullptr);
  SetMenu(window, nullptr);
  if (menuBar_) DestroyMenu(std::exchange(menuBar_, nullptr));
  RemovePropA(window, kFormProperty);
  DestroyWindow(window);
  std::erase(t_loaded, this);
  unloading_ = false;
}

void Form::Show() {
  if (HWND window = hWnd()) ShowWindow(window, SW_SHOWNORMAL);
}

void Form::Hide() {
  if (window_) ShowWindow(window_, SW_HIDE);
}

void Form::SetCaption(const std::u16string& caption) {
  caption_ = caption;
  if (window_) SetWindowTextA(window_, codepage::ToAnsi(caption).c_str());
}

LRESULT CALLBACK Form::FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetPropA(hwnd, kFormProperty, create->lpCreateParams);
  }
  auto* form = static_cast<Form*>(GetPropA(hwnd, kFormProperty));
  if (!form || (form->window_ && form->window_ != hwnd)) return DefWindowProcA(hwnd, msg, wParam, lParam);
  return form->Handle(hwnd, msg, wParam, lParam);
}

LRESULT Form::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND: {
      size_t id = LOWORD(wParam);
      if (id >= 1 && id <= controls_.size() && controls_[id - 1]->Command(HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
        return 0;
      break;
    }
    case WM_CLOSE:
      Unload();
      return 0;
    case WM_NCDESTROY:
      // Destroyed from outside (with its owner, say): the form is unloaded.
      if (window_ && !unloading_) {
        unloading_ = true;
        for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) (*it)->Destroy();
        window_ = nullptr;
        if (menuBar_) DestroyMenu(std::exchange(menuBar_, nullptr));
        std::erase(t_loaded, this);
        unloading_ = false;
      }
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace kestrel::forms
