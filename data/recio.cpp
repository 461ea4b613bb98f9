#include "data/recio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace recio {
namespace {

int g_arm[4] = {0, 0, 0, 0};

// True when the armed fault of op fires on this call.
bool Fails(Fault op) {
  int& n = g_arm[static_cast<int>(op)];
  if (n <= 0) return false;
  return --n == 0;
}

std::string DirOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool SyncDir(const std::string& path) {
  int fd = ::open(DirOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

int Open(const std::string& path, bool readOnly, bool create) {
  int flags = (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC;
  if (create && !readOnly) flags |= O_CREAT;
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0 && create && readOnly && errno == ENOENT) {
    int made = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (made < 0) return -1;
    ::close(made);
    fd = ::open(path.c_str(), flags);
  }
  return fd;
}

int CreateExclusive(const std::string& path, bool* exists) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  *exists = fd < 0 && errno == EEXIST;
  return fd;
}

void Close(int fd) {
  if (fd >= 0) ::close(fd);
}

int64_t ReadAt(int fd, void* buf, size_t n, uint64_t off) {
  if (Fails(Fault::Read)) return -1;
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd, static_cast<char*>(buf) + done, n - done, static_cast<off_t>(off + done));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return static_cast<int64_t>(done);
}

bool WriteAt(int fd, const void* buf, size_t n, uint64_t off) {
  if (Fails(Fault::Write)) return false;
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pwrite(fd, static_cast<const char*>(buf) + done, n - done, static_cast<off_t>(off + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

bool Sync(int fd) {
  if (Fails(Fault::Sync)) return false;
  return ::fsync(fd) == 0;
}

bool Truncate(int fd, uint64_t size) { return ::ftruncate(fd, static_cast<off_t>(size)) == 0; }

int64_t Size(int fd) {
  struct stat sb;
  if (::fstat(fd, &sb) != 0) return -1;
  return static_cast<int64_t>(sb.st_size);
}

bool Exists(const std::string& path) {
  struct stat sb;
  return ::stat(path.c_str(), &sb) == 0;
}

bool Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool ReadWhole(const std::string& path, std::string* out, bool* missing) {
  out->clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  *missing = fd < 0 && errno == ENOENT;
  if (fd < 0) return false;
  int64_t size = Size(fd);
  bool ok = size >= 0;
  if (ok) {
    out->resize(static_cast<size_t>(size));
    ok = ReadAt(fd, out->data(), out->size(), 0) == size;
  }
  ::close(fd);
  return ok;
}

bool ReplaceWhole(const std::string& path, const void* bytes, size_t n) {
  std::string tmp = path + ".new";
  int fd = ::open(tmp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = WriteAt(fd, bytes, n, 0) && Sync(fd);
  ::close(fd);
  if (ok && Fails(Fault::Rename)) ok = false;
  if (ok) ok = ::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  return SyncDir(path);
}

std::string TempFile(const std::string& prefix) {
  const char* dir = std::getenv("TEMP");
  if (!dir || !*dir) dir = std::getenv("TMPDIR");
  if (!dir || !*dir) dir = "/tmp";
  std::string tmpl = std::string(dir) + "/" + prefix + "XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  int fd = ::mkstemp(buf.data());
  if (fd < 0) return "";
  ::close(fd);
  return std::string(buf.data());
}

std::string HostPath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  if (p.size() >= 2 && p[1] == ':' && ((p[0] | 0x20) >= 'a' && (p[0] | 0x20) <= 'z')) p.erase(0, 2);
  return p;
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::vector<char> buf(4096);
  if (!::getcwd(buf.data(), buf.size())) return path;
  return std::string(buf.data()) + "/" + path;
}

void FaultArm(Fault op, int nth) { g_arm[static_cast<int>(op)] = nth; }

void FaultReset() {
  for (int& n : g_arm) n = 0;
}

}  // namespace recio
