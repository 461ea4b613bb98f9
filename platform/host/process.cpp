#include "platform/host/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/host/files.h"

extern char** environ;

namespace host {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads one argument from line[i] on (blanks before it already skipped);
// leaves i after it.
std::string NextArg(std::string_view line, size_t& i) {
  std::string arg;
  char quote = 0;
  for (; i < line.size(); ++i) {
    char c = line[i];
    if (quote) {
      if (c == quote) quote = 0;
      else arg += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (IsBlank(c)) {
      break;
    } else {
      arg += c;
    }
  }
  return arg;
}

void SkipBlanks(std::string_view line, size_t& i) {
  while (i < line.size() && IsBlank(line[i])) ++i;
}

std::string_view LastComponent(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool Executable(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The file a program name means: a name with a separator is a path (found
// the way every framework path is); a bare name is looked up on PATH.
std::string FindProgram(const std::string& name) {
  if (name.empty()) return std::string();
  if (name.find_first_of("/\\") != std::string::npos) {
    std::string path = ResolvePath(name);
    return Executable(path) ? path : std::string();
  }
  const char* env = std::getenv("PATH");
  std::string_view dirs = env && *env ? env : "/usr/local/bin:/usr/bin:/bin";
  for (size_t pos = 0; pos <= dirs.size();) {
    size_t end = dirs.find(':', pos);
    if (end == std::string_view::npos) end = dirs.size();
    std::string dir(dirs.substr(pos, end - pos));
    std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
    if (Executable(candidate)) return candidate;
    pos = end + 1;
  }
  return std::string();
}

std::vector<char*> ArgvOf(const std::vector<std::string>& args) {
  std::vector<char*> out;
  for (const std::string& a : args) out.push_back(const_cast<char*>(a.c_str()));
  out.push_back(nullptr);
  return out;
}

// posix_spawn with the child's standard input on `in` (or /dev/null when
// in < 0), its output on `out` (or /dev/null when out < 0), no other
// descriptor inherited, and the
// default signal mask and SIGPIPE handling whatever the program set.
int Spawn(const std::string& path, const std::vector<std::string>& args, int out, pid_t* pid, int in = -1) {
  posix_spawn_file_actions_t fa;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&fa);
  posix_spawnattr_init(&attr);
  if (in >= 0) posix_spawn_file_actions_adddup2(&fa, in, 0);
  else posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  if (out >= 0) {
    posix_spawn_file_actions_adddup2(&fa, out, 1);
    posix_spawn_file_actions_adddup2(&fa, out, 2);
  } else {
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
  }
  posix_spawn_file_actions_addclosefrom_np(&fa, 3);
  sigset_t none, pipeDefault;
  sigemptyset(&none);
  sigemptyset(&pipeDefault);
  sigaddset(&pipeDefault, SIGPIPE);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &pipeDefault);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> argv = ArgvOf(args);
  int rc = posix_spawn(pid, path.c_str(), &fa, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  return 0;
}

ChildExit ExitOf(pid_t r, int status) {
  ChildExit e;
  if (r < 0) {
    e.signal = -1;  // lost: nothing to report but that it did not succeed
  } else if (WIFEXITED(status)) {
    e.exited = true;
    e.code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    e.signal = WTERMSIG(status);
  }
  return e;
}

ChildExit Wait(pid_t pid) {
  int status = 0;
  pid_t r;
  do r = ::waitpid(pid, &status, 0);
  while (r < 0 && errno == EINTR);
  return ExitOf(r, status);
}

// True when the child has ended (then waited for, its exit kept).
bool Ended(PipedChild* c) {
  if (c->ended) return true;
  int status = 0;
  pid_t r;
  do r = ::waitpid(c->pid, &status, WNOHANG);
  while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  c->ended = true;
  c->exit = ExitOf(r, status);
  c->pid = -1;
  int waiting = 0;
  if (!c->outClosed && ::ioctl(c->out, FIONREAD, &waiting) == 0 && waiting > 0) c->left = static_cast<size_t>(waiting);
  return true;
}

// One read(2) that a signal does not cut short.
int64_t ReadOnce(int fd, char* buf, size_t n) {
  ssize_t r;
  do r = ::read(fd, buf, n);
  while (r < 0 && errno == EINTR);
  return r;
}

// True when a process still holds the write end of the pipe.
bool WritersLeft(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) >= 0 && !(p.revents & (POLLHUP | POLLERR));
}

// Hands the read end to a reader of its own, started by a short-lived shell
// in the background and so adopted by init, that reads it to /dev/null.
void DrainDetached(int fd) {
  std::vector<std::string> args = {"/bin/sh", "-c", "exec 3<&0; cat <&3 >/dev/null 3<&- &"};
  pid_t pid = -1;
  if (Spawn("/bin/sh", args, -1, &pid, fd) == 0) Wait(pid);
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  for (SkipBlanks(line, i); i < line.size(); SkipBlanks(line, i)) args.push_back(NextArg(line, i));
  return args;
}

std::vector<std::string> CommandArgs(std::string_view line) {
  size_t i = 0;
  SkipBlanks(line, i);
  std::string program = NextArg(line, i);
  SkipBlanks(line, i);
  size_t flag = i;
  bool interpreter = EqualNoCase(LastComponent(program), "cmd.exe") && EqualNoCase(line.substr(flag, 2), "/c") &&
                     (flag + 2 >= line.size() || IsBlank(line[flag + 2]));
  if (!interpreter) return SplitCommandLine(line);
  i = flag + 2;
  SkipBlanks(line, i);
  return {"/bin/sh", "-c", std::string(line.substr(i))};
}

// The program is started by a short-lived /bin/sh that puts it in the
// background and ends at once: the program is then adopted by init, which
// reaps it, so no zombie is left however long it runs. Its arguments reach
// it as "$@", never read by the shell.
int StartDetached(const std::vector<std::string>& argv) {
  std::string path = argv.empty() ? std::string() : FindProgram(argv[0]);
  if (path.empty()) {
    errno = ENOENT;
    return -1;
  }
  std::vector<std::string> args = {"/bin/sh", "-c", "\"$0\" \"$@\" &", path};
  args.insert(args.end(), argv.begin() + 1, argv.end());
  pid_t pid = -1;
  if (Spawn("/bin/sh", args, -1, &pid) != 0) return -1;
  ChildExit e = Wait(pid);
  if (!e.Ok()) {
    errno = ECHILD;
    return -1;
  }
  return 0;
}

Status StartPiped(const std::vector<std::string>& argv, PipedChild* child) {
  *child = PipedChild{};
  std::string path = argv.empty() ? std::string() : FindProgram(argv[0]);
  if (path.empty()) return st::FILENOTFOUND;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return st::INTERNALERROR;
  pid_t pid = -1;
  int rc = Spawn(path, argv, fds[1], &pid);
  ::close(fds[1]);  // the child holds its copy; the end of its output is seen
  if (rc != 0) {
    ::close(fds[0]);
    return st::FILENOTFOUND;
  }
  child->pid = pid;
  child->out = fds[0];
  return 0;
}

int64_t ReadPiped(PipedChild* child, char* buf, size_t max) {
  for (;;) {
    if (child->ended || Ended(child)) {
      if (child->left == 0 || max == 0) return 0;
      int64_t r = ReadOnce(child->out, buf, std::min(max, child->left));
      child->left = r > 0 ? child->left - static_cast<size_t>(r) : 0;
      return r;
    }
    if (child->outClosed) {
      ::poll(nullptr, 0, kPipedPollMs);  // it closed its output but runs on
      continue;
    }
    pollfd p{child->out, POLLIN, 0};
    int ready = ::poll(&p, 1, kPipedPollMs);
    if (ready < 0 && errno != EINTR) return -1;
    if (ready <= 0) continue;
    int64_t r = ReadOnce(child->out, buf, max);
    if (r != 0) return r;
    child->outClosed = true;
  }
}

ChildExit FinishPiped(PipedChild* child) {
  ChildExit e = child->exit;
  if (child->out >= 0) {
    if (child->ended && !child->outClosed && WritersLeft(child->out)) DrainDetached(child->out);
    ::close(child->out);
  }
  child->out = -1;
  if (child->pid > 0) e = Wait(child->pid);
  *child = PipedChild{};
  return e;
}

}  // namespace host
