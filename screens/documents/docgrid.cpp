#include "screens/documents/docgrid.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "data/store/datafile.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "data/scans/selection.h"
#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/documents/docinternal.h"
#include "screens/documents/docengine.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/grids/gridview.h"
#include "screens/datascreens/mantwin.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "script/evaluator.h"

using namespace docint;

namespace {

StrValue Empty() { return StrMake("", 0); }

constexpr uint16_t kWinNewLinePending = 0x08;  // WinRecord::flags: a new line waits to be written
constexpr uint16_t kNavTraceSave = 8;          // the trace line's command: SVE
constexpr uint16_t kNavTraceInsert = 9;        // INS
constexpr int kTraceNavigation = 64;           // `_TRACE` bit of the navigation trace
constexpr uint8_t kNavStateAll = 16;           // a state no button mask holds: all enabled

// The record and its grid for a line command; null grid when it has none.
struct LineCtx {
  WinRecord* record = nullptr;
  const ScreenDesc* screen = nullptr;
  LinsGridRec* grid = nullptr;
  int level = -1;
  bool Navigation() const { return grid && (grid->flags & kLinsNavigation); }
};

LineCtx Current() {
  LineCtx l;
  l.record = Record();
  l.screen = Screen();
  l.level = MovsWinGrid();
  l.grid = l.level >= 0 ? LinsGridGet(l.level) : nullptr;
  return l;
}

bool HasControls(const LineCtx& l) {
  return l.screen && l.screen->linesFirst && ui::is_window(l.screen->fields[l.screen->linesFirst - 1].control);
}

void DestroyControls(const LineCtx& l) {
  if (l.screen && l.screen->linesFirst) FieldControlsDestroy(l.screen->linesFirst, l.screen->linesLast);
}

// A saved copy of blanks: the row's record is not stored yet.
bool SavedBlank(int file) { return StrTrim(RecBuf(file, kRecSaved), 3).len == 0; }

void SavedClear(int file) {
  std::string blanks(RecBuf(file, kRecSaved).len, ' ');
  RecBufSet(file, kRecSaved, StrMake(blanks.data(), static_cast<uint32_t>(blanks.size())));
}

// The trace line of a navigation row's write, when `_TRACE` asks for it;
// its failure does not stop the write.
void TraceLine(int file, uint16_t command) {
  if (!(VarSysTrace() & kTraceNavigation)) return;
  ErrorKeeper kept;
  if (MantTraceLine(file, command) != 0) kept.Restore();
}

// The record of a navigation row, written when it changed.
Status NavRowWrite(const LineCtx& l) {
  int file = l.screen->dataFile;
  const StrAreaScope scope;
  if (Status e = MovsLineToRecord(file, l.grid->buffer, ScreenProp(kPropWriteLins, 1))) return e;
  Status holds = ExpEvalCond(StrTrim(ScreenProp(kPropWriteLins, 2), 3));
  if (holds >= st::USERCANCELED) return holds;
  if (holds != 1) return st::BADUSERDATA;
  if (RecBufChanged(file) != 1) return 0;
  bool insert = SavedBlank(file);
  TraceLine(file, insert ? kNavTraceInsert : kNavTraceSave);
  uint16_t mode = insert ? dfact::kInsert : static_cast<uint16_t>(dfact::kUpdate | dfact::kKeyCheck);
  Status w = DataFileAction(mode, file, Relations(*l.screen), KeyCheck(*l.screen));
  if (w < 128) IerSet(w);
  return w >= 128 ? w : 0;
}

// Leaving a row: only while it has controls.
Status RowLeave(const LineCtx& l) {
  if (!HasControls(l)) return 0;
  Status c = MovsLineCommit(l.grid->buffer);
  if (c >= 2) return c;
  if (c == 1)
    if (Status e = LinsGridRefresh(l.level)) return e;
  if (l.Navigation())
    if (Status e = NavRowWrite(l)) return e;
  DestroyControls(l);
  return 0;
}

// The first line field with a control becomes current and gets the focus
// (the current field when it lies in the block).
void FocusRow(const LineCtx& l) {
  uint16_t first = l.screen->linesFirst, last = l.screen->linesLast;
  uint16_t n = l.record->curField >= first && l.record->curField <= last ? l.record->curField : 0;
  for (uint16_t f = first; !n && f <= last; ++f)
    if (ui::is_window(l.screen->fields[f - 1].control) && l.screen->fields[f - 1].editOrder) n = f;
  if (!n) return;
  l.record->curField = n;
  VarSysIntSet(kSysCurEdFld, static_cast<int16_t>(n));
  ui::set_focus(l.screen->fields[n - 1].control);
}

// Shows a row for editing: selected, controls over it, focused.
Status RowShow(const LineCtx& l, int32_t row) {
  if (row < 1) return st::UNDEFWARNING;
  GridViewSelect(l.grid->slot, row - 1, false);
  if (Status e = LinsGridPaintRow(l.level, row, l.screen->linesFirst, l.screen->linesLast)) return e;
  FocusRow(l);
  return 0;
}

void RowSet(GridBuffer& g, int32_t row) {
  g.curRow = static_cast<uint16_t>(std::clamp<int32_t>(row, 0, 65535));
  VarSysIntSet(kSysLNum, static_cast<int16_t>(g.curRow));
}

// Puts the file on the record of a navigation row (paging moves from it).
Status NavPosition(const LineCtx& l, int32_t row) {
  uint16_t cur = l.grid->buffer.curRow;
  l.grid->buffer.curRow = static_cast<uint16_t>(row);
  Status r = MovsLineRead(l.screen->dataFile, l.level);
  l.grid->buffer.curRow = cur;
  return r >= 128 ? r : 0;
}

// The records before the file's current one, up to n.
int32_t RecordsBefore(int file, int32_t n) {
  DataStoreState saved;
  if (DataFileCtrlSave(&saved, file, nullptr) != 0) return 0;
  int32_t k = 0;
  while (k < n && DataFileMove(file, dfmove::kPrev) == 0) ++k;
  DataFileCtrlSave(nullptr, file, &saved);
  return k;
}

// Down past the last visible row of a navigation grid: the next page, or
// at the end of the file the page scrolls by one row and a new row opens.
Status NavPageDown(const LineCtx& l) {
  GridBuffer& g = l.grid->buffer;
  if (Status e = NavPosition(l, l.grid->visibleRows)) return e;
  Status s = LinsGridStep(l.level, 0, 1);
  if (s >= 128) return s;
  if (s == 0) {
    RowSet(g, 1);
    return 0;
  }
  // The last record shows: the page moves up a row, the row under it is new.
  if (g.rowCount >= l.grid->visibleRows) {
    RowSet(g, 1);
    if (Status e = GridShiftRows(g, -1)) return e;
  }
  RowSet(g, g.rowCount + 1);
  return 0;
}

// Up from the first row of a navigation grid: the page before, its last row
// current; 127 when no record lies before.
Status NavPageUp(const LineCtx& l) {
  if (Status e = NavPosition(l, 1)) return e;
  int32_t back = RecordsBefore(l.screen->dataFile, l.grid->visibleRows);
  if (back == 0) return st::OUTOFDATA;
  Status s = LinsGridStep(l.level, 0, -back);
  if (s == 1) return st::OUTOFDATA;
  if (s >= 128) return s;
  RowSet(l.grid->buffer, back);
  return 0;
}

Status RowMove(const LineCtx& l, int event) {
  GridBuffer& g = l.grid->buffer;
  int32_t row = g.curRow;
  bool nav = l.Navigation();
  bool paged = false;
  Status s = 0;
  if (event == kLineEvUp) {
    if (row >= 2) RowSet(g, row - 1);
    else if (nav) s = NavPageUp(l), paged = true;
  } else if (nav) {
    if (LinsGridVisible(l.level, row + 1) > 0) s = NavPageDown(l), paged = true;
    else RowSet(g, row + 1);
  } else if (row < g.maxRows) {
    RowSet(g, row + 1);
  }
  if (paged && s == 0) {
    g.flags |= kGridChanged;
    if (Status e = LinsGridReload(l.level)) return e;
  }
  return s;
}

// Shows the current row after an event; a row past the count becomes a new
// row of the buffer.
Status LineChange(const LineCtx& l, int event) {
  GridBuffer& g = l.grid->buffer;
  int file = l.screen->dataFile;
  Status r = 0;
  if (g.curRow >= 1 && g.curRow <= g.rowCount && event != kLineEvInserted) {
    if (l.Navigation()) {
      r = MovsLineRead(file, l.level);
      if (r >= 128) return r;
      if (r != 0) {  // no record behind the row: a new one
        IerSet(dfres::kEnd);
        SavedClear(file);
      }
    }
    r = RowShow(l, g.curRow);
    if (r == 0) r = MovsLinesFlushRefresh(l.level);
    if (r < 128) r = 0;
  } else {
    RowSet(g, std::max<int32_t>(g.curRow, 1));
    r = RowShow(l, g.curRow);
    if (r == 0) r = MovsLinesWrite(0, g);
    if (r == 0) r = MovsLinesWrite(1, g);
    if (r == 0) {
      g.flags |= kGridChanged | kGridLinesChanged;
      if (l.Navigation()) {
        IerSet(dfres::kEnd);
        SavedClear(file);
      }
      r = LinsGridRefresh(l.level);
    }
  }
  if (r == 0) r = FieldAssignList(ScreenProp(kPropFldUpdate, 0));
  return r;
}

bool InLineArea(const LineCtx& l) { return l.record && l.record->state == kWinStateLineArea; }

}  // namespace

// --- The grid of a window -------------------------------------------------------

Status MovsLinsSetControls(StrValue layout, uint16_t flags, LinsGridCallback callback) {
  WinRecord* r = Record();
  if (AssertCheck(r != nullptr, StrFromC("MovsLinsSetControls")).IsError() || !r) return st::INTERNALERROR;
  ScreenDesc* s = ScreenGet(r->screen);
  if (!s) return Fail(st::SCREENSTRUCTERR, "MovsLinsSetControls");
  if (s->linesFirst) {
    const StrAreaScope scope;
    // `_LMAX` holds up to 65535 lines in its 16 bits; 0 is the default.
    int32_t listRows = static_cast<uint16_t>(VarSysIntGet(kSysLMax));
    if (listRows == 0) listRows = kGridDefaultRows;
    StrValue titles = LinsGridTitles(layout, 1);
    uint16_t gridFlags = static_cast<uint16_t>(GridScreenMode() | kLinsTitleWidth);
    Status level = LinsGridCreate(Empty(), titles, Empty(), -1, listRows, gridFlags, callback);
    if (level == kLinsNoGrid) return Fail(st::DATAOUTBOUND, "MovsLinsSetControls: no grid level free");
    if (level >= kLinsGridLevels) return level;
    r->gridIndex = level;
  }
  s->docFlags = static_cast<uint8_t>(flags & 15);
  return flags ? NavButtonsSet(flags, Empty()) : 0;
}

Status MovsLinsClose() {
  LineCtx l = Current();
  if (!l.record || !l.screen) return Fail(st::SCREENSTRUCTERR, "MovsLinsClose");
  if (l.screen->dataFile && SelCount(l.screen->dataFile)) SelRelease(l.screen->dataFile);
  if (l.level >= 0) LinsGridClose(l.level);
  // The buttons the line area disabled serve the index area again.
  if (uint8_t set = l.screen->docFlags & (kNavSetMaintenance | kNavSetDocument | kNavSetLines))
    NavButtonsEnable(kNavStateAll, set);
  return 0;
}

Status MovsLinsFitWindow() {
  LineCtx l = Current();
  ui::Hwnd top = WinTop();
  if (!l.grid || !top) return Fail(st::SCREENSTRUCTERR, "MovsLinsFitWindow");
  ui::Hwnd view = GridViewGet(l.grid->slot).view;
  ui::Rect rect = ui::get_window_rect(view);
  ui::Point at = ui::screen_to_client(top, ui::Point{rect.left, rect.top});
  CellSize cell = FontCellSize();
  int32_t width = at.x + rect.Width() + cell.width;
  int32_t height = at.y + rect.Height() + static_cast<int32_t>(std::lround(cell.height * 1.2));
  PxSize client = WinClientSize(top);
  if (width > client.width || height > client.height) {
    PxSize size = WinSizeForClient(std::max(width, client.width), std::max(height, client.height), 0, false);
    if (Status e = WinMoveSize(kGeomAll, 0, size.width, size.height)) return e;
  }
  WinShowState(kWinShowNow);
  return 0;
}

// --- Line events -------------------------------------------------------------------

Status MovsLinsControlLine(int event) {
  // A row shown per step leaves nothing behind: Down through 10,000 lines
  // must not fill the string area.
  const StrAreaScope scope;
  WinRecord* rec = Record();
  if (AssertCheck(rec != nullptr, StrFromC("MovsLinsControlLine")).IsError() || !rec) return st::INTERNALERROR;
  LineCtx l = Current();
  if (!l.grid || !l.screen) return Fail(st::SCREENSTRUCTERR, "MovsLinsControlLine: no lines grid");
  if (event == kLineEvDown || event == kLineEvUp || event == kLineEvStore) {
    Status s = RowLeave(l);
    // A row that cannot be stored stays as it is, with its controls.
    if (s != 0) return s;
    rec->pending = 0;
    rec->flags &= static_cast<uint16_t>(~kWinNewLinePending);
  }
  Status status = 0;
  if (event == kLineEvDown || event == kLineEvUp) {
    status = RowMove(l, event);
    if (status != 0) return status;
  }
  switch (event) {
    case kLineEvDown:
    case kLineEvUp:
    case kLineEvShow:
    case kLineEvShowAgain:
    case kLineEvInserted:
    case kGridEvFocus: return std::max(status, LineChange(l, event));
    default: return status;
  }
}

Status MovsLinsInsert() {
  LineCtx l = Current();
  if (!InLineArea(l)) return st::OUTOFDATA;
  if (!l.grid) return Fail(st::SCREENSTRUCTERR, "MovsLinsInsert: no lines grid");
  if (Status s = RowLeave(l)) return s;
  GridBuffer& g = l.grid->buffer;
  if (!l.Navigation()) {
    uint32_t max = std::min<uint32_t>(g.maxRows, LineNumberMax(l.screen->dataFile));
    if (g.rowCount >= max)
      return Fail(st::DATAOUTBOUND, "MovsLinsInsert: the document holds " + std::to_string(max) + " lines");
  }
  if (g.curRow == 0) RowSet(g, 1);
  if (g.curRow > g.rowCount + 1) RowSet(g, g.rowCount + 1);
  // The shift marks the buffer changed: that tells whether LNINS$ let it.
  uint16_t before = g.flags;
  g.flags &= static_cast<uint16_t>(~kGridChanged);
  Status s = GridRowInsertIf(g, ScreenProp(kPropLnIns, 0));
  bool inserted = (g.flags & kGridChanged) != 0;
  g.flags |= before & kGridChanged;
  if (s != 0 || !inserted) return s;
  return MovsLinsControlLine(kLineEvInserted);
}

Status MovsLinsDelete(int grid, bool force) {
  LineCtx l = Current();
  if (!InLineArea(l)) return st::OUTOFDATA;
  if (grid >= 0) {
    l.level = grid;
    l.grid = LinsGridGet(grid);
  }
  if (!l.grid) return Fail(st::SCREENSTRUCTERR, "MovsLinsDelete: no lines grid");
  GridBuffer& g = l.grid->buffer;
  if (!force && g.rowCount == 0) return 0;
  uint16_t count = g.rowCount;
  if (Status s = GridRowDeleteIf(g, ScreenProp(kPropLnDel, 0))) return s;
  if (g.rowCount == count) return 0;  // LNDEL$ kept the row
  // The controls stand over a row that now shows the next one.
  DestroyControls(l);
  GridViewClear(l.grid->slot);
  RowSet(g, std::clamp<int32_t>(g.curRow, 1, std::max<int32_t>(g.rowCount, 1)));
  if (g.rowCount == 0) return 0;
  if (Status e = RowShow(l, g.curRow)) return e;
  return MovsLinesFlushRefresh(l.level);
}

// --- Field lists ------------------------------------------------------------------------

Status FieldAssignList(StrValue items) {
  if (Status e = StrError(items)) return e;
  uint32_t count = StrListCount(items, ',');
  for (uint32_t i = 1; i <= count; ++i) {
    const StrAreaScope scope;
    StrValue item = StrTrim(StrListItem(items, ',', i), 3);
    if (item.len == 0) continue;
    Status s = 0;
    if (uint16_t n = FieldFind(item)) {
      s = FieldsFetchPut(kCheckRefresh, {n});
    } else {
      s = Run(item);
    }
    if (s >= st::USERCANCELED) return s;
  }
  return 0;
}
