// Entry-line ordering and the navigation window: the lines of an entry,
// one record of the entry-lines file each, edited in a lines grid that pages
// through the file, their order numbers kept 1 to n (screens/documents/navorder.h).
//
// Window record (screens/window/screendef.h): state below 3 the index area, 4 the
// line area; flags 2 maintenance mode (lines are changed in place; outside
// it lines are added), 8 a new line is pending (inserted, not stored yet).
#include <string>

#include "apps/accounting/tasks.h"
#include "data/store/datafile.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "data/dictionary/relations.h"
#include "data/scans/selection.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/window/controls.h"
#include "screens/datascreens/datascreen.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "screens/documents/docwin.h"
#include "screens/window/fieldctl.h"
#include "screens/documents/filewinopen.h"
#include "screens/documents/movswin.h"
#include "screens/window/geometry.h"
#include "screens/grids/gridbuf.h"
#include "screens/grids/linsgrid.h"
#include "screens/forms/msgbox.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/documents/navorder.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "script/builtins.h"
#include "script/evaluator.h"
#include "script/taskhooks.h"

Status NavAction(uint16_t code);
Status NavActionWin(uint16_t code);
Status NavLineInsert();
Status NavLineDelete();
Status NavLinesSave();
Status NavLinesDeleteKey(StrValue key, StrValue columns, StrValue rule);

namespace {

constexpr uint16_t kWinMaintenance = 2;  // WinRecord::flags
constexpr uint16_t kWinNewLine = 8;
constexpr uint8_t kStateIndexEnd = 3;    // states below: the index area
constexpr uint16_t kTraceConcurrent = 128;  // `_TRACE`: check the key against the saved copy
constexpr uint16_t kScrStatSaved = 32;

ScreenDesc* Screen() { return ScreenGet(kCurrentIndex); }
WinRecord* Record() { return WinGet(kCurrentIndex); }
int File() {
  const ScreenDesc* s = Screen();
  return s ? s->dataFile : 0;
}
bool Asserted(bool flag, const char* name) {
  const StrAreaScope scope;
  return !AssertCheck(flag, StrFromC(name)).IsError() && flag;
}
GridBuffer* Grid() {
  LinsGridRec* g = LinsGridGet(MovsWinGrid());
  return MovsWinGrid() >= 0 && g ? &g->buffer : nullptr;
}
bool InLineArea(const WinRecord& r) { return r.state == kWinStateLineArea; }
// A window without a current record (state bit 8, an empty file) is in the
// index area as well.
bool InIndexArea(const WinRecord& r) { return (r.state & ~kKeyStateNoRecord) < kStateIndexEnd; }
bool Maintenance(const WinRecord& r) { return (r.flags & kWinMaintenance) != 0; }

// Item n of a message as a warning box.
void Warn(const char* msg, uint32_t item) {
  const StrAreaScope scope;
  MsgBox(StrListItem(Msg(msg), ',', item), StrMake("", 0), kBoxWarning);
}

std::string CurrentKey(int file) {
  const StrAreaScope scope;
  return KeyValueCur(file, 1).Str();
}

std::string SavedKey(int file) {
  const StrAreaScope scope;
  return KeyValueOf(file, 1, RecBuf(file, kRecSaved)).Str();
}

Status Statement(StrValue text) {
  if (Status e = StrError(text)) return e;
  if (StrTrim(text, 3).len == 0) return 0;
  Status s = ExpEvalStatus(text);
  return s >= st::USERCANCELED ? s : 0;
}

// The after-action step of the document windows (row caption, grid reload,
// title with the mode words); the action's own answer is kept.
Status AfterAction(Status s) {
  Status after = MovsAfterAction(s);
  return after == kActAskChooser ? s : after;
}

// The built-in's work: SVE, INS, DEL, or the order column.
Status FitEntry(const std::string& arg, int64_t* result) {
  WinRecord* r = Record();
  GridBuffer* g = Grid();
  int grid = MovsWinGrid();
  if (!r || !g) {
    ErrDetailSet(st::SCREENSTRUCTERR, StrFromC("AcFitEntry"), false);
    return ErrSet(1, MOD_SCREENS, st::SCREENSTRUCTERR, st::SCREENSTRUCTERR);
  }
  int file = File();
  int command = 0;
  {
    const StrAreaScope scope;
    command = NavCmdIndex(StrFromView(arg), StrFromC(kNavCommands));
  }
  int32_t lines = 0;
  Status s = 0;
  switch (command) {
    case kNavSve:
      // A pending new line makes its room as it is stored: the lines from
      // its number on move up by one.
      s = _navsOrderNumSve(grid, result);
      if (s == 0 && (r->flags & kWinNewLine)) s = NavsOrderFit(+1, grid, CurrentKey(file), &lines);
      return s;
    case kNavIns:
      // Nothing moves while the new line is only pending: its save makes the
      // room (above), so an insert abandoned in any way (its Delete, the
      // window closed, the program ended) leaves the entry's lines numbered
      // as they were.
      *result = 0;
      return 0;
    case kNavDel:
      if (r->flags & kWinNewLine) {
        r->flags &= static_cast<uint16_t>(~kWinNewLine);
        return 0;
      }
      s = NavsOrderFit(-1, grid, CurrentKey(file), &lines);
      *result = lines;
      return s;
    default: break;
  }
  std::string t = arg.substr(0, arg.find_last_not_of(' ') + 1);
  t = t.substr(std::min(t.size(), t.find_first_not_of(' ')));
  int64_t column = 0;
  bool digits = !t.empty() && t.size() < 6;
  for (char c : t) digits = digits && c >= '0' && c <= '9';
  if (digits) column = std::stoll(t);
  if (column <= 0 || column > g->cols) {
    std::string detail = "AcFitEntry: " + arg;
    ErrDetailSet(st::SINTAXERROR, StrFromView(detail), false);
    return ErrSet(1, MOD_SCREENS, st::SINTAXERROR, st::SINTAXERROR);
  }
  *result = column;
  return NavsOrderSetKey(static_cast<int>(column));
}

}  // namespace

Status AcBiFitEntry(const uint16_t* kinds, uint16_t count) {
  if (Status s = BuiltinArgCount(1, 1)) return s;
  if (count < 1 || kinds[0] != kArgKindStr) return st::TYPEMISMATCH;
  std::string arg;
  {
    const StrAreaScope scope;
    StrValue v = BuiltinArgStr(1, StrMake("", 0));
    if (Status e = StrError(v)) return e;
    arg = v.Str();
  }
  int64_t result = 0;
  if (Status s = FitEntry(arg, &result)) return s;
  return BuiltinResultInt(result);
}

// --- The window's commands ---------------------------------------------------------------

Status NavLineInsert() {
  WinRecord* r = Record();
  if (!r) return st::SCREENSTRUCTERR;
  // The line being left is stored first, as what it is: only the row the
  // insert adds is the new line (flag 8), which makes its room when stored.
  Status s = MovsLinsControlLine(kLineEvStore);
  if (s >= 128) return s;
  if (s != 0 && s != st::OUTOFDATA) return 0;  // the line left could not be stored: it stays
  if ((r = Record()) == nullptr) return st::SCREENSTRUCTERR;
  r->flags |= kWinNewLine;
  s = MovsLinsInsert();
  if (s >= 128) return s;
  VarSysIntSet(kSysIer, 2);
  return 0;
}

Status NavLineDelete() {
  WinRecord* r = Record();
  ScreenDesc* sc = Screen();
  GridBuffer* g = Grid();
  if (!r || !sc || !g) return st::SCREENSTRUCTERR;
  int file = sc->dataFile;
  if (!(r->flags & kWinNewLine) && g->curRow >= 1 && g->curRow <= g->rowCount) {
    Status s = MovsLineRead(file, MovsWinGrid());
    if (s >= 128) return s;
    if (s == 0) {
      const StrAreaScope scope;
      // The deleted line stays the current record: the rules of LNDEL$
      // close the gap from its key.
      std::string image = RecBuf(file, kRecCurrent).Str();
      StrValue rel = RelExprGet(ScreenSliceText(*sc, sc->relOpt), sc->relLevel);
      s = DataFileAction(dfact::kDelete, file, rel, ScreenSliceText(*sc, sc->ik1));
      if (s > st::INDEXCMDERROR) return s;
      RecBufSet(file, kRecCurrent, StrMake(image.data(), static_cast<uint32_t>(image.size())));
    }
  }
  Status s = MovsLinsDelete(MovsWinGrid(), true);
  r->flags &= static_cast<uint16_t>(~kWinNewLine);
  if (s >= 128) return s;
  if (g->rowCount == 0) {
    if (Maintenance(*r)) {
      // One blank row stays to type a line into.
      if ((s = MovsLinsControlLine(kLineEvShow)) >= 128) return s;
    } else {
      RecBufCopy(file, 2);  // the current record back to its saved copy
      return st::USERCANCELED;
    }
  }
  if ((s = MovsLinesFlushRefresh(MovsWinGrid())) >= 128) return s;
  RecBufCopy(file, 1);
  if ((s = Statement(ScreenProp(kPropLnDel, 3))) != 0) return s;
  return FieldAssignList(ScreenProp(kPropFldUpdate, 0));
}

Status NavLinesSave() {
  WinRecord* r = Record();
  GridBuffer* g = Grid();
  if (!r || !g) return st::SCREENSTRUCTERR;
  if (g->curRow < 1) g->curRow = 1;
  if (!Maintenance(*r)) {
    VarSysIntSet(kSysScrStat, static_cast<int16_t>(VarSysIntGet(kSysScrStat) | kScrStatSaved));
    return 0;
  }
  int file = File();
  Status s = MovsLineRead(file, MovsWinGrid());
  // A key found twice is repaired once and read again. The store takes a
  // repeated key of a file with line numbers without a word, so a line found
  // (0) is checked as well as a refused one (6, 144).
  if (s == 0 || s == dfres::kRepeatedKey || s == st::INDEXCMDERROR) {
    Status u = NavsOrderUnique(file);
    if (u != 0) return u;
    if (s != 0) s = MovsLineRead(file, MovsWinGrid());
  }
  VarSysIntSet(kSysScrStat, static_cast<int16_t>(VarSysIntGet(kSysScrStat) | kScrStatSaved));
  return s;
}

Status NavLinesDeleteKey(StrValue key, StrValue columns, StrValue rule) {
  GridBuffer* g = Grid();
  if (!g) return st::SCREENSTRUCTERR;
  if (Status s = GridRowFindAll(*g, key, columns, rule)) return s;
  if (g->mode != kGridNavigation) return 0;
  int file = File();
  if (Status s = SelDeleteAll(file, 1, key, StrMake("", 0))) return s;
  return MovsLinesFlushRefresh(MovsWinGrid());
}

Status NavAction(uint16_t code) {
  WinRecord* r = Record();
  if (!Asserted(r != nullptr, "NavAction") || !Asserted(Grid() != nullptr, "NavAction")) return st::INTERNALERROR;
  GridBuffer& g = *Grid();
  switch (ActionKindOf(code)) {
    case kActToEntry: {
      Status s = MovsLinsControlLine(kLineEvStore);
      if (s >= 128) return s;
      r->state = 2;
      return MovsClear();
    }
    case kActNavigate:
      switch (ActionParamOf(code)) {
        case kNavIns:
          if (Maintenance(*r) || g.rowCount < g.maxRows) return NavLineInsert();
          Warn("0038", 1);
          return 0;
        case kNavDel: {
          if (r->flags & kWinNewLine) return NavLineDelete();
          int answer = 0;
          {
            const StrAreaScope scope;
            answer = MsgAskCancel(Msg("0025"));
          }
          if (answer == kBoxCancelled) return MovsAction(ActionMake(kActCancel, 0));
          return answer == 1 ? NavLineDelete() : 0;
        }
        case kNavMde:
          if (InIndexArea(*r)) {
            r->flags ^= kWinMaintenance;
            return 0;
          }
          Warn("0037", 1);
          return 0;
        default: return MovsAction(code);
      }
    case 41: {
      // Coming from the key fields (the grid is empty): the key is looked up
      // and the grid loaded from it first; then the current row's line read.
      Status s = 0;
      if (g.rowCount == 0 && (s = MovsAction(code)) >= 128) return s;
      s = NavLinesSave();
      if (s >= 128) return s;
      if (ScreenDesc* sc = Screen()) FieldKeyState(*sc, *r, kKeyStateKeep);
      return s;
    }
    default: return MovsAction(code);
  }
}

Status NavActionWin(uint16_t code) {
  WinRecord* r = Record();
  if (!Asserted(r != nullptr, "NavActionWin")) return st::INTERNALERROR;
  int file = File();
  uint8_t kind = ActionKindOf(code);
  // In the key fields the document handler looks the key up and loads its
  // lines; only the navigation commands are the window's own there.
  if (InIndexArea(*r) && kind != kActNavigate) return MovsActionWin(code);
  GridBuffer* g = Grid();
  bool changed = file && RecBufChanged(file) == 1;
  Status s = 0;
  switch (kind) {
    case kActCancel:
      if (InLineArea(*r) && VarSysIntGet(kSysIer) == 0 && changed) s = MovsLinsControlLine(kLineEvStore);
      else s = MovsActionWin(code);
      break;
    case kActLineUp:
      if (!Maintenance(*r) && g && g->curRow <= 1) {
        Warn("0038", 1);
        break;
      }
      [[fallthrough]];
    case kActLineDown:
    case kLineEvShow: {
      if (kind == kLineEvShow) {
        // Entering the lines loads them from the key first.
        if (MovsWinGrid() >= 0 && (s = LinsGridReload(MovsWinGrid())) >= 128) break;
        changed = file && RecBufChanged(file) == 1;
        if (Maintenance(*r) && changed) Warn("0038", 2);
      }
      if (kind != kLineEvShow && (VarSysIntGet(kSysTrace) & kTraceConcurrent) && InLineArea(*r) &&
          VarSysIntGet(kSysIer) == 0 && CurrentKey(file) != SavedKey(file)) {
        const StrAreaScope scope;
        ErrDetailSet(st::FEATUREREMOVED, StrListItem(Msg("0023"), ',', 7), false);
        return AfterAction(ErrSet(1, MOD_SCREENS, st::FEATUREREMOVED, st::FEATUREREMOVED));
      }
      int16_t last = VarSysIntGet(kSysLastKey);
      if (InLineArea(*r) && last != 0 && last != 32 && changed && kind != kLineEvShow) {
        const StrAreaScope scope;
        MsgAsk(StrListItem(Msg("0023"), ',', 8));
      }
      if (InLineArea(*r) || kind == kLineEvShow) s = MovsLinsControlLine(kind);
      else s = NavAction(code);
      if (s == st::INDEXCMDERROR || s == dfres::kRepeatedKey) {
        s = NavsOrderUnique(file);
        if (s == 0) s = NavLinesSave();
        if (s == 0) s = MovsLinsControlLine(kLineEvShow);
      }
      break;
    }
    case kActFocusIn:
    case kActFirstFocus: s = MovsActionWin(code); break;
    default:
      s = ScreenActionWinDefault(code);
      if (s == st::BADINPUTDATA) s = NavAction(code);
      break;
  }
  return AfterAction(s);
}

// The navigation window opens in maintenance mode.
static Status MaintenanceOn() { return NavAction(ActionMake(kActNavigate, kNavMde)); }

Status LnNavMain(StrValue spec) {
  return MovsFileWinOpen(spec, kWinKindMant, NavActionWin, MaintenanceOn, "LnNavMain");
}
