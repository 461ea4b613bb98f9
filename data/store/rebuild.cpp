#include "data/store/rebuild.h"

#include <cstring>
#include <string>
#include <vector>

#include "data/store/datafail.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/filecopy.h"
#include "data/store/journal.h"
#include "data/store/lockmark.h"
#include "data/store/recio.h"
#include "data/transactions/transsetup.h"
#include "platform/host/files.h"
#include "runtime/log.h"
#include "runtime/sysvars.h"

namespace {

constexpr size_t kChunkBytes = 1 << 20;  // records read or written per transfer

// The files of one rebuild: host paths, and the names as the dictionary
// gives them for error details.
struct PackFiles {
  std::string data, index, work, marker;
  std::string dataName, indexName, workName;
};

std::string NameOf(int n, int kind) {
  StrValue v = DataFileName(n, kind);
  return v.IsError() ? std::string() : v.Str();
}

PackFiles FilesOf(int n) {
  PackFiles f;
  f.dataName = NameOf(n, 2);
  f.indexName = NameOf(n, 3);
  f.workName = NameOf(n, 5);
  f.data = recio::HostPath(f.dataName);
  f.index = recio::HostPath(f.indexName);
  f.work = recio::HostPath(f.workName);
  f.marker = LockMarker::PathFor(NameOf(n, 1));
  return f;
}

// Leaves temporary mode (_UPSTAT bit 2) for its lifetime: a rebuild in
// temporary mode would land in fresh temporary files.
class OutsideTemporaryMode {
 public:
  OutsideTemporaryMode() : saved_(VarSysIntGet(kSysUpStat)) {
    VarSysIntSet(kSysUpStat, static_cast<int16_t>(saved_ & ~2));
  }
  ~OutsideTemporaryMode() { VarSysIntSet(kSysUpStat, saved_); }
  OutsideTemporaryMode(const OutsideTemporaryMode&) = delete;
  OutsideTemporaryMode& operator=(const OutsideTemporaryMode&) = delete;

 private:
  int16_t saved_;
};

// A file's full records in order, a chunk at a time. A missing file has no
// records; the bytes after the last full record are its tail.
class RecordStream {
 public:
  RecordStream(const std::string& path, uint32_t recLen) : len_(recLen) {
    fd_ = recio::Open(path, true, false);
    int64_t size = fd_ >= 0 ? recio::Size(fd_) : 0;
    count_ = size > 0 ? uint64_t(size) / len_ : 0;
    tail_ = size > 0 ? uint32_t(uint64_t(size) % len_) : 0;
    failed_ = fd_ < 0 && host::LastStatus() != st::FILENOTFOUND;
  }
  ~RecordStream() { recio::Close(fd_); }
  RecordStream(const RecordStream&) = delete;
  RecordStream& operator=(const RecordStream&) = delete;

  bool Failed() const { return failed_; }
  uint64_t Count() const { return count_; }
  uint32_t Tail() const { return tail_; }
  uint64_t At() const { return next_; }
  // The next record, or null at the end or on a short read (Failed).
  const char* Next() {
    if (next_ >= count_ || failed_) return nullptr;
    if (next_ == bufFirst_ + bufCount_) Fill();
    if (failed_) return nullptr;
    return buf_.data() + (next_++ - bufFirst_) * len_;
  }
  // The tail's bytes.
  std::string TailBytes() {
    std::string t(tail_, '\0');
    if (tail_ && recio::ReadAt(fd_, t.data(), tail_, count_ * len_) != int64_t(tail_)) failed_ = true;
    return t;
  }

 private:
  void Fill() {
    uint64_t per = std::max<uint64_t>(1, kChunkBytes / len_);
    bufFirst_ = next_;
    bufCount_ = std::min(per, count_ - next_);
    buf_.resize(bufCount_ * len_);
    int64_t want = static_cast<int64_t>(bufCount_ * len_);
    if (recio::ReadAt(fd_, buf_.data(), buf_.size(), bufFirst_ * len_) != want) failed_ = true;
  }

  int fd_ = -1;
  uint32_t len_;
  uint64_t count_ = 0, next_ = 0, bufFirst_ = 0, bufCount_ = 0;
  uint32_t tail_ = 0;
  bool failed_ = false;
  std::vector<char> buf_;
};

const char* NextLive(RecordStream& s) {
  const char* r = s.Next();
  while (r && r[0] == kDeleteMark) r = s.Next();
  return r;
}

// True when each of the n bytes of d either equals w's or is zero: a
// byte of a write the power cut lost (a disk writes whole sectors or none,
// and a sector may hold the ends of two writes).
bool EqualOrLost(const char* d, const char* w, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (d[i] != 0 && d[i] != w[i]) return false;
  return true;
}

// True when the data file holds the first live records of the work copy,
// in order, and perhaps the first bytes of the next one: what a rebuild
// stopped midway leaves. After a power cut the rebuild's unsynced writes
// may be lost or torn, so zeros stand for the bytes they should hold; a
// data file written by anything else differs in its records.
bool DataIsPrefixOfWork(const PackFiles& f, uint32_t recLen, Status* err) {
  RecordStream work(f.work, recLen), data(f.data, recLen);
  bool same = true;
  for (const char* d = data.Next(); d && same; d = data.Next()) {
    const char* w = NextLive(work);
    same = w && EqualOrLost(d, w, recLen);
  }
  std::string tail = same ? data.TailBytes() : std::string();
  if (same && !tail.empty()) {
    const char* w = NextLive(work);
    same = w && EqualOrLost(tail.data(), w, tail.size());
  }
  if (work.Failed() || data.Failed()) *err = DataFail(st::FILEIO, f.workName + ", " + f.dataName + ": cannot be read");
  return same && *err == 0;
}

bool RemoveIfThere(const std::string& path) { return !recio::Exists(path) || recio::Remove(path); }

Status HostFail(const std::string& detail) { return DataFail(host::LastStatus(), detail); }

// The names of the rebuild's files made durable: every step of a rebuild
// starts from names a power cut cannot take back.
Status SyncFolder(const PackFiles& f) {
  return recio::SyncFolderOf(f.data) ? 0 : DataFail(st::DISKWRITERROR, f.dataName + ": folder not synced");
}

// Puts the records where the rebuild reads them (the work copy) and clears
// the way for the new files; touches nothing when a work copy found there
// is not what an interrupted rebuild leaves.
Status PrepareWork(const PackFiles& f, uint32_t recLen) {
  bool restart = recio::Exists(f.work);
  if (restart) {
    Status err = 0;
    if (!DataIsPrefixOfWork(f, recLen, &err))
      return err != 0 ? err
                      : DataFail(st::FILEEXIST, f.workName + " is left from a rebuild and " + f.dataName +
                                                    " holds other records: both are kept as they are");
  }
  RemoveIfThere(f.marker);  // a marker that stays makes the exclusive open answer 175
  if (restart) {
    if (!RemoveIfThere(f.data)) return HostFail(f.dataName + ": cannot be deleted");
  } else if (recio::Exists(f.data)) {
    if (host::Rename(f.data, f.work) != 0) return HostFail(f.dataName + " -> " + f.workName + ": cannot be renamed");
  } else {
    LogError(StrFromView(f.dataName + ": no data file, the rebuild makes an empty one"), 1);
  }
  if (!RemoveIfThere(f.index)) return HostFail(f.indexName + ": cannot be deleted");
  // The work copy's name stays before the new data file is made: a data
  // file beside the work copy is then always the rebuild's own.
  return SyncFolder(f);
}

// Appends the live records of the work copy to the open, empty file,
// calling the routine for every record; batches are written a chunk at a
// time, so a stop leaves a prefix of the live records behind.
class LiveCopier {
 public:
  LiveCopier(DataStore* store, uint32_t recLen) : store_(store), len_(recLen) {}

  Status Run(const PackFiles& f, ProgressStepFn routine) {
    RecordStream work(f.work, len_);
    if (work.Failed()) return DataFail(st::FILEIO, f.workName + ": cannot be read");
    if (work.Tail() != 0)
      LogError(StrFromView(f.workName + ": a torn record of " + std::to_string(work.Tail()) + " bytes at offset " +
                           std::to_string(work.Count() * len_) + " is dropped"),
               1);
    uint32_t total = static_cast<uint32_t>(std::min<uint64_t>(work.Count(), UINT32_MAX));
    Status s = 0;
    for (const char* r = work.Next(); r && s == 0; r = work.Next()) {
      std::string key = store_->File().KeyText(0, r);
      if (routine) s = routine(total, 1, StrMake(key.data(), static_cast<uint32_t>(key.size())));
      if (s == 0 && r[0] != kDeleteMark) s = Add(r, key);
    }
    if (s == 0 && work.Failed())
      s = DataFail(st::FILEIO, f.workName + ": record " + std::to_string(work.At()) + " cannot be read");
    Status flushed = Flush();
    return s != 0 ? s : flushed;
  }

 private:
  Status Add(const char* r, const std::string& key) {
    if (batch_.empty()) firstKey_ = key;
    batch_.insert(batch_.end(), r, r + len_);
    return batch_.size() >= kChunkBytes ? Flush() : 0;
  }
  Status Flush() {
    if (batch_.empty()) return 0;
    Status s = store_->AppendRaw(batch_.data(), static_cast<uint32_t>(batch_.size() / len_));
    batch_.clear();
    if (s != 0) ErrDetailSet(s, StrMake(firstKey_.data(), static_cast<uint32_t>(firstKey_.size())), false);
    return s;
  }

  DataStore* store_;
  uint32_t len_;
  std::vector<char> batch_;
  std::string firstKey_;
};

Status Pack(int n, ProgressStepFn routine) {
  if (Status s = DataFileClose(n)) return s;
  OutsideTemporaryMode outside;
  PackFiles f = FilesOf(n);
  uint32_t recLen = DicRecLen(n);
  if (Status s = PrepareWork(f, recLen)) return s;
  Status s = DataFileOpen(n, dfopen::kExclusive);
  if (s > 2) return s;
  DataStore* store = DataFileStore(n);
  s = LiveCopier(store, recLen).Run(f, routine);
  if (s == 0) s = store->Reindex();
  Status closed = DataFileClose(n);
  if (s == 0) s = closed;
  // The new files' names are durable before the work copy goes, and its
  // removal is before anything writes to them: a work copy back after a
  // power cut would restart the rebuild over the newer records.
  if (s == 0) s = SyncFolder(f);
  if (s == 0 && !RemoveIfThere(f.work)) s = HostFail(f.workName + ": the work copy cannot be deleted");
  if (s == 0) s = SyncFolder(f);
  return s;
}

}  // namespace

Status DataFilePack(int file, ProgressStepFn routine) {
  int n = DataFileNum(file);
  if (!DataFileCtrl(n)) return st::DATAOUTBOUND;
  StrAreaScope scope;
  return Pack(n, routine);
}

Status RunRecoverAll() {
  // A run that did not end is undone first: the rebuild then works on the
  // records as they were before it.
  if (Status s = RunJournalRecover()) return s;
  for (int n = 1; n <= DataFileCount(); ++n) {
    Status s = DataFilePack(n, DataProgressStep);
    DataProgressClose();
    if (s != 0) return s;
  }
  DataShow(0);
  return 0;
}

StrValue DataFilePackRefused(int mode) {
  if (mode == 2) {
    ErrDetailSet(st::FEATUREREMOVED, StrFromC("DataFilePack"), false);
    DataShow(ErrSet(1, MOD_DATAFILE, st::FEATUREREMOVED, st::FEATUREREMOVED));
  }
  return StrFromC(" ");
}

Status TransPackChosen() {
  Status s = 0;
  int n = TransTableChoose(&s);
  if (s != 0) return s;
  if (n == 0) return st::USERCANCELED;
  s = DataFilePack(n, DataProgressStep);
  DataProgressClose();
  if (s == 0) DataShow(0);
  return s;
}

Status ReorgCommand(StrValue) { return TransPackChosen(); }

Status CopyCommand(int mode) { return TransBackupRestore(mode); }
