// CommandButton: a windowed push button of a form, a child window of the
// form with the button's control ID. Setting Value to true runs Click at
// once (and Value reads false again afterwards); a click on the window
// (BN_CLICKED to the form) runs Click as well.
#pragma once

#include <functional>
#include <string>

#include "forms/control.h"

namespace kestrel::forms {

class CommandButton : public Control {
 public:
  // Position and size in twips.
  CommandButton(Form& form, std::u16string name, std::u16string caption, int left = 0, int top = 0,
                int width = 1215, int height = 375);
  ~CommandButton() override;

  std::function<void()> Click;

  const std::u16string& Caption() const { return caption_; }
  bool Value() const { return value_; }
  void SetValue(bool value);
  HWND hWnd() const override { return window_; }

 private:
  void Create(HWND formWindow) override;
  void Destroy() override;
  bool Command(WORD code, HWND from) override;
  void RunClick();

  std::u16string caption_;
  int left_, top_, width_, height_;
  bool value_ = false;
  HWND window_ = nullptr;
};

}  // namespace kestrel::forms
