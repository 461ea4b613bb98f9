// The files of a transaction besides the data file (private to the engine):
// the external target of an export, the external source of an import and
// the import's work copy.
//
// The names "stdin", "stdout", "stderr" and "pipe" are the standard streams
// 0, 1, 2 and 0; any other name is a file (a host path). A target file is
// written beside itself and renamed over it only when the export succeeds;
// in append mode it is written in place and cut back to its old size when
// the export fails. A standard stream is written as it goes. Writes are
// buffered a megabyte at a time.
//
// The source is read a megabyte at a time: lines end at CR LF, a lone CR or
// a lone LF; a line that is the single byte 26 (Ctrl-Z) is skipped; a line
// longer than the limit answers 146 naming the file and the line. Fixed
// records (Relative) come whole; a trailing partial one answers 163 naming
// the file and the record.
//
// Errors are recorded with module 18 and the file in the detail: the host's
// code for an open, 137 for a write or sync, 131 for a read.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/status.h"

namespace transio {

// The standard stream a name selects, or -1 for a file.
int StdStream(std::string_view name);

class Sink {
 public:
  Sink() = default;
  ~Sink() { Abandon(); }
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  // path: the host path of the target (ignored for a standard stream).
  Status Open(const std::string& name, const std::string& path, bool append);
  Status Write(std::string_view bytes);
  // Everything written reaches the target (synced, renamed into place).
  Status Commit();
  // The target as it was before (nothing for a standard stream).
  void Abandon();
  // The file being written now (the one beside the target), "" for a stream.
  const std::string& WorkName() const { return temp_; }

 private:
  Status Flush();
  int fd_ = -1;
  bool std_ = false;
  bool append_ = false;
  int64_t cutTo_ = 0;  // the target's size at the open (append mode)
  int64_t at_ = 0;     // where the next bytes go
  std::string name_, path_, temp_, buf_;
};

class Source {
 public:
  Source() = default;
  ~Source() { Close(); }
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;

  Status Open(const std::string& name, const std::string& path);
  void Close();
  // The next line: 0, 2 at the end, or an error.
  Status NextLine(std::string* line, uint32_t limit);
  // The next record of len bytes: 0, 2 at the end, or an error.
  Status NextRecord(std::string* rec, uint32_t len);
  // Lines (or records) given so far.
  uint64_t Number() const { return number_; }
  // Bytes read so far, and the file's size (0 for a stream).
  uint64_t Consumed() const { return consumed_; }
  int64_t Size() const { return size_; }

 private:
  bool Fill();
  int fd_ = -1;
  bool std_ = false;
  bool eof_ = false;
  bool failed_ = false;
  bool lastCR_ = false;
  std::string name_, buf_;
  size_t at_ = 0;
  uint64_t number_ = 0, consumed_ = 0;
  int64_t size_ = 0;
};

// Record images in a fresh temporary file, written in order, then read back
// in order; the file is deleted with the object.
class WorkCopy {
 public:
  WorkCopy() = default;
  ~WorkCopy() { Remove(); }
  WorkCopy(const WorkCopy&) = delete;
  WorkCopy& operator=(const WorkCopy&) = delete;

  Status Create(uint32_t recLen);
  Status Append(const char* image);
  // Ends the writing; the records are read from the first.
  Status Rewind();
  // The next image, or null at the end (*err set on a read error).
  const char* Next(Status* err);
  uint64_t Count() const { return count_; }
  const std::string& Path() const { return path_; }
  void Remove();

 private:
  Status Flush();
  int fd_ = -1;
  uint32_t len_ = 0;
  std::string path_, buf_;
  uint64_t count_ = 0, written_ = 0, readAt_ = 0;
  size_t bufAt_ = 0;
};

}  // namespace transio
