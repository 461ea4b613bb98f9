#include "screens/documents/movsaction.h"

#include <algorithm>
#include <string>
#include <vector>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "data/scans/selection.h"
#include "data/store/journal.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/seam.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/forms/accept.h"
#include "screens/window/actionchain.h"
#include "screens/window/controls.h"
#include "screens/datascreens/datascreen.h"
#include "screens/documents/docinternal.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/forms/forms.h"
#include "screens/grids/gridrowgo.h"
#include "screens/grids/gridview.h"
#include "screens/grids/linsgrid.h"
#include "screens/datascreens/mantwin.h"
#include "screens/documents/movswin.h"
#include "screens/forms/msgbox.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/forms/popup.h"
#include "screens/forms/progress.h"
#include "screens/datascreens/reportcalls.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "script/evaluator.h"
#include "script/macros.h"
#include "script/objparams.h"
#include "script/procedures.h"
#include "script/taskhooks.h"

using namespace docint;

namespace {

// Message 0027 items of the mode words.
constexpr uint32_t kWordNew = 8, kWordModify = 9, kWordInsertMode = 10, kWordMaintenanceMode = 11,
                   kWordPrintOff = 12, kWordPrintOn = 13, kWordReadOnly = 14;
constexpr uint32_t kSoftConcurrent = 7;  // "Concurrent Change. Update canceled"
constexpr int kSummaryFtClc = 0x20;      // MovsSummaryRefresh: FTCLC$ and ALARMLINS$
constexpr int kSummaryLoad = 6;
constexpr int kRefreshFromCurrent = 4;
constexpr int kKeyFieldPut = 244;
constexpr int kTaggedLines = 1;             // ParmStrPush: tagged lines of a definition file
constexpr int kFastFindMode = 2;          // the accept window's mode
constexpr int kFastFindExit = 8;          // its exit slot (task 8)
constexpr int kSelAfter = 2;              // SelKeyPrefix: strictly after the text
constexpr uint16_t kRowCaptionCols = 7;   // control 1480's width
// SystemTextList items of the fast-find list.
constexpr uint16_t kLastFormItem = 6, kFastFindItem = 7;

StrValue Empty() { return StrMake("", 0); }

StrValue Trimmed(StrValue v) { return v.IsError() ? v : StrTrim(v, 3); }

LinsGridRec* Grid() {
  int level = MovsWinGrid();
  return level >= 0 ? LinsGridGet(level) : nullptr;
}

bool Asserted(bool ok, const char* name) {
  const StrAreaScope scope;
  return !AssertCheck(ok, StrFromC(name)).IsError() && ok;
}

bool InLineArea() {
  const WinRecord* r = Record();
  return r && r->state == kWinStateLineArea;
}

// Item n of message 0023, or the status text of n when the item is empty.
void SoftShow(Status s) {
  const StrAreaScope scope;
  StrValue text = StrListItem(Msg("0023"), ',', static_cast<uint32_t>(s));
  if (StrTrim(text, 3).len == 0) text = ErrCodeText(s);
  InfoBox(Empty(), text);
}

bool DocumentChanged(const GridBuffer& g, int file) {
  return (g.flags & kGridLinesChanged) || (file && RecBufChanged(file) == 1);
}

// The line fields' controls go: the index area edits no line.
void LineControlsDestroy() {
  const ScreenDesc* s = Screen();
  if (s && s->linesFirst) FieldControlsDestroy(s->linesFirst, s->linesLast);
}

// A record buffer pair kept while lines are read through it.
struct HeaderCopy {
  std::string current, saved;
  void Take(int file) {
    current = RecBuf(file, kRecCurrent).Str();
    saved = RecBuf(file, kRecSaved).Str();
  }
  void Put(int file) const {
    RecBufSet(file, kRecCurrent, StrFromView(current));
    RecBufSet(file, kRecSaved, StrFromView(saved));
  }
};

// The key of the fast-find list as kept in SystemTextList item 7.
struct FastFindList {
  int key = 2;
  std::string shown, to, cond, from;
};

FastFindList FastFindGet() {
  FastFindList l;
  const StrAreaScope scope;
  StrValue v = DynStrGet(SystemTextList, kFastFindItem);
  if (v.IsError()) return l;
  int16_t key = StrListItemInt(v, ',', 1);
  l.key = key > 0 ? key : 2;
  l.shown = StrListItem(v, ',', 2).Str();
  l.to = StrListItem(v, ',', 3).Str();
  l.cond = StrListItem(v, ',', 4).Str();
  l.from = StrListItem(v, ',', 5).Str();
  return l;
}

void FastFindSet(const FastFindList& l) {
  std::string text = std::to_string(l.key) + "," + l.shown + "," + l.to + "," + l.cond + "," + l.from;
  DynStrSet(SystemTextList, kFastFindItem, StrFromView(text));
}

// Whether the record's key on key 1 begins with the prefix.
bool PrefixMatches(int file, StrValue prefix) {
  const StrAreaScope scope;
  StrValue key = KeyValueCur(file, 1);
  return !key.IsError() && prefix.len && key.len >= prefix.len && key.View().substr(0, prefix.len) == prefix.View();
}

// The lines of an import popped on every path.
struct ParmPop {
  bool pushed = false;
  ~ParmPop() {
    if (pushed) ParmStrPop();
  }
};

uint32_t g_importRows = 0;
Status ImportStep() { return ProgressAdvance(0, ++g_importRows); }

// The line-area moves of the navigation commands.
Status GridMove(int command) {
  LinsGridRec* grid = Grid();
  if (!grid) return 0;
  const GridBuffer& g = grid->buffer;
  int32_t row = g.curRow;
  switch (command) {
    case kNavTop: row = 1; break;
    case kNavBot: row = std::max<int32_t>(g.rowCount, 1); break;
    case kNavPrv: row = row - 1; break;
    default: row = row + 1; break;
  }
  Status s = LinsGridRowGo(MovsWinGrid(), row);
  return s >= st::USERCANCELED ? s : 0;
}

}  // namespace

// --- The handler -------------------------------------------------------------------

Status MovsAction(ActionCode code) {
  if (!Asserted(Record() != nullptr, "MovsAction") || !Asserted(Grid() != nullptr, "MovsAction"))
    return st::INTERNALERROR;
  uint8_t kind = ActionKindOf(code);
  switch (kind) {
    case kActCancel: return MovsNew();
    case kActNavigate: {
      Status s = MovsCommand(ActionParamOf(code));
      return s == st::OUTOFDATA && !InLineArea() ? 0 : s;
    }
    case kActCloseRequest:
    case kActCloseWindow: {
      Status p = ParmFileWrite();
      if (p >= st::USERCANCELED) return p;
      Status c = MovsLinsClose();
      if (c >= st::USERCANCELED) return c;
      if (c != 0 && kind == kActCloseWindow) return kActCloseBit;
      Status d = DataScreenClose(kCurrentIndex);
      return d ? d : 4;
    }
    case kMovsActStoreLine: return MovsSummaryRefresh(kCheckRefresh);
    case kActFieldEntered:
      if (InLineArea()) VarIntSetBits(kSysScrStat, kScrStatGridNotify, true);
      return MantAction(code);
    case kActKeyTyped: {
      Status s = MovsKeyRead();
      return s == st::BADINPUTDATA ? MovsClear() : s;
    }
    case kActSaveOrNew: return MovsSaveCmd();
    default: return MantAction(code);
  }
}

Status MovsCommand(int command) {
  switch (command) {
    case kNavNew: return MovsNew();
    case kNavTop:
    case kNavPrv:
    case kNavNxt:
    case kNavBot: return MovsMove(command);
    case kNavFnd: return MovsFastFind();
    case kNavSve: return MovsSaveCmd();
    case kNavIns: return MovsLinsInsert();
    case kNavDel: return MovsLinsDelete(-1, false);
    case kNavImp: return MovsImport();
    case kNavDde: return MovsDeleteCmd();
    case kNavPrn:
      if (WinRecord* r = Record()) r->flags ^= kMovsPrint;
      return 0;
    default: return 0;
  }
}

Status MovsNew() {
  WinRecord* r = Record();
  const ScreenDesc* s = Screen();
  LinsGridRec* grid = Grid();
  if (!r || !s || !grid) return Fail(st::SCREENSTRUCTERR, "MovsNew");
  uint8_t before = r->state;
  // Changed lines count as a change of the record: the question comes once.
  uint16_t flags = r->flags;
  if (before >= kKeyStateEntry && !(flags & kMovsReadOnly) && (grid->buffer.flags & kGridLinesChanged)) {
    const StrAreaScope scope;
    if (!MsgAsk(Msg("0018"))) return 1;
    r->flags |= kWinNoChangeCheck;
  }
  if (flags & kMovsReadOnly) r->flags |= kWinNoChangeCheck;
  Status a = MantNewRecord(nullptr);
  if ((r = Record())) r->flags = static_cast<uint16_t>((r->flags & ~kWinNoChangeCheck) | (flags & kWinNoChangeCheck));
  if (a != 0) return a;
  if (before == kKeyStateSearch) return MovsClear();
  LineControlsDestroy();
  if (s->linesFirst > 1) {
    Status f = FieldsRefresh(kRefreshRecord, 1, s->linesFirst - 1);
    if (f >= st::USERCANCELED) return f;
  }
  FieldKeyState(*s, *r, r->state);
  return 0;
}

// --- Moves and fast find --------------------------------------------------------------

Status MovsMove(int command) {
  if (InLineArea()) return GridMove(command);
  const WinRecord* r = Record();
  if (r && r->state == kKeyStateSearch) return MovsFastFindRepeat();
  return 0;
}

Status MovsFastFind() {
  const StrAreaScope scope;
  StrValue ff = Trimmed(ScreenPropExpand(kPropFastFind, 0));
  if (Status e = StrError(ff)) return e;
  if (ff.len == 0) {
    InfoBox(Msg("0012"), Msg("0010"));
    return 0;
  }
  Status s = AcceptCommand(ff, kFastFindMode, kFastFindExit);
  return s == 0 ? 1 : s;
}

Status MovsSelectFirst(int file, int key, StrValue from, StrValue to, int mode, StrValue cond) {
  Status s = SelOpen(file, key, from, to, 1, mode, cond);
  if (s == 0) s = SelRowRead(file, kRecBoth, 0);
  if (s >= 1 && s <= dfres::kEnd) SoftShow(s);
  return s;
}

Status MovsFastFindRepeat() {
  const ScreenDesc* s = Screen();
  if (!s || !s->dataFile) return 0;
  FastFindList l = FastFindGet();
  {
    const StrAreaScope scope;
    StrValue form = DynStrGet(SystemTextList, kLastFormItem);
    StrValue ff = Trimmed(ScreenPropExpand(kPropFastFind, 0));
    if (form.IsError() || ff.IsError() || ff.len == 0 || StrTrim(form, 3).View() != ff.View()) return 0;
  }
  int file = s->dataFile;
  Status r = 0;
  {
    const StrAreaScope scope;
    // After the one shown; past the last the list begins again.
    r = SelOpen(file, l.key, StrFromView(l.shown), StrFromView(l.to), 1, kSelAfter, StrFromView(l.cond));
    if (r == dfres::kEnd && !l.shown.empty())
      r = SelOpen(file, l.key, StrFromView(l.from), StrFromView(l.to), 1, 0, StrFromView(l.cond));
    if (r == 0) r = SelRowRead(file, kRecBoth, 0);
  }
  if (r >= 1 && r <= dfres::kEnd) {
    SoftShow(r);
    return r;
  }
  if (r != 0) return r;
  l.shown = MovsFindShownKey(file, l.key);
  FastFindSet(l);
  return MovsFastFindShow();
}

Status MovsFastFindShow() {
  WinRecord* r = Record();
  const ScreenDesc* s = Screen();
  if (!Asserted(r != nullptr, "MovsFastFindShow") || !s) return st::INTERNALERROR;
  int before = s->linesFirst ? s->linesFirst - 1 : s->fieldCount;
  if (before > 0) {
    Status f = FieldsRefresh(kCheckInput, 1, before);
    if (f >= st::USERCANCELED) return f;
  }
  if ((r = Record()) == nullptr) return Fail(st::SCREENSTRUCTERR, "MovsFastFindShow");
  std::vector<uint16_t> keys = ScreenKeyFieldList(r->keyNum ? r->keyNum : 1);
  if (Status f = FieldsFetchPut(kRefreshRecord, keys); f >= st::USERCANCELED) return f;
  if (!keys.empty()) FieldSetCurrent(keys.back());
  if ((r = Record())) FieldKeyState(*s, *r, kKeyStateKeep);
  if (s->dataFile && SelCount(s->dataFile)) SelRelease(s->dataFile);
  return ScreenAction(ActionMake(kActNextField, 0));
}

// --- Loading ------------------------------------------------------------------------

Status MovsKeyRead() {
  WinRecord* r = Record();
  const ScreenDesc* s = Screen();
  LinsGridRec* grid = Grid();
  if (!r || !s || !grid || !s->dataFile) return Fail(st::SCREENSTRUCTERR, "MovsKeyRead");
  int file = s->dataFile;
  GridBuffer& g = grid->buffer;
  const StrAreaScope scope;
  StrValue prefix = MovsLineKey(kMovsPrefix);
  if (Status e = StrError(prefix)) return e;
  r->flags &= static_cast<uint16_t>(~(kMovsExisting | kMovsReadOnly));
  if (StrTrim(prefix, 3).len == 0) return dfres::kEnd;
  std::string key(prefix.View());
  if (Status ev = MovsEventRun(kMovsEvLoad); ev >= st::USERCANCELED) return ev;
  HeaderCopy typed;
  typed.Take(file);
  Status h = MovsHeaderRead(file, 0, StrFromView(key));
  if (h >= 128) return h;
  // A document stored without a header record: its first line stands in.
  if (h == dfres::kNotFound) {
    // The header's statements may have moved the record stack: looked up again.
    if ((r = Record()) == nullptr) return Fail(st::SCREENSTRUCTERR, "MovsKeyRead");
    Status first = DataFileReadKey(file, WinKey(*r), StrFromView(key), dfmove::kAlsoOn1);
    if (first >= 128) return first;
    if (first <= dfres::kNotFound && PrefixMatches(file, StrFromView(key))) h = 0;
  }
  if (h != 0) typed.Put(file);
  if ((r = Record()) == nullptr) return Fail(st::SCREENSTRUCTERR, "MovsKeyRead");
  if (h == dfres::kEnd) {
    Status f = FieldsRefresh(kRefreshFromCurrent, std::max<int>(r->curField, 1), -1);
    if (f >= st::USERCANCELED) return f;
  } else if (h < st::USERCANCELED && s->linesFirst) {
    // The header was looked up, found or not (a new document).
    VarIntSetBits(kSysDocSt, static_cast<uint16_t>(kDocStHeader), true);
    if (s->linesFirst > 1) {
      Status f = FieldsRefresh(kRefreshRecord, 1, s->linesFirst - 1);
      if (f >= st::USERCANCELED) return f;
    }
  }
  HeaderCopy header;
  header.Take(file);
  LineControlsDestroy();
  if (g.rows) GridReset(g);
  g.curRow = 1;
  Status load = 0;
  if (h == 0) {
    std::string first = MovsLineKey(1).Str();
    load = MovsLinesLoad(g, StrFromView(first), StrFromView(key));
    header.Put(file);
    if (load >= 128 && load != st::DATAOUTBOUND) return load;
  }
  g.curRow = 1;
  g.flags = kGridChanged;  // to be shown, not to be saved
  Status sum = MovsSummaryRefresh(kSummaryLoad);
  if (sum >= st::USERCANCELED) return sum;
  if ((r = Record()) == nullptr) return Fail(st::SCREENSTRUCTERR, "MovsKeyRead");
  if (h != 0) {
    // A new document: the file has no record of it yet, the one typed is new
    // (so it may be saved).
    if (DataFileCtrlBlock* c = DataFileCtrl(file)) c->lastStatus = dfres::kNewRecord;
    return 0;
  }
  VarIntSetBits(kSysDocSt, static_cast<uint16_t>(kDocStLoaded), true);
  VarIntSetBits(kSysScrStat, kScrStatGridNotify, true);
  r->flags |= kMovsMaintenance | kMovsExisting;
  {
    StrValue vm = Trimmed(ScreenProp(kPropVoidMode, 0));
    if (!vm.IsError() && vm.len && (ExpEvalInt(vm) & kVoidModeReadOnly)) r->flags |= kMovsReadOnly;
  }
  if (load == st::DATAOUTBOUND) {
    // More lines are stored than the grid holds: what shows cannot be
    // saved without losing the others.
    ErrShow(load);
    if ((r = Record())) r->flags |= kMovsReadOnly;
  }
  return 0;
}

Status MovsSummaryRefresh(int flags) {
  const ScreenDesc* s = Screen();
  if (!s) return Fail(st::SCREENSTRUCTERR, "MovsSummaryRefresh");
  if (flags & kSummaryFtClc) {
    const StrAreaScope scope;
    if (Status e = Run(ScreenPropExpand(kPropFtClc, 0)); e >= st::USERCANCELED) return e;
  }
  if (s->linesLast && s->linesLast < s->fieldCount) {
    Status f = FieldsRefresh(flags, s->linesLast + 1, -1);
    if (f >= st::USERCANCELED) return f;
  }
  if (flags & kSummaryFtClc) {
    const StrAreaScope scope;
    StrValue cond = ScreenProp(kPropAlarmLins, 2);
    if (Status e = StrError(cond)) return e;
    if (StrTrim(cond, 3).len) {
      Status c = CondCheck(cond);
      if (c != 0) {
        ErrShow(c);
        return c;
      }
    }
  }
  return 0;
}

// --- Saving, printing, deleting ----------------------------------------------------------

Status MovsSaveCmd() {
  WinRecord* r = Record();
  const ScreenDesc* s = Screen();
  LinsGridRec* grid = Grid();
  if (!r || !s || !grid) return Fail(st::SCREENSTRUCTERR, "MovsSaveCmd");
  int file = s->dataFile;
  ui::Hwnd top = WinTop();
  if (r->state == kWinStateLineArea) {
    Status c = MovsLinsControlLine(kLineEvStore);
    if (c != 0) return c;
  }
  GridBuffer& g = grid->buffer;
  if (g.mode == kGridNavigation) return 0;
  if ((r = Record()) == nullptr) return Fail(st::SCREENSTRUCTERR, "MovsSaveCmd");
  bool changed = DocumentChanged(g, file);
  if ((r->flags & kMovsReadOnly) && changed) {
    SoftShow(kSoftConcurrent);
    return kSoftConcurrent;
  }
  Status result = 0;
  if (changed) {
    if (g.rowCount == 0) {
      const StrAreaScope scope;
      InfoBox(Empty(), ErrCodeText(st::OUTOFDATA));
      return st::OUTOFDATA;
    }
    Status sum = MovsSummaryRefresh(kCheckRefresh);
    if (sum != 0) return sum;
    Status check = MovsEventRun(kMovsEvCheck);
    if (check != 0) return check;
    std::string prefix;
    {
      const StrAreaScope scope;
      prefix = MovsLineKey(kMovsPrefix).Str();
    }
    uint16_t row = g.curRow;
    // The save and its event's work (registry, payments) are one run: a
    // failure of either, or a kill, leaves the stored files as they were.
    RunJournalScope run(RunKind::kRecords);
    result = run.Begun();
    if (result == 0) result = MovsDocSave(g);
    if (result == 0) {
      Status ev = MovsEventRun(kMovsEvSave);
      if (ev >= st::USERCANCELED) {
        ErrShow(ev);
        result = ev;
      }
    }
    result = run.End(result);
    if (result != 0) {
      g.curRow = row;
      g.flags |= kGridLinesChanged;
    }
    if (result >= 1 && result <= 121) SoftShow(result);
    if (result != 0) {
      // The document stays as it was typed, its line ready for correction.
      if ((r = Record()) && r->state == kWinStateLineArea) MovsLinsControlLine(kMovsActLineAgain);
      return result;
    }
    // The document is saved: a print that fails is shown and changes nothing.
    Status p = 0;
    {
      const StrAreaScope scope;
      if (Status e = DataFileReadKey(file, 1, StrFromView(prefix), 0); e < 128 && PrefixMatches(file, StrFromView(prefix)))
        p = MovsPrintAfterSave(file);
    }
    if (p >= st::USERCANCELED) ErrShow(p);
  }
  Status c = MovsClear();
  if (c >= st::USERCANCELED) return c;
  return WinTop() != top ? 1 : result;
}

Status MovsPrintAfterSave(int file) {
  const WinRecord* r = Record();
  if (!r || !(r->flags & kMovsPrint) || !file) return 0;
  const StrAreaScope scope;
  StrValue doc = Trimmed(ScreenPropExpand(kPropDoc, 0));
  if (Status e = StrError(doc)) return e;
  if (doc.len == 0) return 0;
  StrValue prefix = MovsLineKey(kMovsPrefix);
  if (Status e = StrError(prefix)) return e;
  if (!PrefixMatches(file, prefix)) return 0;
  std::string limits = StrListItem(doc, ',', 2).Str() + "," + StrListItem(doc, ',', 3).Str();
  std::string range = prefix.Str() + "," + prefix.Str();
  int16_t compat = VarSysIntGet(kSysSysCompat);
  StrValue device = DevSelectCall(ScreenPropExpand(kPropDocSets, 0));
  Status s = 0;
  if (device.IsError()) s = StrError(device);
  else if (StrTrim(device, 3).len)
    s = ReportStartCall(device, StrListItem(doc, ',', 1), StrFromView(limits), Empty(), StrFromView(range), 0);
  VarSysIntSet(kSysSysCompat, compat);
  return s == st::USERCANCELED ? 0 : s;
}

Status MovsDeleteCmd() {
  const WinRecord* r = Record();
  if (!InLineArea() || !r || !(r->flags & kMovsExisting)) return st::OUTOFDATA;
  {
    const StrAreaScope scope;
    if (!MsgAsk(Msg("0025"))) return 0;
  }
  // The event's work (task 12 deletes the registry and payments) and the
  // document's records go together or not at all.
  RunJournalScope run(RunKind::kRecords);
  Status d = run.Begun();
  if (d == 0) d = MovsEventRun(kMovsEvDelete);
  if (d < st::USERCANCELED) d = MovsDocDeleteCurrent();
  if (Status e = run.End(d >= st::USERCANCELED ? d : 0); e >= st::USERCANCELED) return e;
  return MovsClear();
}

Status MovsClear() {
  WinRecord* r = Record();
  const ScreenDesc* s = Screen();
  LinsGridRec* grid = Grid();
  if (!r || !s || !grid) return Fail(st::SCREENSTRUCTERR, "MovsClear");
  {
    const StrAreaScope scope;
    if (Status e = Run(StrFromC("_#('CLS')")); e >= 128) return e;
  }
  if (s->dataFile && SelCount(s->dataFile)) SelRelease(s->dataFile);
  r->flags &= kMovsKeptOnClear;
  if (MovsBuffersReset() >= st::USERCANCELED) return st::SCREENSTRUCTERR;
  VarSysIntSet(kSysDocSt, 0);
  LineControlsDestroy();
  GridBuffer& g = grid->buffer;
  if (Status e = MovsKeyFieldsShow(&g); e >= st::USERCANCELED) return e;
  g.curRow = 1;
  g.flags = 0;
  GridViewClear(grid->slot);
  if ((r = Record()) == nullptr) return Fail(st::SCREENSTRUCTERR, "MovsClear");
  // The fields before the lines show their saved values (blank unless a
  // statement kept some there for the next document), with no check run.
  if (s->linesFirst > 1) {
    Status f = FieldsRefresh(kPutSaved, 1, s->linesFirst - 1);
    if (f >= st::USERCANCELED) return f;
  }
  if (s->linesLast && s->linesLast < s->fieldCount) {
    Status f = MovsKeyFieldsRefresh(s->linesLast + 1, s->fieldCount, 2);
    if (f >= st::USERCANCELED) return f;
  }
  Status set = ScreenSetRun(*s, 2);
  if (set >= 128) return set;
  if ((r = Record()) == nullptr) return Fail(st::SCREENSTRUCTERR, "MovsClear");
  FieldKeyState(*s, *r, kKeyStateSearch);
  return 0;
}

// --- Import ------------------------------------------------------------------------

Status ImportSpecLoad(int item) {
  const StrAreaScope scope;
  StrValue list = Trimmed(ScreenPropExpand(kPropLoadImport, 0));
  if (Status e = StrError(list)) return e;
  StrValue spec = StrTrim(StrListItem(list, ',', static_cast<uint32_t>(std::max(item, 0))), 3);
  if (item < 1 || spec.len == 0) return 0;
  spec = StrUnquote(spec);
  StrValue name = StrTrim(StrListItem(spec, ';', 1), 3);
  int16_t tag = StrListItemInt(spec, ';', 2);
  Status s = ParmStrPush(FileTypeName(name, 1), kTaggedLines, tag > 0 ? tag : 1);
  if (s == st::NOTFOUND) return Fail(st::FILENOTFOUND, "LOAD_IMPORT$: " + name.Str());
  return s ? s : 1;
}

Status MovsImport() {
  if (!InLineArea()) return st::OUTOFDATA;
  LinsGridRec* grid = Grid();
  if (!grid) return Fail(st::SCREENSTRUCTERR, "MovsImport");
  int choice = 1;
  {
    const StrAreaScope scope;
    StrValue menu = Trimmed(ScreenPropExpand(kPropMnuImport, 0));
    if (Status e = StrError(menu)) return e;
    if (menu.len) choice = PopupMenuTrack(WinTop(), StrUnquote(menu), nullptr);
  }
  if (choice == 0) return 0;
  ParmPop pop;
  Status loaded = ImportSpecLoad(choice);
  if (loaded != 1) return loaded >= st::USERCANCELED ? loaded : 0;
  pop.pushed = true;
  {
    const StrAreaScope scope;
    StrValue bounds = Trimmed(ParmValueByNum(kPropAcBound));
    if (!bounds.IsError() && bounds.len) {
      AcceptResult form = AcceptForm(Msg("0058"), bounds);
      if (form.status == st::USERCANCELED) return 0;
      if (form.status) return form.status;
    }
  }
  uint32_t rows = 0;
  Status s = MovsImportRun(&rows);
  if (s >= st::USERCANCELED) return s;
  int level = MovsWinGrid();
  if (rows && level >= 0) {
    grid = LinsGridGet(level);
    grid->buffer.flags |= kGridChanged | kGridLinesChanged;
    if (Status e = LinsGridReload(level)) return e;
  }
  return 1;
}

Status MovsImportRun(uint32_t* rows) {
  *rows = 0;
  const ScreenDesc* s = Screen();
  LinsGridRec* grid = Grid();
  if (!s || !grid || !s->dataFile) return Fail(st::SCREENSTRUCTERR, "MovsImportRun");
  int file = s->dataFile;
  HeaderCopy kept;
  kept.Take(file);
  const StrAreaScope scope;
  AppendLoopSpec spec;
  spec.start = ParmValueByNum(kParmSet);
  spec.row = ParmValueByNum(kPropRdCond);
  spec.write = ParmValueByNum(kPropWrExp);
  spec.until = ParmValueByNum(kPropEotExp);
  spec.list = Empty();
  spec.insert = false;
  spec.perRow = MovsLineReadHook;
  spec.step = ImportStep;
  // The lines go after the last one.
  GridBuffer& g = grid->buffer;
  g.curRow = static_cast<uint16_t>(g.rowCount + 1);
  Status s0 = 0;
  if (StrTrim(spec.start, 3).len) {
    s0 = Run(spec.start);
    spec.start = Empty();
  }
  g_importRows = 0;
  ProgressOpen(0, 0);
  Status r = s0 ? s0 : DataFileAppendLoop(file, spec, rows);
  ProgressClose();
  kept.Put(file);
  if (const DataFileCtrlBlock* c = DataFileCtrl(file); c && c->relBase != -1)
    VarIntSetBits(kSysUpStat, 1, true);
  if (LinsGridRec* now = Grid()) now->buffer.curRow = 1;
  return r;
}

Status MovsAutoImport() {
  if (VarIntTestBits(kSysScrStat, kScrStatGridNotify)) return 0;
  const ScreenDesc* s = Screen();
  if (!s || !s->dataFile) return 0;
  int item = 0;
  {
    const StrAreaScope scope;
    StrValue a = Trimmed(ScreenPropExpand(kPropAutoImport, 0));
    if (!a.IsError() && a.len) item = ExpEvalInt(a);
  }
  if (item > 0) {
    ParmPop pop;
    Status loaded = ImportSpecLoad(item);
    if (loaded > 128) return loaded;
    if (loaded == 1) {
      pop.pushed = true;
      const DataFileCtrlBlock* c = DataFileCtrl(s->dataFile);
      uint16_t last = c ? c->lastStatus : 0;
      uint32_t rows = 0;
      Status r = MovsImportRun(&rows);
      if (DataFileCtrlBlock* now = DataFileCtrl(s->dataFile)) now->lastStatus = last;
      if (LinsGridRec* grid = Grid(); grid && rows) grid->buffer.flags |= kGridChanged | kGridLinesChanged;
      if (r > 128) return r;
    }
  }
  VarIntSetBits(kSysScrStat, kScrStatGridNotify, true);
  return 0;
}

// --- Events, titles, key fields ---------------------------------------------------------------

// The application's numbered task of a document event: ACCEPT_PRC% of the
// screen, looked up under the event's name first, so that a definition can
// give each moment of a document its own task (the administration program's
// document actions at CHECK, SAVE and DELETE; the accounting entry window's
// handler at INIT). The task sees the event in _AUX as a procedure does,
// and the window's definition as the current object parameters.
// 0 when the screen names none.
static Status MovsEventTask(int event) {
  StrValue prc = Trimmed(ScreenProp(kPropAcceptPrc, 0));
  if (prc.IsError()) return StrError(prc);
  if (!prc.len) return 0;
  int16_t n = ExpEvalInt(prc);
  if (n == 0) return 0;
  TaskFn task = TaskHookGet(n);
  if (!task) return Fail(st::BADINPUTDATA, "ACCEPT_PRC%");
  return ScreenTaskRun(task, event);
}

Status MovsEventRun(int event) {
  std::string saved;
  {
    const StrAreaScope scope;
    saved = ParmEventSave().Str();
  }
  Status answer = 0;
  {
    const StrAreaScope scope;
    ParmEventSet(event, StrFromC(kMovsEvents));
    StrValue prc = Trimmed(ScreenPropExpand(kPropPrcName, 0));
    if (prc.IsError()) answer = StrError(prc);
    else if (prc.len) {
      // USR_COND$ false (126) runs nothing; an error in it is the answer.
      Status c = CondCheck(ScreenProp(kPropUsrCond, 0));
      if (c == 0) {
        PrcCallFn hook = TaskHookGetAs<PrcCallFn>(kHookPrcCall);
        answer = hook ? hook(Empty(), prc, 0) : PrcCall(Empty(), prc, 0);
      } else if (c != st::BADUSERDATA) {
        answer = c;
      }
    }
    if (answer < st::USERCANCELED) {
      Status task = MovsEventTask(event);
      if (task != 0) answer = task;
    }
  }
  ParmEventRestore(StrFromView(saved));
  return answer;
}

Status MovsAfterAction(Status result) {
  if (result != 0 && result != 1) return result;
  const WinRecord* r = Record();
  int level = MovsWinGrid();
  if (!r || level < 0) return result;
  LinsGridRec* grid = LinsGridGet(level);
  ui::Hwnd top = WinTop();
  {
    const StrAreaScope scope;
    if (ui::get_dlg_item(top, kIdBottomField1)) CtlTextSet(top, kIdBottomField1, GridRowCaption(grid->buffer, kRowCaptionCols));
  }
  if (Status e = LinsGridReload(level)) return e;
  const StrAreaScope scope;
  if (Status e = MantTitleSet(kKeyStateKeep, MovsModeText()); e >= st::USERCANCELED) return e;
  return kActAskChooser;
}

StrValue MovsModeText() {
  const WinRecord* r = Record();
  const LinsGridRec* grid = Grid();
  uint16_t mark = StrAreaMark(-1);
  std::string text;
  if (r && grid) {
    StrValue words = Msg("0027");
    auto word = [&](uint32_t n) { return StrListItem(words, ',', n).Str(); };
    if (grid->buffer.mode == kGridDocument) {
      bool existing = r->flags & kMovsExisting;
      text = existing ? word((r->flags & kMovsReadOnly) ? kWordReadOnly : kWordModify) : word(kWordNew);
      text += '/';
      text += word((r->flags & kMovsPrint) ? kWordPrintOn : kWordPrintOff);
    } else if (grid->buffer.mode == kGridNavigation) {
      text = word((r->flags & kMovsMaintenance) ? kWordMaintenanceMode : kWordInsertMode);
    }
  }
  return StrAreaReturn(mark, StrFromView(text));
}

Status MovsKeyFieldsRefresh(int from, int to, int mode) {
  const ScreenDesc* s = Screen();
  if (!s || from < 1 || from > s->fieldCount) return 0;
  to = std::min<int>(to < 0 ? s->fieldCount : to, s->fieldCount);
  Status f = FieldsRefresh(kPutRaw, from, to);
  if (f >= st::USERCANCELED) return f;
  std::vector<uint16_t> keys = ScreenKeyFieldList(1);
  std::vector<uint16_t> inside;
  for (uint16_t n : keys)
    if (n >= from && n <= to) inside.push_back(n);
  if (Status e = FieldsFetchPut(kKeyFieldPut, inside); e >= st::USERCANCELED) return e;
  if (mode == 1) FieldSetCurrent(static_cast<uint16_t>(from));
  if (mode == 2) {
    int after = keys.empty() ? from : *std::max_element(keys.begin(), keys.end()) + 1;
    if (after >= 1 && after <= s->fieldCount) FieldSetCurrent(static_cast<uint16_t>(after));
  }
  return 0;
}

Status MovsBuffersReset() {
  // The records other windows show stay as they are: a window below this
  // one would otherwise save blanks over its record.
  std::vector<bool> shown(kMaxDataFiles + 1, false);
  for (int i = 0; i < ScreenStackIndex(3); ++i)
    if (const WinRecord* w = WinGet(i); w && i != ScreenStackIndex(2) && w->dataFile <= kMaxDataFiles)
      shown[w->dataFile] = true;
  for (int f = 1; f <= kMaxDataFiles; ++f)
    if (!shown[f] && DataFileCtrl(f) && RecBuf(f, kRecCurrent).len) RecBufClear(f, 0);
  WinRecord* r = Record();
  const ScreenDesc* s = Screen();
  if (r && s) FieldKeyState(*s, *r, kKeyStateKeep);
  return 0;
}

std::string MovsFindShownKey(int file, int key) {
  const StrAreaScope scope;
  const WinRecord* r = Record();
  // On the document's own key the lines share the prefix, not the key.
  if (r && key == WinKey(*r)) return MovsLineKey(kMovsPrefix).Str();
  return KeyValueCur(file, key).Str();
}
