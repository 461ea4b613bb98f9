#include "platform/host/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace host {
namespace {

// --- Injected faults ---------------------------------------------------------

struct Fault {
  unsigned countdown = 0;  // 0 = disarmed
  int err = 0;
  unsigned calls = 0;
  size_t partial = 0;  // a failing write first writes this many bytes
};
Fault g_faults[static_cast<int>(FaultOp::Count)];

// What this layer last did with each descriptor number: a close of a
// number it closed already, with no open of its own between, is stale.
// Descriptors made elsewhere (pipes, temporary files) are not tracked.
constexpr int kLedgerSize = 4096;
enum : uint8_t { kFdUnknown, kFdOpened, kFdClosed };
uint8_t g_ledger[kLedgerSize];
StaleCloses g_stale;

void Ledger(int fd, uint8_t state) {
  if (fd >= 0 && fd < kLedgerSize) g_ledger[fd] = state;
}

// Counts a call of op; true (with errno set) when this call is to fail.
// *partial (when asked) gets the bytes a failing write still writes first.
bool FaultHit(FaultOp op, size_t* partial = nullptr) {
  Fault& f = g_faults[static_cast<int>(op)];
  ++f.calls;
  if (f.countdown == 0 || --f.countdown != 0) return false;
  if (partial) *partial = f.partial;
  errno = f.err;
  return true;
}

// --- Names -------------------------------------------------------------------

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool LessForListing(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(Lower(a[i]));
    auto y = static_cast<unsigned char>(Lower(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool PathExists(const std::string& p) {
  struct stat st;
  return ::lstat(p.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Entry names of a directory, without "." and "..", unsorted.
bool ReadDirectory(const std::string& dir, std::vector<std::string>* names) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  while (const dirent* e = ::readdir(d)) {
    std::string_view n = e->d_name;
    if (n != "." && n != "..") names->emplace_back(n);
  }
  ::closedir(d);
  return true;
}

std::string Join(const std::string& dir, std::string_view name) {
  if (dir.empty()) return std::string(name);
  if (dir.back() == '/') return dir + std::string(name);
  return dir + "/" + std::string(name);
}

// The entry of dir whose name equals name without regard to case; the first
// in byte order when several do. Empty when none.
std::string FindNoCase(const std::string& dir, std::string_view name) {
  std::vector<std::string> names;
  if (!ReadDirectory(dir, &names)) return {};
  std::string best;
  for (const std::string& n : names)
    if (EqualNoCase(n, name) && (best.empty() || n < best)) best = n;
  return best;
}

bool ValidName(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) {
    errno = EINVAL;
    return false;
  }
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  return true;
}

std::string DirName(const std::string& p) {
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

std::string BaseName(const std::string& p) {
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

bool MatchFrom(std::string_view p, std::string_view n) {
  size_t pi = 0, ni = 0, starP = std::string_view::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || Lower(p[pi]) == Lower(n[ni]))) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starN = ni;
    } else if (starP != std::string_view::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

int SyncDirectory(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  int r = ::fsync(fd);
  ::close(fd);
  return r;
}

mode_t NewFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

// --- Names -------------------------------------------------------------------

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string NormalizePath(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
    path.remove_prefix(2);
  std::string out(path);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::string ResolvePath(std::string_view path) {
  std::string n = NormalizePath(path);
  if (n.empty() || n.find('\0') != std::string::npos || PathExists(n)) return n;
  std::string out = n[0] == '/' ? "/" : "";
  size_t pos = out.size();
  bool found = true;  // every component so far exists
  while (pos <= n.size()) {
    size_t slash = n.find('/', pos);
    if (slash == std::string::npos) slash = n.size();
    std::string_view comp(n.data() + pos, slash - pos);
    pos = slash + 1;
    if (comp.empty()) continue;
    std::string exact = Join(out, comp);
    if (found && comp != "." && comp != ".." && !PathExists(exact)) {
      std::string other = FindNoCase(out, comp);
      if (!other.empty()) exact = Join(out, other);
      else found = false;
    }
    out = exact;
  }
  if (n.back() == '/' && !out.empty() && out.back() != '/') out += '/';
  return out;
}

bool HasWildcards(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

bool WildMatch(std::string_view pattern, std::string_view name) {
  if (MatchFrom(pattern, name)) return true;
  if (name.find('.') != std::string_view::npos) return false;
  // Windows lets "x.*" and "x." also match a name without any extension.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*")
    return MatchFrom(pattern.substr(0, pattern.size() - 2), name);
  if (!pattern.empty() && pattern.back() == '.')
    return MatchFrom(pattern.substr(0, pattern.size() - 1), name);
  return false;
}

// --- Open files ----------------------------------------------------------------

int Open(std::string_view path, unsigned mode) {
  if (FaultHit(FaultOp::Open) || !ValidName(path)) return -1;
  bool rd = mode & kOpenRead, wr = mode & (kOpenWrite | kOpenAppend);
  int flags = O_CLOEXEC | (rd && wr ? O_RDWR : wr ? O_WRONLY : O_RDONLY);
  if (mode & kOpenCreate) flags |= O_CREAT;
  if (mode & kOpenTruncate) flags |= O_TRUNC;
  if (mode & kOpenAppend) flags |= O_APPEND;
  if (mode & kOpenExclusive) flags |= O_EXCL;
  std::string p = ResolvePath(path);
  int fd;
  do fd = ::open(p.c_str(), flags, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return -1;
  }
  Ledger(fd, kFdOpened);
  return fd;
}

int Close(int fd) {
  if (fd >= 0 && fd < kLedgerSize && g_ledger[fd] == kFdClosed) {
    ++g_stale.count;
    g_stale.lastFd = fd;
  }
  Ledger(fd, kFdClosed);
  return ::close(fd);
}

StaleCloses StaleClosesGet() { return g_stale; }
void StaleClosesClear() { g_stale = StaleCloses(); }

int64_t Read(int fd, void* buf, size_t n) {
  if (FaultHit(FaultOp::Read)) return -1;
  ssize_t r;
  do r = ::read(fd, buf, n);
  while (r < 0 && errno == EINTR);
  return r;
}

int64_t ReadAt(int fd, void* buf, size_t n, int64_t offset) {
  if (FaultHit(FaultOp::Read)) return -1;
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd, static_cast<char*>(buf) + done, n - done, offset + static_cast<int64_t>(done));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return static_cast<int64_t>(done);
}

// Writes n bytes at the descriptor's position (offset < 0) or at an offset;
// an injected fault fails the call, after the bytes it lets through.
static int64_t WriteAll(int fd, const void* buf, size_t n, int64_t offset) {
  size_t partial = 0;
  bool fault = FaultHit(FaultOp::Write, &partial);
  size_t limit = fault ? std::min(partial, n) : n;
  size_t done = 0;
  while (done < limit) {
    const char* from = static_cast<const char*>(buf) + done;
    ssize_t r = offset < 0 ? ::write(fd, from, limit - done)
                           : ::pwrite(fd, from, limit - done, offset + static_cast<int64_t>(done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return -1;
    done += static_cast<size_t>(r);
  }
  if (fault) errno = g_faults[static_cast<int>(FaultOp::Write)].err;
  return fault ? -1 : static_cast<int64_t>(done);
}

int64_t Write(int fd, const void* buf, size_t n) { return WriteAll(fd, buf, n, -1); }

int64_t WriteAt(int fd, const void* buf, size_t n, int64_t offset) {
  if (offset < 0) {
    errno = EINVAL;
    return -1;
  }
  return WriteAll(fd, buf, n, offset);
}

int Sync(int fd) {
  if (FaultHit(FaultOp::Sync)) return -1;
  return ::fsync(fd);
}

int Truncate(int fd, int64_t size) {
  if (FaultHit(FaultOp::Truncate)) return -1;
  int r;
  do r = ::ftruncate(fd, static_cast<off_t>(size));
  while (r < 0 && errno == EINTR);
  return r;
}

int64_t Size(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

bool Seekable(int fd) { return Size(fd) >= 0; }

int TryLock(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB); }

int Unlock(int fd) { return ::flock(fd, LOCK_UN); }

// --- Whole files and directories -----------------------------------------------

bool Stat(std::string_view path, FileInfo* info) {
  if (!ValidName(path)) return false;
  std::string p = ResolvePath(path);
  struct statx sx;
  if (::statx(AT_FDCWD, p.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return false;
  FileInfo fi;
  fi.isDir = S_ISDIR(sx.stx_mode);
  fi.size = fi.isDir ? 0 : static_cast<int64_t>(sx.stx_size);
  fi.written = sx.stx_mtime.tv_sec;
  fi.writtenNs = static_cast<int64_t>(sx.stx_mtime.tv_sec) * 1000000000 + sx.stx_mtime.tv_nsec;
  fi.accessed = sx.stx_atime.tv_sec;
  fi.created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : fi.written;
  fi.attributes = fi.isDir ? kAttrDirectory : kAttrArchive;
  if (::access(p.c_str(), W_OK) != 0) fi.attributes |= kAttrReadOnly;
  std::string base = BaseName(p);
  if (!base.empty() && base[0] == '.') fi.attributes |= kAttrHidden;
  if (info) *info = fi;
  return true;
}

bool Exists(std::string_view path) { return Stat(path, nullptr); }

bool SameFile(std::string_view a, std::string_view b) {
  if (!ValidName(a) || !ValidName(b)) return false;
  struct stat sa, sb;
  if (::stat(ResolvePath(a).c_str(), &sa) != 0 || ::stat(ResolvePath(b).c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {
bool IdentityFrom(const struct stat& st, FileIdentity* out) {
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  auto ns = [](const struct timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; };
  out->device = st.st_dev;
  out->inode = st.st_ino;
  out->size = st.st_size;
  out->writtenNs = ns(st.st_mtim);
  out->changedNs = ns(st.st_ctim);
  out->seenNs = ns(now);
  return true;
}
}  // namespace

bool Identity(std::string_view path, FileIdentity* out) {
  struct stat st;
  if (!ValidName(path) || ::stat(ResolvePath(path).c_str(), &st) != 0) return false;
  return IdentityFrom(st, out);
}

bool IdentityOf(int fd, FileIdentity* out) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  return IdentityFrom(st, out);
}

int Rename(std::string_view from, std::string_view to) {
  if (FaultHit(FaultOp::Rename) || !ValidName(from) || !ValidName(to)) return -1;
  return ::rename(ResolvePath(from).c_str(), ResolvePath(to).c_str());
}

int Link(std::string_view from, std::string_view to) {
  if (FaultHit(FaultOp::Rename) || !ValidName(from) || !ValidName(to)) return -1;
  return ::link(ResolvePath(from).c_str(), ResolvePath(to).c_str());
}

int Remove(std::string_view path) {
  if (FaultHit(FaultOp::Remove) || !ValidName(path)) return -1;
  return ::remove(ResolvePath(path).c_str());
}

int List(std::string_view pattern, std::vector<std::string>* names) {
  names->clear();
  if (!ValidName(pattern)) return -1;
  std::string n = NormalizePath(pattern);
  size_t slash = n.rfind('/');
  std::string dir = slash == std::string::npos ? "" : ResolvePath(n.substr(0, slash == 0 ? 1 : slash));
  std::string_view mask = slash == std::string::npos ? std::string_view(n) : std::string_view(n).substr(slash + 1);
  std::vector<std::string> all;
  if (!ReadDirectory(dir, &all)) return -1;
  for (std::string& e : all)
    if (WildMatch(mask, e)) names->push_back(std::move(e));
  if (names->empty()) {
    errno = ENOENT;
    return -1;
  }
  std::sort(names->begin(), names->end(), LessForListing);
  return 0;
}

int MakeDir(std::string_view path) {
  if (FaultHit(FaultOp::MakeDir) || !ValidName(path)) return -1;
  return ::mkdir(ResolvePath(path).c_str(), 0777);
}

int MakeDirs(std::string_view path) {
  if (!ValidName(path)) return -1;
  std::string p = ResolvePath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  for (size_t pos = 1; pos <= p.size(); ++pos) {
    if (pos < p.size() && p[pos] != '/') continue;
    std::string prefix = p.substr(0, pos);
    if (IsDirectory(prefix)) continue;
    if (FaultHit(FaultOp::MakeDir)) return -1;
    if (::mkdir(prefix.c_str(), 0777) != 0 && !(errno == EEXIST && IsDirectory(prefix))) return -1;
  }
  return 0;
}

int ReplaceFile(std::string_view path, const void* data, size_t n) {
  if (!ValidName(path)) return -1;
  std::string target = ResolvePath(path);
  std::string dir = DirName(target);
  std::string tmp = Join(dir, std::string(1, '.').append(BaseName(target)).append(".XXXXXX"));
  if (FaultHit(FaultOp::Open)) return -1;
  int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat old;
  ::fchmod(fd, ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode());
  bool ok = Write(fd, data, n) == static_cast<int64_t>(n) && Sync(fd) == 0;
  int saved = errno;
  ok = ::close(fd) == 0 && ok;
  if (ok && Rename(tmp, target) == 0) {
    SyncDirectory(dir);
    return 0;
  }
  if (ok) saved = errno;
  ::unlink(tmp.c_str());
  errno = saved;
  return -1;
}

// --- Temporary names -----------------------------------------------------------

std::string TempDirectory() {
  for (const char* name : {"TEMP", "TMPDIR"}) {
    const char* v = std::getenv(name);
    if (v && *v) return NormalizePath(v);
  }
  return "/tmp";
}

std::string TempName() {
  std::string tmpl = Join(TempDirectory(), "kxXXXXXX");
  int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    ::unlink(tmpl.c_str());
    return BaseName(tmpl);
  }
  static unsigned counter = 0;
  return "kx" + std::to_string(::getpid()) + "n" + std::to_string(++counter);
}

// --- Errors and injected faults ------------------------------------------------

Status StatusFromErrno(int err) {
  switch (err) {
    case 0:
      return st::OK;
    case ENOENT:
    case ENOTDIR:
      return st::FILENOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return st::PERMISSIONDENIED;
    case EEXIST:
      return st::FILEEXIST;
    case EISDIR:
      return st::FILEOPENING;
    case EINVAL:
    case ENAMETOOLONG:
      return st::BADINPUTDATA;
    default:
      return st::DISKIO;
  }
}

Status LastStatus() { return StatusFromErrno(errno); }

bool LastWasHeld() { return errno == EWOULDBLOCK; }

void FaultArm(FaultOp op, unsigned nth) { FaultArm(op, nth, EIO); }

void FaultArm(FaultOp op, unsigned nth, int err) {
  Fault& f = g_faults[static_cast<int>(op)];
  f.countdown = nth;
  f.err = err;
  f.partial = 0;
}

void FaultArmPartial(FaultOp op, unsigned nth, size_t bytes, int err) {
  FaultArm(op, nth, err);
  g_faults[static_cast<int>(op)].partial = bytes;
}

void FaultClear() {
  for (Fault& f : g_faults) f = Fault{};
}

unsigned FaultCalls(FaultOp op) { return g_faults[static_cast<int>(op)].calls; }

}  // namespace host
