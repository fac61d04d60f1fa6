// Test support: a fresh machine folder for every test, and running the
// project's programs as real second processes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kestrel::test {

// Makes a new empty machine folder and switches this process (and the
// programs it starts) to it.
std::filesystem::path FreshMachine();

// Base fixture: SetUp switches to a fresh machine folder.
class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override { home_ = FreshMachine(); }
  std::filesystem::path home_;
};

// The folder that holds the built programs and libraries.
std::filesystem::path BinDir();

struct ProcessResult {
  int exit_code = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs a built program (by name, from BinDir) with arguments and input and
// waits for it.
ProcessResult Run(const std::string& program, const std::vector<std::string>& args, const std::string& input = "");

}  // namespace kestrel::test
