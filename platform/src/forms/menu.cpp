#include "forms/menu.h"

#include "forms/form.h"
#include "kestrel/codepage.h"

namespace kestrel::forms {

Menu::Menu(Form& form, std::u16string name, std::u16string caption, bool checked)
    : Control(form, std::move(name)), caption_(std::move(caption)), designChecked_(checked), checked_(checked),
      index_(-1) {
  form.menus_.push_back(this);
}

Menu::Menu(Menu& parent, std::u16string name, std::u16string caption, bool checked, int index)
    : Control(parent.Parent(), std::move(name)), parent_(&parent), caption_(std::move(caption)),
      designChecked_(checked), checked_(checked), index_(index) {
  parent.items_.push_back(this);
}

void Menu::AppendTo(HMENU holder) {
  holder_ = holder;
  checked_ = designChecked_;
  UINT check = checked_ ? MF_CHECKED : MF_UNCHECKED;
  if (IsSeparator()) {
    AppendMenuA(holder, MF_SEPARATOR, 0, nullptr);
  } else if (!items_.empty()) {
    submenu_ = CreatePopupMenu();
    for (Menu* item : items_) item->AppendTo(submenu_);
    AppendMenuA(holder, MF_POPUP | check, reinterpret_cast<UINT_PTR>(submenu_), codepage::ToAnsi(caption_).c_str());
  } else {
    AppendMenuA(holder, MF_STRING | check, static_cast<UINT_PTR>(Id()), codepage::ToAnsi(caption_).c_str());
  }
}

void Menu::Create(HWND) {}  // made with the form's menu bar

void Menu::Destroy() {
  holder_ = nullptr;
  submenu_ = nullptr;
}

bool Menu::Checked() const {
  if (holder_ && !submenu_) return (GetMenuState(holder_, static_cast<UINT>(Id()), MF_BYCOMMAND) & MF_CHECKED) != 0;
  return checked_;
}

void Menu::SetChecked(bool checked) {
  Parent().Load();
  checked_ = checked;
  if (holder_ && !submenu_)
    CheckMenuItem(holder_, static_cast<UINT>(Id()), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool Menu::Command(WORD code, HWND from) {
  if (code != 0 || from || submenu_ || IsSeparator()) return false;
  // The handler may unload the form or replace Click: run a copy.
  if (std::function<void()> click = Click) click();
  return true;
}

}  // namespace kestrel::forms
