#include "frmToolbar.h"

#include "Library.h"

thread_local kestrel::ComPtr<IWebBrowser2> g_oIE;

frmToolbar::frmToolbar() : Form(g_forms, u"frmToolbar", u"Provides the Toolbar controls", 4800, 3600) {}

void frmToolbar::Init(IWebBrowser2* IE) { g_oIE = IE; }

frmToolbar& TheToolbarForm() {
  thread_local frmToolbar form;
  return form;
}
