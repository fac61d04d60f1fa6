#include "machine_test.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "com/com.h"
#include "kestrel/machine.h"

namespace kestrel::test {
namespace fs = std::filesystem;
namespace {

std::vector<fs::path>& made() {
  static std::vector<fs::path> folders;
  return folders;
}

void RemoveMade() {
  if (std::getenv("KESTREL_KEEP_TEST_HOME")) return;
  std::error_code ec;
  for (auto& f : made()) fs::remove_all(f, ec);
}

}  // namespace

fs::path FreshMachine() {
  static std::once_flag once;
  // The list first, so that it is still alive when RemoveMade runs at exit.
  std::call_once(once, [] {
    made();
    std::atexit(RemoveMade);
  });
  std::string pattern = (fs::temp_directory_path() / "kestrel-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  made().push_back(pattern);
  machine::Switch(pattern);
  return pattern;
}

fs::path BinDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return fs::path(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0)).parent_path();
}

void ApartmentTest::SetUp() {
  MachineTest::SetUp();
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
}

void ApartmentTest::TearDown() {
  CoUninitialize();
  EXPECT_EQ(com::LiveObjects(), 0);
}

}  // namespace kestrel::test
