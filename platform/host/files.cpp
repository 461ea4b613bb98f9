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

#ifdef KX_POWER_CUTS
#include <map>
#include <random>
#endif

namespace host {

std::string DirName(const std::string& p) {
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

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


#ifdef KX_POWER_CUTS
// --- Simulated power cuts ----------------------------------------------------
//
// Each change not yet made durable is kept with what it overwrote: a write
// or truncation per file (by inode, so renames do not lose it) until that
// file is synced, a change of a name per directory until the directory is
// synced. A name a change replaced or removed keeps a hidden second name
// (".kxcut<n>" in its directory) meanwhile, so that a cut can put it back.

struct InodeId {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator<(const InodeId& o) const { return dev != o.dev ? dev < o.dev : ino < o.ino; }
  bool operator==(const InodeId& o) const { return dev == o.dev && ino == o.ino; }
};

struct FileChange {
  bool truncate = false;
  int64_t offset = 0;    // a write's offset, or a truncation's new size
  int64_t sizeBefore = 0;
  std::string before;    // the bytes the change overwrote or cut off
  std::string after;     // the bytes a write wrote
};

struct PendingFile {
  int fd = -1;  // the simulation's own descriptor of the inode
  std::vector<FileChange> changes;
};

enum class NameOp { Create, Rename, Link, Remove };
struct NameChange {
  NameOp op = NameOp::Create;
  std::string path, from;  // the name made or removed; a rename's old name
  std::string shadow;      // the second name of a replaced or removed file
  InodeId inode;           // the file the name reaches after the change
  std::vector<InodeId> dirs;  // directories not synced since
};

struct PowerState {
  bool recording = false;
  uint64_t ops = 0, cutAt = 0, shadows = 0;
  void (*before)(const PowerCutFigures&) = nullptr;
  std::mt19937_64 rng;
  std::map<InodeId, PendingFile> files;
  std::vector<NameChange> names;
  PowerCutFigures figures;
};
PowerState g_power;

bool InodeOf(int fd, InodeId* id) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  *id = {st.st_dev, st.st_ino};
  return true;
}

bool InodeAt(const std::string& path, InodeId* id) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  *id = {st.st_dev, st.st_ino};
  return true;
}

bool IsRegular(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

InodeId DirOf(const std::string& path) {
  InodeId id;
  InodeAt(DirName(path), &id);
  return id;
}

void CutNow();

// Counts an operation about to be made; at the chosen one the power goes.
void Tick() {
  if (!g_power.recording) return;
  if (++g_power.ops == g_power.cutAt) CutNow();
}

// Every change of fd's file is about to happen through this: the bytes in
// [offset, offset + n) (n = 0 and truncate: from `offset` to the end).
FileChange* NoteFileChange(int fd, bool truncate, int64_t offset, size_t n) {
  struct stat st;
  if (!g_power.recording || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  PendingFile& f = g_power.files[InodeId{st.st_dev, st.st_ino}];
  if (f.fd < 0) f.fd = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDWR | O_CLOEXEC);
  FileChange c;
  c.truncate = truncate;
  c.offset = offset;
  c.sizeBefore = st.st_size;
  int64_t end = truncate ? st.st_size : std::min<int64_t>(st.st_size, offset + static_cast<int64_t>(n));
  if (end > offset) {
    c.before.resize(static_cast<size_t>(end - offset));
    ssize_t r = ::pread(fd, c.before.data(), c.before.size(), offset);
    c.before.resize(r > 0 ? static_cast<size_t>(r) : 0);
  }
  f.changes.push_back(std::move(c));
  return &f.changes.back();
}

void Forget(const InodeId& id) {
  auto it = g_power.files.find(id);
  if (it == g_power.files.end()) return;
  if (it->second.fd >= 0) ::close(it->second.fd);
  g_power.files.erase(it);
}

// A hidden second name for the file at path, beside it; "" when there is
// no regular file there.
std::string Shadow(const std::string& path) {
  if (!g_power.recording || !IsRegular(path)) return "";
  std::string s = Join(DirName(path), ".kxcut" + std::to_string(++g_power.shadows));
  return ::link(path.c_str(), s.c_str()) == 0 ? s : "";
}

void NoteName(NameOp op, const std::string& path, const std::string& from, const std::string& shadow) {
  if (!g_power.recording) {
    if (!shadow.empty()) ::unlink(shadow.c_str());
    return;
  }
  NameChange c{op, path, from, shadow, {}, {DirOf(path)}};
  InodeAt(op == NameOp::Remove ? shadow : path, &c.inode);
  if (op == NameOp::Rename && !(DirOf(from) == c.dirs[0])) c.dirs.push_back(DirOf(from));
  g_power.names.push_back(std::move(c));
}

void PwriteAll(int fd, const std::string& b, int64_t at) {
  for (size_t done = 0; done < b.size();) {
    ssize_t r = ::pwrite(fd, b.data() + done, b.size() - done, at + static_cast<int64_t>(done));
    if (r <= 0) return;
    done += static_cast<size_t>(r);
  }
}

void Undo(int fd, const FileChange& c) {
  if (c.truncate) {
    if (::ftruncate(fd, c.sizeBefore) != 0) return;
    PwriteAll(fd, c.before, c.offset);
    return;
  }
  PwriteAll(fd, c.before, c.offset);
  if (c.offset + static_cast<int64_t>(c.after.size()) > c.sizeBefore && ::ftruncate(fd, c.sizeBefore) != 0) return;
}

// Writes the change again, whole or (torn) only some of its sectors.
void Redo(int fd, const FileChange& c, PowerCutFigures& fig) {
  if (c.truncate) {
    if (g_power.rng() % 2 == 0) {
      ++fig.writesDropped;
    } else {
      ++fig.writesKept;
      if (::ftruncate(fd, c.offset) != 0) return;
    }
    return;
  }
  constexpr int64_t kSector = 512;
  int64_t first = c.offset / kSector, last = (c.offset + static_cast<int64_t>(c.after.size()) - 1) / kSector;
  unsigned fate = static_cast<unsigned>(g_power.rng() % 3);
  if (c.after.empty() || fate == 1) {
    ++fig.writesDropped;
    return;
  }
  if (fate == 0 || first == last) {
    ++fig.writesKept;
    PwriteAll(fd, c.after, c.offset);
    return;
  }
  ++fig.writesTorn;
  std::vector<bool> written(static_cast<size_t>(last - first + 1));
  for (size_t i = 0; i < written.size(); ++i) written[i] = g_power.rng() % 2 != 0;
  if (std::all_of(written.begin(), written.end(), [&](bool w) { return w == written[0]; }))
    written[g_power.rng() % written.size()] = !written[0];
  for (size_t i = 0; i < written.size(); ++i) {
    if (!written[i]) continue;
    int64_t from = std::max(c.offset, (first + static_cast<int64_t>(i)) * kSector);
    int64_t to = std::min(c.offset + static_cast<int64_t>(c.after.size()), (first + static_cast<int64_t>(i) + 1) * kSector);
    PwriteAll(fd, c.after.substr(static_cast<size_t>(from - c.offset), static_cast<size_t>(to - from)), from);
  }
}

bool Reaches(const std::string& path, const InodeId& id) {
  InodeId at;
  return InodeAt(path, &at) && at == id;
}

// Puts a change of a name back as it was before; false when what followed
// it (and was kept) makes that impossible, the change then stays.
bool UndoName(const NameChange& c) {
  switch (c.op) {
    case NameOp::Create:
    case NameOp::Link:
      return Reaches(c.path, c.inode) && ::unlink(c.path.c_str()) == 0;
    case NameOp::Rename:
      if (!Reaches(c.path, c.inode) || PathExists(c.from) || ::rename(c.path.c_str(), c.from.c_str()) != 0) return false;
      if (!c.shadow.empty() && ::rename(c.shadow.c_str(), c.path.c_str()) != 0) return false;
      return true;
    case NameOp::Remove:
      return !c.shadow.empty() && !PathExists(c.path) && ::rename(c.shadow.c_str(), c.path.c_str()) == 0;
  }
  return false;
}

PowerCutFigures Rebuild() {
  PowerCutFigures fig = g_power.figures;
  fig.operations = g_power.ops;
  g_power.recording = false;
  for (auto& [id, f] : g_power.files) {
    if (f.fd < 0) continue;
    for (size_t i = f.changes.size(); i-- > 0;) Undo(f.fd, f.changes[i]);
    for (const FileChange& c : f.changes) Redo(f.fd, c, fig);
    ::close(f.fd);
  }
  g_power.files.clear();
  for (size_t i = g_power.names.size(); i-- > 0;) {
    const NameChange& c = g_power.names[i];
    bool undone = g_power.rng() % 2 == 0 && UndoName(c);
    ++(undone ? fig.namesUndone : fig.namesKept);
    if (!c.shadow.empty()) ::unlink(c.shadow.c_str());
  }
  g_power.names.clear();
  g_power.cutAt = 0;
  return fig;
}

void CutNow() {
  PowerCutFigures fig = Rebuild();
  if (g_power.before) g_power.before(fig);
  _exit(kPowerCutExit);
}

// A directory was synced: the changes of names in it are durable.
void DirSynced(const std::string& dir) {
  InodeId id;
  if (!g_power.recording || !InodeAt(dir, &id)) return;
  auto& v = g_power.names;
  for (NameChange& c : v) c.dirs.erase(std::remove(c.dirs.begin(), c.dirs.end(), id), c.dirs.end());
  for (auto it = v.begin(); it != v.end();) {
    if (!it->dirs.empty()) {
      ++it;
      continue;
    }
    if (!it->shadow.empty()) ::unlink(it->shadow.c_str());
    it = v.erase(it);
  }
}

void FileSynced(int fd) {
  InodeId id;
  if (g_power.recording && InodeOf(fd, &id)) Forget(id);
}

bool Recording() { return g_power.recording; }

#else
inline void Tick() {}
inline bool Recording() { return false; }
inline void DirSynced(const std::string&) {}
inline void FileSynced(int) {}
#endif

// Counts a sync about to be made. While recording, the simulation is the
// disk: synced() marks what became durable and the real sync, which would
// only cost time, is skipped (true).
template <class Synced>
bool SimulatedSync(Synced synced) {
  Tick();
  if (!Recording()) return false;
  synced();
  return true;
}

int SyncDirectory(const std::string& dir) {
  if (SimulatedSync([&] { DirSynced(dir); })) return 0;
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
#ifdef KX_POWER_CUTS
  // A creation and a truncation are changes a cut may lose.
  bool created = g_power.recording && (mode & kOpenCreate) && !PathExists(p);
  bool truncating = g_power.recording && (mode & kOpenTruncate) && !created;
  if (created || truncating) Tick();
  if (truncating) flags &= ~O_TRUNC;
#endif
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
#ifdef KX_POWER_CUTS
  if (created) NoteName(NameOp::Create, p, "", "");
  if (truncating && st.st_size > 0) {
    NoteFileChange(fd, true, 0, 0);
    if (::ftruncate(fd, 0) != 0) {
      ::close(fd);
      return -1;
    }
  }
#endif
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
#ifdef KX_POWER_CUTS
  FileChange* change = nullptr;
  if (g_power.recording && limit > 0) {
    Tick();
    int64_t at = offset;
    if (at < 0) at = (::fcntl(fd, F_GETFL) & O_APPEND) ? Size(fd) : ::lseek(fd, 0, SEEK_CUR);
    if (at >= 0) change = NoteFileChange(fd, false, at, limit);
  }
#endif
  while (done < limit) {
    const char* from = static_cast<const char*>(buf) + done;
    ssize_t r = offset < 0 ? ::write(fd, from, limit - done)
                           : ::pwrite(fd, from, limit - done, offset + static_cast<int64_t>(done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return -1;
    done += static_cast<size_t>(r);
#ifdef KX_POWER_CUTS
    if (change) change->after.append(from, static_cast<size_t>(r));
#endif
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
  if (SimulatedSync([&] { FileSynced(fd); })) return 0;
  return ::fsync(fd);
}

int SyncDir(std::string_view path) {
  if (FaultHit(FaultOp::Sync) || !ValidName(path)) return -1;
  return SyncDirectory(ResolvePath(path));
}

int Truncate(int fd, int64_t size) {
  if (FaultHit(FaultOp::Truncate)) return -1;
#ifdef KX_POWER_CUTS
  if (g_power.recording) {
    Tick();
    NoteFileChange(fd, true, size, 0);
  }
#endif
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
  std::string f = ResolvePath(from), t = ResolvePath(to);
#ifdef KX_POWER_CUTS
  Tick();
  std::string shadow = SameFile(f, t) ? std::string() : Shadow(t);
  int r = ::rename(f.c_str(), t.c_str());
  if (r == 0) NoteName(NameOp::Rename, t, f, shadow);
  else if (!shadow.empty()) ::unlink(shadow.c_str());
  return r;
#else
  return ::rename(f.c_str(), t.c_str());
#endif
}

int Link(std::string_view from, std::string_view to) {
  if (FaultHit(FaultOp::Rename) || !ValidName(from) || !ValidName(to)) return -1;
  Tick();
  std::string t = ResolvePath(to);
  int r = ::link(ResolvePath(from).c_str(), t.c_str());
#ifdef KX_POWER_CUTS
  if (r == 0) NoteName(NameOp::Link, t, "", "");
#endif
  return r;
}

int Remove(std::string_view path) {
  if (FaultHit(FaultOp::Remove) || !ValidName(path)) return -1;
  std::string p = ResolvePath(path);
#ifdef KX_POWER_CUTS
  Tick();
  std::string shadow = Shadow(p);
  int r = ::remove(p.c_str());
  if (r == 0 && !shadow.empty()) NoteName(NameOp::Remove, p, "", shadow);
  else if (!shadow.empty()) ::unlink(shadow.c_str());
  return r;
#else
  return ::remove(p.c_str());
#endif
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
  Tick();
  int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) return -1;
#ifdef KX_POWER_CUTS
  NoteName(NameOp::Create, tmp, "", "");
#endif
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

#ifdef KX_POWER_CUTS
void PowerRecord(uint64_t seed) {
  for (auto& [id, f] : g_power.files)
    if (f.fd >= 0) ::close(f.fd);
  for (const NameChange& c : g_power.names)
    if (!c.shadow.empty()) ::unlink(c.shadow.c_str());
  g_power = PowerState();
  g_power.rng.seed(seed);
  g_power.recording = true;
}

PowerCutFigures PowerCut() { return Rebuild(); }

void PowerCutAt(uint64_t nth, void (*before)(const PowerCutFigures&)) {
  g_power.cutAt = nth == 0 ? 0 : g_power.ops + nth;
  g_power.before = before;
}

uint64_t PowerOperations() { return g_power.ops; }
#endif

}  // namespace host
