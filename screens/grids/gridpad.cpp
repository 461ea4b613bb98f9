#include "screens/grids/gridpad.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/forms/acceptlist.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/window/controls.h"
#include "screens/documents/docengine.h"
#include "screens/documents/docgrid.h"
#include "screens/grids/gridrowgo.h"
#include "screens/grids/gridview.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/popup.h"
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"
#include "script/taskhooks.h"

namespace {

// The popup of a right click on a row, and the row event of each choice.
constexpr char kRowPopupMsg[] = "0026";  // View,Insert,Delete,Seek
constexpr int kGridEvView = kGridEvEnter;  // 101
constexpr int kGridEvDelete = kGridEvF8;  // 106
constexpr int kGridEvInsert = kGridEvF9;  // 107
constexpr int kGridEvSeek = 109;
constexpr int kRowPopupEvents[] = {kGridEvView, kGridEvInsert, kGridEvDelete, kGridEvSeek};

// What a pad keeps for its grid level: the task hook 2 it replaced.
struct PadRec {
  bool open = false;
  HookEntry savedHook;
};
std::array<PadRec, kLinsGridLevels> g_pads;

Status Fail(Status code, const std::string& detail) {
  ErrDetailSet(code, StrFromView(detail), false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

// The current record, or the assertion of the handler's name.
WinRecord* Asserted(const char* name) {
  WinRecord* r = WinGet(kCurrentIndex);
  if (AssertCheck(r != nullptr, StrFromC(name)).IsError()) return nullptr;
  return r;
}

const ScreenDesc* Screen() { return ScreenGet(kCurrentIndex); }

// The pad's grid: the current record's.
int PadGrid() { return MovsWinGrid(); }

// After an answer of 0: a changed grid shown again.
void Reload() {
  int grid = PadGrid();
  if (grid < 0) return;
  if (Status e = LinsGridReload(grid)) ErrShow(e);
}

// The current field's control gets the focus.
void FocusCurrent() {
  const ScreenDesc* s = Screen();
  WinRecord* r = WinGet(kCurrentIndex);
  if (!s || !r || r->curField < 1 || r->curField > s->fieldCount) return;
  if (ui::Hwnd h = s->fields[r->curField - 1].control; ui::is_window(h)) ui::set_focus(h);
}

// The popup opens below the current field's control (at the cursor without
// one).
uint32_t BelowCurrentField() {
  const ScreenDesc* s = Screen();
  WinRecord* r = WinGet(kCurrentIndex);
  if (s && r && r->curField >= 1 && r->curField <= s->fieldCount) {
    ui::Hwnd h = s->fields[r->curField - 1].control;
    if (ui::is_window(h)) {
      ui::Rect rect = ui::get_window_rect(h);
      auto part = [](int32_t v) { return static_cast<uint32_t>(std::clamp<int32_t>(v, 0, 0xFFFF)); };
      return part(rect.left) << 16 | part(rect.bottom);
    }
  }
  return CursorPos();
}

// The selected row of the pad's list view, counted from 1; 0 when none.
int32_t SelectedRow(int grid) {
  uint16_t row = GridViewCurRow(LinsGridHandle(grid));
  return row == 0xFFFF ? 0 : row + 1;
}

// Shows the selected row for editing: the row being edited stored first, so
// what was typed in it is kept.
Status ViewRow(int grid) {
  int32_t row = SelectedRow(grid);
  if (row == 0) return 0;
  if (Status e = MovsLinsControlLine(kLineEvStore)) return e;
  LinsGridRec* g = LinsGridGet(grid);
  if (!g) return 0;
  g->buffer.curRow = static_cast<uint16_t>(row);
  VarSysIntSet(kSysLNum, static_cast<int16_t>(row));
  return MovsLinsControlLine(kLineEvShowAgain);
}

// The selected row becomes current (the row being edited stored first) and
// the window enters the line area.
Status FocusRow(int grid) {
  WinRecord* r = WinGet(kCurrentIndex);
  int32_t row = SelectedRow(grid);
  if (row != 0 && LinsGridGet(grid) && row != LinsGridGet(grid)->buffer.curRow) {
    if (Status e = MovsLinsControlLine(kLineEvStore)) return e;
    LinsGridGet(grid)->buffer.curRow = static_cast<uint16_t>(row);
    VarSysIntSet(kSysLNum, static_cast<int16_t>(row));
  }
  if ((r = WinGet(kCurrentIndex))) r->state = kWinStateLineArea;
  return 0;
}

// Stores the row being edited; when it could be stored, confirms the screen
// (ON_CONFIRM$ and the exit handler).
Status WriteAndConfirm() {
  if (Status e = MovsLinsControlLine(kLineEvStore)) return e;
  return ScreenConfirm(kActionConfirm);
}

Status PadDefault(uint16_t code) {
  Status s = ScreenActionWinDefault(code);
  if (s != st::BADINPUTDATA) return s;
  s = FieldActionDefault(code, WinCurrent());
  if (s == kActConfirmed) return WriteAndConfirm();
  if (s == st::BADINPUTDATA) return 0;
  if (s == 0 && VarIntTestBits(kSysScrStat, kScrStatWrapped)) {
    // The step went round the row: on to the next row from its last field,
    // back to the previous one from its first.
    VarIntSetBits(kSysScrStat, kScrStatWrapped, false);
    FocusCurrent();
    const ScreenDesc* sc = Screen();
    const WinRecord* r = WinGet(kCurrentIndex);
    bool first = sc && r && r->curField == sc->linesFirst;
    return LinsGridPadActionWin(first ? kActLineDown : kActLineUp);
  }
  return s;
}

}  // namespace

Status LinsGridPadCreate(StrValue title, StrValue list, int32_t rows, int32_t maxRows, ExitHandler onExit,
                         LinsGridCallback rowHandler) {
  if (Status e = StrError(list)) return e;
  if (Status e = AcceptWinSelect(list, kAcceptGridPad)) return e;
  const StrAreaScope scope;
  const ScreenDesc* s = Screen();
  if (!s || !s->linesFirst) {
    WinClose(kCurrentIndex);
    return Fail(st::SCREENSTRUCTERR, "LinsGridPadCreate: the form has no fields");
  }
  // Titles: the prompts; the assignment list: blanks as wide as each field.
  StrValue specs = AcceptListSpecs(list);
  std::string titles, blanks;
  for (uint16_t n = s->linesFirst; n <= s->linesLast; ++n) {
    if (n > s->linesFirst) {
      titles += ',';
      blanks += ',';
    }
    titles += StrTrim(AcceptPrompt(specs, n), 3).Str();
    blanks += '\'' + std::string(s->fields[n - 1].length, ' ') + '\'';
  }
  Status level = LinsGridCreate(title, StrFromView(titles), StrFromView(blanks), std::max<int32_t>(rows, 1),
                                maxRows, kGridPadFlags, rowHandler ? rowHandler : LinsGridPadAction);
  if (level == kLinsNoGrid || level >= kLinsGridLevels) {
    ErrorKeeper kept;
    WinClose(kCurrentIndex);
    kept.Restore();
    return level == kLinsNoGrid ? Fail(st::DATAOUTBOUND, "LinsGridPadCreate: no grid level free") : level;
  }
  WinRecord* r = Asserted("LinsGridPadCreate");
  if (!r) {
    LinsGridClose(level);
    return st::INTERNALERROR;
  }
  LinsGridRec* g = LinsGridGet(level);
  // The grid is the record's lines grid: the line handlers find it there.
  g->flags |= kLinsDocument;
  r->window = WinTop();
  r->gridIndex = static_cast<uint16_t>(level);
  WinRegister(r->window, static_cast<uint16_t>(ScreenStackIndex(2)));
  // The confirm of the pad (25 with 100) is its Ok button's: it stands in
  // the rows the grid's window keeps under the list view.
  if (!OkButtonAdd(r->window)) {
    LinsGridPadClose(level);
    return Fail(st::WINCONTROLERROR, "LinsGridPadCreate: Ok button");
  }
  ScreenActionSet(LinsGridPadActionWin, nullptr, onExit);
  g_pads[static_cast<size_t>(level)] = PadRec{true, GridTextHookTake()};

  // Every cell of the rows shown empty, row 1 current, the first row selected.
  int slot = g->slot;
  StrValue empty = StrMake("", 0);
  for (int32_t row = 0; row < g->visibleRows; ++row)
    for (int col = 0; col < static_cast<int>(g->columns.size()); ++col) GridViewSetItem(slot, row, col, empty);
  g->buffer.curRow = 1;
  VarSysIntSet(kSysLNum, 1);
  GridViewSelect(slot, 0, true);
  return level;
}

Status LinsGridPadClose(int grid) {
  int level = grid < 0 ? LinsGridLevel() : grid;
  if (!LinsGridGet(level)) return Fail(st::SCREENSTRUCTERR, "LinsGridPadClose");
  PadRec& pad = g_pads[static_cast<size_t>(level)];
  if (pad.open) GridTextHookGive(pad.savedHook);
  pad = PadRec{};
  // The record first: the grid's window goes with the grid, and nothing
  // that its destruction runs should find the pad's record.
  Status s = 0;
  const WinRecord* r = WinGet(kCurrentIndex);
  if (r && r->gridIndex == level && r->window == LinsGridGet(level)->window) s = WinClose(kCurrentIndex);
  LinsGridClose(level);
  return s;
}

Status LinsGridPadActionWin(uint16_t code) {
  WinRecord* r = Asserted("_linsGridPadActionWin");
  if (!r) return st::INTERNALERROR;
  uint8_t kind = ActionKindOf(code), param = ActionParamOf(code);
  Status s = 0;
  switch (kind) {
    case kActCancel: return kActCloseBit;
    case kActNavigate:
      switch (param) {
        case kNavPrv: s = MovsLinsControlLine(kLineEvUp); break;
        case kNavNxt: s = MovsLinsControlLine(kLineEvDown); break;
        case kNavIns: s = MovsLinsInsert(); break;
        case kNavDel: s = MovsLinsDelete(-1, false); break;
        case kNavConfirm: s = WriteAndConfirm(); break;
        default: s = PadDefault(code); break;
      }
      break;
    case kActCloseRequest: {
      Status c = LinsGridPadClose(r->gridIndex);
      return c ? c : 4;
    }
    case kActLineDown:
    case kActLineUp: s = MovsLinsControlLine(kind); break;
    case kActFieldEntered:
      r->state = kWinStateLineArea;
      VarIntSetBits(kSysScrStat, kScrStatGridNotify, true);
      break;
    case kActShowFailure: ErrShow(st::BADUSERDATA); break;
    case kActFirstFocus:
      s = ScreenActionWinDefault(code);
      if (s == 0 || s == st::BADINPUTDATA) s = MovsLinsControlLine(kLineEvShow);
      break;
    default: s = PadDefault(code); break;
  }
  // A line command outside the line area did nothing.
  if (s == st::OUTOFDATA) s = 0;
  if (s == 0 && WinGet(kCurrentIndex)) {
    Reload();
    FocusCurrent();
  }
  return s;
}

uint16_t LinsGridPadAction(ui::Hwnd window, int level, int event) {
  if (!Asserted("_linsGridPadAction")) return 0;
  Status s = 0;
  if (event == kGridEvAccept) {
    const StrAreaScope scope;
    int n = PopupMenuTrack(window, Msg(kRowPopupMsg), BelowCurrentField);
    if (n < 1 || n > static_cast<int>(std::size(kRowPopupEvents))) return 0;
    event = kRowPopupEvents[n - 1];
  }
  switch (event) {
    case kGridEvView: s = ViewRow(level); break;
    case kGridEvDelete: s = MovsLinsDelete(level, false); break;
    case kGridEvInsert: s = MovsLinsInsert(); break;
    case kGridEvClick: {
      int32_t row = SelectedRow(level);
      const LinsGridRec* g = LinsGridGet(level);
      if (row == 0 && g) row = g->buffer.rowCount;
      s = LinsGridRowGo(level, row);
      break;
    }
    case kGridEvFocus: s = FocusRow(level); break;
    default: break;
  }
  if (s == st::OUTOFDATA) s = 0;
  if (s >= 128) {
    ErrShow(s);
    s = 0;
  }
  if (s == 0 && LinsGridGet(level)) {
    if (Status e = LinsGridReload(level)) ErrShow(e);
  }
  return static_cast<uint16_t>(s);
}

void GridPadReset() { g_pads.fill(PadRec{}); }
