// A serial device for whole-program tests: a pseudo-terminal whose slave
// the program under test opens as its COM1 port (KX_COM1), while this
// helper plays the device on the master and copies everything the program
// writes to the port to its standard output.
//
//   pty_device PROGRAM ARGS...
//
// Exits with the program's exit code (125 when it cannot run it).
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: pty_device PROGRAM ARGS...\n");
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
    pollfd p{master, POLLIN, 0};
    poll(&p, 1, 10);
    Drain(master);
    if (waitpid(child, &status, WNOHANG) == child) break;
  }
  Drain(master);
  fflush(stdout);
  close(keep);
  close(master);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 125;
}
