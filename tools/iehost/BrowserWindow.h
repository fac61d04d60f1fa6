// One browser window on a thread of its own: the frame with its toolbar
// area, the page window chain "Shell DocObject View" → "Internet
// Explorer_Server" and a status bar; the browser object; and the bands
// listed under HKLM\SOFTWARE\Microsoft\Internet Explorer\Toolbar, each
// created by class ID, sited, laid out and shown when the window opens, and
// hidden, closed, unsited and released when it closes.
#pragma once

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BandSite.h"
#include "Browser.h"
#include "com/band.h"
#include "windows.h"

namespace iehost {

class BrowserWindow {
 public:
  // Opens window number and returns once its bands are shown. Throws
  // std::runtime_error when the window cannot be made.
  explicit BrowserWindow(int number);
  ~BrowserWindow();  // closes it
  BrowserWindow(const BrowserWindow&) = delete;
  BrowserWindow& operator=(const BrowserWindow&) = delete;

  int Number() const { return number_; }
  // Runs task on the window's thread and waits for it; rethrows what it
  // throws. False when the window has gone.
  bool Run(const std::function<void()>& task);
  // Closes the bands and the window and ends its thread.
  void Close();

  // On the window's thread only (inside Run).
  Browser& browser() { return *browser_; }

 private:
  struct Band {
    std::u16string name;
    kestrel::ComPtr<IObjectWithSite> withSite;
    kestrel::ComPtr<IDeskBand> deskBand;
    HWND window = nullptr;  // as GetWindow gave it
    LONG height = 0;        // the minimum height of its band information
  };

  void Main(std::promise<void>& ready);
  bool CreateWindows();
  void LoadBands();
  void LoadBand(const std::string& valueName, DWORD bandId);
  void CloseBands();
  static LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  int number_;
  std::thread thread_;
  HWND frame_ = nullptr;
  HWND bandArea_ = nullptr;
  HWND docView_ = nullptr;
  HWND server_ = nullptr;
  HWND statusBar_ = nullptr;
  kestrel::ComPtr<Browser> browser_;
  kestrel::ComPtr<BandSite> site_;
  std::vector<Band> bands_;
};

}  // namespace iehost
