#include "apps/accounting/entrywin.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "apps/accounting/acdata.h"
#include "apps/accounting/tasks.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "data/dictionary/relations.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/sysvars.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/forms/accept.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "screens/menus/menucmd.h"
#include "screens/documents/movsaction.h"
#include "screens/forms/msgbox.h"
#include "screens/grids/payschedule.h"
#include "screens/forms/progress.h"
#include "screens/window/screendef.h"
#include "screens/window/screenprops.h"
#include "screens/window/winrecord.h"
#include "screens/window/fieldvalues.h"
#include "screens/grids/linsgrid.h"
#include "data/store/datafile.h"
#include "script/evaluator.h"
#include "script/objparams.h"

namespace {

constexpr int kEventExecute = 25;
constexpr char kPostEvents[] = "ACC,REGIS";

// The rows the running posting wrote, to be deleted again on a failure.
struct Written {
  int file;
  std::string key;  // key 1 of the row
};
std::vector<Written>* gWritten = nullptr;
uint32_t* gRowCount = nullptr;

Status RowWritten(int file) {
  if (gWritten) {
    StrAreaScope mark;
    gWritten->push_back({file, AcStr(KeyValueCur(file, 1))});
  }
  if (gRowCount) ++*gRowCount;
  return ProgressStep(0, 1, StrMake("", 0));
}

std::string Parm(int n) {
  StrAreaScope mark;
  return AcStr(ParmValueByNum(n));
}

// The relation text of the current screen's data file, or RELOPT% of the
// parameters when no screen is current.
std::string ScreenRelations() {
  StrAreaScope mark;
  if (ScreenDesc* s = ScreenGet(-1); s && ScreenStackIndex(0) != 0xFFFF)
    return AcStr(RelExprGet(ScreenSliceText(*s, s->relOpt), s->relLevel));
  return AcStr(RelExprGet(AcView(Parm(kParmRelOpt)), static_cast<uint16_t>(DynStrCount(RelationStmtList))));
}

Status DeleteKept(int file, const std::string& key, StrValue relations, AcKeptRecords* kept) {
  AcKeptRecords::Part part;
  part.file = file;
  part.relations = AcStr(relations);
  Status s = MovsDocDelete(file, 1, AcView(key), relations, StrMake("", 0), kept ? &part.images : nullptr);
  if (kept && !part.images.empty()) kept->parts.push_back(std::move(part));
  return s < 128 ? 0 : s;
}

bool NumberType(char type) { return type && std::strchr("NL0123456789", type) != nullptr; }

// A key-1 prefix of one file as another file keys the same values: a part
// stored as a number (right-aligned, blank-filled) becomes, in a part stored
// as text, its digits zero-filled to that part's width, as the entry
// documents keep the entry number ("20250528    44" -> "20250528000044").
std::string KeyPrefixIn(int from, int to, const std::string& key) {
  KeyPart pf{}, pt{};
  uint16_t nf = KeyPartsDesc(from, 1, &pf), nt = KeyPartsDesc(to, 1, &pt);
  KeyFieldList ff = KeyFields(from, 1), ft = KeyFields(to, 1);
  if (nf == 0 || nt == 0 || ff.status != 0 || ft.status != 0) return key;
  std::string out;
  size_t at = 0;
  for (uint16_t i = 0; i < nf && at < key.size(); ++i) {
    std::string part = key.substr(at, pf.part[i].length);
    at += pf.part[i].length;
    if (i < nt && part.size() == pf.part[i].length && NumberType(DicFieldType(from, ff.field[i])) &&
        !NumberType(DicFieldType(to, ft.field[i]))) {
      std::string digits = part.substr(std::min(part.find_first_not_of(' '), part.size()));
      size_t width = pt.part[i].length;
      if (digits.find_first_not_of("0123456789") == std::string::npos && digits.size() <= width)
        part = std::string(width - digits.size(), '0') + digits;
    }
    out += part;
  }
  return out;
}

}  // namespace

int64_t AcOrderNumber(int file) {
  KeyPart p{};
  uint16_t n = KeyPartsDesc(file, 1, &p);
  if (n < 2) return 0;
  std::string key;
  {
    StrAreaScope mark;
    key = AcStr(KeyValueCur(file, 1));
  }
  size_t at = 0;
  for (uint16_t i = 0; i + 1 < n; ++i) at += p.part[i].length;
  std::string order = key.size() > at ? key.substr(at) : std::string();
  size_t b = order.find_first_not_of(' ');
  if (b == std::string::npos) return 0;
  order = AcTrimRight(order.substr(b));
  return order.find_first_not_of("0123456789") == std::string::npos && order.size() < 10 ? std::stoll(order) : 0;
}

Status AcKeptRecords::Restore() {
  Status first = 0;
  for (const Part& p : parts)
    for (const std::string& image : p.images) {
      Status s = RecBufSet(p.file, kRecCurrent, AcView(image));
      if (s == 0) s = DataFileAction(dfact::kInsert, p.file, AcView(p.relations), StrMake("", 0));
      if (s >= 128 && first == 0) first = s;
    }
  return first;
}

std::string AcEntryPrefix(std::string_view key1) { return AcKeyPrefix(AcFileNum(kAcEntries) & 0xff, key1); }

std::string AcKeyPrefix(int file, std::string_view key1) {
  KeyPart p{};
  uint16_t n = KeyPartsDesc(file, 1, &p);
  size_t order = n > 1 ? p.part[n - 1].length : 0;
  return std::string(key1.substr(0, key1.size() > order ? key1.size() - order : 0));
}

Status AcDeleteEntryRecords(const std::string& key, int docFile, StrValue docRelations, bool kind2,
                            AcKeptRecords* kept) {
  // An empty key would be the prefix of every record.
  if (AcTrimRight(key).empty()) {
    ErrDetailSet(st::INDEXCMDERROR, StrFromC("AcDeleteEntryRecords"), false);
    return ErrSet(1, MOD_DATAFILE, st::INDEXCMDERROR, st::INDEXCMDERROR);
  }
  AcFileUse use;
  Status s = use.Take(kAcRegistry, true);
  if (s) return s;
  int registry = use.File(kAcRegistry);
  {
    DataStoreState state;
    if ((s = DataFileCtrlSave(&state, registry, nullptr)) != 0) return s;
    s = DeleteKept(registry, key, StrMake("", 0), kept);
    Status r = DataFileCtrlSave(nullptr, registry, &state);
    if (s == 0) s = r;
  }
  if (s == 0 && docFile) s = DeleteKept(docFile, key, docRelations, kept);
  if (s == 0 && kind2) {
    if ((s = use.Take(kAcDocuments, true)) == 0) {
      int docs = use.File(kAcDocuments);
      // The key comes from the entry lines (the window's file).
      int lines = docFile ? docFile : AcFileNum(kAcEntries) & 0xff;
      s = DeleteKept(docs, KeyPrefixIn(lines, docs, key), StrMake("", 0), kept);
    }
  }
  return s;
}

Status AcPostEvent(int file, int eventIndex, StrValue events, bool close, uint32_t* count) {
  std::string saved;
  if (eventIndex) {
    StrAreaScope mark;
    saved = AcStr(ParmEventSave());
    if (Status s = ParmEventSet(eventIndex, events)) return s;
  }
  std::string start = Parm(kParmSet), row = Parm(kParmRdCond), write = Parm(kParmWrExp), until = Parm(kParmEotExp);
  std::string rel = ScreenRelations();
  AppendLoopSpec spec{AcView(start), AcView(row), AcView(write), AcView(until), AcView(rel)};
  spec.perRow = RowWritten;
  uint32_t rows = 0;
  uint32_t* before = gRowCount;
  gRowCount = count ? count : &rows;
  uint32_t inserted = 0;
  Status s = DataFileAppendLoop(file, spec, &inserted);
  gRowCount = before;
  ProgressClose();
  if (eventIndex) {
    Status r = ParmEventRestore(AcView(saved));
    if (s == 0) s = r;
  }
  if (s == 0 && close) s = WinClose(-1);
  return s;
}

Status AcRegistryPost(const std::string& oldPrefix, int docFile, StrValue docRelations, uint32_t* count) {
  // The registry stays open until the undo is done: a file closed between
  // the delete and the write-back would lose the kept records.
  AcFileUse use;
  Status s = use.Take(kAcRegistry, true);
  if (s) return s;
  AcKeptRecords kept;
  std::vector<Written> written;
  std::string rel = ScreenRelations();  // the posting's writes use these
  if (!AcTrimRight(oldPrefix).empty()) s = AcDeleteEntryRecords(oldPrefix, docFile, docRelations, false, &kept);
  if (s == 0) {
    gWritten = &written;
    s = AcPostEvent(AcFileNum(kAcEntries) & 0xff, 1, StrFromC(kPostEvents), false, count);
    if (s == 0) s = AcPostEvent(use.File(kAcRegistry), 2, StrFromC(kPostEvents), false, nullptr);
    gWritten = nullptr;
  }
  if (s != 0) {
    // Undo: the rows written go, newest first, then the kept records come
    // back (also after a delete that failed half way); the first error is
    // the answer.
    for (auto it = written.rbegin(); it != written.rend(); ++it)
      if (DataFileReadKey(it->file, 1, AcView(it->key), 0) == 0)
        DataFileAction(dfact::kDelete, it->file, AcView(rel), StrMake("", 0));
    kept.Restore();
  }
  return s;
}

// --- Tasks ---------------------------------------------------------------------------------

namespace {

// The entry window waiting for its posted lines: its record, the entry's
// prefix and the rows the posting wrote (shown when it is current again,
// after the posting form closed).
struct PendingReload {
  WinRecord* window = nullptr;
  std::string prefix;
  uint32_t posted = 0;
};
PendingReload gPending;

Status RegistryOperation() {
  int entries = AcFileNum(kAcEntries) & 0xff;
  std::string prefix, old;
  {
    StrAreaScope mark;
    prefix = AcEntryPrefix(AcStr(KeyValueCur(entries, 1)));
    old = AcEntryPrefix(AcStr(KeyValueOf(entries, 1, RecBuf(entries, kRecSaved))));
  }
  Status s;
  {
    StrAreaScope mark;
    // The form's definition is the current parameter string (the exit
    // handler pushed it).
    s = CondCheck(ParmValueByNum(kPropAlarm));
    if (s == 0) {
      StrValue schedule = StrTrim(StrUnquote(StrTrim(StrListItem(ParmValueByNum(kPropWindows), ',', 1), 3)), 3);
      StrValue cond = SpecItem(schedule, -1);
      if (schedule.len && (cond.len == 0 || (s = CondCheck(cond)) == 0))
        s = PaymentsSchedule(StrTokenNorm(StrListItem(SpecItem(schedule, 0), ';', 1)));
      else if (s == st::BADUSERDATA)
        s = 0;  // not an account with a schedule
    }
  }
  if (s) return s;
  int docFile = 0;
  std::string relations;
  WinRecord* window = nullptr;
  uint16_t cur = ScreenStackIndex(0);
  if (cur != 0xFFFF && cur > 0) {
    window = WinGet(cur - 1);
    if (ScreenDesc* below = ScreenGet(cur - 1)) {
      docFile = below->dataFile;
      StrAreaScope mark;
      relations = AcStr(RelExprGet(ScreenSliceText(*below, below->relOpt), below->relLevel));
    }
  }
  uint32_t count = 0;
  s = AcRegistryPost(old, docFile, AcView(relations), &count);
  if (s == 0 && (s = ExpExecText(StrFromC("_LKEY$=''"))) < 122) s = 0;
  // The posting read the entry's lines into the record: the window below
  // shows them again when it is current (EntryLinesReload).
  if (s == 0 && window) gPending = {window, prefix, count};
  return s;
}

}  // namespace

Status AcTaskRunProcedure(int event) {
  Status s = 0;
  if (event == kEventExecute) {
    StrAreaScope mark;
    StrValue command = StrTrim(StrUnquote(StrTrim(ScreenProp(kPropWindows, 1), 3)), 3);
    s = command.len ? AcceptCommand(command, kAcceptFieldMode, kAcceptExitFromForm) : 0;
    if (command.len == 0) {
      ErrDetailSet(st::BADINPUTDATA, StrFromC("WINDOWS$"), false);
      s = ErrSet(1, MOD_BUFFERFLD, st::BADINPUTDATA, st::BADINPUTDATA);
    }
  }
  return ScreenCloseRestore(event, s, 0);
}

Status AcRegistryOperDev(int event) {
  Status s = 0;
  // A failure is the form's answer: the action chain shows it once.
  if (event == kEventExecute) s = RegistryOperation();
  return ScreenCloseRestore(event, s, 0);
}

// --- The entry window ------------------------------------------------------------------------

namespace {

constexpr uint16_t kWinMaintenance = 2;  // WinRecord::flags
constexpr uint16_t kTraceCommands = 128;  // `_TRACE`: INS and DEL go to the window as they are
constexpr int kWindowsMaintenance = 5;    // the WINDOWS$ item of the maintenance command
constexpr Status kGuardStop = 32;

ScreenDesc* Screen() { return ScreenGet(kCurrentIndex); }
WinRecord* Record() { return WinGet(kCurrentIndex); }
int WindowFile() {
  const ScreenDesc* sc = Screen();
  return sc ? sc->dataFile : 0;
}
GridBuffer* Grid() {
  LinsGridRec* g = MovsWinGrid() >= 0 ? LinsGridGet(MovsWinGrid()) : nullptr;
  return g ? &g->buffer : nullptr;
}

// The field the key help fills: the one IK$(1) names (its file suffix
// dropped); 0 when it names none.
uint16_t KeyHelpField() {
  ScreenDesc* sc = Screen();
  if (!sc || !sc->ik1.len) return 0;
  StrAreaScope mark;
  std::string name = AcStr(ScreenSliceText(*sc, sc->ik1));
  name = name.substr(0, name.find('{'));
  return FieldFind(AcView(name));
}

// F2 on the key field: the value of the accounting fields' key expression
// (item 15 of their names) put into it, then the after-action step; 1 when
// it does not apply (the window's own F2 then).
Status KeyHelp(const WinRecord& r) {
  uint16_t field = KeyHelpField();
  if (!field || r.curField != field) return 1;
  StrAreaScope mark;
  StrValue value = ExpEvalStr(AcFieldName(kAcSignExpr));
  if (Status e = StrError(value)) return e;
  if (StrTrim(value, 3).len == 0) return 1;
  Status s = FieldPut(kCheckInput, field, StrTrim(value, 3));
  if (s >= 122) return s;
  Status after = MovsAfterAction(0);
  return after == kActAskChooser ? 0 : after;
}

// The TYPE of the window file's record (current or saved copy), trimmed;
// empty when the file has no such field.
std::string LineType(int file, int part) {
  if (!file) return std::string();
  StrAreaScope mark;
  uint16_t f = DicFieldFind(file, AcView(AcFieldPlainName(kAcType)));
  if (f == 0xffff) return std::string();
  return AcTrimRight(AcStr(RecFieldRaw(file, f, part)));
}

std::string Key1(int file, int part) {
  StrAreaScope mark;
  return AcStr(part == kRecCurrent ? KeyValueCur(file, 1) : KeyValueOf(file, 1, RecBuf(file, part)));
}

Status WindowsMissing() {
  ErrDetailSet(st::BADINPUTDATA, StrFromC("WINDOWS$"), false);
  return ErrSet(1, MOD_BUFFERFLD, st::BADINPUTDATA, st::BADINPUTDATA);
}

}  // namespace

Status AcEntryGuard(int kind) {
  if (kind != kActToEntry && kind != kActLineDown && kind != kActLineUp) return 0;
  int file = WindowFile();
  std::string type = LineType(file, kRecCurrent);
  if (type.empty() || VarSysIntGet(kSysIer) != 0) return 0;
  if (Key1(file, kRecCurrent) == Key1(file, kRecSaved) && type == LineType(file, kRecSaved)) return 0;
  // A predefined entry is changed through its own maintenance window.
  StrAreaScope mark;
  StrValue item = StrTrim(StrUnquote(StrTrim(ScreenProp(kPropWindows, kWindowsMaintenance), 3)), 3);
  StrValue command = StrTrim(StrUnquote(StrTrim(StrListItem(item, ';', 1), 3)), 3);
  if (command.len == 0) return WindowsMissing();
  WinRecord* r = Record();
  Status s = MantVerbDispatch(r ? r->curField : 0, command, kVerbMantMain);
  return s == 0 ? kGuardStop : s;
}

Status AcPredefinedEntryWarn(uint16_t action) {
  int file = WindowFile();
  if (LineType(file, kRecCurrent).empty() || AcOrderNumber(file) < 2) return NavActionWin(action);
  StrAreaScope mark;
  MsgBox(Msg("1002"), Msg("0008"), kBoxWarning);
  return 0;
}

Status AcDeleteFullEntry() {
  int file = WindowFile();
  ScreenDesc* sc = Screen();
  GridBuffer* g = Grid();
  if (!file || !sc || !g) return st::SCREENSTRUCTERR;
  std::string key = AcKeyPrefix(file, Key1(file, kRecCurrent));
  std::string relations;
  {
    StrAreaScope mark;
    relations = AcStr(RelExprGet(ScreenSliceText(*sc, sc->relOpt), sc->relLevel));
  }
  // The entry's lines go through the document delete, so their relation
  // statements (the balances they carried) run for each.
  Status s = AcDeleteEntryRecords(key, file, AcView(relations), true);
  if (s) return s;
  {
    StrAreaScope mark;
    s = NavLinesDeleteKey(AcView(key), StrFromC("1,2"), ScreenProp(kPropLnDel, 0));
  }
  if (s >= 128) return s;
  // The grid shows the lines of one entry: none is left of it.
  if (g->rowCount) GridReset(*g);
  if ((s = LinsGridReload(MovsWinGrid())) >= 128) return s;
  return MovsLinsControlLine(kLineEvShow);
}

Status AcConfirmDeleteEntry(uint16_t action) {
  if (LineType(WindowFile(), kRecCurrent).empty()) return NavActionWin(action);
  int yes = 0;
  {
    StrAreaScope mark;
    yes = MsgAsk(Msg("1001"));
  }
  return yes == 1 ? AcDeleteFullEntry() : 0;
}

Status AcEntryWindowProc(uint16_t code) {
  uint8_t kind = ActionKindOf(code);
  Status s = PostedLinesShow();
  if (s == 0) s = AcEntryGuard(kind);
  if (s == 0) {
    bool traced = (VarSysIntGet(kSysTrace) & kTraceCommands) != 0;
    WinRecord* r = Record();
    if (kind == kActFieldAgain && r && (s = KeyHelp(*r)) != 1) {
      // the key field took its value
    } else if (kind == kActFieldAgain) {
      s = NavActionWin(code);
    } else if (kind == kActNavigate && ActionParamOf(code) == kNavIns) {
      s = traced ? NavActionWin(code) : AcPredefinedEntryWarn(code);
    } else if (kind == kActNavigate && ActionParamOf(code) == kNavDel) {
      s = AcConfirmDeleteEntry(code);
      if (s < 128 && traced) s = NavActionWin(ActionMake(kActCancel, 0));
    } else if (kind == 41) {
      // Leaving a line outside maintenance mode: the next entry takes its
      // number again.
      if (r && !(r->flags & kWinMaintenance)) s = ExpEvalStatus(StrFromC("DSC1#=0"));
      if (s < 122) s = NavActionWin(code);
    } else {
      s = NavActionWin(code);
    }
  }
  // A warning is shown here and taken; an error is the answer, which the
  // action chain shows (once).
  if (s > 121 && s < 128) {
    ErrShow(s);
    s = 0;
  }
  return s;
}

Status EntryLinesReload(const std::string& prefix, uint32_t posted) {
  WinRecord* r = Record();
  ScreenDesc* sc = Screen();
  int grid = MovsWinGrid();
  GridBuffer* g = Grid();
  if (!r || !sc || !g) return st::SCREENSTRUCTERR;
  int32_t row = std::max<int32_t>(1, g->curRow) + static_cast<int32_t>(posted);
  Status s = LinsGridFill(sc->dataFile, AcView(prefix), dfmove::kAlsoOn1, 0, grid);
  if (s >= 128) return s;
  g->curRow = std::min<int32_t>(row, std::max<int32_t>(1, g->rowCount));
  if ((s = LinsGridReload(grid)) >= 128) return s;
  r->curField = static_cast<uint16_t>(sc->beginField + 1);
  return MovsLinsControlLine(kLineEvShow);
}

Status PostedLinesShow() {
  if (!gPending.window || gPending.window != Record()) return 0;
  PendingReload p = std::move(gPending);
  gPending = {};
  Status s = EntryLinesReload(p.prefix, p.posted);
  return s >= 128 ? s : 0;
}

Status AcTaskEntryWindow(int) {
  if (VarSysIntGet(kSysAux) == 1) {
    // A new entry window: a reload left waiting by one that closed is not
    // its own, even where its record sits at the same place.
    gPending = {};
    ScreenActionSet(AcEntryWindowProc, NavNextAction, nullptr);
  }
  return 0;
}
