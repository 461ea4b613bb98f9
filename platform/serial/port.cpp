#include "platform/serial/port.h"

#include "platform/serial/port_termios.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>

namespace serial {
namespace {

struct Speed {
  uint32_t baud;
  speed_t code;
};
constexpr Speed kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

const Speed* SpeedOf(uint32_t baud) {
  for (const Speed& s : kSpeeds)
    if (s.baud == baud) return &s;
  return nullptr;
}

// CS5 is 0: validity is told apart from the bits.
bool SizeBits(uint8_t dataBits, tcflag_t* bits) {
  switch (dataBits) {
    case 5: *bits = CS5; return true;
    case 6: *bits = CS6; return true;
    case 7: *bits = CS7; return true;
    case 8: *bits = CS8; return true;
    default: return false;
  }
}

tcflag_t ParityBits(Parity p) {
  switch (p) {
    case Parity::Odd: return PARENB | PARODD;
    case Parity::Even: return PARENB;
    case Parity::Mark: return PARENB | CMSPAR | PARODD;
    case Parity::Space: return PARENB | CMSPAR;
    default: return 0;
  }
}

// The line settings on the terminal: false when it refuses them.
bool Configure(int fd, const LineSettings& s) {
  termios t{};
  return tcgetattr(fd, &t) == 0 && LineTermios(s, &t) && tcsetattr(fd, TCSANOW, &t) == 0;
}

// DTR on, RTS off; lines a device lacks are no error.
void ModemLines(int fd) {
  int dtr = TIOCM_DTR;
  int rts = TIOCM_RTS;
  (void)ioctl(fd, TIOCMBIS, &dtr);
  (void)ioctl(fd, TIOCMBIC, &rts);
}

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// poll() for the events until the deadline (EINTR resumes the wait): the
// events seen, 0 on a time-out.
short WaitFor(int fd, short events, int timeoutMs) {
  int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    int64_t left = deadline - NowMs();
    pollfd p{fd, events, 0};
    int r = poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
    if (r > 0) return p.revents;
    if (r == 0 || errno != EINTR) return r == 0 ? 0 : POLLERR;
  }
}

constexpr short kLineDown = POLLERR | POLLHUP | POLLNVAL;

}  // namespace

bool LineTermios(const LineSettings& s, termios* t) {
  const Speed* speed = SpeedOf(s.baud);
  tcflag_t size = 0;
  if (!speed || !SizeBits(s.dataBits, &size)) return false;
  termios n = *t;
  cfmakeraw(&n);
  n.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  n.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  n.c_cflag |= CLOCAL | CREAD | size | ParityBits(s.parity) | (s.twoStopBits ? CSTOPB : 0);
  if (s.parity != Parity::None) n.c_iflag |= INPCK;
  n.c_cc[VMIN] = 0;
  n.c_cc[VTIME] = 0;
  if (cfsetispeed(&n, speed->code) != 0 || cfsetospeed(&n, speed->code) != 0) return false;
  *t = n;
  return true;
}

std::string PortPath(std::string_view name) {
  if (!name.empty() && name.back() == ':') name.remove_suffix(1);
  if (name.size() < 4 || name.size() > 6) return {};
  for (int i = 0; i < 3; ++i)
    if ((name[i] & ~0x20) != "COM"[i]) return {};
  unsigned n = 0;
  auto [end, ec] = std::from_chars(name.data() + 3, name.data() + name.size(), n);
  if (ec != std::errc() || end != name.data() + name.size() || n < 1 || n > 255) return {};
  std::string var = "KX_COM" + std::to_string(n);
  const char* set = std::getenv(var.c_str());
  if (set && *set) return set;
  return "/dev/ttyS" + std::to_string(n - 1);
}

bool SpeedKnown(uint32_t baud) { return SpeedOf(baud) != nullptr; }

int Open(const std::string& path, const LineSettings& settings, Status* status) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (fd >= 0) close(fd);
    *status = st::DEVICETIMEOUT;
    return -1;
  }
  if (!Configure(fd, settings)) {
    close(fd);
    *status = 0xFFFF;
    return -1;
  }
  (void)ioctl(fd, TIOCEXCL);
  ModemLines(fd);
  tcflush(fd, TCIOFLUSH);
  *status = 0;
  return fd;
}

void Close(int fd) {
  if (fd < 0) return;
  (void)ioctl(fd, TIOCNXCL);
  close(fd);
}

int Queued(int fd) {
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, 0) < 0 || (p.revents & kLineDown)) return -1;
  int n = 0;
  if (ioctl(fd, FIONREAD, &n) != 0) return -1;
  return n;
}

int ReadNow(int fd, char* buf, size_t max) {
  if (max == 0) return 0;
  for (;;) {
    ssize_t r = read(fd, buf, max);
    if (r >= 0) return static_cast<int>(r);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    if (errno != EINTR) return -1;
  }
}

bool WaitReadable(int fd, int timeoutMs) {
  short seen = WaitFor(fd, POLLIN, timeoutMs);
  return (seen & POLLIN) && !(seen & (POLLERR | POLLNVAL));
}

bool WriteAll(int fd, const char* bytes, size_t n, int stallMs) {
  int64_t progress = NowMs();
  while (n > 0) {
    ssize_t w = write(fd, bytes, n);
    if (w > 0) {
      bytes += w;
      n -= static_cast<size_t>(w);
      progress = NowMs();
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    int64_t left = progress + stallMs - NowMs();
    if (left <= 0) return false;
    short seen = WaitFor(fd, POLLOUT, static_cast<int>(left));
    if (!(seen & POLLOUT) || (seen & kLineDown)) return false;
  }
  return true;
}

}  // namespace serial
