// Balance reset and regeneration: the balances by month rebuilt from the
// entry lines over a range, then the accounts refitted.
#include <string>

#include "apps/accounting/acdata.h"
#include "apps/accounting/balance.h"
#include "apps/accounting/layer.h"
#include "apps/accounting/tasks.h"
#include "apps/accounting/yearclose.h"
#include "data/store/datafile.h"
#include "data/store/fileaction.h"
#include "data/store/journal.h"
#include "data/store/recbuf.h"
#include "data/dictionary/relations.h"
#include "data/scans/selection.h"
#include "runtime/errors.h"
#include "runtime/fmtdate.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/progress.h"
#include "script/objparams.h"
#include "script/taskhooks.h"
#include "script/procedures.h"

namespace {

constexpr uint16_t kRelationOnly = 0x100;  // the statements over the record, no write

std::string Text(StrValue v) { return v.IsError() ? std::string() : v.Str(); }

std::string ParmText(int n) {
  StrAreaScope mark;
  return Text(ParmValueByNum(n));
}

Status Fail(Status code, const std::string& detail) {
  ErrDetailSet(code, AcView(detail), false);
  return ErrSet(1, MOD_EXPEXEC, code, code);
}

// Shows a text in the progress window; a cancel, a quit or a signal: 122.
Status Shown(const std::string& text) {
  StrAreaScope mark;
  uint32_t recorded = ErrGet();
  Status s = ProgressText(AcView(text));
  if (s != st::USERCANCELED) {
    ErrSet(2, static_cast<uint16_t>(recorded >> 16), static_cast<Status>(recorded & 0xffff), 0);
    s = PrcPoll();
  }
  return s;
}

std::string DayShown(const std::string& day) {
  StrAreaScope mark;
  StrValue v = FmtDate(AcView(day), 2);
  return v.IsError() ? day : v.Str();
}

// Phase 2: the entry lines of [from, to] day by day, each day's relation
// statements run again.
Status RegenLines(DateYmd from, DateYmd to) {
  int entries = AcFileNum(kAcEntries) & 0xff;
  Status s = DataFileOpen(entries, 0);
  if (s >= 128) return s;
  DataFileSetCurrent(entries);
  std::string rel = ParmText(kParmRelOpt);
  std::string day = AcDateText(from);
  s = DataFileReadKey(entries, 1, AcView(day), dfmove::kAlsoOn1);
  if (s >= 2) return s == dfres::kEnd ? 0 : s;
  {
    StrAreaScope mark;
    if ((s = RelLoad(entries, AcView(rel))) != 0) return s;
  }
  std::string last = AcDateText(to);
  while (s < 2) {
    std::string key;
    {
      StrAreaScope mark;
      key = Text(KeyValueCur(entries, 1));
    }
    day = key.substr(0, 8);
    if (day > last) break;
    if ((s = Shown(DayShown(day))) != 0) break;
    {
      StrAreaScope mark;
      s = SelOpen(entries, 0, AcView(day), AcView(day), kSelAllRows, 3, StrMake("", 0));
    }
    if (s == 0) {
      s = AcBalanceRegenDay(entries, AcView(rel));
      Status r = SelRelease(entries);
      if (s == 0) s = r;
    } else if (s == dfres::kEnd) {
      s = 0;
    }
    if (s != 0) break;
    DateYmd d = AcDateOf(day);
    if (d == 0) return Fail(st::BADINPUTDATA, "Date:" + day);
    s = DataFileReadKey(entries, 1, AcView(AcDateText(AcDayAfter(d))), dfmove::kAlsoOn1);
  }
  return s >= 128 || s == st::USERCANCELED ? s : 0;
}

// Phase 3: every complete account rewritten with SET$.
Status FitAccounts() {
  std::string set = ParmText(kParmSet);
  int accounts = AcFileNum(kAcAccounts) & 0xff;
  Status s = DataFileOpen(accounts, 0);
  if (s >= 128) return s;
  DataFileSetCurrent(accounts);
  uint16_t width = AcAccountCodeWidth();
  if (width == 0) return st::SINTAXERROR;
  Status move = DataFileMove(accounts, dfmove::kFirst);
  s = 0;
  while (move == 0) {
    std::string key;
    {
      StrAreaScope mark;
      key = Text(KeyValueCur(accounts, 1));
    }
    if ((s = Shown(key)) != 0) break;
    // Group records (codes shorter than the key) keep their totals.
    if (AcTrimRight(key).size() == width && !set.empty()) {
      StrAreaScope mark;
      if ((s = RelRecordStore(accounts, AcView(set), 0)) >= 122) break;
      s = 0;
    }
    move = DataFileMove(accounts, dfmove::kNext);
  }
  if (s == 0 && move >= 128) s = move;
  return s;
}

}  // namespace

Status AcBalanceRegenDay(int file, StrValue relText) {
  std::string rel = Text(relText);
  uint16_t rows = SelCount(file);
  for (uint32_t row = 0; row < rows; ++row) {
    Status s = SelRowRead(file, kRecBoth, row);
    if (s == 0) {
      StrAreaScope mark;
      s = DataFileAction(kRelationOnly, file, AcView(rel), StrMake("", 0));
    }
    if (s != 0) return s;
  }
  return 0;
}

Status AcBalanceMaint(StrValue dateFrom, StrValue dateTo) {
  std::string fromText = AcTrimRight(Text(dateFrom)), toText = AcTrimRight(Text(dateTo));
  DateYmd from = AcDateOf(fromText), to = AcDateOf(toText);
  if (from == 0) return Fail(st::BADINPUTDATA, "Date:" + fromText);
  if (to == 0 || to < from) return Fail(st::BADINPUTDATA, "Date:" + toText);
  // The balances by month hold whole months. A range that cuts one would
  // rebuild it from part of its lines, and which month records phase 1
  // deletes is up to the definition's COND$, which cannot be widened here:
  // such a range is refused before anything is touched.
  if (AcMonthFirst(from) != from) return Fail(st::BADINPUTDATA, "Date:" + fromText + " is not the first day of a month");
  if (AcMonthLast(to) != to) return Fail(st::BADINPUTDATA, "Date:" + toText + " is not the last day of a month");
  std::string events;
  {
    StrAreaScope mark;
    events = Text(ParmEventSave());
  }
  int16_t current = VarSysIntGet(kSysCurFil);
  Status s = 0;
  {
    StrAreaScope mark;
    s = ParmEventSet(1, StrFromC(kAcMaintEvents));
  }
  AcFileUse use;
  for (int kind : {kAcAccounts, kAcEntries, kAcMonths})
    if (s == 0) s = use.Take(kind, true);
  RunJournalScope run;
  if (s == 0) s = run.Begun();
  if (s == 0) {
    // An empty condition would delete the months outside the range too,
    // which phase 2 does not rebuild.
    std::string cond = ParmText(kParmCond);
    if (cond.empty()) {
      StrAreaScope mark;
      s = Fail(st::BADINPUTDATA, Text(ParmNameBase(kParmCond)));
    } else {
      StrAreaScope mark;
      s = SelDeleteAll(AcFileNum(kAcMonths) & 0xff, 0, StrMake("", 0), AcView(cond));
    }
  }
  ParmEventSet(2, StrMake("", 0));
  if (s == 0) s = RegenLines(from, to);
  ParmEventSet(3, StrMake("", 0));
  if (s < 122) s = FitAccounts();
  {
    uint32_t recorded = ErrGet();
    ProgressClose();
    ErrSet(2, static_cast<uint16_t>(recorded >> 16), static_cast<Status>(recorded & 0xffff), 0);
  }
  s = s >= 122 ? s : 0;
  s = run.End(s);
  VarSysIntSet(kSysCurFil, current);
  StrAreaScope mark;
  ParmEventRestore(AcView(events));
  return s;
}

Status AcTaskBalanceMaint(int event) {
  Status s = 0;
  if (event == kTaskExecute) {
    StrAreaScope mark;
    s = AcBalanceMaint(AcTaskField(1), AcTaskField(2));
    ErrShow(s);
  }
  return ScreenCloseRestore(event, 0, 16);
}
