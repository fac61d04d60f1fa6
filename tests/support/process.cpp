#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "machine_test.h"

namespace kestrel::test {

ProcessResult Run(const std::string& program, const std::vector<std::string>& args, const std::string& input) {
  std::string path = (BinDir() / program).string();
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) throw std::runtime_error("pipe");
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    std::vector<char*> argv{path.data()};
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  signal(SIGPIPE, SIG_IGN);
  size_t written = 0;
  if (input.empty()) close(in[1]), in[1] = -1;
  ProcessResult result;
  pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
  int open_outputs = 2;
  while (open_outputs > 0) {
    int n = poll(fds, in[1] >= 0 ? 3 : 2, -1);
    if (n < 0 && errno == EINTR) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
        char buf[4096];
        ssize_t r = read(fds[i].fd, buf, sizeof buf);
        if (r > 0) {
          (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(r));
        } else {
          close(fds[i].fd);
          fds[i].fd = -1;
          --open_outputs;
        }
      }
    }
    if (in[1] >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t w = write(in[1], input.data() + written, input.size() - written);
      if (w > 0) written += static_cast<size_t>(w);
      if (w <= 0 || written == input.size()) close(in[1]), in[1] = -1, fds[2].fd = -1;
    }
  }
  if (in[1] >= 0) close(in[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace kestrel::test

namespace kestrel::test {

BackgroundProcess::BackgroundProcess(const std::string& program, const std::vector<std::string>& args) {
  std::string path = (BinDir() / program).string();
  int out[2];
  if (pipe2(out, O_CLOEXEC)) throw std::runtime_error("pipe");
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], 1);
    dup2(out[1], 2);
    std::vector<char*> argv{path.data()};
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  out_fd_ = out[0];
}

BackgroundProcess::~BackgroundProcess() {
  if (pid_ > 0) Stop(SIGKILL);
  if (out_fd_ >= 0) close(out_fd_);
}

void BackgroundProcess::Drain(int timeoutMs) {
  pollfd p{out_fd_, POLLIN, 0};
  while (out_fd_ >= 0 && poll(&p, 1, timeoutMs) > 0) {
    char buf[4096];
    ssize_t r = read(out_fd_, buf, sizeof buf);
    if (r <= 0) {
      close(out_fd_);
      out_fd_ = -1;
      break;
    }
    out_.append(buf, static_cast<size_t>(r));
    timeoutMs = 0;
  }
}

bool BackgroundProcess::WaitForOutput(const std::string& text, int timeoutMs) {
  for (int waited = 0; out_.find(text) == std::string::npos; waited += 10) {
    if (waited >= timeoutMs || out_fd_ < 0) return out_.find(text) != std::string::npos;
    Drain(10);
  }
  return true;
}

int BackgroundProcess::Stop(int signal) {
  if (pid_ > 0) {
    kill(pid_, signal);
    for (int tries = 0; out_fd_ >= 0; ++tries) {
      if (tries == 50) kill(pid_, SIGKILL);  // it did not stop within 5 s
      Drain(100);
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
  }
  return status_;
}

const std::string& BackgroundProcess::out() {
  Drain(0);
  return out_;
}

}  // namespace kestrel::test
