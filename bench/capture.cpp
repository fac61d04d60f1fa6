// Saving a tall capture as JPEG, next to libjpeg-turbo compressing the same
// pixels at the image library's default settings (quality 75, 4:2:0).
// Targets: SaveCaptureToFile(jpg) within 2.5 times tjCompress2, and at most
// three times the 24-bit picture in extra memory at its peak.
#include <benchmark/benchmark.h>

#include "bench_machine.h"
#include <stdlib.h>
#include <turbojpeg.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FreeImageLibrary.h"
#include "SaveCapture.h"
#include "com/com.h"
#include "kestrel/canvas.h"
#include "kestrel/machine.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 30000;
constexpr double kPicture24 = double(kWidth) * kHeight * 3;

// A page-like picture: bands of colour, text lines and rules.
struct Page {
  Page() {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    previous = SelectObject(dc, bitmap);
    ReleaseDC(nullptr, screen);
    {
      kestrel::gdi::Canvas canvas(dc);
      cairo_t* cr = canvas.cr();
      canvas.FillRect(0, 0, kWidth, kHeight, RGB(255, 255, 255));
      for (int y = 0; y < kHeight; y += 600) {
        canvas.FillRect(0, y, kWidth, y + 80, RGB(40 + y % 200, 90, 160));
        canvas.FillRect(900, y + 120, 1240, y + 420, RGB(230, 200 - y % 100, 120));
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        for (int line = 0; line < 20; ++line) {
          cairo_move_to(cr, 40, y + 130 + line * 22);
          cairo_show_text(cr, "The quick brown fox jumps over the lazy dog, text of the capture bench 0123456789");
        }
      }
    }
    SelectObject(dc, previous);
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void());
  }
  ~Page() { DeleteDC(dc); }

  // The pixels as B, G, R, X rows, top-down.
  std::vector<unsigned char> Pixels() const {
    std::vector<unsigned char> bits(size_t(kWidth) * kHeight * 4);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    GetDIBits(dc, bitmap, 0, kHeight, bits.data(), &info, DIB_RGB_COLORS);
    return bits;
  }

  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
  kestrel::ComPtr<IPictureDisp> picture;
};

Page& ThePage() {
  static Page page;
  return page;
}

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  return 0;
}

// Forgets the peak so far: VmHWM starts again from the current size.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The best wall-clock and CPU times of a run of f.
struct Times {
  double wall = 1e9, cpu = 1e9;
};
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + t.tv_nsec / 1e9;
}
template <class F>
void Time(Times& best, F f) {
  auto wall = std::chrono::steady_clock::now();
  double cpu = CpuSeconds();
  f();
  best.cpu = std::min(best.cpu, CpuSeconds() - cpu);
  best.wall = std::min(best.wall, std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count());
}

Times g_save, g_tj;
double g_peak_extra = 0;

void BM_SaveCaptureToFileJpg(benchmark::State& state) {
  Page& page = ThePage();
  std::u16string file = u"C:\\Temp\\bench.jpg", format = u"jpg";
  double peak = 0;
  for (auto _ : state) {
    long before = StatusKb("VmRSS:");
    ResetPeak();
    Time(g_save, [&] { shutterbox::SaveCaptureToFile(page.picture.get(), file, format, FreeImage::Default()); });
    peak = std::max(peak, (StatusKb("VmHWM:") - before) * 1024.0);
  }
  g_peak_extra = peak;
  state.counters["peak_extra_MB"] = peak / 1e6;
  state.counters["peak_per_24bit_picture"] = peak / kPicture24;
}

void BM_TjCompress2(benchmark::State& state) {
  std::vector<unsigned char> pixels = ThePage().Pixels();
  tjhandle tj = tjInitCompress();
  for (auto _ : state) {
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    Time(g_tj, [&] {
      tjCompress2(tj, pixels.data(), kWidth, kWidth * 4, kHeight, TJPF_BGRX, &jpeg, &size, TJSAMP_420, 75, 0);
    });
    benchmark::DoNotOptimize(size);
    tjFree(jpeg);
  }
  tjDestroy(tj);
}

BENCHMARK(BM_TjCompress2)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_SaveCaptureToFileJpg)->Unit(benchmark::kMillisecond)->Iterations(7);

}  // namespace

int main(int argc, char** argv) {
  kestrel::bench::ScopedMachine machine;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // Best times of each; the CPU-time ratio is the steadier one on a busy machine.
  if (g_save.wall < 1e9 && g_tj.wall < 1e9)
    std::printf("SaveCaptureToFile(jpg) / tjCompress2 = %.2f wall, %.2f CPU (target <= 2.5); peak extra memory = "
                "%.2f x the 24-bit picture (target <= 3)\n",
                g_save.wall / g_tj.wall, g_save.cpu / g_tj.cpu, g_peak_extra / kPicture24);
  return 0;
}
