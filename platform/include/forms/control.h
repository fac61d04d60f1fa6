// Control: what a form holds, windowed (a child window with a control ID)
// or not (a menu item). A control is a member of its form object, declared
// in design order; its window and state exist while the form is loaded.
#pragma once

#include <string>

#include "windows.h"

namespace kestrel::forms {

class Form;

class Control {
 public:
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  const std::u16string& Name() const { return name_; }
  Form& Parent() const { return form_; }
  // The control ID: its position in the form's Controls plus one.
  int Id() const { return id_; }
  // The control's window; 0 for a windowless control or while unloaded.
  virtual HWND hWnd() const { return nullptr; }

 protected:
  Control(Form& form, std::u16string name);

 private:
  friend class Form;
  // The form's Load creates the control's part of the form (after the
  // form's window, before its Load event); Unload destroys it.
  virtual void Create(HWND formWindow) = 0;
  virtual void Destroy() = 0;
  // A WM_COMMAND that names this control's ID; true when it was taken.
  virtual bool Command(WORD code, HWND from) = 0;

  Form& form_;
  std::u16string name_;
  int id_ = 0;
};

}  // namespace kestrel::forms
