// ISubclass: the interface through which modSubclass hands a window's
// messages to a registered client before the window's own procedure.
#pragma once

#include "com/dispatch.h"
#include "windows.h"

inline constexpr IID IID_ISubclass = kestrel::com::MakeGuid("3EE653AD-E7FB-4CFF-9DD6-81974194456F");

struct ISubclass : IDispatch {
  static constexpr const IID& kIid = IID_ISubclass;
  using Base = IDispatch;

  // Handles one message; its result becomes the message's result. Handled
  // comes in false; a client that sets it (the last client of the message)
  // keeps the window's own procedure from running.
  virtual LRESULT WindowProc(HWND hwnd, UINT MSG, WPARAM wParam, LPARAM lParam, VARIANT_BOOL* Handled) = 0;
};
