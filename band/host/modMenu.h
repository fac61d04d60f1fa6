// modMenu: finding the menus of a form's menu bar.
#pragma once

#include <string>

#include "forms/form.h"
#include "windows.h"

namespace modMenu {

// The popup of the form's top-level menu whose text equals caption exactly
// (case and mnemonic ampersands included); 0 when the form's window has no
// menu bar or no such menu.
HMENU GetSubMenuByCaption(kestrel::forms::Form& form, const std::u16string& caption);

}  // namespace modMenu
