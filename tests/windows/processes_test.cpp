// Windows of another process on the same machine folder, with a real second
// process (windows_peer).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>

#include "window_test.h"
#include "windows/wire.h"

namespace {
using namespace window_test;
using Clock = std::chrono::steady_clock;

uint64_t Fnv(const void* data, size_t size) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < size; ++i) h = (h ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ull;
  return h;
}

// windows_peer running in a mode, its window made.
class Peer {
 public:
  Peer(const char* mode, const char* title) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    std::string program = (kestrel::test::BinDir() / "windows_peer").string();
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      execl(program.c_str(), program.c_str(), mode, title, nullptr);
      _exit(127);
    }
    close(out[1]);
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 10000) > 0 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    hwnd_ = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoul(line.c_str(), nullptr, 10)));
  }
  ~Peer() { Kill(); }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    Reap();
  }
  void Reap() {
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  HWND hwnd() const { return hwnd_; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  HWND hwnd_ = nullptr;
};

LRESULT CopyData(HWND to, ULONG_PTR kind, const void* data = nullptr, DWORD size = 0) {
  COPYDATASTRUCT cds{kind, size, const_cast<void*>(data)};
  return SendMessageA(to, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}

// The window the peer sends back to: answers WM_COPYDATA with 41.
LRESULT CALLBACK AnswerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  return m == WM_COPYDATA ? 41 : DefWindowProcA(h, m, w, l);
}

TEST_F(WindowTest, WindowOfAnotherProcess) {
  Peer peer("viewer", "Kestrel Test Viewer");
  ASSERT_NE(peer.hwnd(), nullptr);
  HWND local = Make("local");
  EXPECT_NE(local, peer.hwnd());
  EXPECT_EQ(FindWindowA(nullptr, "kestrel test VIEWER"), peer.hwnd());
  EXPECT_EQ(FindWindowA("KestrelPeer", nullptr), peer.hwnd());
  EXPECT_EQ(FindWindowExA(nullptr, local, "kestrelpeer", nullptr), peer.hwnd());
  EXPECT_TRUE(IsWindow(peer.hwnd()));
  DWORD pid = 0;
  EXPECT_NE(GetWindowThreadProcessId(peer.hwnd(), &pid), 0u);
  EXPECT_EQ(pid, static_cast<DWORD>(peer.pid()));
  char text[32];
  EXPECT_EQ(GetWindowTextA(peer.hwnd(), text, sizeof text), 19);
  EXPECT_STREQ(text, "Kestrel Test Viewer");

  // It cannot be changed from here.
  SetLastError(0);
  EXPECT_EQ(SetWindowLongPtrA(peer.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnswerProc)), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(SetPropA(peer.hwnd(), "x", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(PostMessageA(peer.hwnd(), WM_USER, 0, 0));
  EXPECT_EQ(SendMessageA(peer.hwnd(), WM_USER + 1, 1, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  // WM_COPYDATA: the data arrives whole, the answer comes back.
  std::string big(1 << 20, '\0');
  std::mt19937 random(7);
  for (char& c : big) c = static_cast<char>(random());
  for (const std::string& data : {std::string(), std::string("hello"), big}) {
    EXPECT_EQ(CopyData(peer.hwnd(), 0, data.empty() ? nullptr : data.data(), static_cast<DWORD>(data.size())),
              static_cast<LRESULT>(Fnv(data.data(), data.size())))
        << data.size();
  }
  EXPECT_EQ(CopyData(peer.hwnd(), 1), 3);

  // A broadcast reaches it with its string.
  DWORD_PTR ignored;
  EXPECT_TRUE(SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                                  reinterpret_cast<LPARAM>("Internet Settings"), SMTO_ABORTIFHUNG, 2000, &ignored));
  EXPECT_EQ(CopyData(peer.hwnd(), 2), static_cast<LRESULT>(Fnv("Internet Settings", 17)));

  // While this thread waits for its answer, the peer sends back to it.
  HWND back = Make("kestrel test window");
  SetWindowLongPtrA(back, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnswerProc));
  EXPECT_EQ(CopyData(peer.hwnd(), 5), 42);
}

TEST_F(WindowTest, HungProcessTimesOut) {
  Peer peer("hang", "Kestrel Hung Viewer");
  ASSERT_NE(peer.hwnd(), nullptr);
  COPYDATASTRUCT cds{0, 5, const_cast<char*>("hello")};
  DWORD_PTR result = 77;
  auto start = Clock::now();
  EXPECT_FALSE(SendMessageTimeoutA(peer.hwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 200,
                                   &result));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(200));
  EXPECT_LT(waited, std::chrono::seconds(4));  // its own limit, not the 5 s of SendMessageA
  EXPECT_EQ(result, 77u);
  // Known hung now: SMTO_ABORTIFHUNG does not wait.
  start = Clock::now();
  EXPECT_FALSE(SendMessageTimeoutA(peer.hwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_ABORTIFHUNG,
                                   60000, &result));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
}

TEST_F(WindowTest, EndedProcessVanishes) {
  {
    // Killed between sends.
    Peer peer("viewer", "Kestrel Killed Viewer");
    ASSERT_EQ(FindWindowA(nullptr, "Kestrel Killed Viewer"), peer.hwnd());
    peer.Kill();
    EXPECT_EQ(FindWindowA(nullptr, "Kestrel Killed Viewer"), nullptr);
    EXPECT_FALSE(IsWindow(peer.hwnd()));
    EXPECT_EQ(CopyData(peer.hwnd(), 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
  {
    // Ending in the middle of a send: the sender is answered 0 at once.
    Peer peer("viewer", "Kestrel Dying Viewer");
    ASSERT_EQ(CopyData(peer.hwnd(), 1), 3);
    EXPECT_EQ(CopyData(peer.hwnd(), 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    peer.Reap();
    EXPECT_EQ(FindWindowA(nullptr, "Kestrel Dying Viewer"), nullptr);
  }
}

TEST_F(WindowTest, MalformedRequestsDoNotHurtTheReceiver) {
  Peer peer("viewer", "Kestrel Sturdy Viewer");
  ASSERT_NE(peer.hwnd(), nullptr);
  using kestrel::windows::wire::Request;
  auto valid = [&] {
    Request r{};
    r.magic = kestrel::windows::wire::kRequestMagic;
    r.hwnd = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(peer.hwnd()));
    r.message = WM_SETTINGCHANGE;
    r.deadline_ns = ~0ull;
    return r;
  };
  std::vector<std::string> attacks;
  auto add = [&](Request r, std::string tail = "") {
    attacks.push_back(std::string(reinterpret_cast<char*>(&r), sizeof r) + tail);
  };
  Request r = valid();
  r.magic = 0;
  add(r);
  r = valid();
  r.payload_size = 0xFFFFFFFF;
  add(r);
  r = valid();
  r.lparam = 0x1234;  // a value that would be taken for a string
  add(r);
  r = valid();
  r.carried = 7;
  add(r);
  r = valid();
  r.message = WM_GETTEXT;
  add(r);
  r = valid();
  r.carried = 1;  // copy data for the wrong message
  r.payload_size = 3;
  add(r, "abc");
  attacks.push_back("short");
  attacks.push_back(std::string(4096, '\xFF'));
  for (const auto& bytes : attacks) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address;
    socklen_t length = kestrel::windows::wire::Address(peer.pid(), &address);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    shutdown(fd, SHUT_WR);
    char reply[64];
    pollfd p{fd, POLLIN, 0};
    poll(&p, 1, 2000);
    EXPECT_LE(recv(fd, reply, sizeof reply, MSG_DONTWAIT), 0);  // closed, no answer
    close(fd);
    EXPECT_EQ(CopyData(peer.hwnd(), 1), 3) << bytes.size();
  }
}

}  // namespace
