#include "modMenu.h"

#include "kestrel/codepage.h"

namespace modMenu {

HMENU GetSubMenuByCaption(kestrel::forms::Form& form, const std::u16string& caption) {
  HMENU bar = GetMenu(form.hWnd());
  if (!bar) return nullptr;
  const std::string wanted = kestrel::codepage::ToAnsi(caption);
  const int count = GetMenuItemCount(bar);
  for (int position = 0; position < count; ++position) {
    char text[256] = {};
    const int length = GetMenuStringA(bar, static_cast<UINT>(position), text, 255, MF_BYPOSITION);
    if (std::string(text, length > 0 ? static_cast<size_t>(length) : 0) == wanted) return GetSubMenu(bar, position);
  }
  return nullptr;
}

}  // namespace modMenu
