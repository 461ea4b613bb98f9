#include "data/scans/scan.h"

#include "data/dictionary/dictionary.h"
#include "runtime/dynstrings.h"
#include "runtime/format.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"

namespace {

bool Sequential(int file, int key) {
  const DataFileCtrlBlock* ctrl = DataFileCtrl(DataFileNum(file));
  return key == 0 || (ctrl && (ctrl->openFlags & dfopen::kNoIndex));
}

// The routine's answer for the current record: 0, or the code of its error.
Status Offer(int file, DataFileRoutine routine) {
  if (!routine) return 0;
  const StrAreaScope scope;
  return StrError(routine(DataFileKeyFirstText(file)));
}

// 1 when the condition holds over the current record, 0 when not, or the
// code that stops the walk (122 and above).
Status Holds(StrValue cond) {
  if (cond.len == 0) return 1;
  const StrAreaScope scope;
  return ExpEvalCond(cond);
}

Status KeepCond(StrValue cond) { return DynStrSet(SystemTextList, SysScanCondItem, cond); }

// Record-number order from rec (-1: from record 0), deleted records skipped,
// until one meets the condition; the routine sees the others.
Status SequentialSeek(int file, int64_t rec, StrValue cond, DataFileRoutine routine, DataFileScanPos* pos) {
  for (;;) {
    int32_t reached = 0;
    Status s = rec < 0 ? DataFileReadLive(file, 0, 0, &reached)
                       : DataFileReadLive(file, static_cast<int32_t>(rec), dfmove::kNext, &reached);
    pos->status = s;
    if (s != 0) return s;
    pos->rec = reached;
    rec = reached;
    Status h = Holds(cond);
    if (h == 1) return 0;
    if (h != 0) return h;
    if (Status r = Offer(file, routine)) return r;
  }
}

// The condition as a copy in the area: a view into the string-list store
// would move while the walk evaluates.
StrValue Own(StrValue text) { return text.IsError() || text.len == 0 ? text : StrDup(text); }

}  // namespace

StrValue DataFileKeyFirstText(int file) {
  int n = DataFileNum(file);
  KeyFieldList fields = KeyFields(n, DataFileKeyGet(n));
  if (fields.status != 0 || fields.count == 0) return StrMake("", 0);
  uint16_t field = fields.field[0];
  StrValue raw = RecFieldRaw(n, field, 1);
  if (raw.IsError()) return raw;
  return DicFieldType(n, field) == 'D' ? FmtDate(raw, kDateShortYear4) : StrDup(raw);
}

Status DataFileScanCond(int file, uint16_t flags, StrValue cond, StrValue limit, DataFileRoutine perRecord,
                        DataFileStepFn step) {
  const StrAreaScope scope;
  cond = Own(cond);
  limit = Own(limit);
  if (Status e = StrError(cond)) return e;
  if (Status e = StrError(limit)) return e;
  for (;;) {
    if (flags & dfmove::kMoveFirst) {
      Status m = step ? step(file, flags, limit) : DataFileMove(file, flags);
      if (m != 0) return m;
    }
    flags |= dfmove::kMoveFirst;
    if (Status r = Offer(file, perRecord)) return r;
    if (Status l = DataFileKeyLimit(file, flags, limit)) return l;
    Status h = Holds(cond);
    if (h == 1) return 0;
    if (h != 0) return h;
  }
}

Status DataFileSeekCond(int file, uint16_t flags, StrValue cond, StrValue limit, DataFileRoutine perRecord) {
  const StrAreaScope scope;
  cond = Own(cond);
  if (Status e = StrError(cond)) return e;
  if (Status s = KeepCond(cond)) return s;
  return DataFileScanCond(file, flags, cond, limit, perRecord, DataFileMoveLimit);
}

Status DataFileScanFirst(int file, int key, StrValue start, StrValue limit, StrValue cond, DataFileRoutine routine) {
  int n = DataFileNum(file);
  DataFileCtrlBlock* ctrl = DataFileCtrl(n);
  if (!ctrl) return DicCheckFileField(n, -1);
  const StrAreaScope scope;
  cond = Own(cond);
  if (Status e = StrError(cond)) return e;
  ctrl->scan = DataFileScanPos();
  if (Sequential(n, key)) {
    if (Status s = KeepCond(cond)) return s;
    return SequentialSeek(n, -1, cond, routine, &ctrl->scan);
  }
  Status s = DataFileReadKey(n, key, start, dfmove::kAlsoOn1);
  if (s < 2) s = DataFileSeekCond(n, dfmove::kNext, cond, limit, routine);
  ctrl->scan.status = s;
  ctrl->scan.rec = static_cast<int32_t>(NdxCurRecNo(n));
  return s;
}

Status DataFileScanNext(int file, int key, StrValue cond, StrValue limit, DataFileScanPos* pos,
                        DataFileRoutine routine) {
  int n = DataFileNum(file);
  DataFileCtrlBlock* ctrl = DataFileCtrl(n);
  if (!ctrl) return DicCheckFileField(n, -1);
  if (!pos) pos = &ctrl->scan;
  const StrAreaScope scope;
  cond = Own(cond);
  if (Status e = StrError(cond)) return e;
  if (Sequential(n, key)) return SequentialSeek(n, pos->rec, cond, routine, pos);
  Status s = DataFileSeekCond(n, dfmove::kMoveFirst | dfmove::kNext, cond, limit, routine);
  pos->status = s;
  pos->rec = static_cast<int32_t>(NdxCurRecNo(n));
  return s;
}

Status DataFileCountRange(int file, int key, StrValue start, StrValue limit, StrValue cond, uint32_t* count) {
  *count = 0;
  for (StrValue t : {start, limit, cond})
    if (Status e = StrError(t)) return e;
  int n = DataFileNum(file);
  DataStore* store = DataFileStore(n);
  if (!store) return DicCheckFileField(n, -1);
  if (store->IsOpen() && (store->ctrl.openFlags & dfopen::kNoIndex)) {
    *count = static_cast<uint32_t>(store->File().Records());
    return 0;
  }
  if (store->IsOpen() && start.len == 0 && limit.len == 0 && cond.len == 0) {
    *count = store->File().Live();
    return 0;
  }
  DataStoreState saved;
  if (Status s = DataFileCtrlSave(&saved, n, nullptr)) return s;
  Status s = DataFileReadKey(n, key, start, dfmove::kAlsoOn1);
  if (s < 2 && DataFileKeyLimit(n, 0, limit) == 0) {
    uint16_t flags = dfmove::kNext;
    while ((s = DataFileScanCond(n, flags, cond, limit, nullptr, DataFileMoveLimit)) == 0) {
      ++*count;
      flags = dfmove::kMoveFirst | dfmove::kNext;
    }
  }
  Status back = DataFileCtrlSave(nullptr, n, &saved);
  if (s >= st::USERCANCELED) return s;
  return back;
}

StrValue DataFilePassText(StrValue text) { return text; }

int DataFileLastInList(StrValue list) {
  if (list.IsError() || list.len == 0) return 0;
  const StrAreaScope scope;
  StrValue last = StrListItem(list, ',', StrListCount(list, ','));
  int n = DataFileFind(StrTrim(StrListItem(last, ';', 1), 3));
  return n >= 1 && n <= DataFileCount() ? n : 0;
}
