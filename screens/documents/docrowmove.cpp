// The document engine, rows: one row moved between the line buffer, the
// screen's line fields and the data file's record; the window's grid and
// its names in expressions.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "platform/ui/ui.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/datascreens/datascreen.h"
#include "screens/documents/docinternal.h"
#include "screens/documents/docengine.h"
#include "screens/window/fieldvalues.h"
#include "screens/grids/gridview.h"
#include "screens/grids/linsgrid.h"
#include "screens/window/screenprops.h"
#include "script/evaluator.h"

using namespace docint;

namespace {

StrValue Empty() { return StrMake("", 0); }

constexpr std::string_view kGridName = "_GRID";

bool IdentChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c == '#' || c == '.';
}

// The names a text mentions: runs of name characters outside quotes.
std::vector<std::string_view> NamesIn(std::string_view text) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (c == '\'' || c == '"') {
      size_t close = text.find(c, i + 1);
      i = close == std::string_view::npos ? text.size() : close + 1;
    } else if (IdentChar(c)) {
      size_t start = i;
      while (i < text.size() && IdentChar(text[i])) ++i;
      out.push_back(text.substr(start, i - start));
    } else {
      ++i;
    }
  }
  return out;
}

// The LNASSIGN$ item of column col (past the line fields), or empty.
StrValue AssignItem(int32_t col, const LineBlock& lines) {
  return StrTrim(ScreenProp(kPropLnAssign, col - lines.Count()), 3);
}

// A field reference NAME{file} of the screen's data file: its field
// number, 0 for anything else.
uint16_t OwnFieldRef(StrValue item, int file) {
  if (item.len < 3 || item.ptr[item.len - 1] != '}' || !StrFindCharAt(item, 0, '{', true)) return 0;
  DataFieldDesc d = DicFieldRefParse(item);
  return d.status == 0 && d.field && DicFileNum(d.file) == file ? d.field : 0;
}

// The initial value of a line field on a new row: its ASSIGN$, else empty.
StrValue InitialValue(uint16_t n, const std::vector<uint16_t>& emptied) {
  if (std::find(emptied.begin(), emptied.end(), n) != emptied.end()) return Empty();
  FieldDesc f = FieldGet(n);
  if (f.status) return StrErr(f.status);
  return (f.flags & kFieldHasAssign) ? FieldValueGet(kPutAssign, n) : Empty();
}

Status RowToFields(GridBuffer& buffer, const ScreenDesc& s) {
  LineBlock lines = Lines(s);
  bool fresh = buffer.curRow > buffer.rowCount;
  std::vector<uint16_t> emptied = fresh ? MovsFieldList() : std::vector<uint16_t>{};
  for (int32_t col = 1; col <= buffer.cols; ++col) {
    const StrAreaScope scope;
    if (col <= lines.Count()) {
      uint16_t n = static_cast<uint16_t>(lines.first + col - 1);
      StrValue value = fresh ? InitialValue(n, emptied) : GridCellGet(buffer, -1, col);
      if (Status e = StrError(value)) return e;
      if (Status e = FieldPut(kCheckInput, n, value)) return e;
      continue;
    }
    StrValue item = AssignItem(col, lines);
    StrValue value = fresh ? (item.len ? ExpEvalStr(item) : Empty()) : GridCellGet(buffer, -1, col);
    if (Status e = StrError(value)) return e;
    if (uint16_t field = OwnFieldRef(item, s.dataFile))
      if (Status e = RecFieldSet(s.dataFile, field, value)) return e;
  }
  return 0;
}

Status FieldsToRow(GridBuffer& buffer, const ScreenDesc& s) {
  LineBlock lines = Lines(s);
  int32_t row = buffer.curRow;
  for (int32_t col = 1; col <= buffer.cols; ++col) {
    const StrAreaScope scope;
    StrValue value;
    if (col <= lines.Count()) {
      value = FieldValue(static_cast<uint16_t>(lines.first + col - 1));
    } else {
      StrValue item = AssignItem(col, lines);
      value = item.len ? ExpEvalStr(item) : Empty();
    }
    if (Status e = StrError(value)) return e;
    if (Status e = GridCellSet(buffer, row, col, value)) return e;
  }
  return 0;
}

// The list view rows a grid shows now: from the first visible one, as many
// as it has visible rows, not past the row after the last.
void VisibleRange(const LinsGridRec& g, int32_t* from, int32_t* to) {
  int32_t top = (g.flags & kLinsNavigation) ? 0 : ui::lv_top_index(GridViewGet(g.slot).view);
  *from = std::max(top, 0) + 1;
  int32_t last = g.buffer.rowCount + (g.buffer.rowCount < g.buffer.maxRows ? 1 : 0);
  *to = std::min<int32_t>(*from + g.visibleRows - 1, last);
}

}  // namespace

// --- Rows between the buffer and the line fields --------------------------------------

std::vector<uint16_t> MovsFieldList() {
  std::vector<uint16_t> out;
  const ScreenDesc* s = Screen();
  if (!s) return out;
  std::vector<std::string_view> mentioned;
  for (uint16_t n = 1; n <= s->fieldCount; ++n) {
    std::vector<std::string_view> names = NamesIn(ScreenSliceText(*s, s->fields[n - 1].assign).View());
    mentioned.insert(mentioned.end(), names.begin(), names.end());
  }
  LineBlock lines = Lines(*s);
  for (uint16_t n = lines.first; n && n <= lines.last; ++n) {
    std::string_view name = StrTrim(ScreenSliceText(*s, s->fields[n - 1].name), 3).View();
    if (!name.empty() && std::find(mentioned.begin(), mentioned.end(), name) != mentioned.end()) out.push_back(n);
  }
  return out;
}

Status MovsLinesWrite(int direction, GridBuffer& buffer) {
  const ScreenDesc* s = Screen();
  if (!s || !Record()) return Fail(st::SCREENSTRUCTERR, "MovsLinesWrite");
  if (buffer.curRow == 0 || !buffer.rows) return 0;
  return direction == 1 ? FieldsToRow(buffer, *s) : RowToFields(buffer, *s);
}

Status MovsLineCommit(GridBuffer& buffer) {
  WinRecord* r = Record();
  if (!Screen() || !r) return Fail(st::SCREENSTRUCTERR, "MovsLineCommit");
  if (r->curField)
    if (Status e = FieldValidate(FieldCtlId(r->curField))) return e;
  if (buffer.curRow == 0 || !buffer.rows) return 0;
  const StrAreaScope scope;
  std::string before = buffer.curRow <= buffer.rowCount ? GridRowText(buffer).Str() : std::string();
  uint16_t count = buffer.rowCount;
  if (Status e = MovsLinesWrite(1, buffer)) return e;
  if (buffer.rowCount == count && GridRowText(buffer).View() == before) return 0;
  buffer.flags |= kGridChanged | kGridLinesChanged;
  return 1;
}

Status MovsLineCommitRefresh(int grid) {
  LinsGridRec* g = LinsGridGet(grid);
  if (!g) return Fail(st::SCREENSTRUCTERR, "MovsLineCommitRefresh");
  Status r = MovsLineCommit(g->buffer);
  if (r == 1)
    if (Status e = LinsGridRefresh(grid)) return e;
  return r;
}

Status MovsLinesFlushRefresh(int grid) {
  LinsGridRec* g = LinsGridGet(grid);
  if (!g) return Fail(st::SCREENSTRUCTERR, "MovsLinesFlushRefresh");
  if (g->buffer.curRow == 0) return 0;
  if (Status e = MovsLinesWrite(0, g->buffer)) return e;
  int32_t from = 0, to = 0;
  VisibleRange(*g, &from, &to);
  return LinsGridRefreshRange(grid, from, to);
}

Status MovsLineRead(int file, int grid) {
  LinsGridRec* g = LinsGridGet(grid);
  if (!g) return Fail(st::SCREENSTRUCTERR, "MovsLineRead");
  if (Status e = MovsLineToRecord(file, g->buffer, Empty())) return e;
  const StrAreaScope scope;
  uint16_t key = DataFileKeyGet(file);
  std::string text = KeyValueCur(file, 1).Str();
  Status r = DataFileReadKey(file, 1, StrFromView(text), 0);
  // The grid pages on the window's key: it stays the file's current key.
  if (key != 1 && r < 128) DataFileKeySet(file, key);
  if (r < 128) IerSet(r);
  return r;
}

Status MovsKeyFieldsShow(GridBuffer* buffer) {
  const ScreenDesc* s = Screen();
  if (!s || !Record()) return Fail(st::SCREENSTRUCTERR, "MovsKeyFieldsShow");
  if (buffer && buffer->rows) GridReset(*buffer);
  std::vector<uint16_t> keys = ScreenKeyFieldList(1);
  for (uint16_t n : keys) {
    const StrAreaScope scope;
    if (Status e = FieldPut(kCheckInput, n, FieldValue(n))) return e;
  }
  int after = keys.empty() ? 1 : *std::max_element(keys.begin(), keys.end()) + 1;
  if (after > s->fieldCount) return 0;
  Status r = FieldsRefresh(kPutRaw | kPutSetFile, after, -1);
  return r >= 122 ? r : 0;
}

// --- The window's grid -------------------------------------------------------

int MovsWinGrid() {
  const WinRecord* r = Record();
  if (!r) return -1;
  const LinsGridRec* g = LinsGridGet(r->gridIndex);
  if (!g || !(g->flags & (kLinsDocument | kLinsNavigation))) return -1;
  ui::Hwnd view = GridViewGet(g->slot).view;
  if (r->window && view && ui::get_parent(view) != r->window) return -1;
  return r->gridIndex;
}

HookEntry GridTextHookTake() {
  HookEntry saved = TaskHookEntry(kHookArrayTerm);
  TaskHookSet(&GridLineTextHook, kHookArrayTerm);
  return saved;
}

void GridTextHookGive(const HookEntry& saved) { TaskHookStore(saved, kHookArrayTerm); }

StrValue GridLineTextHook(StrValue name, int row) {
  if (name.IsError()) return name;
  std::string_view view = name.View();
  std::string_view bare = view;
  if (!bare.empty() && (bare.back() == '$' || bare.back() == '#')) bare.remove_suffix(1);
  bool gridName = bare.substr(0, kGridName.size()) == kGridName;
  uint16_t field = gridName ? 0 : FieldFind(name);
  if (!gridName && !field) return StrErr(st::BADINPUTDATA);  // not a line name: an array's
  int grid = MovsWinGrid();
  const ScreenDesc* s = Screen();
  if (grid < 0 || !s) return Empty();
  uint16_t mark = StrAreaMark(-1);
  const GridBuffer& buffer = LinsGridGet(grid)->buffer;
  StrValue text = gridName ? StrFromView(bare) : name;
  return StrAreaReturn(mark, GridLineText(buffer, text, row, Lines(*s).first));
}
