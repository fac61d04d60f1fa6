// From SetSite to the strip shown (ShowDW done) for one band, with the
// band library linked in: cold on a fresh browser thread (its hidden form,
// COM apartment and window classes' first use on that thread), warm when
// the same thread sites a band again. Target: 20 ms warm.
#include <benchmark/benchmark.h>

#include "bench_machine.h"

#include <filesystem>
#include <string>
#include <thread>

#include "CToolbar.h"
#include "Library.h"
#include "com/com.h"
#include "com/com_object.h"
#include "kestrel/machine.h"
#include "windows.h"

namespace {

kestrel::com::ServerModule g_benchModule;

// A site without a browser service: the strip is built all the same.
class Site : public kestrel::com::ComObject<IServiceProvider, IInputObjectSite> {
 public:
  Site() : ComObject(g_benchModule) {}
  HRESULT QueryService(REFGUID, REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT OnFocusChangeIS(IUnknown*, BOOL) override { return S_OK; }
};

// Sites a band and shows it; then unsites it outside the timing.
void SiteAndShow(benchmark::State& state) {
  kestrel::ComPtr<Site> site = kestrel::com::MakeObject<Site>();
  kestrel::ComPtr<CToolbar> band = kestrel::com::MakeObject<CToolbar>(g_module);
  band->SetSite(static_cast<IServiceProvider*>(site.get()));
  band->ShowDW(TRUE);
  state.PauseTiming();
  band->ShowDW(FALSE);
  band->CloseDW(0);
  band->SetSite(nullptr);
  state.ResumeTiming();
}

void BM_StripCold(benchmark::State& state) {
  for (auto _ : state) {
    std::thread thread([&] {
      CoInitialize(nullptr);
      SiteAndShow(state);
      state.PauseTiming();
      CoUninitialize();
      state.ResumeTiming();
    });
    thread.join();
  }
}
BENCHMARK(BM_StripCold)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StripWarm(benchmark::State& state) {
  std::thread thread([&] {
    CoInitialize(nullptr);
    for (auto _ : state) SiteAndShow(state);
    CoUninitialize();
  });
  thread.join();
}
BENCHMARK(BM_StripWarm)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return kestrel::bench::RunInFreshMachine(argc, argv); }
