// File access of the record store (private to data/), over the platform
// file layer (platform/host/files.h).
//
// Every byte the record and index files exchange with the disk passes here:
// positioned reads and writes without a user-space buffer, fsync, the atomic
// replacement of a whole file (new file, fsync, rename, fsync of the
// directory), exclusive creation, temporary names and the mapping of the
// dictionary's Windows-style paths. Keeping it in one place lets a test make
// the N-th write, fsync, rename, truncate or read fail (FaultArm) and check
// that the caller answered an error and left its files consistent.
//
// Errors are reported as status codes; the caller decides which code the
// operation answers (136 short read, 137 short write, 130 index I/O ...).
// Offsets are 64-bit. Single-threaded.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/status.h"

namespace host {
struct FileIdentity;
}

namespace recio {

// Opens (creating it when `create`) and answers a descriptor, or -1 with
// *why (when given) the reason: 164 missing, 175 refused, ...
int Open(const std::string& path, bool readOnly, bool create, Status* why = nullptr);
// Creates the file only when it does not exist; -1 with *exists set when it does.
int CreateExclusive(const std::string& path, bool* exists);
void Close(int fd);

// Reads up to n bytes at off; answers the byte count, or -1 on an error.
int64_t ReadAt(int fd, void* buf, size_t n, uint64_t off);
// Writes all n bytes at off; false on any error or short write.
bool WriteAt(int fd, const void* buf, size_t n, uint64_t off);
bool Sync(int fd);
bool Truncate(int fd, uint64_t size);
int64_t Size(int fd);  // -1 on error

bool Exists(const std::string& path);
// The identity of a file's content (platform/host/files.h): of a path, or of
// an open descriptor; false when it cannot be read.
bool Identity(const std::string& path, host::FileIdentity* out);
bool IdentityOf(int fd, host::FileIdentity* out);
bool Remove(const std::string& path);
// Reads a whole file; false when it cannot be read (*missing when absent).
bool ReadWhole(const std::string& path, std::string* out, bool* missing);
// Replaces path by the bytes: a new file beside it is written, synced and
// renamed over path, then the directory is synced. On failure the old file is
// untouched.
bool ReplaceWhole(const std::string& path, const void* bytes, size_t n);

// A fresh, empty file in the temporary directory (TEMP, else TMPDIR, else
// /tmp), created exclusively; its path, or "" on failure.
std::string TempFile(const std::string& prefix);
// Maps a dictionary path to the host: backslashes become slashes and a
// drive letter is dropped.
std::string HostPath(const std::string& path);
// The absolute form of a path relative to the current directory.
std::string Absolute(const std::string& path);
// Syncs the folder holding path (relative to the current directory), so
// that the names made, renamed or removed in it survive a power cut.
bool SyncFolderOf(const std::string& path);

// Fault injection for tests: the n-th next call of the operation fails
// (1 = the next one); 0 disarms. Every arm is cleared by FaultReset.
enum class Fault { Read, Write, Sync, Rename, Truncate };
void FaultArm(Fault op, int nth);
void FaultReset();

}  // namespace recio
