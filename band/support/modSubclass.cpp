#include "modSubclass.h"

#include <string>

#include "kestrel/codepage.h"
#include "kestrel/component_error.h"
#include "kestrel/module.h"

namespace modSubclass {
namespace {

// The previous procedure of the window whose message a client is handling.
thread_local WNDPROC t_currentPrevious = nullptr;

void ModuleMarker() {}

// Handles and messages in signed decimal, as the property names hold them.
std::string Signed(HWND hwnd) { return std::to_string(static_cast<int32_t>(reinterpret_cast<uintptr_t>(hwnd))); }
std::string Signed(UINT msg) { return std::to_string(static_cast<int32_t>(msg)); }

std::string CountName(HWND hwnd) { return "C" + Signed(hwnd); }
std::string PreviousName(HWND hwnd) { return Signed(hwnd); }
std::string ClientCountName(HWND hwnd, UINT msg) { return Signed(hwnd) + "#" + Signed(msg) + "C"; }
std::string ClientName(HWND hwnd, UINT msg, intptr_t i) { return Signed(hwnd) + "#" + Signed(msg) + "#" + std::to_string(i); }

intptr_t GetNumber(HWND hwnd, const std::string& name) {
  return reinterpret_cast<intptr_t>(GetPropA(hwnd, name.c_str()));
}
void SetNumber(HWND hwnd, const std::string& name, intptr_t value) {
  SetPropA(hwnd, name.c_str(), reinterpret_cast<HANDLE>(value));
}
ISubclass* GetClient(HWND hwnd, UINT msg, intptr_t i) {
  return static_cast<ISubclass*>(GetPropA(hwnd, ClientName(hwnd, msg, i).c_str()));
}
WNDPROC GetPrevious(HWND hwnd) { return reinterpret_cast<WNDPROC>(GetPropA(hwnd, PreviousName(hwnd).c_str())); }

}  // namespace

void RaiseSubclassError(int code) {
  const char16_t* description = u"";
  switch (code) {
    case kCantSubclass: description = u"Can't subclass window"; break;
    case kAlreadyHandled: description = u"Message already handled by another class"; break;
    case kInvalidWindow: description = u"Invalid window"; break;
    case kExternalWindow: description = u"Can't modify external window"; break;
  }
  static const std::u16string source =
      kestrel::codepage::FromAnsi(kestrel::module::NameContaining(reinterpret_cast<const void*>(&ModuleMarker))) +
      u".WindowProc";
  throw kestrel::ComponentError(kestrel::kObjectErrorBase + code, source, description);
}

bool IsWindowLocal(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid == GetCurrentProcessId();
}

void AttachMessage(ISubclass* client, HWND hwnd, UINT msg) {
  if (!IsWindow(hwnd)) RaiseSubclassError(kInvalidWindow);
  if (!IsWindowLocal(hwnd)) RaiseSubclassError(kExternalWindow);

  intptr_t count = GetNumber(hwnd, CountName(hwnd));
  if (count != 0) {
    ++count;
  } else {
    LONG_PTR previous = SetWindowLongPtrA(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc));
    if (previous == 0) RaiseSubclassError(kCantSubclass);
    SetPropA(hwnd, PreviousName(hwnd).c_str(), reinterpret_cast<HANDLE>(previous));
    count = 1;
  }
  SetNumber(hwnd, CountName(hwnd), count);

  const intptr_t clients = GetNumber(hwnd, ClientCountName(hwnd, msg));
  for (intptr_t i = 1; i <= clients; ++i)
    if (GetClient(hwnd, msg, i) == client) RaiseSubclassError(kAlreadyHandled);
  SetNumber(hwnd, ClientCountName(hwnd, msg), clients + 1);
  SetPropA(hwnd, ClientName(hwnd, msg, clients + 1).c_str(), client);
}

void DetachMessage(ISubclass* client, HWND hwnd, UINT msg) {
  const intptr_t count = GetNumber(hwnd, CountName(hwnd));
  if (count == 1) {
    SetWindowLongPtrA(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(GetPrevious(hwnd)));
    RemovePropA(hwnd, PreviousName(hwnd).c_str());
    RemovePropA(hwnd, CountName(hwnd).c_str());
  } else {
    SetNumber(hwnd, CountName(hwnd), count - 1);
  }

  const intptr_t clients = GetNumber(hwnd, ClientCountName(hwnd, msg));
  if (clients <= 0) return;
  intptr_t found = 0;
  for (intptr_t i = 1; i <= clients && !found; ++i)
    if (GetClient(hwnd, msg, i) == client) found = i;
  if (!found) return;
  for (intptr_t j = found; j < clients; ++j)
    SetPropA(hwnd, ClientName(hwnd, msg, j).c_str(), GetClient(hwnd, msg, j + 1));
  RemovePropA(hwnd, ClientName(hwnd, msg, clients).c_str());
  if (clients - 1 == 0)
    RemovePropA(hwnd, ClientCountName(hwnd, msg).c_str());
  else
    SetNumber(hwnd, ClientCountName(hwnd, msg), clients - 1);
}

LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const WNDPROC previous = GetPrevious(hwnd);
  const intptr_t clients = GetNumber(hwnd, ClientCountName(hwnd, msg));
  if (clients <= 0) return CallWindowProcA(previous, hwnd, msg, wParam, lParam);

  LRESULT result = 0;
  for (intptr_t i = 1; i <= clients; ++i) {
    ISubclass* client = GetClient(hwnd, msg, i);
    if (!client) {
      result = CallWindowProcA(previous, hwnd, msg, wParam, lParam);
      continue;
    }
    // The reference keeps the client alive while it runs, even if it detaches.
    client->AddRef();
    t_currentPrevious = previous;
    VARIANT_BOOL handled = VARIANT_FALSE;
    result = client->WindowProc(hwnd, msg, wParam, lParam, &handled);
    if (i == clients && handled == VARIANT_FALSE) result = CallWindowProcA(previous, hwnd, msg, wParam, lParam);
    client->Release();
  }
  return result;
}

LRESULT CallOldWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(t_currentPrevious, hwnd, msg, wParam, lParam);
}

}  // namespace modSubclass
