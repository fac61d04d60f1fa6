// What iehost sees of a band's toolbar strip and how it clicks it: through
// the strip's own messages and mouse hit-testing, as a person would.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

namespace iehost {

struct StripButton {
  std::u16string text;  // without its leading blanks
  int id = 0;
  bool separator = false;
  bool dropDown = false;
  bool pressed = false;
  RECT rect{};  // the strip's client coordinates
};

// The strip's records in order; empty for a window that is no toolbar.
std::vector<StripButton> ReadStrip(HWND strip);
// "[About 0] | [Delete Cookies 2] | ... [Capture 9 pressed] ...".
std::u16string DescribeStrip(const std::vector<StripButton>& buttons);
// A left click (button down, button up) at the middle of the button's body
// or on its arrow part.
void ClickButton(HWND strip, const StripButton& button, bool onArrow);

// Writes what the screen shows as a PNG file; false when it cannot.
bool WriteScreenshot(const std::string& path, int* width, int* height);

}  // namespace iehost
