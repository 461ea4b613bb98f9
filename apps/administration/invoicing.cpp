#include "apps/administration/invoicing.h"

#include <algorithm>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/dictionary/relations.h"
#include "data/store/journal.h"
#include "devices/report.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/format.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/window/actionchain.h"
#include "screens/window/fieldvalues.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/progress.h"
#include "screens/window/screenprops.h"
#include "script/evaluator.h"
#include "script/macros.h"
#include "script/objparams.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

// Items of the name list.
enum InvName : int {
  kNameNumberShown = 3,
  kNameFrom = 4,
  kNameTo = 5,
  kNameConfirm = 6,
  kNameRefresh = 7,
  kNameNumber = 8,
  kNameSeries = 9,
  kNameGroup = 10,
};

constexpr uint16_t kRefreshFlags = 116;  // fields fetched from their sources
constexpr char kNumericTypes[] = "NL123456789";

StrValue View(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }
StrValue Empty() { return StrMake("", 0); }

Status Fail(Status code, const std::string& detail) {
  ErrDetailSet(code, View(detail), false);
  return ErrSet(1, MOD_NONE, code, code);
}

// A statement text: an empty one does nothing.
Status Evaluate(const std::string& text) {
  if (text.find_first_not_of(" \t") == std::string::npos) return 0;
  StrAreaScope scope;
  return ExpEvalStatus(View(text));
}

std::string EvalText(const std::string& text, Status* err) {
  StrAreaScope scope;
  StrValue v = ExpEvalStr(View(text));
  *err = StrError(v);
  return v.IsError() ? std::string() : v.Str();
}

std::string RunName(int n) {
  StrAreaScope scope;
  return StrTrim(AdmRunName(n), 3).Str();
}

bool AllBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

// The relation-list text of an insert into file: RELOPT% of the current
// step as a window with that relation level would use it.
std::string RelationText(int level) {
  StrAreaScope scope;
  return RelExprGet(View(InvParm(kPropRelOpt)), static_cast<uint16_t>(level)).Str();
}

Status Insert(int file, const std::string& relations) {
  StrAreaScope scope;
  return DataFileAction(dfact::kInsert, file, View(relations), Empty());
}

// A data file named by a TARGET$ text: a name or a number of the dictionary.
int TargetFile(const std::string& text) {
  if (AllBlank(text)) return 0;
  StrAreaScope scope;
  int n = DataFileFind(View(text));
  return n >= 1 && n <= DataFileCount() ? n : 0;
}

Status TargetOf(int* out) {
  std::string text = InvParm(kParmTarget);
  *out = TargetFile(text);
  if (*out != 0) return 0;
  StrAreaScope scope;
  return Fail(st::BADINPUTDATA, ParmName(kParmTarget).Str() + " " + text);
}

// Calls something that only shows the run's state: its answer, and an error
// it records, do not change the run.
template <class F>
void DisplayOnly(F show) {
  uint32_t recorded = ErrGet();
  std::string detail;
  {
    StrAreaScope scope;
    detail = ErrDetail().Str();
  }
  show();
  ErrSet(2, static_cast<uint16_t>(recorded >> 16), static_cast<Status>(recorded & 0xffff), 0);
  ErrDetailSet(0, View(detail), false);
}

// Everything the run changes in the shared state, put back at its end.
struct InvSaved {
  std::string events;
  int16_t lnum = 0;
  int current = 0;
  uint32_t relations = 0;
};

// --- The screen side of the run -------------------------------------------------

// The screen fields from the one of item 7 on, fetched and redrawn.
Status RefreshFrom(const std::string& name) {
  if (name.empty()) return 0;
  StrAreaScope scope;
  return FieldsRefresh(kRefreshFlags, FieldFind(View(name)), -1);
}

// The screen fields named by a comma list, fetched and redrawn.
Status RefreshNamed(const std::string& names) {
  if (names.empty()) return 0;
  StrAreaScope scope;
  return FieldsFetchPut(kRefreshFlags, FieldNumList(View(names)));
}

}  // namespace

// --- Texts of the current step ----------------------------------------------------

InvExactScope::InvExactScope() : was_(VarIntTestBits(kSysAuxStat, 128)) { VarIntSetBits(kSysAuxStat, 128, true); }
InvExactScope::~InvExactScope() {
  if (!was_) VarIntSetBits(kSysAuxStat, 128, false);
}

Status InvHolds(const std::string& condition) {
  StrAreaScope scope;
  return ExpEvalCond(View(condition));
}

std::string InvParm(int parm) {
  StrAreaScope scope;
  return ParmValueByNum(parm).Str();
}

std::string InvJoined(int parm) {
  std::string text = InvParm(parm);
  std::vector<std::string> items;
  StrListIter it(View(text), ',');
  StrValue item;
  while (it.Next(&item)) {
    std::string_view v = StrTrim(item, 3).View();
    if (!v.empty()) items.emplace_back(v);
  }
  if (items.size() == 1) return items[0];
  std::string out;
  for (const std::string& i : items) out += (out.empty() ? "(" : "&&(") + i + ")";
  return out;
}

StrValue AdmRunName(int n) {
  if (DynStrCount(kInvNamesList) == 0) return Empty();
  return StrListItem(DynStrTop(kInvNamesList), ',', static_cast<uint32_t>(n));
}

Status InvRunStep(int step, int* out) {
  if (Status s = ParmEventSet(step, Empty())) return s;
  if (step > 0) {
    if (Status s = Evaluate(InvParm(kPropSet))) return s;
  }
  return out ? TargetOf(out) : 0;
}

// --- Customers ------------------------------------------------------------------------

std::string InvGroupValue(const InvRun& run) {
  StrAreaScope scope;
  StrValue raw = RecFieldRaw(run.group.file, run.group.field, 1);
  return raw.IsError() ? std::string() : StrTrim(raw, 3).Str();
}

bool InvGroupLess(const InvRun& run, const std::string& a, const std::string& b) {
  if (run.numericGroup) return StrToNum(View(a)) < StrToNum(View(b));
  return StrCompare(View(a), View(b)) < 0;
}

std::string InvGroupCompare(const InvRun& run, int op, const std::string& value) {
  StrAreaScope scope;
  if (run.numericGroup) {
    static const char* const kOps[] = {"", "==", ">", ">=", "<"};
    return run.groupRef + kOps[op] + NumToStr(StrToNum(View(value))).Str();
  }
  std::string field = "FN$TRIM(" + run.groupRef + ")";
  StrValue cmp = op == 1 ? FmtCompareExact(View(field), View(value)) : FmtCompareExpr(View(field), op, View(value), Empty());
  return cmp.Str();
}

// --- One invoice -------------------------------------------------------------------------

namespace {

constexpr char kInvSelButtons[] = "Cancel,Skip,Confirm";
constexpr char kInvSelDoc[] = "kxInvSel.pdc";
constexpr uint16_t kButtonsItem = 9;  // of the settings list: the report window's buttons

// DEVICE$: evaluated when it is an expression, its "," written " /";
// the screen when empty.
std::string InvFormDevice() {
  StrAreaScope scope;
  std::string device = ExpEvalIfExpr(View(InvParm(kParmDevice))).Str();
  for (size_t at = device.find(','); at != std::string::npos; at = device.find(',', at + 2)) device.replace(at, 1, " /");
  return device.empty() ? "CON" : device;
}

// The confirmation form: the report DOC$ on the note's first row, shown on
// DEVICE$ in the report window with the buttons Cancel, Skip and Confirm;
// a dismissal counts as Cancel. The notes file's state, the current file and
// the buttons are put back afterwards.
Status InvConfirmForm(const InvRun& run) {
  std::string doc = InvParm(kParmDoc);
  if (doc.empty()) doc = kInvSelDoc;
  std::string device = InvFormDevice();
  DataStoreState state;
  if (Status s = DataFileCtrlSave(&state, run.notesFile, nullptr)) return s;
  const int16_t current = VarSysIntGet(kSysCurFil);
  std::string buttons = DynStrGet(SettingsList, kButtonsItem).Str();
  Status s = DynStrSet(SettingsList, kButtonsItem, StrFromC(kInvSelButtons));
  if (s == 0) {
    DataFileSetCurrent(run.notesFile);
    s = DataFileKeySet(run.notesFile, 1);
  }
  if (s == 0) {
    StrAreaScope scope;
    StrValue key = KeyValueCur(run.notesFile, 1);
    VarSysIntSet(kSysCurEdFld, 0);
    s = key.IsError() ? StrError(key)
                      : ReportRun(View(device), nullptr, View(doc), Empty(), Empty(), key, Empty(), StrFromC("NONE"),
                                  Empty());
  }
  DynStrSet(SettingsList, kButtonsItem, View(buttons));
  Status restored = DataFileCtrlSave(nullptr, run.notesFile, &state);
  VarSysIntSet(kSysCurFil, current);
  if (s) return s;
  if (restored) return restored;
  switch (VarSysIntGet(kSysCurEdFld)) {
    case 2: return 1;
    case 1: return 0;
    default: return st::USERCANCELED;
  }
}

}  // namespace

Status InvSelectDialog(const InvRun& run) {
  std::string field = RunName(kNameConfirm);
  bool ask = false;
  if (!field.empty()) {
    Status err = 0;
    std::string v = EvalText(field, &err);
    if (err) return err;
    StrAreaScope scope;
    ask = StrToInt(View(v)) != 0;
  }
  if (!ask) {
    if (Status c = DataFileCancelPoll()) return c;
    return 1;
  }
  return InvConfirmForm(run);
}

namespace {

// Raises the invoice number until number and series are a free key.
Status InvNextNumber(const InvRun& run) {
  std::string ref = RunName(kNameNumber);
  std::string shown = RunName(kNameNumberShown);
  for (;;) {
    std::string key;
    {
      StrAreaScope scope;
      StrValue number = RecFieldRaw(run.invFile, run.number.field, 1);
      StrValue series = RecFieldRaw(run.invFile, run.series.field, 1);
      if (Status e = StrError(number)) return e;
      if (Status e = StrError(series)) return e;
      if (AllBlank(number.View())) return Fail(st::BADINPUTDATA, ref);
      key = number.Str() + series.Str();
    }
    Status found = DataFileFindKey(run.invFile, run.numberKey, View(key), 0);
    if (found >= 128) return found;
    if (found != 0) return 0;
    if (Status s = Evaluate(ref + "=" + ref + "+1")) return s;
    if (Status c = DataFileCancelPoll()) return c;
    if (!shown.empty()) {
      if (Status s = Evaluate(shown + "=" + ref)) return s;
    }
  }
}

// One invoice record per confirmed note: 0 when at least one was written,
// 1 when none was, or the error.
Status InvDelNotesLoop(InvRun& run, const std::vector<AdmRangeRow>& rows, const std::string& rdExp,
                       const std::string& usrCond) {
  std::string wrExp = InvParm(kParmWrExp);
  std::string relations = RelationText(run.relLevel);
  int16_t confirmed = 0;
  VarSysIntSet(kSysLNum, 0);
  size_t i = 0;
  while (i < rows.size()) {
    if (Status s = AdmRowLoad(run.notesFile, rows[i])) return s;
    Status c = InvHolds(usrCond);
    if (c >= 122) return c;
    if (c != 1) break;
    Status answer = InvSelectDialog(run);
    if (answer >= 122) return answer;
    bool confirm = answer == 1;
    if (confirm) VarSysIntSet(kSysLNum, ++confirmed);
    // A note's rows are the consecutive rows of its key-1 text.
    size_t j = i;
    for (; j < rows.size() && rows[j].key1 == rows[i].key1; ++j) {
      if (!confirm) continue;
      if (j != i) {
        if (Status s = AdmRowLoad(run.notesFile, rows[j])) return s;
      }
      if (Status s = Evaluate(rdExp)) return s;
    }
    if (confirm) {
      if (j - i > 1) {
        if (Status s = AdmRowLoad(run.notesFile, rows[i])) return s;
      }
      if (Status s = Evaluate(wrExp)) return s;
      Status w = Insert(run.invFile, relations);
      if (w >= 122) return w;
    }
    i = j;
  }
  return confirmed > 0 ? 0 : 1;
}

Status InvStepFoot(InvRun& run) {
  if (Status s = InvRunStep(kInvFoot, nullptr)) return s;
  if (Status s = Evaluate(InvParm(kParmWrExp))) return s;
  return Insert(run.invFile, RelationText(run.relLevel));
}

// The invoice's records (number and series, up to the footer's key) offered
// to the registry through REG's WR_EXP$ condition.
Status InvStepReg(InvRun& run) {
  int registry = 0;
  if (Status s = InvRunStep(kInvReg, &registry)) return s;
  std::string start, limit;
  {
    StrAreaScope scope;
    start = RecFieldRaw(run.invFile, run.number.field, 1).Str() + RecFieldRaw(run.invFile, run.series.field, 1).Str();
    StrValue key = KeyValueCur(run.invFile, run.numberKey);
    if (Status e = StrError(key)) return e;
    limit = key.Str();
  }
  return SelListProcess(run.invFile, run.numberKey, View(start), View(limit), kSelNoTotals, Empty(),
                        View(InvParm(kParmWrExp)), registry);
}

Status InvRunPay(InvRun&) {
  if (Status s = ParmEventSet(kInvPay, Empty())) return s;
  int payments = 0;
  if (Status s = TargetOf(&payments)) return s;
  if (Status s = Evaluate(InvParm(kPropSet))) return s;
  std::string relations;
  {
    StrAreaScope scope;
    relations = RelExprGet(View(InvParm(kPropRelOpt)), static_cast<uint16_t>(DynStrCount(RelationStmtList))).Str();
  }
  std::string cond = InvParm(kParmEotExp), stmt = InvParm(kParmWrExp);
  return RecOperWhile(View(cond), View(stmt), dfact::kInsert, payments, View(relations));
}

Status InvStepScreenUp() {
  if (Status s = InvRunStep(kInvScreenUp, nullptr)) return s;
  return RefreshNamed(InvParm(kPropUpdFields));
}

}  // namespace

Status InvStepInvoice(InvRun& run, const std::vector<AdmRangeRow>& rows) {
  std::string rdExp = InvParm(kParmRdExp);
  std::string usrCond = InvJoined(kParmUsrCond);
  if (Status s = InvRunStep(kInvInvoice, nullptr)) return s;
  if (Status s = InvNextNumber(run)) return s;
  Status r = InvDelNotesLoop(run, rows, rdExp, usrCond);
  if (r == 1) return 0;  // nothing confirmed: no invoice, no number used
  if (r != 0) return r;
  if (Status s = InvStepFoot(run)) return s;
  if (Status s = InvStepReg(run)) return s;
  if (Status s = InvRunPay(run)) return s;
  if (Status s = InvRunStep(kInvPrepNext, nullptr)) return s;
  return InvStepScreenUp();
}

// --- Sub-groups and customers ------------------------------------------------------------

Status InvSubGroups(const InvRun& run, const std::vector<AdmRangeRow>& rows, std::vector<std::string>* conds) {
  std::string template_ = InvJoined(kParmRdCond);
  for (const AdmRangeRow& row : rows) {
    if (Status s = AdmRowLoad(run.notesFile, row)) return s;
    bool covered = false;
    for (const std::string& c : *conds) {
      Status h = InvHolds(c);
      if (h >= 122) return h;
      if ((covered = h == 1)) break;
    }
    if (covered) continue;
    StrAreaScope scope;
    StrValue expanded = MacroExpand(View(template_), kMacroPlain);
    if (Status e = StrError(expanded)) return e;
    conds->push_back(expanded.Str());
  }
  return 0;
}

namespace {

// The rows of a customer that meet a condition now, read again from the file.
Status RowsHolding(const InvRun& run, const std::vector<AdmRangeRow>& rows, const std::string& condition,
                   std::vector<AdmRangeRow>* out) {
  InvExactScope exact;
  for (const AdmRangeRow& row : rows) {
    if (Status s = AdmRowLoad(run.notesFile, row)) return s;
    Status h = InvHolds(condition);
    if (h >= 122) return h;
    if (h == 1) out->push_back(row);
  }
  return 0;
}

std::string JoinAnd(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return "(" + a + ")&&(" + b + ")";
}

Status InvStepDelNotes(InvRun& run, const std::vector<AdmRangeRow>& rows, const std::string& cond) {
  if (Status s = InvRunStep(kInvDelNotes, nullptr)) return s;
  std::vector<AdmRangeRow> selected;
  if (Status s = RowsHolding(run, rows, JoinAnd(run.base, cond), &selected)) return s;
  if (!selected.empty()) {
    if (Status s = AdmRowLoad(run.notesFile, selected.front())) return s;
  }
  return InvStepInvoice(run, selected);
}

Status InvStepCustomer(InvRun& run, const std::string& value, const std::vector<AdmRangeRow>& rows) {
  if (Status s = InvRunStep(kInvCustomer, nullptr)) return s;
  std::vector<AdmRangeRow> notes;
  if (Status s = RowsHolding(run, rows, run.base, &notes)) return s;
  std::vector<std::string> conds;
  if (Status s = InvSubGroups(run, notes, &conds)) return s;
  if (conds.empty()) return Fail(st::INTERNALERROR, run.groupRef + "==" + value);
  Status s = 0;
  for (const std::string& c : conds) {
    if ((s = InvStepDelNotes(run, rows, c)) != 0) break;
  }
  return s < 122 ? 0 : s;
}

struct InvGroupRow {
  std::string value;
  AdmRangeRow row;
};

}  // namespace

Status InvGroupLoop(InvRun& run) {
  // One pass over key 2: every note that meets the base condition, with its
  // customer; blank customers are counted and left out.
  std::vector<InvGroupRow> notes;
  Status s = 0;
  {
    InvExactScope exact;
    StrAreaScope scope;
    s = AdmKeyRangeRows(run.notesFile, 2, View(run.from), View(run.to), View(run.base), nullptr,
                        [&](const AdmRangeRow& row) {
                          std::string v = InvGroupValue(run);
                          if (v.empty()) ++run.blankNotes;
                          else notes.push_back(InvGroupRow{std::move(v), row});
                          return Status{0};
                        });
  }
  if (s != 0) return s;
  std::stable_sort(notes.begin(), notes.end(),
                   [&](const InvGroupRow& a, const InvGroupRow& b) { return InvGroupLess(run, a.value, b.value); });
  for (size_t i = 0; i < notes.size();) {
    size_t j = i;
    std::vector<AdmRangeRow> rows;
    while (j < notes.size() && !InvGroupLess(run, notes[i].value, notes[j].value)) rows.push_back(notes[j++].row);
    const std::string& value = notes[i].value;
    i = j;
    if (Status l = AdmRowLoad(run.notesFile, rows.front())) return l;
    Status f = InvHolds(run.groupFilter);
    if (f >= 122) return f;
    if (f != 1) continue;
    if (Status c = DataFileCancelPoll()) return c;
    if ((s = InvStepCustomer(run, value, rows)) != 0) return s;
  }
  return 0;
}

// --- The run ---------------------------------------------------------------------------

namespace {

// Items 8-10 of the name list: field references of the right files.
Status InvRefs(InvRun& run) {
  struct Item {
    int n;
    FieldRef* ref;
  } items[] = {{kNameNumber, &run.number}, {kNameSeries, &run.series}, {kNameGroup, &run.group}};
  for (Item& it : items) {
    std::string text = RunName(it.n);
    StrAreaScope scope;
    *it.ref = FieldRefParse(View(text));
    if (text.empty() || it.ref->status != 0 || it.ref->field == 0) {
      return Fail(st::BADINPUTDATA, "FD$ item " + std::to_string(it.n) + " (" + text + ")");
    }
  }
  run.invFile = run.number.file;
  if (run.series.file != run.invFile) return Fail(st::BADINPUTDATA, "FD$ item 9 (" + RunName(kNameSeries) + ")");
  if (run.group.file != run.notesFile) return Fail(st::BADINPUTDATA, "FD$ item 10 (" + RunName(kNameGroup) + ")");
  run.groupRef = RunName(kNameGroup);
  run.numericGroup = std::string_view(kNumericTypes).find(run.group.type) != std::string_view::npos;
  uint16_t key = KeyFind(run.invFile, run.number.field);
  run.numberKey = key ? key : 1;
  return 0;
}

// Steps 2 and 3 of the run, once BEGIN has run: the name list, the screen,
// the limits and conditions.
Status InvRunPrepare(InvRun& run) {
  std::string names;
  {
    StrAreaScope scope;
    StrValue fd = MacroExpand(ParmValueByNum(kPropFd), kMacroPlain);
    if (Status e = StrError(fd)) return e;
    if (Status s = DynStrPush(kInvNamesList, fd)) return s;
  }
  // The window only shows progress: the cancel comes through the poll.
  DisplayOnly([] { ProgressOpen(0, 0); });
  if (Status s = RefreshFrom(RunName(kNameRefresh))) return s;
  Status err = 0;
  run.from = EvalText(RunName(kNameFrom), &err);
  if (err == 0) run.to = EvalText(RunName(kNameTo), &err);
  if (err != 0) return err;
  run.base = InvJoined(kParmRdCond);
  run.groupFilter = InvJoined(kParmUsrCond);
  if (Status s = InvRefs(run)) return s;
  DataFileSetCurrent(run.invFile);
  if (Status s = RelLoad(run.invFile, Empty())) return s;
  const DataFileCtrlBlock* ctrl = DataFileCtrl(run.invFile);
  run.relLevel = ctrl && ctrl->relBase >= 0 ? ctrl->relBase : static_cast<int>(DynStrCount(RelationStmtList));
  return 0;
}

// The TARGET$ files of BEGIN, REG and PAY, before anything runs.
Status InvTargetsCheck(int* notes) {
  for (int step : {kInvReg, kInvPay, kInvBegin}) {
    if (Status s = ParmEventSet(step, Empty())) return s;
    int file = 0;
    if (Status s = TargetOf(&file)) return s;
    *notes = file;
  }
  return 0;
}

// The delivery note rows the last run left out for want of a customer.
uint32_t g_blankNotes = 0;

std::string BlankNotesText(uint32_t count) {
  return std::to_string(count) + " delivery note row(s) without customer not invoiced";
}

void InvLogBlankNotes(uint32_t count) {
  g_blankNotes = count;
  if (count == 0) return;
  StrAreaScope scope;
  std::string line = "Invoicing: " + BlankNotesText(count);
  LogWrite(LogFileName(), View(line));
}

// The completion box; it says how many rows were left out without a
// customer, which otherwise only the log would tell.
void ShowResult(Status result) {
  if (result != 0 || g_blankNotes == 0) {
    ErrShow(result);
    return;
  }
  StrAreaScope scope;
  std::string text = ErrText(0).Str() + "\n" + BlankNotesText(g_blankNotes);
  MsgBox(View(text), Msg("0012"), kBoxWarning);
}

}  // namespace

Status InvRunWith(InvGroupLoopFn loop) {
  InvSaved saved;
  {
    StrAreaScope scope;
    saved.events = ParmEventSave().Str();
  }
  saved.lnum = VarSysIntGet(kSysLNum);
  saved.current = VarSysIntGet(kSysCurFil);
  saved.relations = DynStrCount(RelationStmtList);
  uint32_t namesBefore = DynStrCount(kInvNamesList);
  InvRun run;
  Status s = ParmEventSet(0, StrFromC(kInvSteps));
  if (s == 0) s = InvTargetsCheck(&run.notesFile);
  // The whole run is one run of the journal: killed or failed anywhere, no
  // invoice is left without its footer and payments and no note is marked
  // invoiced without its invoice. A cancel comes between whole invoices
  // (the run polls before it writes one) and keeps those written.
  RunJournalScope journal;
  if (s == 0) s = journal.Begun();
  bool began = false;
  if (s == 0) began = (s = InvRunStep(kInvBegin, nullptr)) == 0;
  if (s == 0) s = InvRunPrepare(run);
  if (s == 0) s = loop(run);
  if (began) {
    Status end = InvRunStep(kInvEnd, nullptr);
    if (s == 0) s = end;
  }
  if (journal.Begun() == 0) {
    Status end = journal.End(s == 2 || s == st::USERCANCELED ? 0 : s);
    if (end != 0) s = end;
  }
  DisplayOnly([] { ProgressClose(); });
  DynStrPopTo(kInvNamesList, namesBefore);
  InvRunStep(kInvReset, nullptr);
  InvLogBlankNotes(run.blankNotes);
  if (DynStrCount(RelationStmtList) > saved.relations) {
    RelUnwind(0, static_cast<uint16_t>(saved.relations));
  }
  VarSysIntSet(kSysCurFil, static_cast<int16_t>(saved.current));
  VarSysIntSet(kSysLNum, saved.lnum);
  {
    StrAreaScope scope;
    ParmEventRestore(View(saved.events));
  }
  return s == 2 ? 0 : s;
}

Status AdmInvoicingRun() { return InvRunWith(InvGroupLoop); }

Status AdmTaskInvoicing(int event) {
  Status result = 0;
  if (event == kTaskExecute) {
    result = AdmInvoicingRun();
    ShowResult(result);
  }
  return ScreenCloseRestore(event, result, 16);
}
