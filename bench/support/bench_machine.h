// A machine folder of a benchmark's own: made fresh in the temporary folder,
// switched to (programs it starts inherit it), removed when it goes.
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "kestrel/machine.h"

namespace kestrel::bench {

class ScopedMachine {
 public:
  ScopedMachine() {
    home_ = (std::filesystem::temp_directory_path() / "kestrel-bench-XXXXXX").string();
    if (!mkdtemp(home_.data())) throw std::runtime_error("cannot make a machine folder");
    machine::Switch(home_);
  }
  ~ScopedMachine() {
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
  }
  ScopedMachine(const ScopedMachine&) = delete;
  ScopedMachine& operator=(const ScopedMachine&) = delete;

 private:
  std::string home_;
};

// The main of a benchmark program with nothing else to do: the registered
// benchmarks, run in a fresh machine folder.
inline int RunInFreshMachine(int argc, char** argv) {
  ScopedMachine machine;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace kestrel::bench
