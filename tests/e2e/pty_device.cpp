// A serial device for whole-program tests: a pseudo-terminal whose slave
// the program under test opens as its COM1 port (KX_COM1), while this
// helper plays the device on the master and copies everything the program
// writes to the port to its standard output.
//
//   pty_device [--feed FIFO] PROGRAM ARGS...
//
// With --feed, whatever the test writes to the named pipe FIFO is sent to
// the program as the device's input, as it comes (a scanner the test
// plays byte by byte, with its own pauses).
//
// Exits with the program's exit code (125 when it cannot run it).
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern char** environ;

namespace {

void Drain(int master) {
  char buf[4096];
  for (;;) {
    ssize_t r = read(master, buf, sizeof buf);
    if (r <= 0) return;
    fwrite(buf, 1, static_cast<size_t>(r), stdout);
  }
}

// Sends what waits on the feed to the device's side of the line.
void Feed(int feed, int master) {
  char buf[4096];
  for (;;) {
    ssize_t r = read(feed, buf, sizeof buf);
    if (r <= 0) return;
    for (ssize_t done = 0; done < r;) {
      ssize_t w = write(master, buf + done, static_cast<size_t>(r - done));
      if (w > 0) done += w;
      else if (w < 0 && errno != EAGAIN) return;
      else poll(nullptr, 0, 1);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  int feed = -1;
  if (argc >= 3 && std::strcmp(argv[1], "--feed") == 0) {
    // Opened for writing too, so the feed never reads as ended between
    // the test's writes.
    feed = open(argv[2], O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (feed < 0) return 125;
    argv += 2;
    argc -= 2;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: pty_device [--feed FIFO] PROGRAM ARGS...\n");
    return 125;
  }
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return 125;
  std::string slave = ptsname(master);
  // Held open so the line stays up before and after the program has it.
  int keep = open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  setenv("KX_COM1", slave.c_str(), 1);

  pid_t child = 0;
  if (posix_spawn(&child, argv[1], nullptr, nullptr, argv + 1, environ) != 0) return 125;
  int status = 0;
  for (;;) {
    pollfd p[2] = {{master, POLLIN, 0}, {feed, POLLIN, 0}};
    poll(p, feed >= 0 ? 2 : 1, 10);
    Drain(master);
    if (feed >= 0) Feed(feed, master);
    if (waitpid(child, &status, WNOHANG) == child) break;
  }
  Drain(master);
  fflush(stdout);
  close(keep);
  close(master);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 125;
}
