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

// A fresh machine with an apartment on this thread, and no COM object left
// alive at the end.
class ApartmentTest : public MachineTest {
 protected:
  void SetUp() override;
  void TearDown() override;
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

// A built program running in the background, its output collected.
class BackgroundProcess {
 public:
  BackgroundProcess(const std::string& program, const std::vector<std::string>& args);
  ~BackgroundProcess();  // kills it if still running
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  int pid() const { return pid_; }
  // Waits until its output holds text (or the timeout passes); true if it does.
  bool WaitForOutput(const std::string& text, int timeoutMs = 5000);
  // Sends the signal and waits for the exit; the exit code, -1 if killed.
  int Stop(int signal);
  // What it printed so far.
  const std::string& out();

 private:
  void Drain(int timeoutMs);
  int pid_ = -1;
  int out_fd_ = -1;
  int status_ = -1;
  std::string out_;
};

}  // namespace kestrel::test
