// Lock markers of exclusively opened data files.
//
// A marker is the file "NAME.lock" (NAME the file's dictionary name) in the
// process's current directory, holding one blank. It is created exclusively
// (O_EXCL), so two processes can never both believe they hold it; its
// absolute path is kept, so a later change of directory cannot make the
// release delete another file. The process remembers the markers it holds:
// a marker it holds for the same data file does not refuse that file's own
// reopen with other flags.
//
// Errors: 175 Permission Denied when another holder's marker exists or the
// marker cannot be created. Single-threaded.
#pragma once
#include <string>

#include "runtime/status.h"

class LockMarker {
 public:
  LockMarker() = default;
  ~LockMarker() { Release(); }
  LockMarker(const LockMarker&) = delete;
  LockMarker& operator=(const LockMarker&) = delete;

  // The absolute path of NAME.lock in the current directory.
  static std::string PathFor(const std::string& name);
  // 0 when no marker exists for name or this process holds it for owner.
  static Status Check(const std::string& name, int owner);
  // True when name's marker exists and this process does not hold it: a
  // program that held it ended without removing it.
  static bool LeftBehind(const std::string& name);
  // Creates the marker for owner; 175 when it exists or cannot be made.
  Status Acquire(const std::string& name, int owner);
  // Removes exactly the marker this object created; nothing when none.
  void Release();
  bool Held() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};
