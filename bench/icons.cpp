// The toolbar's image list: the eight icons loaded by number at 32 x 32 and
// added to a 16 x 16 list, cold (icons decoded) and warm (shared icons).
#include <benchmark/benchmark.h>

#include "bench_machine.h"

#include <filesystem>

#include "kestrel/machine.h"
#include "windows.h"

extern "C" HMODULE ResourceLibraryModule();

namespace {

void FillList(HMODULE library) {
  HIMAGELIST list = ImageList_Create(16, 16, ILC_MASK | ILC_COLOR8, 1, 1);
  for (int id = 101; id <= 108; ++id) ImageList_ReplaceIcon(list, -1, LoadIconA(library, MAKEINTRESOURCEA(id)));
  benchmark::DoNotOptimize(ImageList_GetImageCount(list));
  ImageList_Destroy(list);
}

void BM_ToolbarIconsWarm(benchmark::State& state) {
  HMODULE library = ResourceLibraryModule();
  FillList(library);
  for (auto _ : state) FillList(library);
}
BENCHMARK(BM_ToolbarIconsWarm)->Unit(benchmark::kMicrosecond);

void BM_ToolbarIconsCold(benchmark::State& state) {
  HMODULE library = ResourceLibraryModule();
  for (auto _ : state) {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_MASK | ILC_COLOR8, 1, 1);
    for (int id = 101; id <= 108; ++id) {
      HICON icon = static_cast<HICON>(LoadImageA(library, MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
      ImageList_ReplaceIcon(list, -1, icon);
      DestroyIcon(icon);
    }
    ImageList_Destroy(list);
  }
}
BENCHMARK(BM_ToolbarIconsCold)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return kestrel::bench::RunInFreshMachine(argc, argv); }
