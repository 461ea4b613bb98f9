// Statistics steps: a list of menu commands and relation steps run into the
// work file of a level, and the functions the sets borrow from the screens.
#include <algorithm>
#include <string>

#include "data/store/datafile.h"
#include "data/bridges/dataui.h"
#include "data/dictionary/dictionary.h"
#include "data/dictionary/relations.h"
#include "data/dictionary/runcontext.h"
#include "data/scans/statistics.h"
#include "data/scans/statscreens.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/seam.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "script/evaluator.h"
#include "script/objparams.h"

namespace {

StatUi g_ui;

StrValue Empty() { return StrMake("", 0); }

constexpr Status kStepStopped = st::UNDEFWARNING;  // the runner met a relation step

// The integer of a text: 0 for an empty one.
int IntOf(StrValue text) { return static_cast<int>(StrToLong(StrTrim(text, 3))); }

// Puts the object-parameter event state back however the step ends.
class EventGuard {
 public:
  EventGuard() : saved_(ParmEventSave().Str()) {}
  ~EventGuard() { ParmEventRestore(StrMake(saved_.data(), static_cast<uint32_t>(saved_.size()))); }
  EventGuard(const EventGuard&) = delete;
  EventGuard& operator=(const EventGuard&) = delete;

 private:
  std::string saved_;
};

// The source of a relation step, open for the step: a closed file is opened
// read-only and closed again; the relations it loads are unwound.
class SourceUse {
 public:
  explicit SourceUse(int file) : file_(file), level_(static_cast<uint16_t>(DynStrCount(RelationStmtList))) {}
  ~SourceUse() {
    RelUnwind(file_, level_);
    if (opened_) DataFileClose(file_);
  }
  SourceUse(const SourceUse&) = delete;
  SourceUse& operator=(const SourceUse&) = delete;
  Status Open() {
    DataStore* store = DataFileStore(file_);
    if (!store) return st::DATAOUTBOUND;
    if (store->IsOpen()) return 0;
    Status s = DataFileOpen(file_, dfopen::kReadOnly);
    if (s >= 128) return s;
    opened_ = true;
    return 0;
  }

 private:
  int file_;
  uint16_t level_;
  bool opened_ = false;
};

// The statements of the relations a step names (a comma list of numbers).
// The relation list always leads with relation 0, the statements every
// write of the source runs (they keep other files' totals): a step runs
// them only when it names 0, so a statistics run never posts into the
// application's files.
StrValue NamedStatements(int source, StrValue numbers) {
  uint16_t mark = StrAreaMark(-1);
  StrValue quoted = StrCat(StrCat(StrFromC("'"), numbers), StrFromC("'"));
  StrValue all = RelCheckString(source, quoted);
  if (all.IsError()) return StrAreaReturn(mark, all);
  all = StrDup(all);
  bool namesZero = false;
  StrListIter it(numbers, ',');
  StrValue item;
  while (it.Next(&item)) {
    StrValue t = StrTrim(item, 3);
    namesZero = namesZero || (t.len > 0 && StrAllIn(t, StrFromC("0.")));
  }
  if (!namesZero) {
    StrValue zero = RelCheckString(source, StrFromC("'0'"));
    if (zero.IsError()) return StrAreaReturn(mark, zero);
    if (zero.len > 0 && all.View().starts_with(zero.View())) {
      uint16_t cut = std::min<uint16_t>(all.len, static_cast<uint16_t>(zero.len + 1));  // and its ";"
      all = StrValue{all.ptr + cut, static_cast<uint16_t>(all.len - cut)};
    }
  }
  return StrAreaReturn(mark, all);
}

// The step list from its first item: menu commands, and relation steps
// whenever the runner stops at one.
Status RunList(int level, StrValue list) {
  uint32_t index = 1;
  for (;;) {
    const StrAreaScope scope;
    StrValue rest = Empty();
    Status s = StatUiRunSteps(list, &index, &rest);
    if (s != kStepStopped) return s;
    if ((s = StatRelAccum(level, rest)) != 0) return s;
    ++index;
  }
}

// The level's work file open as an empty set.
Status OpenLevel(int level) {
  Status s = FileScanClose(level, dfopen::kExclusive);
  if (s == dfres::kEnd) return 0;
  return s >= 128 ? s : StatFail(st::INTERNALERROR, "STATSTEPS " + std::to_string(level));
}

}  // namespace

// --- What the sets ask of the screens ------------------------------------------------

StatUi StatUiSet(const StatUi& ui) {
  StatUi old = g_ui;
  g_ui = ui;
  return old;
}

StrValue StatUiProp(int n, int m) { return g_ui.prop ? g_ui.prop(n, m) : Empty(); }

StrValue StatUiField(int n) { return g_ui.field ? g_ui.field(n) : Empty(); }

StrValue StatUiCondJoin(StrValue items) {
  if (items.IsError() || items.len == 0) return items;
  return g_ui.condJoin ? g_ui.condJoin(items) : StrErr(SeamMissing("FieldExprJoin"));
}

Status StatUiRunSteps(StrValue list, uint32_t* index, StrValue* rest) {
  return g_ui.runSteps ? g_ui.runSteps(list, index, rest) : SeamMissing("MenuCmdRunList");
}

bool StatUiProgressShown() { return g_ui.progressShown && g_ui.progressShown(); }

Status StatFail(Status code, std::string_view detail) {
  ErrDetailSet(code, StrFromView(detail), false);
  return ErrSet(1, MOD_DATAFILE, code, code);
}

// --- Steps ----------------------------------------------------------------------------

Status StatStepsRestore() {
  const StrAreaScope scope;
  StrValue spec = StatUiProp(kParmStruct, 0);
  if (Status e = StrError(spec)) return e;
  if (StrTrim(spec, 3).len == 0) return StatFail(st::BADINPUTDATA, "STRUCT$");
  spec = StrDup(spec);
  StrValue parts[3];
  for (uint32_t i = 0; i < 3; ++i) {
    StrValue item = StrTrim(StrListItem(spec, ',', i + 1), 3);
    parts[i] = item.len ? ExpEvalStr(item) : Empty();
    if (Status e = StrError(parts[i])) return e;
  }
  return FILESTRUCT(parts[0], parts[1], parts[2]);
}

StrValue StatStepItem(int which) {
  uint16_t mark = StrAreaMark(-1);
  StrValue limits = StatUiProp(kParmLimits, 0);
  if (limits.IsError()) return StrAreaReturn(mark, limits);
  if (StrTrim(limits, 3).len == 0) return StrAreaReturn(mark, StatUiField(which ? 1 : 2));
  StrValue item = StrTrim(StrListItem(StrDup(limits), ',', which ? 1 : 2), 3);
  return StrAreaReturn(mark, item.len ? ExpEvalStr(item) : Empty());
}

Status StatRelAccum(int level, StrValue text) {
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  text = StrDup(text);
  if (StrListCount(text, ',') < 2) return StatFail(st::BADINPUTDATA, "Perform " + text.Str());
  const EventGuard events;
  StrValue keyText = StatUiProp(kParmIndex, 0);
  if (Status e = StrError(keyText)) return e;
  int key = IntOf(keyText);
  if (key == 0) key = 1;  // as for the screen's window record: INDEX% defaults to key 1
  StrValue sourceText = StrTrim(StrListItem(text, ',', 1), 3);
  int source = sourceText.len ? DataFileFind(sourceText) : 0;
  if (source < 1 || source > DataFileCount() || source == level)
    return StatFail(st::BADINPUTDATA, "Perform " + text.Str());
  if (key < 0 || key > DicKeyCount(source)) return StatFail(st::BADINPUTDATA, "INDEX% " + keyText.Str());
  if (Status s = ParmEventSet(1, StrDup(DicFileName(source)))) return s;
  SourceUse use(source);
  if (Status s = use.Open()) return s;
  if (Status s = RelLoadPlain(source, Empty()); s >= 128) return s;
  StrValue numbers = StrTranslate(StrTrim(StrListItem(text, ',', 2), 3), StrFromC(";"), StrFromC(","));
  StrValue statements = NamedStatements(source, numbers);
  if (Status e = StrError(statements)) return e;
  if (statements.len == 0) return StatFail(st::BADINPUTDATA, "No RELOPT defined");
  StrValue start = StatStepItem(1), limit = StatStepItem(0);
  if (Status e = StrError(start) ? StrError(start) : StrError(limit)) return e;
  StrValue cond = StatUiCondJoin(StatUiProp(kParmRdCond, 0));
  StrValue rowCond = StatUiProp(kParmCond, 0);
  if (Status e = StrError(cond) ? StrError(cond) : StrError(rowCond)) return e;
  return FileScanAccum(source, level, key, start, limit, cond, rowCond, statements, Empty(), 1);
}

Status StatStepsRun(int level, StrValue list) {
  const StrAreaScope scope;
  if (list.IsError() || level < 1 || level > kMaxDataFiles) {
    Status e = list.IsError() ? StrError(list) : StatFail(st::DATAOUTBOUND, "STATSTEPS " + std::to_string(level));
    DataShow(e);
    return e;
  }
  list = StrDup(StrTrim(list, 3));
  int16_t previous = VarSysIntGet(kSysCurFil);
  bool setWasOpen = VarIntTestBits(kSysUpStat, upstat::kSetOpen);
  bool defined = false;
  Status s = 0;
  if (list.len == 0) {
    s = StatFail(st::BADINPUTDATA, "STEPS$");
  } else if (DataFileCount() < level) {
    // Only the next file can be defined: FILESTRUCT adds one.
    s = DataFileCount() + 1 == level ? StatStepsRestore()
                                     : StatFail(st::DATAOUTBOUND, "STATSTEPS " + std::to_string(level));
    defined = s == 0;
  }
  if (s == 0) {
    VarIntSetBits(kSysUpStat, upstat::kSetOpen, true);
    s = OpenLevel(level);
  }
  if (s == 0) s = RunList(level, list);
  // The set goes on every path, its files with it.
  Status closed = DataFileCount() >= level ? FileScanClose(level, 0) : 0;
  VarIntSetBits(kSysUpStat, upstat::kSetOpen, setWasOpen);
  if (defined) {
    Status u = RunContextRestore();
    if (closed == 0) closed = u;
  }
  VarSysIntSet(kSysCurFil, previous);
  if (s == 0) s = closed;
  if (s != 0) DataShow(s);
  return s;
}
