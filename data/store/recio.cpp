#include "data/store/recio.h"

#include "platform/host/env.h"
#include "platform/host/files.h"

namespace recio {
namespace {

host::FaultOp HostOp(Fault op) {
  switch (op) {
    case Fault::Read: return host::FaultOp::Read;
    case Fault::Write: return host::FaultOp::Write;
    case Fault::Sync: return host::FaultOp::Sync;
    case Fault::Rename: return host::FaultOp::Rename;
    case Fault::Truncate: return host::FaultOp::Truncate;
  }
  return host::FaultOp::Count;
}

}  // namespace

int Open(const std::string& path, bool readOnly, bool create, Status* why) {
  unsigned mode = host::kOpenRead | (readOnly ? 0u : host::kOpenWrite | (create ? host::kOpenCreate : 0u));
  int fd = host::Open(path, mode);
  if (fd < 0 && create && readOnly && host::LastStatus() == st::FILENOTFOUND) {
    int made = host::Open(path, host::kOpenRead | host::kOpenWrite | host::kOpenCreate);
    if (made >= 0) {
      host::Close(made);
      fd = host::Open(path, mode);
    }
  }
  if (fd < 0 && why) *why = host::LastStatus();
  return fd;
}

int CreateExclusive(const std::string& path, bool* exists) {
  int fd = host::Open(path, host::kOpenRead | host::kOpenWrite | host::kOpenCreate | host::kOpenExclusive);
  *exists = fd < 0 && host::LastStatus() == st::FILEEXIST;
  return fd;
}

void Close(int fd) {
  if (fd >= 0) host::Close(fd);
}

int64_t ReadAt(int fd, void* buf, size_t n, uint64_t off) { return host::ReadAt(fd, buf, n, static_cast<int64_t>(off)); }

bool WriteAt(int fd, const void* buf, size_t n, uint64_t off) {
  return host::WriteAt(fd, buf, n, static_cast<int64_t>(off)) == static_cast<int64_t>(n);
}

bool Sync(int fd) { return host::Sync(fd) == 0; }

bool Truncate(int fd, uint64_t size) { return host::Truncate(fd, static_cast<int64_t>(size)) == 0; }

int64_t Size(int fd) { return host::Size(fd); }

bool Exists(const std::string& path) { return host::Exists(path); }

bool Identity(const std::string& path, host::FileIdentity* out) { return host::Identity(path, out); }

bool IdentityOf(int fd, host::FileIdentity* out) { return host::IdentityOf(fd, out); }

bool Remove(const std::string& path) { return host::Remove(path) == 0; }

bool ReadWhole(const std::string& path, std::string* out, bool* missing) {
  out->clear();
  int fd = host::Open(path, host::kOpenRead);
  *missing = fd < 0 && host::LastStatus() == st::FILENOTFOUND;
  if (fd < 0) return false;
  int64_t size = host::Size(fd);
  bool ok = size >= 0;
  if (ok) {
    out->resize(static_cast<size_t>(size));
    ok = host::ReadAt(fd, out->data(), out->size(), 0) == size;
  }
  host::Close(fd);
  return ok;
}

bool ReplaceWhole(const std::string& path, const void* bytes, size_t n) { return host::ReplaceFile(path, bytes, n) == 0; }

std::string TempFile(const std::string& prefix) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string path = host::TempDirectory() + "/" + prefix + host::TempName();
    bool exists = false;
    int fd = CreateExclusive(path, &exists);
    if (fd >= 0) {
      host::Close(fd);
      return path;
    }
    if (!exists) break;
  }
  return "";
}

std::string HostPath(const std::string& path) { return host::ResolvePath(path); }

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::string dir = HostCurrentDir();
  return dir.empty() ? path : dir + "/" + path;
}

bool SyncFolderOf(const std::string& path) { return host::SyncDir(host::DirName(Absolute(path))) == 0; }

void FaultArm(Fault op, int nth) { host::FaultArm(HostOp(op), nth > 0 ? static_cast<unsigned>(nth) : 0u); }

void FaultReset() { host::FaultClear(); }

}  // namespace recio
