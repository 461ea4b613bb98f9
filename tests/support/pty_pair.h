// A pseudo-terminal pair standing in for a serial device: the program opens
// the slave as its port (KX_COMn names it), the test plays the device on the
// master, writing what a scanner sends and reading what the program wrote.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

class PtyPair {
 public:
  PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
      const char* name = ptsname(master_);
      if (name) slave_ = name;
    }
    if (master_ >= 0) fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~PtyPair() { CloseMaster(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return master_ >= 0 && !slave_.empty(); }
  const std::string& slave() const { return slave_; }
  // The device sends bytes to the program.
  void Send(std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t w = write(master_, bytes.data(), bytes.size());
      if (w > 0) bytes.remove_prefix(static_cast<size_t>(w));
      else if (w < 0 && errno != EAGAIN) return;  // nobody has the port open
      else Wait(POLLOUT, 100);
    }
  }
  // What the program sent, until `want` bytes came or timeoutMs passed
  // without a byte.
  std::string Receive(size_t want, int timeoutMs = 2000) {
    std::string got;
    char buf[4096];
    while (got.size() < want) {
      ssize_t r = read(master_, buf, sizeof buf);
      if (r > 0) got.append(buf, static_cast<size_t>(r));
      else if (!Wait(POLLIN, timeoutMs)) break;
    }
    return got;
  }
  // The line settings of the slave, as the program left them.
  termios Settings() const {
    termios t{};
    tcgetattr(master_, &t);
    return t;
  }
  // The device goes away: the program's port is hung up.
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  bool Wait(short events, int ms) const {
    pollfd p{master_, events, 0};
    return poll(&p, 1, ms) > 0 && (p.revents & events);
  }
  int master_ = -1;
  std::string slave_;
};

// The descriptors the process holds open.
inline int OpenDescriptorCount() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// Waits (in real time, at most timeoutMs) until pred holds.
template <typename Pred>
bool WaitUntil(Pred pred, int timeoutMs = 2000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
