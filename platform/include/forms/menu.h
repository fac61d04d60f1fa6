// Menu: a menu of a form's menu bar or an item (or submenu) below one,
// declared in design order. A caption of "-" makes a separator. A menu with
// items below it opens a submenu; one without is an item whose choice runs
// Click. Checked is the design state until the form loads and the live
// check mark while it is loaded; every load starts from the design state.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "forms/control.h"

namespace kestrel::forms {

class Menu : public Control {
 public:
  // A top-level menu of form's menu bar.
  Menu(Form& form, std::u16string name, std::u16string caption, bool checked = false);
  // An item below parent; index >= 0 marks an element of a menu array.
  Menu(Menu& parent, std::u16string name, std::u16string caption, bool checked = false, int index = -1);

  std::function<void()> Click;

  const std::u16string& Caption() const { return caption_; }
  Menu* ParentMenu() const { return parent_; }
  const std::vector<Menu*>& Items() const { return items_; }
  int Index() const { return index_; }
  bool IsSeparator() const { return caption_ == u"-"; }

  bool Checked() const;
  void SetChecked(bool checked);
  // The popup holding the items below this menu; 0 while unloaded or for
  // an item without items.
  HMENU SubMenu() const { return submenu_; }

 private:
  void Create(HWND formWindow) override;
  void Destroy() override;
  bool Command(WORD code, HWND from) override;
  // Appends this menu to the live menu that holds it.
  friend class Form;
  void AppendTo(HMENU holder);

  Menu* parent_ = nullptr;
  std::u16string caption_;
  bool designChecked_;
  bool checked_;
  int index_;
  std::vector<Menu*> items_;
  HMENU holder_ = nullptr;   // the live menu this one is an item of
  HMENU submenu_ = nullptr;  // the live popup of its items
};

}  // namespace kestrel::forms
