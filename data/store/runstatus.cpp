#include "data/store/runstatus.h"

#include <string>

#include "data/store/datafail.h"
#include "data/bridges/dataui.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/journal.h"
#include "data/store/lockmark.h"
#include "data/store/rebuild.h"
#include "data/store/recio.h"
#include "platform/host/files.h"
#include "runtime/messages.h"
#include "runtime/paths.h"

namespace {

struct RunState {
  int lockFd = -1;       // the open file that holds the lock for the run
  int64_t keptNs = -1;   // write time of this program's last write
  bool keepOpen = false;  // a file could not be saved, or its index disagreed
};
RunState g_run;

int64_t WriteTimeNs(const std::string& path) {
  host::FileInfo info;
  return host::Stat(path, &info) ? info.writtenNs : -1;
}

// The digit at offset 0; a missing file, or anything but a digit, reads 0.
int StoredDigit(const std::string& path) {
  std::string bytes;
  bool missing = false;
  if (!recio::ReadWhole(path, &bytes, &missing) || bytes.empty()) return 0;
  return bytes[0] >= '0' && bytes[0] <= '9' ? bytes[0] - '0' : 0;
}

void Unlock() {
  if (g_run.lockFd >= 0) recio::Close(g_run.lockFd);
  g_run.lockFd = -1;
}

// Holds the file for this run; another live run's hold answers 139.
Status Lock(const std::string& name, const std::string& path) {
  Unlock();
  int fd = recio::Open(path, false, true);
  if (fd < 0) return DataFail(host::LastStatus(), name);
  if (host::TryLock(fd) != 0) {
    bool held = host::LastWasHeld();
    recio::Close(fd);
    return DataFail(held ? st::NETACCESERROR : st::DISKIO, name + (held ? ": in use" : ": cannot be locked"));
  }
  g_run.lockFd = fd;
  return 0;
}

// Asks whether to recover; Yes rebuilds every file and marks the run open.
Status Recover(StrValue file) {
  Status err = 0;
  int yes = DataAsk(Msg("0115 Last session uncorrectly closed. Recovering data"), &err);
  if (err != 0) return err;
  if (!yes) return st::USERCANCELED;
  // The status says 1 while the recovery runs: the recovery removes what
  // else shows an unfinished run (the journal once played back, markers,
  // work copies once rebuilt), and a recovery cut short must be made again.
  if (Status s = RunStatusWrite(file, 1)) return s;
  Status s = RunRecoverAll();
  if (s == 0) g_run.keepOpen = false;  // what the rebuild met is mended
  return s != 0 ? s : RunStatusWrite(file, 1);
}

}  // namespace

StrValue RunStatusName() { return PathExpand(StrFromC("%APNAME%FSTAT.DAT")); }

Status RunStatusWrite(StrValue file, int digit) {
  if (file.IsError()) return StrError(file);
  std::string name = file.Str(), path = recio::HostPath(name);
  // The names removed before a clean end (lock markers, the journal, work
  // copies) are gone for good before the status says so: a marker back
  // after a power cut would refuse its file, and no recovery would remove
  // it.
  bool existed = recio::Exists(path);
  if (digit == 0 && !recio::SyncFolderOf(path)) return DataFail(st::DISKWRITERROR, name + ": folder not synced");
  int fd = recio::Open(path, false, true);
  if (fd < 0) return DataFail(host::LastStatus(), name);
  char c = static_cast<char>('0' + digit % 10);
  bool ok = recio::WriteAt(fd, &c, 1, 0) && recio::Sync(fd);
  recio::Close(fd);
  // A run marked open keeps the file's name, even one the run lock has
  // just created: else a power cut during the run (or its recovery) would
  // leave no status, and the next start would not recover.
  if (ok && (digit == 1 || !existed)) ok = recio::SyncFolderOf(path);
  if (!ok) return DataFail(st::DISKWRITERROR, name + ": the run status was not written");
  g_run.keptNs = WriteTimeNs(path);
  return 0;
}

namespace {

// A data file of the dictionary whose lock marker no live program holds
// (the run lock is ours, so no other program of this one runs here), or
// whose work copy shows a rebuild that did not finish.
bool FileLeftUnfinished() {
  for (int n = 1; n <= DataFileCount(); ++n) {
    const StrAreaScope scope;
    StrValue name = DataFileName(n, 1), work = DataFileName(n, 5);
    if (!name.IsError() && LockMarker::LeftBehind(name.Str())) return true;
    if (!work.IsError() && recio::Exists(recio::HostPath(work.Str()))) return true;
  }
  return false;
}

// The answer to a type once the lock (at the start) is held.
Status Decide(int type, StrValue file, const std::string& name, const std::string& path) {
  int stored = StoredDigit(path);
  if (type == 2) {
    bool ours = g_run.keptNs >= 0 && WriteTimeNs(path) == g_run.keptNs;
    return ours ? 0 : DataFail(st::NETACCESERROR, name + ": written by another program");
  }
  // A journal, a lock marker or a work copy left behind is a run that did
  // not end, whatever the digit says: a file opened before the run was
  // marked open keeps its marker when the program dies or the power goes
  // then, and the rebuild of the recovery removes it (else the file stays
  // refused); a work copy holds the records of a rebuild cut short.
  if (type == 1 && (stored == 1 || RunJournalLeft() || FileLeftUnfinished())) return Recover(file);
  // A file left unsaved, an index found disagreeing or a journal left by a
  // rollback that failed: the run stays open, the next start rebuilds.
  if (type == 0 && (g_run.keepOpen || RunJournalLeft())) return 0;
  if (type != stored) return RunStatusWrite(file, type);
  return st::NETACCESERROR;  // the end of a run that was never marked open
}

}  // namespace

Status RunStatusFile(int type) {
  StrAreaScope scope;
  StrValue file = RunStatusName();
  if (file.IsError()) return StrError(file);
  std::string name = file.Str(), path = recio::HostPath(name);
  Status s = type == 1 ? Lock(name, path) : 0;
  if (s == 0) s = Decide(type, file, name, path);
  if (type == 0) Unlock();
  return s;
}

Status RunStatusClose() {
  Status s = RunStatusFile(0);
  return s == st::NETACCESERROR ? 0 : s;
}

void RunStatusKeepOpen() { g_run.keepOpen = true; }
bool RunStatusKeptOpen() { return g_run.keepOpen; }

void RunStatusReset() {
  Unlock();
  g_run.keptNs = -1;
  g_run.keepOpen = false;
}
