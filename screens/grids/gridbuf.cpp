#include "screens/grids/gridbuf.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/kxassert.h"
#include "runtime/memory.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/screendef.h"
#include "screens/window/screenprops.h"
#include "script/evaluator.h"

namespace {

constexpr char kGridPrefix[] = "_GRID";

StrValue Empty() { return StrMake("", 0); }

Status Fail(GridBuffer* g, Status code, StrValue detail) {
  if (g) g->lastError = code;
  if (code < 128) return code;
  ErrDetailSet(code, detail, false);
  return ErrSet(1, MOD_SCREENS, code, code);
}
Status Fail(GridBuffer* g, Status code, const char* detail) { return Fail(g, code, StrFromC(detail)); }

void MirrorCount(const GridBuffer& g) {
  KX_ASSERT(g.rowCount <= g.maxRows);
  VarSysIntSet(kSysLLst, static_cast<int16_t>(g.rowCount));
}
void MirrorRow(const GridBuffer& g) { VarSysIntSet(kSysLNum, static_cast<int16_t>(g.curRow)); }

unsigned char* Physical(const GridBuffer& g, uint32_t row) {
  return g.rows + static_cast<size_t>(row - 1) * g.rowWidth;
}

unsigned char* RowPtr(const GridBuffer& g, uint32_t row) {
  return Physical(g, g.gapRows && row >= g.gapAt ? row + g.gapRows : row);
}

// Moves the rows after the gap down over it (the rows freed at the end left
// blank, as deleting them one by one leaves them).
void CloseGap(GridBuffer& g) {
  if (!g.gapRows) return;
  uint32_t count = g.rowCount, gap = g.gapRows;
  if (count >= g.gapAt)
    std::memmove(Physical(g, g.gapAt), Physical(g, g.gapAt + gap), static_cast<size_t>(count - g.gapAt + 1) * g.rowWidth);
  g.gapRows = 0;
  std::memset(Physical(g, count + 1), ' ', static_cast<size_t>(gap) * g.rowWidth);
}

// Moves the gap to just before row r, copying the rows it passes.
void GapTo(GridBuffer& g, uint32_t r) {
  if (g.gapRows && g.gapAt > r) CloseGap(g);
  if (!g.gapRows) {
    g.gapAt = static_cast<uint16_t>(r);
    return;
  }
  for (; g.gapAt < r; ++g.gapAt) std::memcpy(Physical(g, g.gapAt), Physical(g, g.gapAt + g.gapRows), g.rowWidth);
}

// Deletes the current row: into the gap when the scan stands on it,
// otherwise as GridShiftRows does.
Status TakeOutCurrent(GridBuffer& g) {
  bool atGap = g.gapAt != 0 && g.curRow == g.gapAt && g.rows && g.curRow <= g.rowCount;
  if (!atGap) return GridShiftRows(g, -1);
  ++g.gapRows;
  --g.rowCount;
  MirrorCount(g);
  g.flags |= kGridChanged | kGridLinesChanged;
  return 0;
}
void BlankRows(GridBuffer& g, uint32_t from, uint32_t count) {
  if (count) std::memset(RowPtr(g, from), ' ', static_cast<size_t>(count) * g.rowWidth);
}
bool RowBlank(const GridBuffer& g, uint32_t row) {
  const unsigned char* p = RowPtr(g, row);
  return std::all_of(p, p + g.rowWidth, [](unsigned char c) { return c == ' ' || c == 0; });
}

int32_t RowOf(const GridBuffer& g, int32_t row) { return row == -1 ? g.curRow : row; }

// A rule text: its evaluation status, a value of either kind being 0.
Status RunRule(StrValue text) {
  if (Status e = StrError(text)) return e;
  if (StrTrim(text, 3).len == 0) return 0;
  Status s = ExpExecText(text);
  return s <= 1 ? 0 : s;
}

// The column numbers of a comma list (items that are no number read 0).
std::vector<int32_t> ColumnList(StrValue columns) {
  std::vector<int32_t> out;
  StrListIter it(columns, ',');
  for (StrValue item; it.Next(&item);) out.push_back(StrToInt(StrTrim(item, 3)));
  return out;
}

// True when the row's cells over the columns, joined, equal the key.
bool KeyMatches(const GridBuffer& g, uint32_t row, const std::vector<int32_t>& cols, StrValue key) {
  uint32_t at = 0;
  const unsigned char* base = RowPtr(g, row);
  for (int32_t c : cols) {
    if (c < 1 || c > g.cols) continue;
    uint16_t w = g.widths[c - 1];
    if (at + w > key.len || std::memcmp(base + g.offsets[c - 1], key.ptr + at, w) != 0) return false;
    at += w;
  }
  return at == key.len;
}

// The column "_GRID" and digits stand for: 0 unless the digits name one
// from 1 to the columns defined.
int32_t GridNameColumn(const GridBuffer& g, std::string_view name) {
  std::string_view digits = name.substr(sizeof(kGridPrefix) - 1);
  if (digits.empty() || digits.size() > 5) return 0;
  int32_t col = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    col = col * 10 + (c - '0');
  }
  return col >= 1 && col <= g.cols ? col : 0;
}

// Deletes every row matching the key in one pass over the block.
void DeleteMatching(GridBuffer& g, StrValue key, const std::vector<int32_t>& cols) {
  CloseGap(g);
  uint32_t kept = 0;
  for (uint32_t r = 1; r <= g.rowCount; ++r) {
    if (KeyMatches(g, r, cols, key)) continue;
    if (++kept != r) std::memcpy(RowPtr(g, kept), RowPtr(g, r), g.rowWidth);
  }
  if (kept == g.rowCount) return;
  BlankRows(g, kept + 1, g.rowCount - kept);
  g.rowCount = static_cast<uint16_t>(kept);
  g.flags |= kGridChanged | kGridLinesChanged;
  MirrorCount(g);
}

}  // namespace

uint8_t GridScreenMode() {
  const StrAreaScope scope;
  StrValue v = StrTrim(ScreenProp(kPropMode, 0), 3);
  if (v.IsError() || v.len == 0) return kGridDocument;
  uint32_t i = StrListFind(StrFromC("ALONE,DOCUMENT,NAVIGATION"), ',', v);
  return i ? static_cast<uint8_t>(1u << (i - 1)) : static_cast<uint8_t>(kGridDocument);
}

// --- Building ------------------------------------------------------------------

Status GridCreate(GridBuffer& g, int32_t columns, int32_t maxRows) {
  GridFree(g);
  if (maxRows <= 0) maxRows = kGridDefaultRows;
  if (maxRows > 65535 || columns < 0 || columns > 65535) return Fail(&g, st::DATAOUTBOUND, "GridCreate");
  auto* block = static_cast<uint16_t*>(MemAlloc(MOD_SCREENS, 6u * static_cast<uint32_t>(columns)));
  if (!block) return Fail(&g, st::MEMORYALLOCERR, "GridCreate");
  g.offsets = block;
  g.widths = block + columns;
  g.fields = block + 2 * columns;
  g.maxCols = static_cast<uint16_t>(columns);
  g.maxRows = static_cast<uint16_t>(maxRows);
  g.mode = GridScreenMode();
  return 0;
}

Status GridAddColumn(GridBuffer& g, uint32_t width, uint16_t field) {
  if (!g.offsets || g.cols >= g.maxCols) return Fail(&g, st::DATAOUTBOUND, "GridAddColumn: columns");
  uint32_t end = static_cast<uint32_t>(g.rowWidth) + width;
  if (end > 65535) return Fail(&g, st::DATAOUTBOUND, "GridAddColumn: row width");
  g.offsets[g.cols] = g.rowWidth;
  g.widths[g.cols] = static_cast<uint16_t>(width);
  g.fields[g.cols] = field;
  ++g.cols;
  g.rowWidth = static_cast<uint16_t>(end);
  if (g.cols < g.maxCols) return 0;
  uint64_t size = static_cast<uint64_t>(g.maxRows) * g.rowWidth;
  if (size > kGridBlockMax) return Fail(&g, st::MEMORYALLOCERR, "GridAddColumn: row block");
  uint16_t slot = MemSlotTake(MOD_SCREENS, static_cast<uint32_t>(size), ' ');
  if (slot == 65535) return Fail(&g, st::MEMORYALLOCERR, "GridAddColumn: row block");
  g.rows = MemSlotAt(slot)->ptr;
  return 0;
}

GridColumn GridColumnDesc(uint16_t lineField, StrValue item) {
  GridColumn c;
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  StrValue text = StrTrim(item, 3);
  uint16_t n = lineField ? lineField : (text.len ? FieldFind(text) : 0);
  if (n) {
    if (!s || n > s->fieldCount) {
      c.status = st::DATAOUTBOUND;
      return c;
    }
    const FieldDesc& f = s->fields[n - 1];
    c.screenField = n;
    c.width = f.length;
    c.display = f.width;
    c.type = f.type ? f.type : 'A';
    if (f.keyFile && f.keyFile == s->dataFile) c.dataField = f.keyField;
    c.title = f.keyFile && f.keyField ? DicFieldName(f.keyFile, f.keyField) : ScreenSliceText(*s, f.name);
    return c;
  }
  if (std::find(text.View().begin(), text.View().end(), '{') != text.View().end()) {
    DataFieldDesc d = DicFieldRefParse(text);
    if (d.status) {
      c.status = d.status;
      return c;
    }
    c.width = c.display = d.length;
    c.type = d.type ? static_cast<char>(d.type) : 'A';
    if (s && d.file == s->dataFile) c.dataField = d.field;
    c.title = DicFieldName(d.file, d.field);
    return c;
  }
  StrValue v = ExpEvalStr(text);
  if (v.IsError()) {
    c.status = StrError(v);
    return c;
  }
  c.computed = true;
  c.width = v.len;
  c.display = v.len;
  c.title = Empty();
  return c;
}

Status GridBuild(GridBuffer& g, uint16_t first, uint16_t last, StrValue titles, StrValue columns, int32_t maxRows,
                 uint16_t flags, int32_t* totalWidth) {
  const StrAreaScope scope;
  std::vector<GridColumn> cols;
  uint32_t lineCount = first && last >= first ? last - first + 1u : 0;
  for (uint32_t i = 0; i < lineCount; ++i) {
    cols.push_back(GridColumnDesc(static_cast<uint16_t>(first + i), Empty()));
    if (cols.back().status) return Fail(&g, cols.back().status, "GridBuild: line field");
  }
  StrListIter it(columns, ',');
  for (StrValue item; !columns.IsError() && it.Next(&item);) {
    cols.push_back(GridColumnDesc(0, item));
    if (cols.back().status) return Fail(&g, cols.back().status, item);
  }
  if (cols.size() > 65535) return Fail(&g, st::DATAOUTBOUND, "GridBuild: columns");
  // Widths that are given come first; computed ones share what is left.
  uint64_t fixed = 0;
  for (const GridColumn& c : cols)
    if (!c.computed) fixed += c.width;
  if (fixed > 65535) return Fail(&g, st::DATAOUTBOUND, "GridBuild: row width");
  uint32_t room = static_cast<uint32_t>(65535 - fixed);
  for (GridColumn& c : cols)
    if (c.computed) room -= (c.width = std::min(c.width, room));
  if (totalWidth) {
    int32_t total = 0;
    for (uint32_t i = 0; i < lineCount; ++i) {
      StrValue title = StrTrim(StrListItem(titles, ',', i + 1), 3);
      if (title.IsError() || title.len == 0) title = StrTrim(cols[i].title, 3);
      int32_t w = cols[i].display;
      if ((flags & 0x80) && !title.IsError()) w = std::max<int32_t>(w, title.len);
      total += w + 1;
    }
    *totalWidth = total;
  }
  if (Status e = GridCreate(g, static_cast<int32_t>(cols.size()), maxRows)) return e;
  for (const GridColumn& c : cols)
    if (Status e = GridAddColumn(g, c.width, c.dataField)) return e;
  return 0;
}

void GridFree(GridBuffer& g) {
  CloseGap(g);
  if (g.rows) MemFree(MOD_SCREENS, g.rows);
  if (g.offsets) MemFree(MOD_SCREENS, g.offsets);
  g = GridBuffer{};
}

void GridReset(GridBuffer& g) {
  if (!g.rows) return;
  CloseGap(g);
  g.curRow = g.rowCount = 0;
  MirrorRow(g);
  MirrorCount(g);
  g.flags |= kGridChanged | kGridLinesChanged;
  VarIntSetBits(kSysScrStat, kScrStatGridNotify, false);
}

// --- Cells and rows ------------------------------------------------------------

StrValue GridCellGet(const GridBuffer& g, int32_t row, int32_t col) {
  int32_t r = RowOf(g, row);
  if (!g.rows || r < 1 || r > g.rowCount || col < 1 || col > g.cols) return Empty();
  return StrDup(StrMake(reinterpret_cast<char*>(RowPtr(g, static_cast<uint32_t>(r)) + g.offsets[col - 1]),
                        g.widths[col - 1]));
}

Status GridCellSet(GridBuffer& g, int32_t row, int32_t col, StrValue text) {
  if (!g.rows) return Fail(&g, st::BADINPUTDATA, "GridCellSet: no rows");
  int32_t r = RowOf(g, row);
  if (r < 1 || r > g.maxRows || col < 1 || col > g.cols) return Fail(&g, st::DATAOUTBOUND, "GridCellSet");
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  uint16_t width = g.widths[col - 1];
  StrValue cell = FmtByType('A', text, width);
  if (Status e = StrError(cell)) return e;
  if (g.rowCount < r) CloseGap(g);
  while (g.rowCount < r) {
    ++g.rowCount;
    BlankRows(g, g.rowCount, 1);
    MirrorCount(g);
  }
  unsigned char* at = RowPtr(g, static_cast<uint32_t>(r)) + g.offsets[col - 1];
  std::memset(at, ' ', width);
  std::memcpy(at, cell.ptr, std::min<uint32_t>(cell.len, width));
  return 0;
}

StrValue GridRowText(const GridBuffer& g) {
  if (!g.rows || g.curRow < 1 || g.curRow > g.rowCount) return Empty();
  return StrDup(StrMake(reinterpret_cast<char*>(RowPtr(g, g.curRow)), g.rowWidth));
}

StrValue GridRowKeyText(const GridBuffer& g, int32_t row, StrValue columns) {
  int32_t r = RowOf(g, row);
  if (!g.rows || r < 1 || r > g.rowCount) return Empty();
  std::string key;
  for (int32_t c : ColumnList(columns))
    if (c >= 1 && c <= g.cols)
      key.append(reinterpret_cast<char*>(RowPtr(g, static_cast<uint32_t>(r)) + g.offsets[c - 1]), g.widths[c - 1]);
  return StrFromView(key);
}

Status GridShiftRows(GridBuffer& g, int n) {
  uint32_t cur = g.curRow, count = g.rowCount;
  bool bad = !g.rows || (n != 1 && n != -1) || cur == 0 || cur > g.maxRows ||
             (n == 1 && cur > count + 1) || (n == -1 && cur > count);
  if (bad) return Fail(&g, st::BADINPUTDATA, "GridShiftRows");
  CloseGap(g);
  if (n == 1) {
    uint32_t lastKept = std::min<uint32_t>(count, g.maxRows - 1u);  // a full block loses its last row
    if (lastKept >= cur)
      std::memmove(RowPtr(g, cur + 1), RowPtr(g, cur), static_cast<size_t>(lastKept - cur + 1) * g.rowWidth);
    BlankRows(g, cur, 1);
    if (count < g.maxRows) ++g.rowCount;
  } else {
    if (count > cur) std::memmove(RowPtr(g, cur), RowPtr(g, cur + 1), static_cast<size_t>(count - cur) * g.rowWidth);
    BlankRows(g, count, 1);
    --g.rowCount;
  }
  MirrorCount(g);
  g.flags |= kGridChanged | kGridLinesChanged;
  return 0;
}

// --- Rows by rule ----------------------------------------------------------------

Status GridRowOpIf(int n, GridBuffer& g, StrValue statements) {
  const StrAreaScope scope;
  Status truth = ExpEvalCond(StrListItem(statements, ',', 1));
  if (truth >= st::USERCANCELED) return truth;
  if (truth == 0) return 0;
  if (Status e = n == -1 ? TakeOutCurrent(g) : GridShiftRows(g, n)) return e;
  return RunRule(StrListRest(statements, ','));
}

Status GridRowDeleteIf(GridBuffer& g, StrValue statements) {
  if (g.curRow < 1 || g.curRow > g.rowCount) return 0;
  return GridRowOpIf(-1, g, statements);
}

Status GridRowInsertIf(GridBuffer& g, StrValue statements) { return GridRowOpIf(1, g, statements); }

Status GridRowFindAll(GridBuffer& g, StrValue key, StrValue columns, StrValue statements) {
  if (!g.rows || key.IsError()) return StrError(key);
  std::vector<int32_t> cols = ColumnList(columns);
  uint16_t oldCur = g.curRow;
  Status result = 0;
  if (StrTrim(statements, 3).len == 0) {
    DeleteMatching(g, key, cols);
  } else {
    // The rows taken out gather in a gap that moves along with the scan, so
    // the rows after a deletion move once, not once per deletion; to the
    // rules the buffer looks as if each deletion had closed up at once.
    CloseGap(g);
    for (uint32_t r = 1; r <= g.rowCount; ++r) {
      GapTo(g, r);
      if (!KeyMatches(g, r, cols, key)) continue;
      g.curRow = static_cast<uint16_t>(r);
      MirrorRow(g);
      uint16_t before = g.rowCount;
      result = GridRowDeleteIf(g, statements);
      if (result >= st::USERCANCELED) break;
      result = 0;
      if (g.rowCount < before) --r;  // the next row moved up into this one
    }
    CloseGap(g);
    g.gapAt = 0;
  }
  g.curRow = std::max<uint16_t>(1, std::min(oldCur, g.rowCount));
  MirrorRow(g);
  return result;
}

Status GridTrimEmpty(GridBuffer& g) {
  if (!g.rows) return 0;
  CloseGap(g);
  while (g.rowCount >= 2 && RowBlank(g, g.rowCount)) --g.rowCount;
  g.curRow = g.rowCount;
  MirrorRow(g);
  MirrorCount(g);
  return 0;
}

Status GridRowsFit(GridBuffer& g, int32_t n, StrValue statements) {
  if (n <= g.maxRows) return 0;
  if (g.mode != kGridNavigation) return st::UNDEFWARNING;
  int32_t need = n - g.maxRows, deleted = 0;
  uint16_t oldCur = g.curRow;
  Status result = 0;
  while (deleted < need && g.rowCount > 0) {
    g.curRow = 1;
    MirrorRow(g);
    uint16_t before = g.rowCount;
    result = GridRowDeleteIf(g, statements);
    if (result >= st::USERCANCELED) break;
    if (g.rowCount == before) {  // the rule kept the row: it cannot fit
      result = st::UNDEFWARNING;
      break;
    }
    result = 0;
    ++deleted;
  }
  int32_t cur = std::min<int32_t>(oldCur - deleted, g.rowCount);
  g.curRow = static_cast<uint16_t>(std::max(cur, 1));
  MirrorRow(g);
  return result;
}

// --- Texts ----------------------------------------------------------------------

StrValue GridRowCaption(const GridBuffer& g, uint16_t limit) {
  char text[24];
  int n = std::snprintf(text, sizeof text, " %u / %u", static_cast<unsigned>(g.curRow),
                        static_cast<unsigned>(g.rowCount));
  std::string caption(text, static_cast<size_t>(n));
  if (caption.size() > limit) caption.erase(std::remove(caption.begin(), caption.end(), ' '), caption.end());
  return StrFromView(caption);
}

StrValue GridLineText(const GridBuffer& g, StrValue name, int32_t row, uint16_t firstLineField) {
  if (name.IsError()) return Empty();
  std::string_view view = name.View();
  int32_t col = 0;
  if (view.substr(0, sizeof(kGridPrefix) - 1) == kGridPrefix) {
    col = GridNameColumn(g, view);
  } else if (uint16_t field = FieldFind(name)) {
    col = static_cast<int32_t>(field) - firstLineField + 1;
  }
  return col > 0 ? GridCellGet(g, row, col) : Empty();
}

Status GridRowsFill(GridBuffer& g, int32_t startRow, StrValue cond1, StrValue assignments, StrValue cond2) {
  int32_t start = RowOf(g, startRow);
  if (start < 1 || start > 65535) return 0;
  bool endTest = StrTrim(cond2, 3).len != 0;
  Status result = 0;
  uint32_t idle = 0;
  g.curRow = static_cast<uint16_t>(start);
  while (result == 0 && g.curRow >= 1 && g.curRow <= g.maxRows) {
    const StrAreaScope scope;
    MirrorRow(g);
    Status holds = ExpEvalCond(cond1);
    if (holds >= st::USERCANCELED) {
      result = holds;
      break;
    }
    if (holds) {
      if ((result = GridRowAssign(g, assignments)) != 0) break;
      ++g.curRow;
      idle = 0;
    } else if (++idle >= kGridFillIdleMax) {
      result = Fail(nullptr, st::INTERNALERROR, "GridRowsFill: no row filled in 65535 rounds");
      break;
    }
    if (!endTest) continue;
    Status ends = ExpEvalCond(cond2);
    if (ends >= st::USERCANCELED) result = ends;
    else if (ends) break;
  }
  g.curRow = static_cast<uint16_t>(start);
  MirrorRow(g);
  return result < 128 ? 0 : result;
}

Status GridRowAssign(GridBuffer& g, StrValue list) {
  if (Status e = StrError(list)) return e;
  uint32_t i = 0;
  Status result = 0;
  StrListIter it(list, ',');
  for (StrValue item; result == 0 && it.Next(&item);) {
    const StrAreaScope scope;
    if (++i > g.cols) {
      result = RunRule(item);
      if (result < st::USERCANCELED) result = 0;
      continue;
    }
    if (StrTrim(item, 3).len == 0) continue;
    StrValue value = ExpEvalStr(item);
    result = value.IsError() ? StrError(value) : GridCellSet(g, -1, static_cast<int32_t>(i), value);
  }
  g.flags |= kGridChanged | kGridLinesChanged;
  return result;
}
