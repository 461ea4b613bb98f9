#include "data/store/filecopy.h"

#include <optional>
#include <string>
#include <vector>

#include "data/store/datafail.h"
#include "data/store/datafile.h"
#include "data/dictionary/dicstore.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/lockmark.h"
#include "data/store/recio.h"
#include "platform/host/clock.h"
#include "platform/host/files.h"
#include "runtime/hostdialog.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/sysvars.h"
#include "script/taskhooks.h"

namespace {

std::string Text(StrValue s) { return s.IsError() ? std::string() : s.Str(); }

// --- Comparison -------------------------------------------------------------------

struct Stamp {
  int64_t date = 0;  // YYYYMMDD, local time
  int64_t unit = 0;  // time of day in two-minute units, to the nearest
  int64_t size = 0;
};

bool StampOf(const std::string& path, Stamp* out) {
  host::FileInfo info;
  if (!host::Stat(path, &info) || info.isDir) return false;
  int64_t secs = info.writtenNs / 1000000000, ns = info.writtenNs % 1000000000;
  LocalTime t;
  if (!ClockLocalTime(secs, &t)) return false;
  int64_t ms = ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + ns / 1000000;
  out->date = t.year * 10000 + t.month * 100 + t.day;
  out->unit = (ms + 60000) / 120000;
  out->size = info.size;
  return true;
}

void CountUp(int slot) { VarSysIntSet(slot, static_cast<int16_t>(VarSysIntGet(slot) + 1)); }

// --- Block copy ------------------------------------------------------------------

// Which side of a copy failed, and the host's reason.
struct CopyFault {
  bool source = false;
  Status reason = 0;
};

// Copies up to count bytes; with cut the target ends where the copy ends.
Status CopyBytes(const std::string& source, uint64_t srcOff, const std::string& target, uint64_t tgtOff,
                 uint64_t count, ProgressStepFn routine, bool cut, CopyFault* fault) {
  int in = recio::Open(recio::HostPath(source), true, false);
  if (in < 0) {
    *fault = CopyFault{true, host::LastStatus()};
    return st::FILENOTFOUND;
  }
  int out = recio::Open(recio::HostPath(target), false, true);
  if (out < 0) {
    *fault = CopyFault{false, host::LastStatus()};
    recio::Close(in);
    return st::FILEIO;
  }
  int64_t size = recio::Size(in);
  uint64_t left = size > int64_t(srcOff) ? std::min<uint64_t>(count, uint64_t(size) - srcOff) : 0;
  uint32_t total = static_cast<uint32_t>(std::min<uint64_t>(left, UINT32_MAX));
  std::vector<char> block(kCopyBlock);
  uint64_t done = 0;
  Status s = 0;
  while (s == 0 && done < left) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(kCopyBlock, left - done));
    if (recio::ReadAt(in, block.data(), n, srcOff + done) != int64_t(n) ||
        !recio::WriteAt(out, block.data(), n, tgtOff + done)) {
      *fault = CopyFault{false, host::LastStatus()};
      s = st::FILEIO;
      break;
    }
    done += n;
    if (routine) s = routine(total, static_cast<uint32_t>(n), StrMake("", 0));
  }
  if (s == 0 && cut && !recio::Truncate(out, tgtOff + done)) s = st::FILEIO;
  if (s == 0 && !recio::Sync(out)) s = st::FILEIO;
  recio::Close(in);
  recio::Close(out);
  return s;
}

// What a whole-file copy without a routine answers for a failure.
Status SystemCopyCode(Status s, const CopyFault& fault) {
  if (s == st::FILENOTFOUND && fault.reason == st::FILENOTFOUND) return st::FILENOTFOUND;
  if (fault.reason == st::PERMISSIONDENIED) return st::PERMISSIONDENIED;
  return st::NOTFOUND;
}

// --- Backup and restore ----------------------------------------------------------

// The block routine of backups and restores: task hook 23 (the message pump
// of a restore) runs, but only a cancel stops the copy; the application's
// low-level task, which a backup leaves in place, answers 148 and must not.
Status CopyBlockStep(uint32_t, uint32_t, StrValue) {
  TaskHookRun(kHookLowLevel, 2);
  return DataFileCancelPoll() == st::USERCANCELED ? st::USERCANCELED : 0;
}

// Saves the index of every open file, so a backup never copies an index
// that lags behind its data.
Status SaveOpenIndexes() {
  for (int n = 1; n <= DataFileCount(); ++n) {
    DataStore* store = DataFileStore(n);
    if (store && store->IsOpen())
      if (Status s = store->Save()) return s;
  }
  return 0;
}

// A database host or name that would lead the backup directory elsewhere.
Status CheckBackupPart(const char* var) {
  std::string v = Text(AppVarValue(StrFromC(var)));
  if (v.find("..") == std::string::npos && v.find_first_of("\\/:") == std::string::npos) return 0;
  return DataFail(st::BADINPUTDATA, std::string(var) + " \"" + v + "\" cannot name a backup directory");
}

// The data file whose name (without directory and extension) is the name,
// in any letter case; 0 when none.
int DataFileNamed(const std::string& name) {
  std::string want = dicstore::Upper(name);
  for (int n = 1; n <= DataFileCount(); ++n) {
    std::string own = dicstore::Upper(Text(DataFileName(n, 1)));
    if (own == want || dicstore::Upper(Text(PathSplit(DataFileName(n, 2), kPathName))) == want) return n;
  }
  return 0;
}

Status Backup() {
  if (Status s = CheckBackupPart("%DATABASE_HOST%")) return s;
  if (Status s = CheckBackupPart("%DATABASE_DBNAME%")) return s;
  StrValue dir = AppPath(APPPATH_BACKREL);
  if (Status s = PathMakeDirs(dir)) return s;
  StrValue folder = ChooseFolder(dir, Msg("0049 Choose Selection"));
  if (folder.IsError()) return StrError(folder);
  return folder.len == 0 ? st::USERCANCELED : TransBackupTo(folder);
}

Status Restore() {
  StrValue path = FileSelectDialog(false, kDialogKeepDir);  // any file; the directory stays
  if (path.IsError()) return StrError(path);
  if (path.len == 0) return st::USERCANCELED;
  int n = DataFileNamed(Text(PathSplit(path, kPathName)));
  if (n == 0) return DataFail(st::BADINPUTDATA, path.Str() + ": not a data file of this application");
  return TransRestoreFrom(n, PathSplit(path, kPathDrive | kPathDir));
}

}  // namespace

Status TransFileCompare(StrValue source, StrValue target) {
  if (!(VarSysIntGet(kSysAuxStat) & 512)) return 0;
  Stamp a, b;
  if (!StampOf(Text(source), &a) || !StampOf(Text(target), &b)) return 0;
  bool older = a.date < b.date || (a.date == b.date && a.unit < b.unit);
  if (older) {
    CountUp(kSysHCount);
    return st::OUTOFDATA;
  }
  if (a.date == b.date && a.unit == b.unit && a.size == b.size) {
    CountUp(kSysCount);
    return st::UNDEFWARNING;
  }
  return 0;
}

Status TransCopyChunked(StrValue source, uint64_t sourceOffset, StrValue target, uint64_t targetOffset,
                        uint64_t count, ProgressStepFn routine) {
  CopyFault fault;
  std::string src = Text(source), tgt = Text(target);
  Status s = CopyBytes(src, sourceOffset, tgt, targetOffset, count, routine, false, &fault);
  if (s == st::FILENOTFOUND || s == st::FILEIO) DataFail(s, fault.source ? src : tgt);
  return s;
}

Status TransFileCopy(StrValue source, StrValue target, ProgressStepFn routine) {
  if (Status c = TransFileCompare(source, target)) return c;
  StrAreaScope scope;
  StrValue dir = PathSplit(target, kPathDrive | kPathDir);
  Status s = dir.len > 0 && !host::Exists(Text(dir)) ? PathMakeDirs(dir) : 0;
  if (s == 0) {
    CopyFault fault;
    std::string src = Text(source), tgt = Text(target);
    s = CopyBytes(src, 0, tgt, 0, UINT64_MAX, routine, true, &fault);
    if (s == st::FILENOTFOUND || s == st::FILEIO) {
      if (!routine) s = SystemCopyCode(s, fault);
      DataFail(s, routine && !fault.source ? tgt : src);
    }
  }
  return s;
}

Status DataFileCopyPair(int file, StrValue folder, int direction, ProgressStepFn routine) {
  if (folder.IsError()) return StrError(folder);
  StrAreaScope scope;
  Status s = 0;
  for (int kind = 2; kind <= 3 && s == 0; ++kind) {
    StrValue local = DataFileName(file, kind);
    if (local.IsError()) {
      s = StrError(local);
      break;
    }
    StrValue there = PathJoin(folder, PathSplit(local, kPathName | kPathExt));
    StrValue from = direction == 0 ? local : there, to = direction == 0 ? there : local;
    if (host::Exists(Text(from))) s = TransFileCopy(from, to, routine);  // a missing source is skipped
  }
  return s;
}

Status TransBackupTo(StrValue folder) {
  StrAreaScope scope;
  Status s = SaveOpenIndexes();
  uint32_t files = DataFileCount();
  if (s == 0) DataProgressOpen(files);
  for (int n = 1; s == 0 && n <= int(files); ++n) {
    Status pair = DataFileCopyPair(n, folder, 0, CopyBlockStep);
    if (pair >= st::USERCANCELED && pair != st::UNDEFWARNING && pair != st::OUTOFDATA) s = pair;
    if (s == 0) s = DataProgressStep(files, 1, DataFileName(n, 1));
  }
  DataProgressClose();
  if (s == 0) DataShow(0);
  return s;
}

Status TransRestoreFrom(int file, StrValue folder) {
  int n = DataFileNum(file);
  DataStore* store = DataFileStore(n);
  if (!store) return st::DATAOUTBOUND;
  StrAreaScope scope;
  uint8_t flags = store->IsOpen() ? store->ctrl.openFlags : 0;
  bool wasOpen = store->IsOpen();
  Status s = DataFileClose(n);
  if (s == 0 && LockMarker::Check(Text(DataFileName(n, 1)), n) != 0)
    s = DataFail(st::PERMISSIONDENIED, Text(DataFileName(n, 1)) + ": its lock marker shows another user");
  if (s == 0) {
    std::optional<TaskHookSwap> pump;
    if (DataUiGet().progressPump) pump.emplace(DataUiGet().progressPump, kHookLowLevel);
    DataProgressOpen(0);
    s = DataFileCopyPair(n, folder, 1, CopyBlockStep);
    if (s == st::UNDEFWARNING || s == st::OUTOFDATA) s = 0;
    DataProgressClose();
  }
  if (wasOpen) {
    Status back = DataFileOpen(n, flags);
    if (s == 0 && back > 2) s = back;
  }
  if (s == 0) DataShow(0);
  return s;
}

Status TransBackupRestore(int mode) {
  if (mode == 2) {
    ErrDetailSet(st::FEATUREREMOVED, StrFromC("TransBackupRestore"), false);
    return DataShow(ErrSet(1, MOD_DATAFILE, st::FEATUREREMOVED, st::FEATUREREMOVED));
  }
  if (mode != 0 && mode != 1) return 0;
  StrAreaScope scope;
  return mode == 0 ? Backup() : Restore();
}
