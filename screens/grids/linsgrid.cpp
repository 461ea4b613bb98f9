#include "screens/grids/linsgrid.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/store/datafile.h"
#include "data/store/recbuf.h"
#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/forms/choice.h"
#include "screens/window/controls.h"
#include "screens/documents/docengine.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fonttable.h"
#include "screens/grids/gridview.h"
#include "screens/window/screendef.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "screens/window/winproc.h"

namespace {

constexpr int32_t kScrollBarPx = 24;
constexpr char kNumericTypes[] = "NL123456789";

std::array<LinsGridRec, kLinsGridLevels> g_grids;
int g_level = -1;

StrValue Empty() { return StrMake("", 0); }

Status Fail(Status code, const char* detail) {
  ErrDetailSet(code, StrFromC(detail), false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

bool Numeric(char type) { return type && std::strchr(kNumericTypes, type); }

int LevelOf(int n) { return n < 0 ? g_level : n; }

// The navigation bar of a grid window: a row up, a row down, insert and
// delete a line, captioned by the line commands of message 0030.
constexpr char kGridBarCommands[] = "PRV,NXT,INS,DEL";
constexpr uint32_t kGridBarCaptionItems[] = {2, 3, 5, 6};

Status NavBar(ui::Hwnd window) {
  const StrAreaScope scope;
  StrValue texts = Msg("0030");
  std::string captions;
  for (uint32_t item : kGridBarCaptionItems) {
    if (!captions.empty()) captions += ',';
    captions += StrListItem(texts, ',', item).Str();
  }
  return NavBarCreate(window, kNavBarMaintenance, StrFromC(kGridBarCommands), StrFromView(captions),
                      FontCellSize().height, StrFromC(""));
}

// The rows of a grid over the lines block: from its first field to the
// field after it, or to the end of the text window.
int32_t BlockRows(const ScreenDesc& s) {
  const FieldDesc& first = s.fields[s.linesFirst - 1];
  int32_t end = s.linesLast < s.fieldCount ? s.fields[s.linesLast].row : TextWinGeomGet().rows + 1;
  return std::max<int32_t>(1, end - first.row);
}

// The displayed columns: type, display width and pixel width (at least the
// title's length under kLinsTitleWidth); their titles in `titles` order.
std::vector<LinsGridColumn> DisplayColumns(const ScreenDesc& s, StrValue titles, uint16_t flags,
                                           std::vector<std::string>* names) {
  std::vector<LinsGridColumn> cols;
  for (uint16_t n = s.linesFirst; n && n <= s.linesLast; ++n) {
    const StrAreaScope scope;
    GridColumn c = GridColumnDesc(n, Empty());
    StrValue title = StrTrim(StrListItem(titles, ',', static_cast<uint32_t>(n - s.linesFirst + 1)), 3);
    if (title.IsError() || title.len == 0) title = StrTrim(c.title, 3);
    std::string name = title.IsError() ? std::string() : title.Str();
    int32_t width = c.display;
    if (flags & kLinsTitleWidth) width = std::max<int32_t>(width, static_cast<int32_t>(name.size()));
    cols.push_back(LinsGridColumn{c.type, c.display, FieldPixelWidth(width) + 1});
    names->push_back(std::move(name));
  }
  return cols;
}

// A cell as the list view shows it.
StrValue CellDisplay(const LinsGridColumn& c, StrValue cell) {
  uint16_t mark = StrAreaMark(-1);
  StrValue text = FmtStoredToDisplay(c.type, cell, c.display);
  if (!text.IsError() && c.type != 'F') text = StrTrim(text, 2);
  return StrAreaReturn(mark, text);
}

void GeomRestore(const TextWinGeom& g) {
  TextWinGeomSet(g.columns, g.rows, false);
  TextWinGeomSetParts(g.originCol, g.originRow, g.rowAdjust, g.spacing);
}

// The own window of a grid: sized to the list view in cells of the font,
// with the grid window's text origin.
ui::Hwnd GridWindow(LinsGridRec& r, StrValue title, int32_t width, int32_t height) {
  CellSize cell = FontCellSize();
  r.savedGeom = TextWinGeomGet();
  int32_t cols = (width + cell.width - 1) / cell.width;
  int32_t rows = (height + cell.height - 1) / cell.height + ((r.flags & kLinsNavBar) ? 2 : 0);
  TextWinGeomSet(static_cast<uint16_t>(std::clamp(cols, 1, 0xFFFE)), static_cast<uint16_t>(std::clamp(rows, 1, 0xFFFE)),
                 false);
  TextWinGeomSetParts(2, 1, 2, kGeomKeep);
  ui::Hwnd w = WinCreateKind(kWinKindGrid, 0, title, WinTop(), -1, -1, LinsGridWndProc);
  if (!w) GeomRestore(r.savedGeom);
  return w;
}

// Undoes a grid record that owns nothing else any more.
void Release(LinsGridRec& r) {
  ui::Hwnd own = r.window;
  r.window = 0;  // its destruction must not close the grid again
  if (r.slot != kLinsNoGrid) GridViewDestroy(r.slot);
  GridFree(r.buffer);
  if (r.flags & kLinsOwnWindow) GeomRestore(r.savedGeom);
  if (own && ui::is_window(own)) ui::destroy_window(own);
  r = LinsGridRec{};
}

struct NotifyAnswer {
  ui::LResult result = 0;
  bool close = false;
};

NotifyAnswer OnKey(ui::Hwnd window, const LinsGridRec& r, uint16_t vk) {
  uint16_t cls = KeyClass(vk);
  VarSysIntSet(kSysLastKey, static_cast<int16_t>(cls));
  uint16_t row = GridViewCurRow(r.slot);
  switch (cls) {
    case kKeyEsc: {
      bool close = LinsGridEvent(window, kGridEvEsc) != 0;
      return {close ? 1 : 0, close};
    }
    case kKeyF1 + 4: LinsGridEvent(window, kGridEvF5); break;
    case kKeyF1 + 7: LinsGridEvent(window, kGridEvF8); break;
    case kKeyF1 + 8: LinsGridEvent(window, kGridEvF9); break;
    case kKeyF11: LinsGridEvent(window, kGridEvF11); break;
    case kKeyUp:
    case kKeyDown: LinsGridEvent(window, kGridEvUpDown); break;
    case kKeyPgUp:
      if (row == 0) {
        LinsGridEvent(window, kGridEvPgUpFirst);
        return {1, false};
      }
      break;
    case kKeyPgDn:
      if (r.listRows && row == r.listRows - 1) {
        LinsGridEvent(window, kGridEvPgDnLast);
        return {1, false};
      }
      break;
    default: break;
  }
  return {};
}

NotifyAnswer OnNotify(ui::Hwnd window, const ui::NotifyHeader& hdr) {
  const LinsGridRec* r = LinsGridGet(-1);
  if (!r) return {};
  switch (hdr.code) {
    case ui::LVN_KEYDOWN: return OnKey(window, *r, reinterpret_cast<const ui::NotifyKey&>(hdr).vk);
    case ui::NM_SETFOCUS: LinsGridEvent(window, kGridEvFocus); break;
    case ui::NM_CLICK: LinsGridEvent(window, kGridEvClick); break;
    case ui::NM_RCLICK:
      LinsGridEvent(window, kGridEvClick);
      return {0, LinsGridEvent(window, kGridEvAccept) != 0};
    case ui::NM_DBLCLK:
    case ui::NM_RETURN: return {0, LinsGridEvent(window, kGridEvEnter) != 0};
    default: break;
  }
  return {};
}

int OwnLevel(ui::Hwnd window) {
  for (int l = 0; l <= g_level; ++l)
    if (window && g_grids[static_cast<size_t>(l)].window == window) return l;
  return -1;
}

}  // namespace

Status LinsGridCreate(StrValue title, StrValue titles, StrValue assign, int32_t rows, int32_t listRows,
                      uint16_t flags, LinsGridCallback callback) {
  if (g_level + 1 >= kLinsGridLevels) return kLinsNoGrid;
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s) return Fail(st::SCREENSTRUCTERR, "LinsGridCreate");
  const StrAreaScope scope;
  bool overBlock = (flags & (kLinsDocument | kLinsNavigation)) != 0;
  if (rows == -1 && overBlock && s->linesFirst) rows = BlockRows(*s);
  rows = std::clamp<int32_t>(rows, 1, 65535);
  LinsGridRec r;
  r.flags = flags;
  r.callback = callback;
  r.visibleRows = static_cast<uint16_t>(rows);
  r.listRows = static_cast<uint16_t>((flags & kLinsNavigation) ? rows : std::clamp<int32_t>(listRows, 0, 65535));
  r.firstField = s->linesFirst;
  r.lastField = s->linesLast;
  StrValue columns = StrTrim(assign, 3).len ? assign : ScreenProp(kPropLnAssign, 0);
  if (Status e = GridBuild(r.buffer, s->linesFirst, s->linesLast, titles, columns, listRows, flags, nullptr)) {
    GridFree(r.buffer);
    return e;
  }
  std::vector<std::string> names;
  r.columns = DisplayColumns(*s, titles, flags, &names);
  CellSize cell = FontCellSize();
  int32_t width = 0;
  for (const LinsGridColumn& c : r.columns) width += c.pixels;
  if (r.visibleRows < r.listRows) width += kScrollBarPx;
  int32_t height = rows * (cell.height - 1) + cell.height + 6;

  ui::Hwnd parent = WinTop();
  int32_t x = 0, y = 0;
  if (flags & kLinsOwnWindow) {
    parent = r.window = GridWindow(r, title, width, height);
    if (!parent) {
      GridFree(r.buffer);
      return Fail(st::WINCONTROLERROR, "LinsGridCreate: window");
    }
    if (flags & kLinsNavBar) {
      if (Status e = NavBar(parent)) {
        Release(r);
        return e;
      }
    }
    x = WinColX(1);
    y = WinRowY((flags & kLinsNavBar) ? 3 : 1);  // under the bar's two rows
  } else if (s->linesFirst) {
    const FieldDesc& first = s->fields[s->linesFirst - 1];
    x = WinColX(static_cast<uint16_t>(std::max(1, first.col - 1)));
    y = WinRowY(static_cast<uint16_t>(std::max(1, first.row - 2)));
  }
  int slot = GridViewCreate(parent, x, y, width, height);
  if (slot < 0) {
    Release(r);
    return Fail(st::COMMONCTLERROR, "LinsGridCreate: no list view");
  }
  r.slot = static_cast<uint16_t>(slot);
  for (size_t i = 0; i < r.columns.size(); ++i)
    GridViewColumns(slot, static_cast<int>(i), StrFromView(names[i]), r.columns[i].type, r.columns[i].pixels);
  GridViewShow(slot);
  int level = ++g_level;
  g_grids[static_cast<size_t>(level)] = std::move(r);
  if (overBlock)
    if (WinRecord* w = WinGet(kCurrentIndex)) w->gridIndex = static_cast<uint16_t>(level);
  if (flags & kLinsOwnWindow) {
    WinShowState(kWinShowNow);
    ui::set_focus(GridViewGet(slot).view);
  }
  return static_cast<Status>(level);
}

LinsGridRec* LinsGridGet(int n) {
  int level = LevelOf(n);
  return level >= 0 && level <= g_level ? &g_grids[static_cast<size_t>(level)] : nullptr;
}

uint16_t LinsGridHandle(int n) {
  const LinsGridRec* r = LinsGridGet(n);
  return r ? r->slot : kLinsNoGrid;
}

int LinsGridLevel() { return g_level; }

int LinsGridClose(int n) {
  int level = LevelOf(n);
  if (level < 0 || level > g_level) return g_level;
  while (g_level >= level) {
    // The level drops first: a window destroyed on the way finds no grid.
    LinsGridRec& r = g_grids[static_cast<size_t>(g_level--)];
    Release(r);
  }
  return g_level;
}

uint16_t LinsGridEvent(ui::Hwnd window, int code) {
  const LinsGridRec* r = LinsGridGet(-1);
  if (!r) return 0;
  return r->callback ? r->callback(window, g_level, code) : kGridNoCallback;
}

Status LinsGridPaintRow(int grid, int32_t row, uint16_t first, uint16_t last) {
  LinsGridRec* r = LinsGridGet(grid);
  ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!r || !s) return Fail(st::SCREENSTRUCTERR, "LinsGridPaintRow");
  if (first < 1 || last < first || last > s->fieldCount) return Fail(st::DATAOUTBOUND, "LinsGridPaintRow");
  if (ui::is_window(s->fields[first - 1].control)) return 0;
  if (row < 1 || row > r->buffer.maxRows) return st::UNDEFWARNING;
  if (row > r->buffer.rowCount && GridViewGet(r->slot).rowCount < row)
    GridViewSetItem(r->slot, row - 1, 0, Empty());
  ui::lv_ensure_visible(GridViewGet(r->slot).view, row - 1);
  r->buffer.curRow = static_cast<uint16_t>(row);
  for (uint16_t n = first; n <= last; ++n) {
    int col = n - first;
    const FieldDesc& f = s->fields[n - 1];
    ui::Point cell = GridViewCellPos(r->slot, row - 1, col);
    int32_t left = cell.x - (col == 0 ? 2 : 5);
    int32_t x = Numeric(f.type) ? left + GridViewColWidth(r->slot, col) - FieldPixelWidth(f.width) - 3 : left + 3;
    FieldControlCreate(n, x, cell.y + 3, true);
  }
  return 0;
}

Status LinsGridRefresh(int grid) {
  LinsGridRec* r = LinsGridGet(grid);
  if (!r) return Fail(st::SCREENSTRUCTERR, "LinsGridRefresh");
  int32_t row = r->buffer.curRow;
  if (row < 1) return 0;
  for (size_t i = 0; i < r->columns.size(); ++i) {
    const StrAreaScope scope;
    StrValue text = row <= r->buffer.rowCount
                        ? CellDisplay(r->columns[i], GridCellGet(r->buffer, row, static_cast<int32_t>(i + 1)))
                        : Empty();
    if (Status e = StrError(text)) return e;
    if (GridViewSetItem(r->slot, row - 1, static_cast<int>(i), text))
      return Fail(st::WINCONTROLERROR, "LinsGridRefresh");
  }
  return 0;
}

Status LinsGridRefreshRange(int grid, int32_t from, int32_t to) {
  LinsGridRec* r = LinsGridGet(grid);
  if (!r) return Fail(st::SCREENSTRUCTERR, "LinsGridRefreshRange");
  uint16_t saved = r->buffer.curRow;
  Status result = 0;
  for (int32_t row = std::max(from, 1); row <= to && row <= 65535 && result == 0; ++row) {
    r->buffer.curRow = static_cast<uint16_t>(row);
    result = LinsGridRefresh(grid);
  }
  r->buffer.curRow = saved;
  return result;
}

int32_t LinsGridVisible(int grid, int32_t row) {
  const LinsGridRec* r = LinsGridGet(grid);
  if (!r) return 0;
  if (r->flags & kLinsNavigation) return row > r->visibleRows ? 1 : 0;
  int32_t top = ui::lv_top_index(GridViewGet(r->slot).view), at = row - 1;
  if (at < top) return at - top;
  if (at >= top + r->visibleRows) return at - (top + r->visibleRows) + 1;
  return 0;
}

Status LinsGridStep(int grid, uint16_t flags, int32_t step) {
  LinsGridRec* r = LinsGridGet(grid);
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!r || !s) return Fail(st::SCREENSTRUCTERR, "LinsGridStep");
  uint16_t move = flags | (step < 0 ? 0x14 : 0x10);
  int32_t count = std::max<int32_t>(1, std::abs(step));
  for (int32_t i = 0; i < count; ++i) {
    Status m = DataFileMove(s->dataFile, move);
    if (m >= st::USERCANCELED) return m;
    if (m != 0 && i == 0) return 1;  // nothing to page to
    if (m != 0) break;
  }
  const StrAreaScope scope;
  StrValue key = KeyValueCur(s->dataFile, DataFileKeyGet(s->dataFile));
  return LinsGridFill(s->dataFile, key, flags, r->visibleRows, grid);
}

Status LinsGridFill(int file, StrValue key, uint16_t flags, int32_t row, int grid) {
  LinsGridRec* r = LinsGridGet(grid);
  if (!r) return Fail(st::SCREENSTRUCTERR, "LinsGridFill");
  Status read = DataFileReadKey(file, DataFileKeyGet(file), key, flags);
  if (read >= st::USERCANCELED) return read;
  VarSysIntSet(kSysIer, static_cast<int16_t>(read));
  GridReset(r->buffer);
  r->buffer.curRow = 1;
  Status loaded = MovsLinesLoad(r->buffer, key, Empty());
  if (loaded >= 128) return loaded;
  if (row > r->buffer.rowCount && row <= r->buffer.maxRows)
    if (Status e = GridCellSet(r->buffer, row, 1, Empty())) return e;
  return 0;
}

Status LinsGridReload(int grid) {
  LinsGridRec* r = LinsGridGet(grid);
  if (!r) return Fail(st::SCREENSTRUCTERR, "LinsGridReload");
  if (!(r->buffer.flags & kGridChanged)) return 0;
  r->buffer.flags &= static_cast<uint16_t>(~kGridChanged);
  if (r->buffer.rowCount == 0) GridViewClear(r->slot);
  int32_t to = r->buffer.rowCount + (r->buffer.rowCount < r->buffer.maxRows ? 1 : 0);
  return LinsGridRefreshRange(grid, 1, to);
}

ui::LResult LinsGridWndProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  if (m == ui::WM_NOTIFY && lp && VarIntTestBits(kSysScrStat, kScrStatGridNotify)) {
    const auto& hdr = *reinterpret_cast<const ui::NotifyHeader*>(lp);
    if (hdr.id >= static_cast<uintptr_t>(kGridViewIdFirst) &&
        hdr.id < static_cast<uintptr_t>(kGridViewIdFirst + kGridViewSlots)) {
      NotifyAnswer a = OnNotify(window, hdr);
      if (a.close) LinsGridWndProc(window, ui::WM_CLOSE, 0, 0);
      return a.result;
    }
  }
  // A grid window that shows no record has no handler to ask: it closes.
  if (m == ui::WM_CLOSE && OwnLevel(window) >= 0 && WinTopId(window) == kWinNoRecord)
    return ui::def_window_proc(window, m, wp, lp);
  if (m == ui::WM_DESTROY) {
    int level = OwnLevel(window);
    if (level >= 0) {
      // The list view goes with its parent; only the slot is left to free.
      g_grids[static_cast<size_t>(level)].window = 0;
      g_grids[static_cast<size_t>(level)].slot = kLinsNoGrid;
      LinsGridClose(level);
    }
  }
  return DialogWndProc(window, m, wp, lp);
}

void LinsGridReset() {
  for (LinsGridRec& r : g_grids) r = LinsGridRec{};
  g_level = -1;
}
