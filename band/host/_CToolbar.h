// _CToolbar: the default (dual) interface of CToolbar: the eight command
// IDs of the strip (16-bit, -1 while the button is absent) and OnFocus.
#pragma once

#include "Identifiers.h"
#include "com/dispatch.h"

#define KESTREL_CTOOLBAR_ID(name)               \
  virtual HRESULT get_##name(SHORT* value) = 0; \
  virtual HRESULT put_##name(SHORT value) = 0;

struct _CToolbar : IDispatch {
  static constexpr const IID& kIid = IID__CToolbar;
  using Base = IDispatch;

  KESTREL_CTOOLBAR_ID(ID_ABOUT)
  KESTREL_CTOOLBAR_ID(ID_DELETECOOKIES)
  KESTREL_CTOOLBAR_ID(ID_ENABLEPROXY)
  KESTREL_CTOOLBAR_ID(ID_DISABLEPROXY)
  KESTREL_CTOOLBAR_ID(ID_FAVORITES)
  KESTREL_CTOOLBAR_ID(ID_CAPTURE)
  KESTREL_CTOOLBAR_ID(ID_MISC)
  KESTREL_CTOOLBAR_ID(ID_OPTIONS)
  // The band's window got (true) or lost the focus; tells the input site.
  virtual HRESULT OnFocus(VARIANT_BOOL Focused) = 0;
};

#undef KESTREL_CTOOLBAR_ID
