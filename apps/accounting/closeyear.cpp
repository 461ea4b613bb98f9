// The year close and its undo.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>
#include <string>

#include "apps/accounting/acdata.h"
#include "apps/accounting/balance.h"
#include "apps/accounting/labels.h"
#include "apps/accounting/layer.h"
#include "apps/accounting/tasks.h"
#include "apps/accounting/yearclose.h"
#include "data/store/datafile.h"
#include "data/store/fileaction.h"
#include "data/store/journal.h"
#include "data/store/recbuf.h"
#include "data/dictionary/relations.h"
#include "data/scans/selection.h"
#include "data/transactions/trans.h"
#include "runtime/datetime.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fmtdate.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/menus/appconfig.h"
#include "screens/window/fieldvalues.h"
#include "screens/forms/forms.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/progress.h"
#include "script/evaluator.h"
#include "script/expfiles.h"
#include "script/objparams.h"
#include "script/taskhooks.h"
#include "script/procedures.h"
#include "script/scanner.h"

const char kAcCloseEvents[] = "AMOR,STOCK,TAX,LOWI,RESET,CLOSE,OPEN,REGEN";
const char kAcCloseGuards[] = "_AMOR,_EXIS,_TASA,_PEGA,_CIER,_CIER,_APER,1";
const char kAcUndoEvents[] = "UNCLOSE,UNOPEN,REGEN";
const char kAcMaintEvents[] = "RESETBAL,REGENBAL,FITACC";
const char kAcCloseLog[] = "CLOSEYEAR.LOG";

namespace {

constexpr int kSteps = 8;
constexpr uint32_t kStepRange = 1000;  // the bar's share of one step
constexpr uint16_t kResetMode = 259;   // IMPORT + UPDATE + BATCHMODE: the batch update
constexpr int kConfigOpeningItem = 3;  // the configuration file that holds FAPE$
constexpr size_t kLogLineMax = 384;

const char* const kStepFormats[kSteps] = {
    "\r\nStep#1. Amortization %s",    "\r\nStep#2. Stocks %s",        "\r\nStep#3. Taxes %s",
    "\r\nStep#4. Loss & Profits %s",  "\r\nStep#5. Reset Accounts %s", "\r\nStep#6. Close Year %s",
    "\r\nStep#7. Open Year %s",       "\r\nStep#8. Set account balances %s"};
const char kProcedures[] = ",COAMORT.PRC,COSTOCK.PRC,COTAXES.PRC";

// The dates of the close in progress, checked before anything is written.
struct CloseDates {
  DateYmd fape = 0, fini = 0, ffin = 0;
};
CloseDates g_dates;

StrValue Empty() { return StrMake("", 0); }

std::string Text(StrValue v) { return v.IsError() ? std::string() : v.Str(); }

std::string ParmText(int n) {
  StrAreaScope mark;
  return Text(ParmValueByNum(n));
}

std::string VarText(const char* name) {
  StrAreaScope mark;
  return Text(ExpEvalStr(StrFromC(name)));
}

Status Fail(Status code, const std::string& detail) {
  ErrDetailSet(code, AcView(detail), false);
  return ErrSet(1, MOD_EXPEXEC, code, code);
}

// The progress window only shows: what it records never replaces the
// task's error.
template <class F>
void Show(F show) {
  uint32_t recorded = ErrGet();
  std::string detail;
  {
    StrAreaScope mark;
    detail = Text(ErrDetail());
  }
  show();
  ErrSet(2, static_cast<uint16_t>(recorded >> 16), static_cast<Status>(recorded & 0xffff), 0);
  if (!detail.empty()) ErrDetailSet(static_cast<Status>(recorded & 0xffff), AcView(detail), false);
}

void Advance(uint32_t n) {
  Show([n] { ProgressAdvance(ProgressTotal(), n); });
}

// A cancel in the progress window, a quit or a signal: 122.
Status Poll() {
  Status s = ProgressPoll();
  return s != 0 ? s : PrcPoll();
}

// The day shown in the progress window, with its four-digit year.
Status ShowDay(const std::string& day) {
  StrAreaScope mark;
  StrValue shown = FmtDate(AcView(day), 2);
  Status s = 0;
  Show([&] { s = ProgressText(shown.IsError() ? AcView(day) : shown); });
  return s == st::USERCANCELED ? s : Poll();
}

// The name of the parameter file holding FAPE$, as the host finds it.
std::string OpeningFile() {
  StrAreaScope mark;
  StrValue item = StrListItem(StrFromC(kAppConfigFiles), ',', kConfigOpeningItem);
  return Text(PathExpand(item));
}

// Runs the event state, the relation list and FAPE$ back however a task
// ends.
class TaskState {
 public:
  TaskState() : relations_(DynStrCount(RelationStmtList)), current_(VarSysIntGet(kSysCurFil)) {
    StrAreaScope mark;
    events_ = Text(ParmEventSave());
    fape_ = VarText("FAPE$");
  }
  ~TaskState() {
    StrAreaScope mark;
    ParmEventRestore(AcView(events_));
    VarSysIntSet(kSysCurFil, current_);
  }
  // After a run that did not commit: FAPE$ in memory as the file has it.
  void FapeBack() {
    StrAreaScope mark;
    ExpExecText(ExpAssignText(StrFromC("FAPE$"), AcView(fape_)));
  }
  void Unwind() {
    if (DynStrCount(RelationStmtList) > relations_) RelUnwind(0, static_cast<uint16_t>(relations_));
  }
  const std::string& Fape() const { return fape_; }

 private:
  std::string events_, fape_;
  uint32_t relations_;
  int16_t current_;
};

bool CodeIsPlain(const std::string& code) {
  if (code.empty()) return false;
  for (char c : code)
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// A last day before the opening date: that year was closed before. Said
// with both dates, as a person reads them.
std::string AlreadyClosed(DateYmd fini, DateYmd fape) {
  StrAreaScope mark;
  StrValue last = FmtDate(DateToText(fini), kDateShortYear4);
  StrValue open = FmtDate(DateToText(fape), kDateShortYear4);
  StrValue text = StrFormat(kStrMaxLen,
                            Msg("1004 The year to %s is already closed: the accounts open on %s. Undo year close "
                                "reopens it."),
                            last, open);
  return text.IsError() ? "_FINI$" : Text(text);
}

// The three dates of the close, each named when it is wrong.
Status CloseDatesCheck(CloseDates* d) {
  d->fape = AcDateOf(VarText("FAPE$"));
  d->fini = AcDateOf(VarText("_FINI$"));
  d->ffin = AcDateOf(VarText("_FFIN$"));
  if (d->fape == 0) return Fail(st::BADINPUTDATA, "FAPE$");
  if (d->fini != 0 && d->fini < d->fape) return Fail(st::BADINPUTDATA, AlreadyClosed(d->fini, d->fape));
  if (d->fini == 0) return Fail(st::BADINPUTDATA, "_FINI$");
  if (d->ffin == 0 || d->ffin != AcDayAfter(d->fini)) return Fail(st::BADINPUTDATA, "_FFIN$");
  return 0;
}

// The files a task writes, open for its length (put back as they were at
// its end, after the journal's end).
Status TakeFiles(AcFileUse& use) {
  for (int kind : {kAcAccounts, kAcEntries, kAcMonths})
    if (Status s = use.Take(kind, true)) return s;
  return 0;
}

Status RunProcedure(int item) {
  StrAreaScope mark;
  return ExpExecFile(StrListItem(StrFromC(kProcedures), ',', static_cast<uint32_t>(item)), 1);
}

}  // namespace

// --- Dates -------------------------------------------------------------------------------

DateYmd AcDayAfter(DateYmd d) {
  int year = d / 10000, month = d / 100 % 100, day = d % 100 + 1;
  if (day > DateDaysInMonth(month, year)) {
    day = 1;
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
  return year * 10000 + month * 100 + day;
}

DateYmd AcDateOf(const std::string& text) {
  if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  DateYmd d = std::stoi(text);
  return DateIsValid(d) ? d : 0;
}

std::string AcDateText(DateYmd d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08d", static_cast<int>(d));
  return buf;
}

// --- Steps ------------------------------------------------------------------------------

Status AcRunStep(int format, Status status, int n) {
  std::string text;
  {
    StrAreaScope mark;
    text = Text(Msg("0006"));
  }
  Status answer = status;
  if (n != 0 && status == 0) {
    ParmEventSet(n, Empty());
    StrAreaScope mark;
    answer = ExpEvalCond(StrListItem(StrFromC(kAcCloseGuards), ',', static_cast<uint32_t>(n)));
    if (answer == 1) {
      std::string set = ParmText(kParmSet);
      Status e = set.empty() ? 0 : ExpEvalStatus(AcView(set));
      if (e < 128) e = 0;
      if (e == 0) text = Text(Msg("0016"));
      answer = e == 0 ? 1 : e;
    } else if (answer == 0) {
      answer = 0;
    }
  }
  if (n == 0) {
    StrAreaScope mark;
    text = Text(ErrText(status));
  }
  if (n == 0 || answer < 122) {
    std::string line = kStepFormats[format - 1];
    Replace(line, "%s", "(" + text + ")");
    if (line.size() > kLogLineMax) line.resize(kLogLineMax);
    StrAreaScope mark;
    LogError(AcView(line), 1);
  }
  if (n == 0 || answer == 0 || answer >= 122) Advance(kStepRange);
  return answer;
}

Status AcEntryTextSubst(StrValue account, StrValue, StrValue description, FixedNum amount, StrValue relText) {
  std::string tmpl = ParmText(kParmWrExp);
  if (tmpl.empty()) {
    StrAreaScope mark;
    return Fail(st::BADINPUTDATA, Text(ParmNameBase(kParmWrExp)) + " " + Text(Msg("0010")));
  }
  // An account is pasted into an expression: anything but letters and
  // digits could change what the expression does.
  std::string code = AcTrimRight(Text(account));
  if (!CodeIsPlain(code)) return Fail(st::BADINPUTDATA, "Account:" + code);
  if (Status p = Poll()) return p;
  Replace(tmpl, "%AMNT%", AcNumText(amount));
  Replace(tmpl, "%DESC%", Text(description));
  Replace(tmpl, "%ACCT%", code);
  int entries = AcFileNum(kAcEntries) & 0xff;
  if (Status s = RecBufClear(entries, 0)) return s;
  Status c = 0;
  {
    StrAreaScope mark;
    c = ExpEvalCond(AcView(tmpl));
  }
  if (c >= 122) return c;
  if (c != 1) return st::OUTOFDATA;
  std::string rel = Text(relText);
  Status s = DataFileAction(dfact::kInsert, entries, AcView(rel), Empty());
  if (s != 0) return s;
  StrAreaScope mark;
  LogError(RecBuf(entries, kRecCurrent), 1);
  return 0;
}

Status AcStepAmortization() { return RunProcedure(2); }
Status AcStepStocks() { return RunProcedure(3); }
Status AcStepTaxes() { return RunProcedure(4); }

Status AcPostAccountBalance(const std::string& account, StrValue description, StrValue relText, int64_t* total) {
  AcAmounts a = AcAccountBalance(account, g_dates.fape, g_dates.fini, "", kAcIdAll);
  FixedNum amount = 0;
  Status s = AcBalanceAdd(a.debit, a.credit, a.status, 1, &amount);
  if (s != 0) return s;
  s = AcEntryTextSubst(AcView(account), StrFromC("_FINI$"), description, amount, relText);
  if (s == st::OUTOFDATA) return 0;
  if (s == 0) *total += amount;
  return s;
}

Status AcPostPrefixLines(StrValue item, int64_t* total) {
  std::string prefix;
  {
    StrAreaScope mark;
    prefix = AcTrimRight(Text(StrTrim(StrListItem(item, ';', 1), 3)));
  }
  uint16_t width = AcAccountCodeWidth();
  if (width == 0) return st::SINTAXERROR;
  if (prefix.size() > width) prefix.resize(width);
  std::string rel = ParmText(kParmRelOpt);
  std::string padded = prefix + std::string(width - prefix.size(), '0');
  Status s = 0;
  std::string account = AcFindAccount(padded, g_dates.fape, g_dates.fini, 3, &s);
  while (s == 0 && !account.empty() && account.compare(0, prefix.size(), prefix) == 0) {
    if ((s = AcPostAccountBalance(account, StrFromC("_CPTG$"), AcView(rel), total)) != 0) break;
    account = AcFindAccount(account, g_dates.fape, g_dates.fini, 2, &s);
  }
  return s;
}

Status AcPostLabelLines(StrValue accountList) {
  int64_t total = 0;
  std::string list = Text(accountList);
  Status s = 0;
  {
    StrListIter it(AcView(list), ',');
    StrValue item;
    while (s == 0 && it.Next(&item)) {
      if (StrTrim(item, 3).len == 0) continue;
      s = AcPostPrefixLines(item, &total);
    }
  }
  if (s != 0 || total == 0) return s;
  std::string ctap = VarText("_CTAP$");
  std::string rel = ParmText(kParmRelOpt);
  s = AcEntryTextSubst(AcView(ctap), StrFromC("_FINI$"), StrFromC("_CPTG$"), -total, AcView(rel));
  return s == st::OUTOFDATA ? 0 : s;
}

void AcProgressByDigit(StrValue account, int* lastDigit) {
  if (account.IsError() || account.len == 0) return;
  int digit = static_cast<unsigned char>(account.ptr[0]) - '0';
  if (digit > *lastDigit) {
    Advance(kStepRange);
    *lastDigit = digit;
  }
}

Status AcStepLossProfits() {
  int model = ExpEvalInt(StrFromC("_EABR")) != 0 ? 2 : 4;
  std::string labels;
  {
    StrAreaScope mark;
    StrValue v = AcBalanceModelLabels(model);
    if (Status e = StrError(v)) return e;
    labels = v.Str();
  }
  Status s = 0;
  std::vector<std::string> names;
  {
    StrAreaScope mark;
    StrListIter it(AcView(labels), ',');
    StrValue name;
    while (it.Next(&name)) names.push_back(Text(name));
  }
  ProgressSetDivisor(names.size());
  for (const std::string& name : names) {
    std::string accounts;
    {
      StrAreaScope mark;
      StrValue v = AcLabelAccounts(AcView(name));
      if ((s = StrError(v)) != 0) break;
      accounts = v.Str();
    }
    if ((s = AcPostLabelLines(AcView(accounts))) != 0) break;
    Advance(kStepRange);
  }
  ProgressSetDivisor(0);
  return s;
}

Status AcStepResetAccounts() {
  int accounts = AcFileNum(kAcAccounts) & 0xff;
  int16_t current = VarSysIntGet(kSysCurFil);
  Status s = DataFileOpen(accounts, 0);
  if (s >= 128) return s;
  TransParmsClear();
  std::string wr = ParmText(kParmWrExp);
  if ((s = TransParmSet(kTrWrExp, AcView(wr))) != 0) return s;
  uint32_t records = NdxPosition(accounts, -1).live;
  ProgressSetDivisor((records + 500) / 1000);
  DataFileSetCurrent(accounts);
  s = TransRun(Empty(), kResetMode, nullptr);
  ProgressSetDivisor(0);
  VarSysIntSet(kSysCurFil, current);
  return s;
}

Status AcStepClosingEntry() {
  uint16_t width = AcAccountCodeWidth();
  if (width == 0) return st::SINTAXERROR;
  std::string rel = ParmText(kParmRelOpt);
  ProgressSetDivisor(5);
  int64_t total = 0;
  int digit = -1;
  Status s = 0;
  std::string account(width, '0');
  while (true) {
    account = AcFindAccount(account, g_dates.fape, g_dates.fini, 2, &s);
    if (s != 0 || account.empty()) break;
    if ((s = AcPostAccountBalance(account, StrFromC("_CPTC$"), AcView(rel), &total)) != 0) break;
    AcProgressByDigit(AcView(account), &digit);
  }
  ProgressSetDivisor(0);
  return s;
}

Status AcStepOpeningEntry() {
  int accounts = AcFileNum(kAcAccounts) & 0xff;
  Status s = DataFileOpen(accounts, 0);
  if (s >= 128) return s;
  DataFieldDesc code;
  if ((s = AcFieldOf(kAcAccounts, kAcCode, &code)) != 0) return s;
  std::string cond = ParmText(kParmRdCond), exp = ParmText(kParmRdExp), rel = ParmText(kParmRelOpt);
  ProgressSetDivisor(7);
  int digit = -1;
  uint32_t written = 0;
  Status move = DataFileMove(accounts, dfmove::kFirst);
  while (move == 0 && s == 0) {
    std::string account(AcFieldText(AcRecord(accounts), code));
    Status c = 0;
    {
      StrAreaScope mark;
      c = ExpEvalCond(AcView(cond));
    }
    if (c >= 122) {
      s = c;
      break;
    }
    if (c == 1) {
      FixedNum amount = 0;
      {
        StrAreaScope mark;
        amount = ExpEvalNum(AcView(exp));
        if (Status e = ErrGet() & 0xffff; e >= 128) ErrClear();
      }
      s = AcEntryTextSubst(AcView(account), StrFromC("_FFIN$"), StrFromC("_CPT1$"), amount, AcView(rel));
      if (s == st::OUTOFDATA) s = 0;
      else if (s == 0) ++written;
      AcProgressByDigit(AcView(account), &digit);
      // The line's relation statements read the accounts by other keys:
      // the walk goes on from this account.
      if (s == 0) {
        s = DataFileReadKey(accounts, 1, AcView(account), 0);
        if (s != 0 && s < 128) s = 0;
      }
      if (s != 0) break;
    }
    move = DataFileMove(accounts, dfmove::kNext);
  }
  ProgressSetDivisor(0);
  if (s == 0 && move >= 128) s = move;
  if (s == 0 && written == 0) return st::OUTOFDATA;
  return s;
}

// Every account's totals over all its lines, closing and opening ones
// included: what the relation statements keep as lines come and go, and what
// the regeneration computes. (The opening day alone would drop the lines
// already entered in the new year.)
Status AcStepSetBalances() { return AcSetBalances(StrMake("", 0), StrMake("", 0)); }

// --- The close --------------------------------------------------------------------------

namespace {

using StepFn = Status (*)();
constexpr StepFn kStepFns[kSteps] = {AcStepAmortization, AcStepStocks,       AcStepTaxes,
                                     AcStepLossProfits,  AcStepResetAccounts, AcStepClosingEntry,
                                     AcStepOpeningEntry, AcStepSetBalances};

}  // namespace

Status AcCloseYearRun() {
  TaskState state;
  {
    StrAreaScope mark;
    LogSetName(StrFromC(kAcCloseLog));
    ExpExecText(ExpAssignText(StrFromC("DSC1#"), StrFromC("0")));
  }
  Status status = 0;
  {
    StrAreaScope mark;
    status = ParmEventSet(-1, StrFromC(kAcCloseEvents));
  }
  if (status == 0) Show([] { ProgressOpen(0, kSteps * kStepRange); });
  if (status == 0) status = CloseDatesCheck(&g_dates);
  AcFileUse use;
  if (status == 0) status = TakeFiles(use);
  RunJournalScope run;
  if (status == 0) status = run.Begun();
  std::string opening = OpeningFile();
  if (status == 0) status = RunJournalText(AcView(opening));
  for (int n = 1; n <= kSteps; ++n) {
    Status gate = AcRunStep(n, status, n);
    if (gate == 1) {
      status = AcRunStep(n, kStepFns[n - 1](), 0);
    } else if (status == 0 && gate >= 122) {
      // A guard or SET$ that fails is the close's failure, never skipped.
      status = AcRunStep(n, gate, 0);
    }
  }
  {
    StrAreaScope mark;
    ParmEventSet(0, StrFromC(""));
  }
  if (status == 0) {
    StrAreaScope mark;
    status = AcSaveOpeningDate(AcView(VarText("_FFIN$")));
  }
  status = run.End(status);
  if (status != 0) state.FapeBack();
  Show([] { ProgressClose(); });
  return status;
}

Status AcCloseYear(int event) {
  if (event == kTaskExecute) {
    TaskState state;
    Status s = AcCloseYearRun();
    ErrShow(s);
    state.Unwind();
  }
  // The box has shown the result: the window gets the shown answer.
  return ScreenCloseRestore(event, 0, 16);
}

// --- The undo ---------------------------------------------------------------------------

// A field of the form the task was called from: the answer of the simple
// form, else the field of the current screen.
StrValue AcTaskField(uint16_t n) {
  const AcceptResult& last = AcceptResultLast();
  uint16_t mark = StrAreaMark(-1);
  if (!last.values.empty()) {
    StrValue item = StrListItem(AcView(last.values), ',', n);
    return StrAreaReturn(mark, StrUnquote(StrTrim(item, 3)));
  }
  return StrAreaReturn(mark, FieldValue(n));
}

Status AcUncloseYearRun(StrValue dateA) {
  TaskState state;
  Status s = 0;
  {
    StrAreaScope mark;
    s = ParmEventSet(-1, StrFromC(kAcUndoEvents));
  }
  if (s != 0) return s;
  std::string textA = AcTrimRight(Text(dateA));
  DateYmd a = AcDateOf(textA);
  // Only the last close is undone: its closing day is the day before FAPE$.
  if (a == 0 || AcDayAfter(a) != AcDateOf(state.Fape())) return Fail(st::BADINPUTDATA, "Date:" + textA);
  DateYmd b = AcDayAfter(a);
  Show([] { ProgressOpen(0, 0); });
  AcFileUse use;
  s = TakeFiles(use);
  RunJournalScope run;
  if (s == 0) s = run.Begun();
  std::string opening = OpeningFile();
  if (s == 0) s = RunJournalText(AcView(opening));
  int entries = AcFileNum(kAcEntries) & 0xff;
  for (int aux = 1; aux <= 2 && s == 0; ++aux) {
    ParmEventSet(aux, Empty());
    std::string cond = ParmText(kParmRdCond);
    if (cond.empty()) continue;
    std::string day = AcDateText(aux == 1 ? a : b);
    if ((s = ShowDay(day)) != 0) break;
    StrAreaScope mark;
    s = SelDeleteAll(entries, 0, AcView(day), AcView(cond));
  }
  DateYmd from = AcYearBefore(b);
  if (s == 0) {
    StrAreaScope mark;
    s = AcSaveOpeningDate(AcView(AcDateText(from)));
  }
  if (s == 0) {
    ParmEventSet(3, Empty());
    std::string set = ParmText(kParmSet);
    StrAreaScope mark;
    if (!set.empty()) s = ExpEvalStatus(AcView(set));
  }
  // The deleted lines leave their months' balances behind: the whole months
  // from the opening of the closed year to the month of its successor's
  // first day are rebuilt.
  if (s == 0) {
    StrAreaScope mark;
    s = AcBalanceMaint(AcView(AcDateText(AcMonthFirst(from))), AcView(AcDateText(AcMonthLast(b))));
  }
  Show([] { ProgressClose(); });
  s = run.End(s);
  if (s != 0) state.FapeBack();
  return s;
}

Status AcUncloseYear(int event) {
  if (event == kTaskExecute) {
    TaskState state;
    Status s = 0;
    {
      StrAreaScope mark;
      s = AcUncloseYearRun(AcTaskField(1));
    }
    ErrShow(s);
    state.Unwind();
  }
  // The box has shown the result: the window gets the shown answer.
  return ScreenCloseRestore(event, 0, 16);
}
