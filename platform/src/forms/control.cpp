#include "forms/control.h"

#include "forms/form.h"

namespace kestrel::forms {

Control::Control(Form& form, std::u16string name) : form_(form), name_(std::move(name)) { form.AddControl(this); }

Control::~Control() = default;

}  // namespace kestrel::forms
