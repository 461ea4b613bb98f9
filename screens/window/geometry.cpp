#include "screens/window/geometry.h"

#include <algorithm>
#include <climits>

#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/sysvars.h"
#include "screens/window/fonttable.h"
#include "screens/window/screendef.h"
#include "screens/window/winlist.h"

namespace {

constexpr TextWinGeom kDefaultScreen{80, 25, 0, 0, 0, 0};

TextWinGeom g_default = kDefaultScreen;
TextWinGeom g_current{};

bool CurrentSet() { return g_current.columns != 0; }

void Keep(uint16_t& part, uint16_t value) {
  if (value != kGeomKeep) part = value;
}

}  // namespace

TextWinGeom TextWinGeomGet() { return CurrentSet() ? g_current : g_default; }

TextWinGeom TextWinGeomSet(uint16_t columns, uint16_t rows, bool toDefault) {
  if (toDefault) {
    Keep(g_default.columns, columns);
    Keep(g_default.rows, rows);
    return TextWinGeomGet();
  }
  TextWinGeom& g = g_current;
  // A fresh current geometry starts as the default; one that is set keeps
  // what it has, so a kept value is really kept.
  if (!CurrentSet() && g.originCol == 0 && g.originRow == 0 && g.spacing == 0) g = g_default;
  if (columns != kGeomKeep) {
    g.columns = columns;
    if (columns == 0) g.originCol = 0;
  }
  if (rows != kGeomKeep) {
    g.rows = rows;
    if (rows == 0) g.originRow = g.rowAdjust = g.spacing = 0;
  }
  return TextWinGeomGet();
}

void TextWinGeomSetParts(uint16_t originCol, uint16_t originRow, uint16_t rowAdjust, uint16_t spacing) {
  TextWinGeom& g = CurrentSet() ? g_current : g_default;
  Keep(g.originCol, originCol);
  Keep(g.originRow, originRow);
  Keep(g.rowAdjust, rowAdjust);
  Keep(g.spacing, spacing);
}

void TextWinGeomReset() {
  g_default = kDefaultScreen;
  g_current = TextWinGeom{};
}

TextWinGeomState TextWinGeomSave() { return TextWinGeomState{g_default, g_current}; }

void TextWinGeomRestore(const TextWinGeomState& state) {
  g_default = state.defaults;
  g_current = state.current;
}

// --- Cells and pixels ------------------------------------------------------------

namespace {

constexpr int32_t kScrollBarPx = 24;
constexpr char kKindSuffixes[] = ",LnMant,Mant,MantDlg,Grid,Dialogx,DevSel,Progress";
constexpr uint32_t kStyleWindow = ui::WS_CAPTION | ui::WS_SYSMENU | ui::WS_MINIMIZEBOX;  // 0x00CA0000
constexpr uint32_t kStyleModal = ui::WS_POPUP | ui::WS_CAPTION | ui::WS_SYSMENU | kWinModalStyle;  // 0x80C80080
constexpr uint32_t kKindStyles[kWinKinds] = {kStyleWindow, kStyleWindow, kStyleWindow, kStyleModal,
                                             kStyleModal,  kStyleModal,  kStyleModal,  kStyleModal,
                                             kStyleWindow, kStyleModal,  kStyleModal,  ui::WS_OVERLAPPED};

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// units x cell height x (100 + spacing) / 100, halves away from zero.
int64_t Spaced(int64_t units, const TextWinGeom& g, CellSize c) {
  int64_t p = units * c.height * (100 + static_cast<int64_t>(g.spacing));
  return p >= 0 ? (p + 50) / 100 : -((-p + 50) / 100);
}

int32_t ColX(const TextWinGeom& g, CellSize c, uint16_t col) {
  int64_t units = col == kGeomAll ? g.columns : static_cast<int64_t>(col) + g.originCol - 1;
  return Clamp32(units * c.width + 1);
}

// The pixel y of a 1-based row (any 64-bit row number).
int32_t RowAt(const TextWinGeom& g, CellSize c, int64_t row) {
  return Clamp32(Spaced(row + g.originRow - 1, g, c) + 1);
}

int32_t RowY(const TextWinGeom& g, CellSize c, uint16_t row) {
  return row == kGeomAll ? Clamp32(Spaced(g.rows, g, c) + 1) : RowAt(g, c, row);
}

ui::Rect WorkArea() { return ui::work_area(); }

}  // namespace

int32_t WinColX(uint16_t col) { return ColX(TextWinGeomGet(), FontCellSize(), col); }

int32_t WinColXRight(uint16_t col) {
  TextWinGeom g = TextWinGeomGet();
  int64_t units = static_cast<int64_t>(g.columns) - std::min(col, g.columns) + g.originCol - 1;
  return Clamp32(units * FontCellSize().width + 1);
}

int32_t WinColsWidth(uint16_t n) {
  TextWinGeom g = TextWinGeomGet();
  int64_t units = n == kGeomAll ? static_cast<int64_t>(g.columns) + g.originCol : n;
  return Clamp32(units * FontCellSize().width);
}

int32_t WinRowY(uint16_t row) { return RowY(TextWinGeomGet(), FontCellSize(), row); }

int32_t WinRowYBottom(uint16_t row) {
  TextWinGeom g = TextWinGeomGet();
  return RowAt(g, FontCellSize(), static_cast<int64_t>(g.rows) + g.rowAdjust - row);
}

int32_t WinRowsHeight(uint16_t n) {
  TextWinGeom g = TextWinGeomGet();
  int64_t units = n == kGeomAll ? static_cast<int64_t>(g.rows) + g.originRow + g.rowAdjust : n;
  return Clamp32(Spaced(units, g, FontCellSize()));
}

PxSize TextSizePx(uint16_t columns, uint16_t rows, const TextWinGeom& geom, CellSize cell) {
  int64_t cols = columns == kGeomAll ? geom.columns : columns;
  int64_t rws = rows == kGeomAll ? geom.rows : rows;
  PxSize s;
  s.width = cols ? Clamp32((cols + geom.originCol) * cell.width) : 0;
  s.height = rws ? Clamp32(Spaced(rws + geom.originRow + geom.rowAdjust, geom, cell)) : 0;
  return s;
}

// --- Window kinds ------------------------------------------------------------------

StrValue WinKindName(int kind) {
  if (kind < 0 || kind >= kWinKinds) return StrMake("", 0);
  return StrListItem(StrFromC(kKindSuffixes), ',', static_cast<uint32_t>(kind + 1));
}

WinKindInfo WinKindStyle(int kind, StrValue defaultName) {
  WinKindInfo info;
  if (kind < 0 || kind >= kWinKinds) {
    info.status = st::BADINPUTDATA;
    return info;
  }
  uint16_t mark = StrAreaMark(-1);
  StrValue name = WinKindName(kind);
  if (name.len == 0) {
    StrValue identity = DynStrGet(SettingsList, SetIdentityItem);
    name = StrMake(identity.ptr, StrListSepPos(identity, ':'));
  }
  if (name.len == 0 && !defaultName.IsError()) name = defaultName;
  if (name.len == 0) {
    StrAreaMark(mark);
    info.status = st::BADINPUTDATA;
    return info;
  }
  info.style = kKindStyles[kind];
  info.className = StrAreaReturn(mark, name);
  return info;
}

// --- Placement ----------------------------------------------------------------------

PxSize WinClientSize(ui::Hwnd window) {
  ui::Rect r = window ? ui::get_client_rect(window) : WorkArea();
  return PxSize{std::max(r.Width(), 0), std::max(r.Height(), 0)};
}

PxSize WinSizeForClient(int32_t width, int32_t height, int kind, bool menu) {
  uint32_t style = kKindStyles[kind == kWinKindDialog ? kWinKindDialog : kWinKindApp] & ~kWinModalStyle;
  ui::Rect r = ui::adjust_window_rect(ui::Rect{0, 0, width, height}, style, 0, menu);
  return PxSize{std::max(r.Width(), 0), std::max(r.Height(), 0)};
}

ui::Point WinPos(ui::Hwnd window) {
  if (!window || !ui::is_window(window)) return ui::Point{};
  ui::Rect r = ui::get_window_rect(window);
  return ui::Point{r.left, r.top};
}

ui::Point WinCentre(int32_t width, int32_t height) {
  ui::Rect a = WorkArea();
  return ui::Point{a.left + std::max<int32_t>((a.Width() - width) / 2, 0),
                   a.top + std::max<int32_t>((a.Height() - height) / 2, 0)};
}

ui::Point WinClampToWorkArea(ui::Point corner, int32_t width, int32_t height) {
  ui::Rect a = WorkArea();
  if (static_cast<int64_t>(corner.x) + width > a.right) corner.x = std::max(a.left, a.right - width);
  if (static_cast<int64_t>(corner.y) + height > a.bottom) corner.y = std::max(a.top, a.bottom - height);
  return corner;
}

ui::Point WinRectGet(int flags) {
  ui::Hwnd top = WinTop();
  ui::Hwnd focus = ui::get_focus();
  bool beside = (flags & kRectBesideFocus) && focus && ui::get_parent(focus) != 0;
  ui::Point p;
  if (top) {
    if (beside) {
      ui::Rect r = ui::get_window_rect(focus);
      p = ui::Point{r.left + ui::get_client_rect(focus).Width(), r.top};
    } else {
      p = WinPos(top);
    }
  } else {
    PxSize s = TextSizePx(kGeomAll, kGeomAll, TextWinGeomGet(), FontCellSize());
    p = WinCentre(s.width, s.height);
  }
  if (beside) {
    int16_t maxRow = VarSysIntGet(kSysWMaxRow);
    int64_t line = static_cast<int64_t>(WinPos(top).y) + static_cast<int64_t>(maxRow) * FontCellSize().height;
    if (maxRow != 0 && p.y > line) p.y = Clamp32(line);
  } else if (top || VarIntTestBits(kSysScrStat, kScrStatCascade)) {
    p.x += 100;
    p.y += 60;
  }
  return p;
}

PxSize SizeClipWorkArea(PxSize size, ui::Rect area) {
  bool clippedHeight = false, clippedWidth = false;
  for (;;) {
    if (!clippedHeight && size.height > area.Height()) {
      size.height = area.Height();
      size.width += kScrollBarPx;
      clippedHeight = true;
    } else if (!clippedWidth && size.width > area.Width()) {
      size.width = area.Width();
      size.height += kScrollBarPx;
      clippedWidth = true;
    } else {
      break;
    }
  }
  size.width = std::clamp(size.width, 0, std::max(area.Width(), 0));
  size.height = std::clamp(size.height, 0, std::max(area.Height(), 0));
  return size;
}

void WinScrollBars(ui::Hwnd window, PxSize content, PxSize shown) {
  CellSize cell = FontCellSize();
  bool grewHeight = false, grewWidth = false;
  for (int pass = 0; pass < 2; ++pass) {
    int32_t margin = pass == 0 ? cell.width / 2 : cell.width;
    if (!grewHeight && content.width - shown.width > margin) content.height += kScrollBarPx, grewHeight = true;
    if (!grewWidth && content.height - shown.height > cell.height) content.width += kScrollBarPx, grewWidth = true;
  }
  int32_t wider = content.width - shown.width, higher = content.height - shown.height;
  bool horizontal = wider > cell.width, vertical = higher > cell.height / 2;
  ui::show_scroll_bar(window, ui::SB_HORZ, horizontal);
  ui::set_scroll_range(window, ui::SB_HORZ, 0, horizontal ? wider : 0);
  ui::show_scroll_bar(window, ui::SB_VERT, vertical);
  ui::set_scroll_range(window, ui::SB_VERT, 0, vertical ? higher : 0);
}

Status WinMoveSize(int32_t x, int32_t y, int32_t width, int32_t height) {
  ui::Hwnd top = WinTop();
  if (!top) {
    ErrDetailSet(st::INTERNALERROR, StrFromC("WinMoveSize"), false);
    return ErrSet(1, MOD_SCREENS, st::INTERNALERROR, st::INTERNALERROR);
  }
  PxSize content{std::max(width, 0), std::max(height, 0)};
  if (width == kGeomAll) {
    PxSize client = WinClientSize(top);
    content = WinSizeForClient(client.width, client.height, kWinKindApp, false);
  }
  ui::Point at{x, y};
  if (x == 0) at = WinCentre(content.width, content.height);
  else if (x == kGeomAll) at = WinClampToWorkArea(WinPos(top), content.width, content.height);
  PxSize shown = SizeClipWorkArea(content, WorkArea());
  WinScrollBars(top, content, shown);
  ui::set_window_pos(top, at.x, at.y, shown.width, shown.height, ui::SWP_FRAMECHANGED);
  return 0;
}

PxSize SizeFitArea(PxSize size, ui::Point corner, ui::Rect area) {
  size.width = std::min(size.width, std::max(area.Width() - corner.x, 0));
  size.height = std::min(size.height, std::max(area.Height() - corner.y, 0));
  return size;
}

void ChoiceGeomFit(uint16_t textWidth, uint16_t count, CellSize cell) {
  TextWinGeomSetParts(0, 0, 0, 0);
  int64_t columns = std::max<int64_t>(textWidth, 12);
  columns += columns / 4;
  int64_t rows = 3 * static_cast<int64_t>(count);
  TextWinGeom g;  // origin, adjustment and spacing 0
  int64_t workHeight = WorkArea().Height();
  while (rows > 1 && workHeight < RowAt(g, cell, rows)) {
    columns = std::min<int64_t>(columns * 2, kGeomKeep - 1);
    rows /= 2;
  }
  TextWinGeomSet(static_cast<uint16_t>(std::min<int64_t>(columns, kGeomKeep - 1)),
                 static_cast<uint16_t>(std::min<int64_t>(rows, kGeomKeep - 1)), false);
}
