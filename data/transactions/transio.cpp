#include "data/transactions/transio.h"

#include <algorithm>

#include "data/store/datafail.h"
#include "data/store/datastore.h"
#include "data/store/recio.h"
#include "platform/host/files.h"

namespace transio {
namespace {

constexpr size_t kChunk = 1 << 20;

Status HostFail(const std::string& detail) { return DataFail(host::LastStatus(), detail); }

}  // namespace

int StdStream(std::string_view name) {
  static constexpr std::string_view kNames[] = {"stdin", "stdout", "stderr", "pipe"};
  for (int i = 0; i < 4; ++i)
    if (host::EqualNoCase(name, kNames[i])) return i % 3;
  return -1;
}

// --- The target of an export ------------------------------------------------------------

Status Sink::Open(const std::string& name, const std::string& path, bool append) {
  name_ = name;
  path_ = path;
  append_ = append;
  buf_.clear();
  int std = StdStream(name);
  if (std >= 0) {
    std_ = true;
    fd_ = std;
    return 0;
  }
  if (append) {
    fd_ = host::Open(path, host::kOpenRead | host::kOpenWrite | host::kOpenCreate);
    if (fd_ < 0) return HostFail(name);
    cutTo_ = at_ = std::max<int64_t>(0, host::Size(fd_));
    return 0;
  }
  at_ = 0;
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    temp_ = path + "." + host::TempName();
    bool exists = false;
    fd_ = recio::CreateExclusive(temp_, &exists);
    if (fd_ < 0 && !exists) break;
  }
  if (fd_ < 0) {
    temp_.clear();
    return HostFail(name);
  }
  return 0;
}

Status Sink::Flush() {
  if (buf_.empty()) return 0;
  bool ok = std_ ? host::Write(fd_, buf_.data(), buf_.size()) == static_cast<int64_t>(buf_.size())
                 : host::WriteAt(fd_, buf_.data(), buf_.size(), at_) == static_cast<int64_t>(buf_.size());
  at_ += static_cast<int64_t>(buf_.size());
  buf_.clear();
  return ok ? 0 : DataFail(st::DISKWRITERROR, name_ + ": not written");
}

Status Sink::Write(std::string_view bytes) {
  if (fd_ < 0) return DataFail(st::FILENOTINIT, name_);
  buf_.append(bytes);
  return buf_.size() >= kChunk ? Flush() : 0;
}

Status Sink::Commit() {
  if (fd_ < 0) return DataFail(st::FILENOTINIT, name_);
  Status s = Flush();
  if (std_) {
    fd_ = -1;
    return s;
  }
  if (s == 0 && host::Sync(fd_) != 0) s = DataFail(st::DISKWRITERROR, name_ + ": not synced");
  if (s != 0) return s;
  host::Close(fd_);
  fd_ = -1;
  if (!temp_.empty()) {
    if (host::Rename(temp_, path_) != 0) {
      Status r = HostFail(temp_ + " -> " + name_ + ": cannot be renamed");
      host::Remove(temp_);
      temp_.clear();
      return r;
    }
    temp_.clear();
  }
  append_ = false;
  return 0;
}

void Sink::Abandon() {
  if (fd_ < 0 || std_) {
    fd_ = -1;
    return;
  }
  if (append_) host::Truncate(fd_, cutTo_);
  host::Close(fd_);
  fd_ = -1;
  if (!temp_.empty()) host::Remove(temp_);
  temp_.clear();
}

// --- The source of an import -------------------------------------------------------------

Status Source::Open(const std::string& name, const std::string& path) {
  Close();
  name_ = name;
  buf_.clear();
  at_ = 0;
  number_ = consumed_ = 0;
  eof_ = failed_ = lastCR_ = false;
  int std = StdStream(name);
  if (std >= 0) {
    std_ = true;
    fd_ = std;
    size_ = 0;
    return 0;
  }
  std_ = false;
  fd_ = host::Open(path, host::kOpenRead);
  if (fd_ < 0) return HostFail(name);
  size_ = std::max<int64_t>(0, host::Size(fd_));
  return 0;
}

void Source::Close() {
  if (fd_ >= 0 && !std_) host::Close(fd_);
  fd_ = -1;
}

// Reads the next chunk behind what is left; false at the end or on an error.
bool Source::Fill() {
  if (eof_ || failed_ || fd_ < 0) return false;
  if (at_ > 0) {
    buf_.erase(0, at_);
    at_ = 0;
  }
  size_t had = buf_.size();
  buf_.resize(had + kChunk);
  int64_t n = host::Read(fd_, buf_.data() + had, kChunk);
  buf_.resize(had + static_cast<size_t>(std::max<int64_t>(n, 0)));
  if (n < 0) failed_ = true;
  if (n <= 0) eof_ = true;
  return n > 0;
}

Status Source::NextLine(std::string* line, uint32_t limit) {
  for (;;) {
    size_t end = buf_.find_first_of("\r\n", at_);
    if (end != std::string::npos && buf_[end] == '\r' && end + 1 == buf_.size() && !eof_) {
      Fill();  // a CR at the chunk's end may be followed by an LF
      continue;
    }
    if (end == std::string::npos) {
      if (buf_.size() - at_ > limit)
        return DataFail(st::STRINGTOOLONG, name_ + ": line " + std::to_string(number_ + 1) + " is longer than " +
                                               std::to_string(limit) + " bytes");
      if (Fill()) continue;
      if (failed_) return DataFail(st::FILEIO, name_ + ": cannot be read after line " + std::to_string(number_));
      if (at_ == buf_.size()) return dfres::kEnd;
      end = buf_.size();
    }
    size_t next = end + (end < buf_.size() && buf_[end] == '\r' && end + 1 < buf_.size() && buf_[end + 1] == '\n' ? 2 : 1);
    next = std::min(next, buf_.size());
    line->assign(buf_, at_, end - at_);
    consumed_ += next - at_;
    at_ = next;
    ++number_;
    if (line->size() > limit)
      return DataFail(st::STRINGTOOLONG, name_ + ": line " + std::to_string(number_) + " is longer than " +
                                             std::to_string(limit) + " bytes");
    if (*line == "\x1a") continue;
    return 0;
  }
}

Status Source::NextRecord(std::string* rec, uint32_t len) {
  while (buf_.size() - at_ < len && Fill()) {
  }
  if (failed_) return DataFail(st::FILEIO, name_ + ": cannot be read after record " + std::to_string(number_));
  size_t left = buf_.size() - at_;
  if (left == 0) return dfres::kEnd;
  ++number_;
  if (left < len)
    return DataFail(st::BADINPUTDATA, name_ + ": record " + std::to_string(number_) + " is cut short (" +
                                          std::to_string(left) + " of " + std::to_string(len) + " bytes)");
  rec->assign(buf_, at_, len);
  at_ += len;
  consumed_ += len;
  return 0;
}

// --- The work copy --------------------------------------------------------------------------

Status WorkCopy::Create(uint32_t recLen) {
  Remove();
  len_ = recLen;
  path_ = recio::TempFile("kxwork_");
  if (path_.empty()) return DataFail(st::DISKOPENERROR, "work copy: no temporary file");
  fd_ = host::Open(path_, host::kOpenRead | host::kOpenWrite);
  if (fd_ < 0) return HostFail(path_);
  count_ = written_ = readAt_ = 0;
  bufAt_ = 0;
  buf_.clear();
  return 0;
}

Status WorkCopy::Flush() {
  if (buf_.empty()) return 0;
  bool ok = host::WriteAt(fd_, buf_.data(), buf_.size(), static_cast<int64_t>(written_)) ==
            static_cast<int64_t>(buf_.size());
  written_ += buf_.size();
  buf_.clear();
  return ok ? 0 : DataFail(st::DISKWRITERROR, path_ + ": work copy not written");
}

Status WorkCopy::Append(const char* image) {
  buf_.append(image, len_);
  ++count_;
  return buf_.size() >= kChunk ? Flush() : 0;
}

Status WorkCopy::Rewind() {
  Status s = Flush();
  readAt_ = 0;
  bufAt_ = 0;
  return s;
}

const char* WorkCopy::Next(Status* err) {
  *err = 0;
  if (bufAt_ + len_ > buf_.size()) {
    if (readAt_ >= written_) return nullptr;
    size_t want = std::min<uint64_t>(written_ - readAt_, std::max<size_t>(len_, kChunk / len_ * len_));
    buf_.resize(want);
    if (host::ReadAt(fd_, buf_.data(), want, static_cast<int64_t>(readAt_)) != static_cast<int64_t>(want)) {
      *err = DataFail(st::FILEIO, path_ + ": work copy cannot be read");
      return nullptr;
    }
    readAt_ += want;
    bufAt_ = 0;
  }
  const char* r = buf_.data() + bufAt_;
  bufAt_ += len_;
  return r;
}

void WorkCopy::Remove() {
  if (fd_ >= 0) host::Close(fd_);
  fd_ = -1;
  if (!path_.empty()) host::Remove(path_);
  path_.clear();
  buf_.clear();
}

}  // namespace transio
