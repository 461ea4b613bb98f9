// The file system as the framework sees it.
//
// Every file access of the framework goes through this layer. It takes the
// Windows-style names that application files and scripts use and finds the
// Linux file they mean:
//   - "\" and "/" are both separators; a drive letter ("C:") is dropped;
//   - when a name does not exist exactly, each component is looked up without
//     regard to ASCII letter case ("DATA\Cust.FD" finds data/CUST.fd); when
//     several entries differ only in case, the first in byte order wins;
//   - wildcard patterns match the Windows way ("*", "?", case-insensitive,
//     "*.*" also matching names without a dot) and listings come back sorted
//     (case-insensitively, then by bytes), so "the first match" is the same on
//     every run.
// Descriptors are opened close-on-exec, so child processes inherit none.
//
// Calls follow the POSIX convention: -1 (or false) on failure; LastStatus
// then tells the failure as one of the framework's status codes. Nothing
// here records an error: the callers decide what the failure means.
//
// Faults can be injected for tests: FaultArm makes the N-th call of one kind
// of operation (open, write, fsync, rename, ...) fail with a chosen errno.
#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace host {

// --- Names ---------------------------------------------------------------

// Separators to "/", drive letter dropped; nothing is looked up.
std::string NormalizePath(std::string_view path);
// NormalizePath, then the existing file the name means (case-insensitive
// fallback per component). Components that do not exist are kept as written,
// so the result is also the right name to create.
std::string ResolvePath(std::string_view path);
// Windows wildcard match of one name (no directory part).
bool WildMatch(std::string_view pattern, std::string_view name);
bool HasWildcards(std::string_view name);
// Equal without regard to ASCII letter case.
bool EqualNoCase(std::string_view a, std::string_view b);

// --- Open files ------------------------------------------------------------

enum OpenMode : unsigned {
  kOpenRead = 1,
  kOpenWrite = 2,
  kOpenCreate = 4,    // create when missing (never truncates by itself)
  kOpenTruncate = 8,
  kOpenAppend = 16,
  kOpenExclusive = 32,  // with kOpenCreate: fail when the file exists
};

// A regular file (directories are refused with EISDIR). Returns the descriptor.
int Open(std::string_view path, unsigned mode);
int Close(int fd);
// Closes of a descriptor this layer had opened and closed already: a module
// closing a number it kept past its close (or across a reset) closes
// whatever file or pipe got that number since. Counted, never refused, so
// that a test can fail on them.
struct StaleCloses {
  unsigned count = 0;
  int lastFd = -1;
};
StaleCloses StaleClosesGet();
void StaleClosesClear();
// One read(2) at the descriptor's position (pipes, terminals); 0 at the end.
int64_t Read(int fd, void* buf, size_t n);
// Reads at an offset until n bytes or the end; returns the count.
int64_t ReadAt(int fd, void* buf, size_t n, int64_t offset);
// Writes everything (at the descriptor's position / at an offset); returns n.
int64_t Write(int fd, const void* buf, size_t n);
int64_t WriteAt(int fd, const void* buf, size_t n, int64_t offset);
int Sync(int fd);
// Syncs a directory, so that the creations, renames, links and deletions
// of names in it so far survive a power cut.
int SyncDir(std::string_view path);
// The directory holding path as written: "." for a bare name, "/" for the
// root.
std::string DirName(const std::string& path);
// Cuts or extends the file to size bytes.
int Truncate(int fd, int64_t size);
int64_t Size(int fd);  // -1 when the descriptor is not a file
// An advisory lock on the whole file, held until it is unlocked or the
// descriptor closed (a process that dies lets it go). Never waits: 0 when
// taken, -1 when it cannot be (LastWasHeld tells when another open file
// holds it).
int TryLock(int fd);
int Unlock(int fd);
bool Seekable(int fd);

// --- Whole files and directories -------------------------------------------

struct FileInfo {
  bool isDir = false;
  int64_t size = 0;
  uint32_t attributes = 0;  // Windows attribute bits (kAttr...)
  time_t created = 0;       // birth time when the file system keeps one, else mtime
  time_t accessed = 0;
  time_t written = 0;
  int64_t writtenNs = 0;  // the write time in nanoseconds since 1970
};
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;

bool Stat(std::string_view path, FileInfo* info);
bool Exists(std::string_view path);
// True when both names reach the same existing file (device and inode),
// whatever way they spell it.
bool SameFile(std::string_view a, std::string_view b);
// What tells one state of a file's content from another for a cache kept
// across opens: device and inode, size, write and change times, and when
// they were read (the host's real clock: file times are real even when a
// test installs its own clock). A write that lands within the file system's
// time granularity after seenNs can leave the times as they were, so a
// cache trusts the times only when they lie well before seenNs.
struct FileIdentity {
  uint64_t device = 0, inode = 0;
  int64_t size = -1, writtenNs = 0, changedNs = 0;
  int64_t seenNs = 0;
  bool SameContent(const FileIdentity& o) const {
    return device == o.device && inode == o.inode && size == o.size && writtenNs == o.writtenNs &&
           changedNs == o.changedNs;
  }
};
// The identity of a path (false when it cannot be read) or of an open file.
bool Identity(std::string_view path, FileIdentity* out);
bool IdentityOf(int fd, FileIdentity* out);
int Rename(std::string_view from, std::string_view to);  // replaces an existing target
// A second name for an existing file (a hard link); the new name must not exist.
int Link(std::string_view from, std::string_view to);
int Remove(std::string_view path);
// Names (no directory part) of the entries matching a pattern whose last
// component may hold wildcards; "." and ".." are never listed. Sorted.
int List(std::string_view pattern, std::vector<std::string>* names);
int MakeDir(std::string_view path);   // one directory
int MakeDirs(std::string_view path);  // with its missing parents; 0 when it exists
// Replaces the file's contents safely: a new file beside it is written,
// synced and renamed over the old one, so a crash leaves the old or the new
// contents, never neither. The old file's permissions are kept.
int ReplaceFile(std::string_view path, const void* data, size_t n);

// --- Temporary names --------------------------------------------------------

// TEMP, else TMPDIR, else /tmp (the environment is not changed).
std::string TempDirectory();
// A name (no directory part, no points) that no file in TempDirectory() has.
std::string TempName();

// --- Errors and injected faults --------------------------------------------

Status StatusFromErrno(int err);
// The status of the calling thread's last failed call of this layer (164 for
// a missing file, 165 for an existing one, 175 when refused, ...), so no
// caller above reads the host's error number itself.
Status LastStatus();
// True when the last failed call met a lock held by another open file.
bool LastWasHeld();

enum class FaultOp { Open, Read, Write, Sync, Rename, Remove, MakeDir, Truncate, Count };
// The nth call (1 = the next one) of op fails with err (an I/O error when
// none is given); 0 disarms.
void FaultArm(FaultOp op, unsigned nth, int err);
void FaultArm(FaultOp op, unsigned nth);
// The same for a write that fails after it wrote its first `bytes` bytes
// (a disk that fills up in the middle of a write).
void FaultArmPartial(FaultOp op, unsigned nth, size_t bytes, int err);
void FaultClear();
// Calls of op seen since FaultClear (for tests that count operations).
unsigned FaultCalls(FaultOp op);

#ifdef KX_POWER_CUTS
// --- Simulated power cuts (test and fuzz builds only) -----------------------
//
// While recording, every write, truncation and sync of a file and every
// creation, rename, link and deletion of a name is noted, with what the
// change overwrote. A cut then rebuilds the files as a disk may hold them
// when the power goes: each change of a file not followed by a sync of
// that file is kept, dropped, or torn (only some of its 512-byte sectors
// written); each change of a name not followed by a sync of its directory
// is kept or undone. What was synced always stays.

struct PowerCutFigures {
  uint64_t operations = 0;  // recorded so far
  uint64_t writesKept = 0, writesDropped = 0, writesTorn = 0;
  uint64_t namesKept = 0, namesUndone = 0;
};
// Starts recording (forgetting what was recorded before); the seed draws
// the fate of each change at a cut.
void PowerRecord(uint64_t seed);
// The power goes now: the files are rebuilt and recording stops.
PowerCutFigures PowerCut();
// The power goes just before the nth recorded operation from now (1 = the
// next): the files are rebuilt, `before` (when given) is called, and the
// process ends at once with kPowerCutExit. 0 disarms.
constexpr int kPowerCutExit = 97;
void PowerCutAt(uint64_t nth, void (*before)(const PowerCutFigures&) = nullptr);
// The operations recorded since PowerRecord.
uint64_t PowerOperations();
#endif

}  // namespace host
