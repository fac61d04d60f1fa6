// Form: a top-level window with its caption, menus and controls, built in
// code as a form designer lays it out:
//
//   class frmMain : public kestrel::forms::Form {
//    public:
//     frmMain() : Form(g_forms, u"frmMain", u"Main", 4800, 3600) {
//       mnuAbout.Click = [this] { ... };
//     }
//     kestrel::forms::Menu mnuFile{*this, u"mnuFile", u"File"};
//     kestrel::forms::Menu mnuAbout{mnuFile, u"mnuAbout", u"&About"};
//     kestrel::forms::CommandButton cmdOk{*this, u"cmdOk", u"&Ok"};
//    protected:
//     void Form_Load() override { ... }
//   };
//
// The form object lives on; loading creates its window (hidden until Show),
// its menu bar and its controls' windows and then runs Form_Load; unloading
// runs Form_Unload and destroys them again, so every load starts from the
// design state. Asking for hWnd loads the form. A form belongs to the thread
// that loads it; its menu choices (WM_COMMAND with code 0 and no control
// window) run the menu item's Click, BN_CLICKED from a command button runs
// the button's Click, and WM_CLOSE unloads it. Sizes are in twips.
//
// Differences from the real toolkit: no designer files or implicit loading
// by touching any property (hWnd, Load, Show and the controls' state load
// the form); no QueryUnload; a control's ID is its position in Controls
// plus one; forms are not drawn.
#pragma once

#include <string>
#include <vector>

#include "forms/control.h"
#include "windows.h"

namespace kestrel::forms {

inline constexpr int kTwipsPerPixel = 15;

class Menu;

// The forms of one library; each deliverable keeps one, as it keeps its
// ServerModule.
class FormSet {
 public:
  FormSet() = default;
  FormSet(const FormSet&) = delete;
  FormSet& operator=(const FormSet&) = delete;

  // Unloads every loaded form of this set on the calling thread, the last
  // loaded first.
  void UnloadAll();
  // The loaded forms of this set on the calling thread, in load order.
  std::vector<Form*> LoadedForms() const;
};

class Form {
 public:
  Form(FormSet& set, std::u16string name, std::u16string caption, int widthTwips, int heightTwips);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form();  // unloads a loaded form

  const std::u16string& Name() const { return name_; }
  FormSet& Set() const { return set_; }

  // The form's window; loads the form when it is not loaded. 0 only when
  // the window could not be made.
  HWND hWnd();
  bool IsLoaded() const { return window_ != nullptr; }
  // Creates the window, menu bar and controls, then runs Form_Load. Does
  // nothing for a loaded form.
  void Load();
  // Runs Form_Unload, then destroys controls, menus and window. Does nothing
  // for a form that is not loaded.
  void Unload();
  // Loads when needed and shows or hides the window.
  void Show();
  void Hide();

  const std::u16string& Caption() const { return caption_; }
  void SetCaption(const std::u16string& caption);

  // Every control and menu item, in design order.
  const std::vector<Control*>& Controls() const { return controls_; }
  // The top-level menus, in design order.
  const std::vector<Menu*>& Menus() const { return menus_; }

 protected:
  virtual void Form_Load() {}
  virtual void Form_Unload() {}

 private:
  friend class Control;
  friend class Menu;
  void AddControl(Control* control);
  static LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  FormSet& set_;
  std::u16string name_;
  std::u16string caption_;
  int width_;
  int height_;
  HWND window_ = nullptr;
  HMENU menuBar_ = nullptr;
  bool unloading_ = false;
  std::vector<Control*> controls_;
  std::vector<Menu*> menus_;
};

}  // namespace kestrel::forms
