// The StatMove built-in, its registration with the work-record hook, and the
// FILESCAN statement.
#include "data/scans/statistics.h"

#include <string>
#include <vector>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/scans/scan.h"
#include "data/scans/selection.h"
#include "data/scans/statscreens.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "script/builtins.h"
#include "script/evaluator.h"
#include "script/statements.h"
#include "script/taskhooks.h"

namespace {

StrValue Empty() { return StrMake("", 0); }

// Positions in the navigation command list.
enum NavPos : int { kNavNew = 1, kNavTop, kNavPrv, kNavRld, kNavNxt, kNavBot, kNavFnd, kNavSve };


struct MoveArgs {
  int file = 0;
  uint16_t count = 0;
  StrValue start, limit, cond;
};

StrValue KeptCond() { return StrDup(DynStrGet(SystemTextList, SysScanCondItem)); }

// TOP: inside a set, by the key of the limit's INDEX option (with more than
// one argument) from the start text, or the first record; otherwise, and
// for an INDEX of 0, the file's selection goes and the scan starts again
// with the kept condition.
Status MoveTop(const MoveArgs& a, bool inSet) {
  int key = DataFileKeyGet(a.file);
  StrValue limit = a.limit;
  if (inSet) {
    if (a.count > 1) key = static_cast<int>(StrToLong(StrKeyValue(a.limit, StrFromC("INDEX"))));
    if (key != 0) {
      if (a.start.len || a.limit.len) return DataFileReadKey(a.file, key, a.start, dfmove::kAlsoOn1);
      return DataFileMove(a.file, dfmove::kFirst);
    }
    key = DataFileKeyGet(a.file);
    limit = Empty();  // it held the option, not a key limit
  }
  DataFileCtrlBlock* ctrl = DataFileCtrl(a.file);
  if (!ctrl) return st::DATAOUTBOUND;
  if (ctrl->selSlots[0] != 0) {
    if (Status s = SelRelease(a.file)) return s;
  }
  return DataFileScanFirst(a.file, key, a.start, limit, KeptCond(), nullptr);
}

// RLD: the selection row the scan position holds, into both record parts;
// a row that is not there is the end (2).
Status MoveReload(const MoveArgs& a) {
  DataFileCtrlBlock* ctrl = DataFileCtrl(a.file);
  if (!ctrl) return st::DATAOUTBOUND;
  int32_t row = ctrl->scan.rec;
  ErrorKeeper kept;
  Status s = row < 0 ? st::DATAOUTBOUND : SelRowRead(a.file, kRecBoth, static_cast<uint32_t>(row));
  if (s == st::DATAOUTBOUND) {
    kept.Restore();
    return dfres::kEnd;
  }
  return s;
}

// NXT: inside a set the next record meeting the condition within the limit;
// otherwise the scan goes on with the kept condition.
Status MoveNext(const MoveArgs& a, bool inSet, uint16_t flags) {
  if (inSet) return DataFileScanCond(a.file, flags | dfmove::kMoveFirst, a.cond, a.limit, nullptr, DataFileMoveLimit);
  StrValue kept = KeptCond();
  if (a.limit.len) return DataFileScanNext(a.file, DataFileKeyGet(a.file), kept, a.limit, nullptr, nullptr);
  return DataFileSeekCond(a.file, flags | dfmove::kMoveFirst, kept, Empty(), nullptr);
}

// BOT: forward while the start text is not below the current key text cut
// to its length and the last move found a record.
Status MoveBottom(const MoveArgs& a) {
  DataFileCtrlBlock* ctrl = DataFileCtrl(a.file);
  if (!ctrl) return st::DATAOUTBOUND;
  Status s = ctrl->lastStatus;
  while (s == 0) {
    const StrAreaScope scope;
    StrValue key = KeyValueCur(a.file, DataFileKeyGet(a.file));
    if (Status e = StrError(key)) return e;
    StrValue cut{key.ptr, std::min(key.len, a.start.len)};
    if (StrCompare(a.start, cut) < 0) break;
    s = DataFileMove(a.file, dfmove::kNext);
  }
  return s;
}

// SVE inside a set: the limit text runs over every record whose key begins
// with the start text, and each is rewritten. The record numbers are taken
// first, so a record whose key the text changes is visited once.
Status MoveSave(const MoveArgs& a) {
  std::vector<int64_t> records;
  Status s = DataFileReadKey(a.file, DataFileKeyGet(a.file), a.start, dfmove::kAlsoOn1);
  while (s < 2 && DataFileKeyLimit(a.file, 0, a.start) == 0) {
    records.push_back(NdxCurRecNo(a.file));
    s = DataFileMove(a.file, dfmove::kNext);
  }
  if (s >= 128) return s;
  for (int64_t rec : records) {
    const StrAreaScope scope;
    if ((s = DataFileRecLoad(a.file, static_cast<int32_t>(rec), kRecBoth)) != 0) return s;
    if ((s = ExpEvalStatus(a.limit)) != 0) return s;
    if ((s = DataFileUpdate(a.file)) != 0) return s;
  }
  return 0;
}

// The command at position pos of the navigation list; 0xffff for one that
// StatMove does not run (PRV, FND, the others, SVE outside a set).
Status Move(int pos, const MoveArgs& a) {
  bool inSet = VarIntTestBits(kSysUpStat, upstat::kSetOpen);
  uint16_t flags = static_cast<uint16_t>(DataFileOpCode(pos) & 0xff);
  switch (pos) {
    case kNavNew: return DataFileScanFirst(a.file, DataFileKeyGet(a.file), a.start, a.limit, a.cond, nullptr);
    case kNavTop: return MoveTop(a, inSet);
    case kNavRld: return MoveReload(a);
    case kNavNxt: return MoveNext(a, inSet, flags);
    case kNavBot: return MoveBottom(a);
    case kNavSve: return inSet ? MoveSave(a) : st::NOTFOUND;
    default: return st::NOTFOUND;
  }
}

Status FileScanStatement(uint16_t, const ExecArgs& a) {
  if (Status s = ExecArgsAtLeast(a, 1)) return s;
  Status s = FileScanRun(a.strs[0], a.strs[1], a.strs[2], a.strs[3], a.strs[4]);
  VarSysIntSet(kSysStat, static_cast<int16_t>(s));
  return s >= 128 ? s : 0;
}

}  // namespace

Status StatMove(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(0, 4)) return s;
  MoveArgs a;
  Status s = 0;
  {
    const StrAreaScope scope;  // released before the result is pushed
    a.count = BuiltinArgTotal();
    StrValue command = BuiltinArgAsText(1, StrFromC("NXT"));
    a.start = BuiltinArgAsText(2, Empty());
    a.limit = BuiltinArgAsText(3, Empty());
    a.cond = BuiltinArgAsText(4, Empty());
    for (StrValue t : {command, a.start, a.limit, a.cond})
      if (Status e = StrError(t)) return e;
    a.file = DataFileNum(0);
    if (Status e = DicCheckFileField(a.file, -1)) return e;
    s = Move(NavCmdIndex(StrTrim(command, 3), StrFromC(kNavCommands)), a);
    if (s == st::NOTFOUND) return StatFail(st::SINTAXERROR, "StatMove " + command.Str());
  }
  if (s >= 128) return s;
  if (DataFileCtrlBlock* ctrl = DataFileCtrl(a.file)) ctrl->lastStatus = s;
  return BuiltinResultInt(s);
}

Status StatMoveRegister() {
  Status s = BuiltinRegister(StrFromC("StatMove"), StatMove);
  if (s == 0) TaskHookSet(FileRelHookFn(FileScanOpenHook), kHookFileRel);
  return s;
}

void FileScanStatementRegister() { ExecStatementSet(kStmtFileScan, FileScanStatement); }
