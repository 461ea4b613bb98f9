#include "apps/administration/counters.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "data/dictionary/dictionary.h"
#include "data/store/journal.h"
#include "platform/host/clock.h"
#include "platform/host/files.h"
#include "runtime/datetime.h"
#include "runtime/errors.h"
#include "runtime/paths.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "script/evaluator.h"

namespace {

constexpr int64_t kLockWaitMs = 5000;
constexpr int64_t kLockPollMs = 20;
constexpr int kCompatCentury = 2048;  // _COMPAT: years 2000-2019 as A0-B9
constexpr size_t kFrontValues = 64;   // values read with the header

Status Fail(Status code, const std::string& detail) {
  ErrDetailSet(code, StrMake(detail.data(), static_cast<uint32_t>(std::min<size_t>(detail.size(), 1024))), false);
  return ErrSet(1, MOD_STREAMS, code, code);
}

// An open descriptor, closed (and so unlocked) on every path.
class CounterFile {
 public:
  CounterFile() = default;
  ~CounterFile() {
    if (fd_ >= 0) host::Close(fd_);
  }
  CounterFile(const CounterFile&) = delete;
  CounterFile& operator=(const CounterFile&) = delete;
  bool Open(const std::string& path, unsigned mode) {
    fd_ = host::Open(path, mode);
    return fd_ >= 0;
  }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

struct Names {
  std::string shown;  // as the application writes it (for the detail)
  std::string host;   // the file it means here
};

Names FileNames(StrValue path) {
  Names n;
  n.shown = path.IsError() ? std::string() : path.Str();
  n.host = host::ResolvePath(n.shown);
  return n;
}

Names FilePath() {
  StrAreaScope scope;
  return FileNames(AutoNumFilePath());
}

// The key list of a header as read (fewer bytes when the file is short),
// without its padding.
std::string_view KeyList(std::string_view header) {
  header = header.substr(0, kCounterKeysRoom);
  // The list is short and the padding long: blanks go a block at a time.
  static const std::string kBlanks(64, ' ');
  size_t end = header.size();
  while (end >= kBlanks.size() && std::memcmp(header.data() + end - kBlanks.size(), kBlanks.data(), kBlanks.size()) == 0)
    end -= kBlanks.size();
  while (end > 0 && header[end - 1] == ' ') --end;
  return header.substr(0, end);
}

// Hands each key of a key list to each(key) in order until it answers
// true: the 1-based position it stopped at, 0 when it never did.
template <class Each>
size_t EachKey(std::string_view list, Each each) {
  if (list.empty()) return 0;
  size_t position = 1, at = 0;
  while (true) {
    size_t comma = list.find(',', at);
    if (each(list.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at))) return position;
    if (comma == std::string_view::npos) return 0;
    at = comma + 1;
    ++position;
  }
}

// The keys of a key list, in order.
std::vector<std::string> Keys(std::string_view list) {
  std::vector<std::string> keys;
  EachKey(list, [&](std::string_view k) {
    keys.emplace_back(k);
    return false;
  });
  return keys;
}

// The 1-based position of the key in a key list, 0 when it is not listed.
size_t KeyPosition(std::string_view list, std::string_view key) {
  return EachKey(list, [&](std::string_view k) { return k == key; });
}

// Reads from offset 0 into buf: as much as the file holds of n bytes
// (nothing on failure).
std::string_view ReadFront(int fd, char* buf, size_t n) {
  int64_t got = host::ReadAt(fd, buf, n, 0);
  return std::string_view(buf, got > 0 ? static_cast<size_t>(got) : 0);
}

int64_t ValueOffset(size_t position) { return kCounterHeader + static_cast<int64_t>(position - 1) * kCounterWidth; }

// Waits for the file's lock; 175 when another writer keeps it.
Status LockFile(int fd, const Names& n) {
  int64_t deadline = ClockMonotonicMs() + kLockWaitMs;
  while (host::TryLock(fd) != 0) {
    if (!host::LastWasHeld()) return Fail(host::LastStatus(), n.shown + ": cannot be locked");
    if (ClockMonotonicMs() >= deadline) return Fail(st::PERMISSIONDENIED, n.shown + ": in use");
    ClockSleepMs(kLockPollMs);
  }
  return 0;
}

Status WriteHeader(int fd, const Names& n, const std::vector<std::string>& keys) {
  std::string list;
  for (const std::string& k : keys) list += (list.empty() ? "" : ",") + k;
  if (list.size() > kCounterKeysRoom) return Fail(st::DATAOUTBOUND, n.shown + ": the counter list is full");
  list.resize(kCounterKeysRoom, ' ');
  list += "\r\n";
  if (host::WriteAt(fd, list.data(), list.size(), 0) != static_cast<int64_t>(list.size()))
    return Fail(host::LastStatus(), n.shown);
  return 0;
}

// Grows the file (of the given size) by blocks of blanks until it is longer
// than offset.
Status Extend(int fd, const Names& n, int64_t size, int64_t offset) {
  if (size < 0) return Fail(host::LastStatus(), n.shown);
  if (size > offset) return 0;
  const std::string block(kCounterKeysRoom, ' ');
  while (size <= offset) {
    if (host::WriteAt(fd, block.data(), block.size(), size) != static_cast<int64_t>(block.size()))
      return Fail(host::LastStatus(), n.shown);
    size += static_cast<int64_t>(block.size());
  }
  return 0;
}

}  // namespace

StrValue AutoNumFilePath() {
  // Without CCO only the name and extension stay, so the data directory
  // (which takes a look at the disk) is not even worked out.
  if (ExpEvalNum(StrFromC("CCO")) == 0) return PathExpand(StrFromC("%APNAME%COUNT.DAT"));
  return PathExpand(StrFromC("%APPPATH_DATA%\\%APNAME%COUNT.DAT"));
}

Status AutoNumKey(StrValue name, std::string* key) {
  if (Status e = StrError(name)) return e;
  std::string_view v = name.View();
  if (v.empty() || v.find(',') != std::string_view::npos || v.front() == ' ' || v.back() == ' ') {
    ErrDetailSet(st::BADINPUTDATA, name, false);
    return ErrSet(1, MOD_EXPEXEC, st::BADINPUTDATA, st::BADINPUTDATA);
  }
  int file = VarSysIntGet(kSysCurFil);
  std::string prefix = file > 0 && file <= DataFileCount() ? DicFileName(file).Str() : std::string();
  *key = prefix.empty() ? std::string(v) : prefix + "_" + std::string(v);
  return 0;
}

Status AutoNumRead(const std::string& key, int64_t* value) {
  *value = 0;
  Names n = FilePath();
  CounterFile file;
  if (!file.Open(n.host, host::kOpenRead)) {
    Status failed = host::LastStatus();
    return host::Exists(n.host) ? Fail(failed, n.shown) : 0;  // a missing file holds no counters
  }
  // One read takes the header with the values of the first counters.
  char buf[kCounterHeader + kFrontValues * kCounterWidth];
  std::string_view front = ReadFront(file.fd(), buf, sizeof buf);
  size_t position = KeyPosition(KeyList(front), key);
  if (position == 0) return 0;
  std::string_view digits;
  char far[kCounterWidth];
  auto offset = static_cast<size_t>(ValueOffset(position));
  if (position <= kFrontValues) {
    if (front.size() > offset) digits = front.substr(offset, kCounterWidth);
  } else {
    int64_t got = host::ReadAt(file.fd(), far, sizeof far, ValueOffset(position));
    if (got < 0) return Fail(host::LastStatus(), n.shown);
    digits = std::string_view(far, static_cast<size_t>(got));
  }
  // A value cut short by the end of the file was never written whole.
  if (digits.size() == kCounterWidth) *value = StrToLong(StrMake(digits.data(), kCounterWidth));
  return 0;
}

Status AutoNumWrite(const std::string& key, int64_t value) {
  StrAreaScope scope;
  return AutoNumWriteIn(AutoNumFilePath(), key, value);
}

Status AutoNumWriteIn(StrValue path, const std::string& key, int64_t value) {
  if (Status e = StrError(path)) return e;
  Names n = FileNames(path);
  if (value < kCounterMin || value > kCounterMax) return Fail(st::DATAOUTBOUND, key + ": " + std::to_string(value));
  // Inside a run (the invoicing run) a rollback takes the numbers back too.
  if (Status s = RunJournalText(path)) return s;
  CounterFile file;
  if (!file.Open(n.host, host::kOpenRead | host::kOpenWrite | host::kOpenCreate)) return Fail(host::LastStatus(), n.shown);
  if (Status s = LockFile(file.fd(), n)) return s;
  char buf[kCounterKeysRoom];
  std::string_view list = KeyList(ReadFront(file.fd(), buf, sizeof buf));
  size_t position = KeyPosition(list, key);
  int64_t size = host::Size(file.fd());
  if (position == 0 || size < kCounterHeader) {
    std::vector<std::string> keys = Keys(list);
    if (position == 0) keys.push_back(key);
    if (Status s = WriteHeader(file.fd(), n, keys)) return s;
    position = keys.size();
    size = host::Size(file.fd());
  }
  int64_t offset = ValueOffset(position);
  if (Status s = Extend(file.fd(), n, size, offset)) return s;
  char digits[kCounterWidth + 1];
  std::snprintf(digits, sizeof digits, "%8lld", static_cast<long long>(value));
  // No sync per number, as for the record files: a number a crash takes
  // back is found taken in the documents' own file and passed over.
  if (host::WriteAt(file.fd(), digits, kCounterWidth, offset) != kCounterWidth) return Fail(host::LastStatus(), n.shown);
  return 0;
}

Status DocSeriesText(StrValue series, StrValue date, std::string* out) {
  out->clear();
  if (Status e = StrError(series)) return e;
  if (Status e = StrError(date)) return e;
  std::string d = StrTrim(date, 2).Str();
  if (d.empty()) d = DateToText(DateToday()).Str();
  if (d.size() < 4) {
    ErrDetailSet(st::SINTAXERROR, date, false);
    return st::SINTAXERROR;
  }
  if ((VarSysIntGet(kSysCompat) & kCompatCentury) && d[2] < '2') d[2] = static_cast<char>(d[2] + 17);
  if (series.len) *out += series.ptr[0];
  *out += d.substr(2, 2);
  return 0;
}
