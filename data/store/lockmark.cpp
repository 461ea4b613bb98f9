#include "data/store/lockmark.h"

#include <map>

#include "data/store/recio.h"
#include "runtime/errors.h"

namespace {
// Markers this process holds: absolute path -> owner (the data-file number).
std::map<std::string, int>& HeldMarkers() {
  static std::map<std::string, int> held;
  return held;
}

Status Denied(const std::string& path) {
  ErrDetailSet(st::PERMISSIONDENIED, StrFromC(path.c_str()), false);
  return st::PERMISSIONDENIED;
}
}  // namespace

std::string LockMarker::PathFor(const std::string& name) { return recio::Absolute(name + ".lock"); }

Status LockMarker::Check(const std::string& name, int owner) {
  std::string path = PathFor(name);
  auto it = HeldMarkers().find(path);
  if (it != HeldMarkers().end()) return it->second == owner ? 0 : Denied(path);
  return recio::Exists(path) ? Denied(path) : 0;
}

bool LockMarker::LeftBehind(const std::string& name) {
  std::string path = PathFor(name);
  return !HeldMarkers().count(path) && recio::Exists(path);
}

Status LockMarker::Acquire(const std::string& name, int owner) {
  Release();
  std::string path = PathFor(name);
  bool exists = false;
  int fd = recio::CreateExclusive(path, &exists);
  if (fd < 0) return Denied(path);
  bool ok = recio::WriteAt(fd, " ", 1, 0);
  recio::Close(fd);
  if (!ok) {
    recio::Remove(path);
    return Denied(path);
  }
  path_ = path;
  HeldMarkers()[path] = owner;
  return 0;
}

void LockMarker::Release() {
  if (path_.empty()) return;
  recio::Remove(path_);
  HeldMarkers().erase(path_);
  path_.clear();
}
