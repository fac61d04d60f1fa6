#include "BrowserWindow.h"

#include <exception>
#include <future>
#include <mutex>
#include <stdexcept>

#include "HostModule.h"
#include "Transcript.h"
#include "com/runtime.h"
#include "kestrel/codepage.h"

namespace iehost {

kestrel::com::ServerModule g_module;

namespace {

constexpr char kFrameClass[] = "IEHostFrame";
constexpr char kBandAreaClass[] = "IEHostBandArea";
constexpr char kDocViewClass[] = "Shell DocObject View";
constexpr char kServerClass[] = "Internet Explorer_Server";
constexpr char kStatusBarClass[] = "IEHostStatusBar";
constexpr char kToolbarKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";

constexpr UINT kRunTask = WM_APP + 1;
constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kStatusHeight = 20;

struct Task {
  const std::function<void()>* body;
  std::promise<void> done;
};

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterClasses(WNDPROC frameProc) {
  static std::once_flag once;
  std::call_once(once, [frameProc] {
    for (const char* name : {kFrameClass, kBandAreaClass, kDocViewClass, kServerClass, kStatusBarClass}) {
      WNDCLASSA wc{};
      wc.lpfnWndProc = name == kFrameClass ? frameProc : PlainProc;
      wc.lpszClassName = name;
      RegisterClassA(&wc);
    }
  });
}

HWND Child(const char* className, HWND parent, int x, int y, int width, int height) {
  return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent, nullptr, nullptr,
                         nullptr);
}

// The string data of a value, "" when missing.
std::string ReadString(HKEY root, const std::string& path, const char* valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
  char data[1024];
  DWORD type = 0, size = sizeof data - 1;
  std::string text;
  if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    data[size] = '\0';
    text = data;
  }
  RegCloseKey(key);
  return text;
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

std::string Reason(HRESULT hr) {
  switch (hr) {
    case REGDB_E_CLASSNOTREG: return "class not registered";
    case CO_E_DLLNOTFOUND: return "server library not found";
    case CO_E_ERRORINDLL: return "not a server library";
    case CLASS_E_CLASSNOTAVAILABLE: return "class not in its server library";
    case E_NOINTERFACE: return "no such interface";
    case E_OUTOFMEMORY: return "out of memory";
    default: return "failed";
  }
}

}  // namespace

BrowserWindow::BrowserWindow(int number) : number_(number) {
  std::promise<void> ready;
  std::future<void> opened = ready.get_future();
  thread_ = std::thread([this, &ready] { Main(ready); });
  try {
    opened.get();
  } catch (...) {
    thread_.join();
    throw;
  }
}

BrowserWindow::~BrowserWindow() { Close(); }

bool BrowserWindow::Run(const std::function<void()>& task) {
  if (!thread_.joinable()) return false;
  Task t{&task, {}};
  std::future<void> done = t.done.get_future();
  if (!PostMessageA(frame_, kRunTask, 0, reinterpret_cast<LPARAM>(&t))) return false;
  done.get();
  return true;
}

void BrowserWindow::Close() {
  if (!thread_.joinable()) return;
  PostMessageA(frame_, WM_CLOSE, 0, 0);
  thread_.join();
  Say("window " + std::to_string(number_) + " closed");
}

void BrowserWindow::Main(std::promise<void>& ready) {
  CoInitialize(nullptr);
  if (!CreateWindows()) {
    if (frame_) DestroyWindow(frame_);
    CoUninitialize();
    ready.set_exception(std::make_exception_ptr(std::runtime_error("the browser window could not be made")));
    return;
  }
  Say("window " + std::to_string(number_) + " opened");
  browser_ = kestrel::com::MakeObject<Browser>(g_module, frame_, statusBar_);
  site_ = kestrel::com::MakeObject<BandSite>(g_module, browser_.get());
  browser_->Navigate(u"about:blank");
  LoadBands();
  ready.set_value();

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }

  CloseBands();
  DestroyWindow(frame_);
  site_->Detach();
  site_ = nullptr;
  browser_ = nullptr;
  CoUninitialize();
}

bool BrowserWindow::CreateWindows() {
  RegisterClasses(&BrowserWindow::FrameProc);
  frame_ = CreateWindowExA(0, kFrameClass, "iehost", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40 + 20 * number_,
                           40 + 20 * number_, kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
  if (!frame_) return false;
  RECT client{};
  GetClientRect(frame_, &client);
  const int w = client.right, h = client.bottom;
  bandArea_ = Child(kBandAreaClass, frame_, 0, 0, w, 0);
  docView_ = Child(kDocViewClass, frame_, 0, 0, w, h - kStatusHeight);
  server_ = docView_ ? Child(kServerClass, docView_, 0, 0, w, h - kStatusHeight) : nullptr;
  statusBar_ = Child(kStatusBarClass, frame_, 0, h - kStatusHeight, w, kStatusHeight);
  return bandArea_ && docView_ && server_ && statusBar_;
}

void BrowserWindow::LoadBands() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kToolbarKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD size = sizeof name;
    if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  RegCloseKey(key);
  for (DWORD i = 0; i < names.size(); ++i) LoadBand(names[i], i);

  // The bands' windows are stacked in the toolbar area, each a row as tall
  // as its minimum height; the page takes the rest.
  RECT client{};
  GetClientRect(frame_, &client);
  int top = 0;
  for (const Band& band : bands_) {
    if (band.window) MoveWindow(band.window, 0, top, client.right, band.height, TRUE);
    top += band.window ? band.height : 0;
  }
  MoveWindow(bandArea_, 0, 0, client.right, top, TRUE);
  MoveWindow(docView_, 0, top, client.right, client.bottom - top - kStatusHeight, TRUE);
  MoveWindow(server_, 0, 0, client.right, client.bottom - top - kStatusHeight, TRUE);
}

void BrowserWindow::LoadBand(const std::string& valueName, DWORD bandId) {
  const std::u16string id = kestrel::codepage::FromAnsi(valueName);
  std::string description = ReadString(HKEY_CLASSES_ROOT, "CLSID\\" + valueName, nullptr);
  Band band;
  band.name = kestrel::codepage::FromAnsi(description.empty() ? valueName : description);
  const std::string name = kestrel::codepage::ToUtf8(band.name);
  CLSID clsid{};
  if (FAILED(CLSIDFromString(id.c_str(), &clsid))) {
    Say("band not loaded: " + name + ": not a class ID");
    return;
  }
  kestrel::ComPtr<IUnknown> object;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void());
  if (FAILED(hr)) {
    Say("band not loaded: " + name + ": " + Reason(hr) + " (" + Hex(hr) + ")");
    return;
  }
  band.withSite = object.As<IObjectWithSite>();
  band.deskBand = object.As<IDeskBand>();
  if (!band.withSite || !band.deskBand) {
    Say("band not loaded: " + name + ": not a band (no IObjectWithSite or IDeskBand)");
    return;
  }
  hr = band.withSite->SetSite(static_cast<IServiceProvider*>(site_.get()));
  if (FAILED(hr)) {
    band.withSite->SetSite(nullptr);
    Say("band not loaded: " + name + ": SetSite failed (" + Hex(hr) + ")");
    return;
  }
  DESKBANDINFO info{};
  info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS | DBIM_BKCOLOR;
  band.deskBand->GetBandInfo(bandId, DBIF_VIEWMODE_NORMAL, &info);
  HWND window = nullptr;
  band.deskBand->GetWindow(&window);
  band.window = window;
  band.height = info.ptMinSize.y;
  if (window) SetParent(window, bandArea_);
  band.deskBand->ShowDW(TRUE);
  Say("band sited: " + name + " (minimum " + std::to_string(info.ptMinSize.x) + " x " +
      std::to_string(info.ptMinSize.y) + ", ideal " + std::to_string(info.ptActual.x) + " x " +
      std::to_string(info.ptActual.y) + (window ? "" : ", no window") + ")");
  bands_.push_back(std::move(band));
}

void BrowserWindow::CloseBands() {
  while (!bands_.empty()) {
    Band band = std::move(bands_.back());
    bands_.pop_back();
    band.deskBand->ShowDW(FALSE);
    band.deskBand->CloseDW(0);
    band.withSite->SetSite(nullptr);
    Say(u"band closed: " + band.name);
  }
}

LRESULT CALLBACK BrowserWindow::FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kRunTask: {
      auto* task = reinterpret_cast<Task*>(lParam);
      try {
        (*task->body)();
        task->done.set_value();
      } catch (...) {
        task->done.set_exception(std::current_exception());
      }
      return 0;
    }
    case WM_CLOSE:
      // The window's thread closes the bands and the windows after its loop.
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace iehost
