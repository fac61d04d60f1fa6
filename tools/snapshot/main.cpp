// snapshot [folder]: opens a window on the simulated screen, grabs it with
// the capture library and saves it as snapshot.jpg, .png, .tiff, .gif and
// .bmp in folder (default: the current one); then tries PCX, which fails.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cls_Capture.h"
#include "kestrel/canvas.h"
#include "kestrel/codepage.h"
#include "kestrel/component_error.h"
#include "kestrel/paths.h"

namespace {

kestrel::com::ServerModule g_module;

LRESULT CALLBACK DemoProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  {
    kestrel::gdi::Canvas canvas(hdc);
    cairo_t* cr = canvas.cr();
    canvas.FillRect(0, 0, client.right, client.bottom, RGB(250, 250, 245));
    canvas.FillRect(0, 0, client.right, 40, RGB(40, 90, 160));
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_font_size(cr, 20);
    cairo_move_to(cr, 14, 28);
    cairo_show_text(cr, "Kestrel capture");
    const double colors[][3] = {{0.85, 0.2, 0.2}, {0.2, 0.7, 0.3}, {0.95, 0.75, 0.1}, {0.3, 0.4, 0.9}};
    for (int i = 0; i < 4; ++i) {
      cairo_set_source_rgb(cr, colors[i][0], colors[i][1], colors[i][2]);
      cairo_arc(cr, 70 + i * 110, 120, 40, 0, 2 * M_PI);
      cairo_fill(cr);
    }
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_set_font_size(cr, 14);
    for (int line = 0; line < 5; ++line) {
      cairo_move_to(cr, 20, 200 + line * 22);
      cairo_show_text(cr, "The quick brown fox jumps over the lazy dog.");
    }
  }
  EndPaint(window, &ps);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && (argv[1][0] == '-' || std::string(argv[1]) == "/?"))) {
    std::fprintf(argc == 2 && std::string(argv[1]) != "--help" && std::string(argv[1]) != "-h" ? stderr : stdout,
                 "usage: snapshot [FOLDER]\n"
                 "  Opens a window on the simulated screen, grabs it with the capture library and\n"
                 "  writes snapshot.jpg, .png, .tiff, .gif and .bmp into FOLDER (default: the\n"
                 "  current folder); then shows that PCX cannot be written.\n");
    return argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") ? 0 : 2;
  }
  std::filesystem::path folder = std::filesystem::absolute(argc > 1 ? argv[1] : ".");
  WNDCLASSA wc{};
  wc.lpfnWndProc = DemoProc;
  wc.lpszClassName = "KestrelSnapshotDemo";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, "Capture demo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120, 80, 480,
                                340, nullptr, nullptr, nullptr, nullptr);

  kestrel::ComPtr<cls_Capture> capture = kestrel::com::MakeObject<cls_Capture>(g_module);
  CaptureType type = Capture_Window;
  kestrel::Variant ignored;
  capture->DoCapture(&type, static_cast<LONG>(reinterpret_cast<uintptr_t>(window)), &ignored);

  int failures = 0;
  for (const char* format : {"jpg", "png", "tiff", "gif", "bmp", "pcx"}) {
    std::u16string file = kestrel::codepage::FromUtf8(kestrel::paths::FromNative(folder / "snapshot.") + format);
    std::u16string name = kestrel::codepage::FromAnsi(format);
    VARIANT_BOOL saved = VARIANT_FALSE;
    try {
      capture->SaveCaptureToFile(&file, &name, &saved);
      std::printf("wrote %s\n", kestrel::codepage::ToUtf8(file).c_str());
    } catch (const kestrel::ComponentError& e) {
      ++failures;
      std::printf("%s: %s\n", kestrel::codepage::ToUtf8(e.source()).c_str(),
                  kestrel::codepage::ToUtf8(e.description()).c_str());
    }
  }
  DestroyWindow(window);
  return failures == 1 ? 0 : 1;  // only PCX fails
}
