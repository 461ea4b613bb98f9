// The document engine: keys, loading a document into its line buffer,
// saving and deleting it. Rows between the buffer and the screen are in
// docrowmove.cpp, navigation windows in docnavwin.cpp.
#include "screens/documents/docengine.h"

#include <algorithm>
#include <string>
#include <vector>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "data/dictionary/relations.h"
#include "data/scans/selection.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/documents/docinternal.h"
#include "screens/window/fieldvalues.h"
#include "screens/grids/linsgrid.h"
#include "screens/window/screenprops.h"
#include "script/evaluator.h"
#include "script/macros.h"

namespace docint {

const ScreenDesc* Screen() { return ScreenGet(kCurrentIndex); }
WinRecord* Record() { return WinGet(kCurrentIndex); }

LineBlock Lines(const ScreenDesc& s) {
  if (s.linesFirst) return {s.linesFirst, s.linesLast};
  return s.fieldCount ? LineBlock{1, s.fieldCount} : LineBlock{};
}

Status Fail(Status code, std::string_view detail) {
  ErrDetailSet(code, StrMake(detail.data(), static_cast<uint32_t>(std::min<size_t>(detail.size(), 1024))), false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

Status Run(StrValue text) {
  if (Status e = StrError(text)) return e;
  if (StrTrim(text, 3).len == 0) return 0;
  const StrAreaScope scope;
  Status s = ExpExecText(text);
  return s >= st::USERCANCELED ? s : 0;
}

void IerSet(Status s) { VarSysIntSet(kSysIer, static_cast<int16_t>(s)); }

uint16_t LineField(int file) {
  uint16_t f = DataFileLineField(file);
  return f == 0xffff ? 0 : f;
}

uint32_t LineNumberMax(int file) {
  uint16_t f = LineField(file);
  if (!f) return 65535;
  uint16_t width = DicFieldLen(file, f);
  uint32_t max = 1;
  for (uint16_t i = 0; i < width && max <= 65535; ++i) max *= 10;
  return std::min<uint32_t>(max - 1, 65535);
}

StrValue Relations(const ScreenDesc& s) { return RelExprGet(ScreenSliceText(s, s.relOpt), s.relLevel); }
StrValue KeyCheck(const ScreenDesc& s) { return ScreenSliceText(s, s.ik1); }

int WinKey(const WinRecord& r) { return r.keyNum ? r.keyNum : 1; }

}  // namespace docint

using namespace docint;

namespace {

StrValue Empty() { return StrMake("", 0); }

bool Blank(StrValue s) { return StrTrim(s, 3).len == 0; }

// The part of N_LINE in the key: its offset in the key text and width, when
// N_LINE is the key's last part; {0, 0} otherwise.
struct LinePart {
  uint16_t prefixLen = 0, width = 0;
};
LinePart LinePartOf(int file, int key) {
  uint16_t nline = LineField(file);
  if (!nline) return {};
  KeyFieldList fields = KeyFields(file, key);
  if (fields.status || fields.count == 0 || fields.field[fields.count - 1] != nline) return {};
  KeyPart parts;
  uint16_t count = KeyPartsDesc(file, key, &parts);
  if (count == 0) return {};
  uint16_t width = parts.part[count - 1].length;
  uint16_t total = KeyLen(file, key, 0);
  return {static_cast<uint16_t>(total - width), width};
}

// A copy of the file's current record.
std::string Image(int file) { return RecBuf(file, kRecCurrent).Str(); }

// Puts the image back as the file's current record.
void ImageBack(int file, const std::string& image) {
  RecBufSet(file, kRecCurrent, StrMake(image.data(), static_cast<uint32_t>(image.size())));
}

// Sets N_LINE to blanks in the current record (a header's line number).
Status LineFieldBlank(int file) {
  uint16_t f = LineField(file);
  if (!f) return 0;
  StrValue raw = RecFieldRaw(file, f, kRecCurrent);
  if (Status e = StrError(raw)) return e;
  std::fill(raw.ptr, raw.ptr + raw.len, ' ');
  return 0;
}

uint32_t LiveCount(int file) { return NdxPosition(file, -1).live; }

// Inserts the current record with the relations; the number of a record
// that went in (also when a relation statement failed after the write) goes
// to recs. Soft results (a repeated key) let the sequence go on.
Status InsertCurrent(int file, StrValue relations, std::vector<int64_t>* recs) {
  uint32_t live = LiveCount(file);
  Status s = DataFileAction(dfact::kInsert, file, relations, Empty());
  if (recs && LiveCount(file) > live) recs->push_back(NdxCurRecNo(file));
  return s;
}

// The grid whose line buffer this is, null when it belongs to none.
const LinsGridRec* GridOfBuffer(const GridBuffer& buffer) {
  for (int level = 0; level < kLinsGridLevels; ++level) {
    const LinsGridRec* r = LinsGridGet(level);
    if (r && &r->buffer == &buffer) return r;
  }
  return nullptr;
}

// The rows a load may fill from the buffer's current row: what the buffer
// has free, a navigation grid's visible rows.
int32_t LoadRows(const GridBuffer& buffer) {
  int32_t room = buffer.maxRows - buffer.curRow + 1;
  if (buffer.mode == kGridNavigation)
    if (const LinsGridRec* g = GridOfBuffer(buffer); g && (g->flags & kLinsNavigation))
      room = std::min<int32_t>(room, g->visibleRows);
  return std::max<int32_t>(room, 0);
}

// The state of one save: what was deleted and what was written, to put the
// stored document back when the save fails.
struct SaveUndo {
  int file = 0;
  std::vector<std::string> kept;
  std::vector<int64_t> written;

  // Removes what was written and writes the kept records again, both with
  // the relations (their statements undo and redo what the writes did).
  void Rollback(StrValue relations) {
    ErrorKeeper first;  // the failure that started this is the one to report
    for (auto it = written.rbegin(); it != written.rend(); ++it) {
      if (DataFileRecLoad(file, static_cast<int32_t>(*it), kRecBoth) == 0)
        DataFileAction(dfact::kDelete, file, relations, Empty());
    }
    for (const std::string& image : kept) {
      DataFileMove(file, dfmove::kNew);
      ImageBack(file, image);
      DataFileAction(dfact::kInsert, file, relations, Empty());
    }
    DataFileReopen(file, 0);
    first.Restore();
  }
};

// The delete loop of MovsDocDelete; *clean tells that it ended because no
// further record was found.
Status DeleteLoop(int file, int key, StrValue keyText, StrValue relations, StrValue keyCheck,
                  std::vector<std::string>* kept, bool* clean) {
  *clean = false;
  if (Blank(keyText)) return dfres::kEnd;
  std::string text(keyText.View());
  std::string rels(relations.View()), check(keyCheck.View());
  int64_t last = -1;
  // More deletes than the file had records: something writes them back.
  uint32_t limit = LiveCount(file), deleted = 0;
  for (;;) {
    const StrAreaScope scope;
    Status r = DataFileReadKey(file, key, StrFromView(text), 0);
    if (r != 0) {
      *clean = r < 128;
      return r;
    }
    int64_t rec = NdxCurRecNo(file);
    if (rec == last || deleted >= limit)
      return Fail(st::LOOPFAILURE, "MovsDocDelete: record " + std::to_string(rec) + " found again");
    last = rec;
    std::string image = Image(file);
    uint32_t live = LiveCount(file);
    Status d = DataFileAction(dfact::kDelete, file, StrFromView(rels), StrFromView(check));
    // Gone also when a relation statement failed after the delete.
    if (kept && LiveCount(file) < live) kept->push_back(std::move(image));
    if (d != 0) return d;
    ++deleted;
  }
}

// The key a document is deleted by: the prefix, or the full key value in a
// file without N_LINE (never a shorter text, which would reach other
// documents).
StrValue DeleteKey(int file, int key) {
  if (LinePartOf(file, key).width) return MovsLineKey(kMovsPrefix);
  return KeyValueCur(file, key);
}

// MovsDocDeleteCurrent with the records kept; *clean as DeleteLoop. A save
// reopens the file once, at its end.
Status DeleteCurrent(std::vector<std::string>* kept, bool* clean, bool reopen) {
  *clean = false;
  const ScreenDesc* s = Screen();
  if (!s || !s->dataFile || !Record()) return Fail(st::SCREENSTRUCTERR, "MovsDocDeleteCurrent");
  int file = s->dataFile;
  if (Status e = ScreenBufStack(kBufImagePush)) return e;
  Status r = 0;
  {
    const StrAreaScope scope;
    StrValue key = DeleteKey(file, 1);
    r = StrError(key);
    if (!r) r = DeleteLoop(file, 1, key, Relations(*s), KeyCheck(*s), kept, clean);
  }
  Status reopened = reopen ? DataFileReopen(file, 0) : 0;
  Status popped = ScreenBufStack(kBufImagePop);
  Status after = reopened ? reopened : popped;
  if (*clean && after) {
    *clean = false;
    r = after;
  }
  return r;
}

// The condition of header pass j: the screen's WRITECAB<j>$, else the
// pre-statement.
StrValue PassCondition(int j, StrValue pre) {
  std::string name = "WRITECAB" + std::to_string(j) + "$";
  StrValue own = ScreenDefLookup(StrFromView(name));
  if (own.IsError() || Blank(own)) return pre;
  return MacroExpand(own, 0);
}

}  // namespace

// --- Keys --------------------------------------------------------------------

StrValue MovsLineKey(int n) {
  const ScreenDesc* s = Screen();
  const WinRecord* r = Record();
  if (!s || !r || !s->dataFile) return StrErr(Fail(st::SCREENSTRUCTERR, "MovsLineKey"));
  int file = s->dataFile, key = WinKey(*r);
  uint16_t mark = StrAreaMark(-1);
  StrValue value = KeyValueCur(file, key);
  if (value.IsError()) return StrAreaReturn(mark, value);
  if (!LineField(file)) return StrAreaReturn(mark, StrTrim(value, 2));
  LinePart part = LinePartOf(file, key);
  if (!part.width) return StrAreaReturn(mark, value);
  StrValue prefix{value.ptr, std::min(value.len, part.prefixLen)};
  if (n == 0 || n == kMovsPrefix) return StrAreaReturn(mark, prefix);
  std::string number = std::to_string(n);
  StrValue line = FmtByType('N', StrFromView(number), part.width);
  return StrAreaReturn(mark, StrCat(prefix, line));
}

// --- Loading -----------------------------------------------------------------

Status MovsHeaderRead(int file, int key, StrValue keyText) {
  if (Status e = StrError(keyText)) return e;
  const ScreenDesc* s = Screen();
  const WinRecord* w = Record();
  if (!s || !w) return Fail(st::SCREENSTRUCTERR, "MovsHeaderRead");
  if (key == 0) key = WinKey(*w);
  const StrAreaScope scope;
  StrValue perRecord = StrTrim(ScreenProp(kPropReadCabs, 1), 3);
  if (Status e = StrError(perRecord)) return e;
  uint16_t nline = LineField(file);
  std::string header(keyText.View());
  if (nline) header.append(DicFieldLen(file, nline), ' ');
  Status r = 0;
  if (perRecord.len) {
    r = SelOpen(file, key, keyText, StrFromView(header), kSelAllRows, 3, Empty());
    if (r == 0) {
      uint16_t rows = SelCount(file);
      bool first = true;
      Status last = dfres::kEnd;
      for (uint32_t row = 0; row < rows; ++row) {
        Status read = SelRowRead(file, first ? kRecBoth : kRecSaved, row);
        if (read >= st::USERCANCELED) {
          last = read;
          break;
        }
        if (read != 0) {  // a row gone meanwhile: skipped, never read again
          last = read;
          continue;
        }
        if (!first) {
          Status stmt = Run(perRecord);
          if (stmt) {
            last = stmt;
            break;
          }
        }
        first = false;
        last = 0;
      }
      r = first || last >= st::USERCANCELED ? last : 0;
      SelRelease(file);
      RecBufCopy(file, 1);
    }
  } else {
    r = DataFileReadKey(file, key, StrFromView(header), 0);
  }
  if (r <= dfres::kEnd) {
    Status after = Run(MacroExpand(ScreenProp(kPropReadCabs, 2), 0));
    if (after >= 128) r = after;
  }
  if (r < 128) IerSet(r);
  return r;
}

Status MovsSelectionEach(int file, AppendRowFn fn) {
  uint16_t rows = SelCount(file);
  for (uint32_t row = 0; row < rows; ++row) {
    if (Status r = SelRowRead(file, kRecBoth, row)) return r;
    if (Status r = fn(file)) return r;
  }
  return 0;
}

namespace {

// The load running now (MovsSelectionEach calls a plain function): its
// buffer, row statements and the rows it may still fill.
struct LoadRun {
  GridBuffer* buffer = nullptr;
  StrValue statements;
  int32_t left = 0;
};
LoadRun g_load;
// AppendLoaded's answer for a row past the room: not an error by itself.
constexpr Status kLoadFull = 0xFFFE;

Status AppendLoaded(int file) {
  if (g_load.left-- <= 0) return kLoadFull;
  return MovsLineAppend(file, *g_load.buffer, g_load.statements);
}

}  // namespace

Status MovsLinesLoad(GridBuffer& buffer, StrValue fromKey, StrValue toKey) {
  if (Status e = StrError(fromKey)) return e;
  if (Status e = StrError(toKey)) return e;
  const ScreenDesc* s = Screen();
  const WinRecord* w = Record();
  if (!s || !w || !s->dataFile) return Fail(st::SCREENSTRUCTERR, "MovsLinesLoad");
  int file = s->dataFile;
  if (buffer.curRow < 1) buffer.curRow = 1;
  uint16_t start = buffer.curRow;
  const StrAreaScope scope;
  StrValue from = fromKey.len ? fromKey : MovsLineKey(1);
  StrValue to = toKey.len ? toKey : MovsLineKey(kMovsPrefix);
  if (Status e = StrError(from)) return e;
  if (Status e = StrError(to)) return e;
  int32_t room = LoadRows(buffer);
  // One row more than fits tells a document that holds too many lines.
  int32_t want = buffer.mode != kGridNavigation ? room + 1 : room;
  Status r = room > 0 ? SelOpen(file, WinKey(*w), from, to, want, 3, Empty()) : dfres::kEnd;
  bool tooMany = false;
  if (r == 0) {
    StrValue statements = MacroExpand(ScreenProp(kPropReadLins, 0), 0);
    r = StrError(statements);
    if (!r) {
      LoadRun outer = g_load;
      g_load = LoadRun{&buffer, statements, room};
      r = MovsSelectionEach(file, AppendLoaded);
      g_load = outer;
      tooMany = r == kLoadFull;
      if (tooMany) r = 0;
    }
    SelRelease(file);
  }
  if (r < 128) {
    buffer.curRow = start;
    VarSysIntSet(kSysLNum, static_cast<int16_t>(start));
    IerSet(r);
  }
  buffer.flags &= static_cast<uint16_t>(~kGridLinesChanged);
  if (tooMany)
    return Fail(st::DATAOUTBOUND, "MovsLinesLoad: more lines stored than the " + std::to_string(room) +
                                      " rows free for " + std::string(StrTrim(to, 2).View()));
  return r;
}

Status MovsLineAppend(int file, GridBuffer& buffer, StrValue rowStatements) {
  bool full = buffer.mode != kGridNavigation && buffer.rowCount >= buffer.maxRows;
  if (buffer.curRow > buffer.maxRows || full) return Fail(st::DATAOUTBOUND, "MovsLineAppend: buffer full");
  if (Status e = GridShiftRows(buffer, +1)) return e;
  if (Status e = MovsLineFill(file, buffer, rowStatements)) return e;
  ++buffer.curRow;
  VarSysIntSet(kSysLNum, static_cast<int16_t>(buffer.curRow));
  return 0;
}

Status MovsLineFill(int, GridBuffer& buffer, StrValue rowStatements) {
  if (Status e = StrError(rowStatements)) return e;
  const ScreenDesc* s = Screen();
  if (!s) return Fail(st::SCREENSTRUCTERR, "MovsLineFill");
  VarSysIntSet(kSysLNum, static_cast<int16_t>(buffer.curRow));
  if (Status e = Run(StrListItem(rowStatements, ',', 1))) return e;
  LineBlock lines = Lines(*s);
  for (int32_t col = 1; col <= buffer.cols; ++col) {
    const StrAreaScope scope;
    StrValue value;
    if (col <= lines.Count()) {
      value = FieldValueGet(kPutFromFile | kPutAssign, static_cast<uint16_t>(lines.first + col - 1));
    } else {
      StrValue item = ScreenProp(kPropLnAssign, col - lines.Count());
      value = Blank(item) ? Empty() : ExpEvalStr(item);
    }
    if (Status e = StrError(value)) return e;
    if (Status e = GridCellSet(buffer, -1, col, value)) return e;
  }
  return Run(StrListItem(rowStatements, ',', 2));
}

Status MovsLineReadHook(int file) {
  int grid = MovsWinGrid();
  if (grid < 0) return Fail(st::SCREENSTRUCTERR, "MovsLineReadHook: no lines grid");
  const StrAreaScope scope;
  StrValue statements = MacroExpand(ScreenProp(kPropReadLins, 0), 0);
  if (Status e = StrError(statements)) return e;
  return MovsLineAppend(file, LinsGridGet(grid)->buffer, statements);
}

// --- Writing -----------------------------------------------------------------

Status MovsLineToRecord(int file, GridBuffer& buffer, StrValue statement) {
  VarSysIntSet(kSysLNum, static_cast<int16_t>(buffer.curRow));
  for (int32_t col = 1; col <= buffer.cols; ++col) {
    uint16_t field = buffer.fields[col - 1];
    if (!field) continue;
    const StrAreaScope scope;
    if (Status e = RecFieldSet(file, field, GridCellGet(buffer, -1, col))) return e;
  }
  return Run(statement);
}

Status MovsLinesStore(int file, GridBuffer& buffer, bool write, StrValue lineStatement, StrValue relations,
                      std::vector<int64_t>* recs) {
  if (Status e = StrError(lineStatement)) return e;
  if (Status e = StrError(relations)) return e;
  uint16_t nline = write ? LineField(file) : 0;
  for (uint32_t row = 1; row <= buffer.rowCount; ++row) {
    const StrAreaScope scope;
    buffer.curRow = static_cast<uint16_t>(row);
    VarSysIntSet(kSysLNum, static_cast<int16_t>(row));
    if (nline) {
      std::string number = std::to_string(row);
      if (Status e = RecFieldSet(file, nline, StrFromView(number))) return e;
    }
    if (Status e = MovsLineToRecord(file, buffer, lineStatement)) return e;
    if (write && file) {
      Status s = InsertCurrent(file, relations, recs);
      if (s >= 128) return s;
    }
  }
  return 0;
}

Status MovsDocDelete(int file, int key, StrValue keyText, StrValue relations, StrValue keyCheck,
                     std::vector<std::string>* kept) {
  if (Status e = StrError(keyText)) return e;
  if (Status e = StrError(relations)) return e;
  if (Status e = StrError(keyCheck)) return e;
  bool clean = false;
  return DeleteLoop(file, key, keyText, relations, keyCheck, kept, &clean);
}

Status MovsDocDeleteCurrent() {
  bool clean = false;
  return DeleteCurrent(nullptr, &clean, true);
}

Status MovsHeaderWrite(int count, StrValue pre, StrValue cond, StrValue after, StrValue keyCond,
                       std::vector<int64_t>* recs) {
  for (StrValue t : {pre, cond, after, keyCond})
    if (Status e = StrError(t)) return e;
  const ScreenDesc* s = Screen();
  if (!s || !s->dataFile) return Fail(st::SCREENSTRUCTERR, "MovsHeaderWrite");
  int file = s->dataFile;
  if (Status e = Run(pre)) return e;
  if (Status e = LineFieldBlank(file)) return e;
  int passes = std::max(count, 1);
  bool written = false;
  for (int j = 1;; ++j) {
    if (j > kMovsHeaderPassMax) return Fail(st::LOOPFAILURE, "MovsHeaderWrite: more than 999 header passes");
    const StrAreaScope scope;
    VarSysIntSet(kSysHNum, static_cast<int16_t>(j));
    StrValue condition = Blank(keyCond) ? PassCondition(j, pre) : cond;
    if (Status e = StrError(condition)) return e;
    Status holds = ExpEvalCond(condition);
    if (holds >= st::USERCANCELED) return holds;
    bool write = holds == 1 || (j == passes && !written);
    if (j > passes && !write) return 0;
    if (write) {
      // A condition may have set N_LINE; a header keeps it blank.
      if (Status e = LineFieldBlank(file)) return e;
      Status w = InsertCurrent(file, Relations(*s), recs);
      if (w >= 128) return w;
      written = true;
      if (Status e = Run(after)) return e;
    }
  }
}

Status MovsDocSave(GridBuffer& buffer) {
  const ScreenDesc* s = Screen();
  if (!s || !s->dataFile || !Record()) return Fail(st::SCREENSTRUCTERR, "MovsDocSave");
  int file = s->dataFile;
  if (buffer.rows) GridTrimEmpty(buffer);
  if (buffer.rowCount > LineNumberMax(file))
    return Fail(st::DATAOUTBOUND, "MovsDocSave: " + std::to_string(buffer.rowCount) + " lines, N_LINE holds " +
                                      std::to_string(LineNumberMax(file)));
  const StrAreaScope scope;
  SaveUndo undo;
  undo.file = file;
  bool clean = false;
  Status r = DeleteCurrent(&undo.kept, &clean, false);
  if (!clean) {
    if (!undo.kept.empty()) undo.Rollback(Relations(*s));
    return r ? r : Fail(st::INTERNALERROR, "MovsDocSave: delete");
  }
  std::string header = Image(file);
  StrValue cab0 = ScreenProp(kPropWriteCab0, 0);
  StrValue cabs = ScreenProp(kPropWriteCabs, 0);
  r = StrError(cab0) ? StrError(cab0) : StrError(cabs);
  if (!r && !Blank(cab0)) {
    StrValue numCab = ScreenProp(kPropNumCab, 0);
    int count = Blank(numCab) ? 1 : ExpEvalInt(numCab);
    r = MovsHeaderWrite(count, cab0, Empty(), Empty(), Empty(), &undo.written);
  } else if (!r && !Blank(cabs)) {
    r = MovsHeaderWrite(0, StrListItem(cabs, ',', 1), StrListItem(cabs, ',', 2), StrListItem(cabs, ',', 3),
                        StrListItem(cabs, ',', 4), &undo.written);
  }
  if (r < 128) {
    uint16_t row = buffer.curRow;
    r = MovsLinesStore(file, buffer, true, ScreenProp(kPropWriteLins, 0), Relations(*s), &undo.written);
    buffer.curRow = row;
  }
  if (r < 128) r = DataFileReopen(file, 0);
  if (r >= 128) {
    undo.Rollback(Relations(*s));
    ImageBack(file, header);
    return r;
  }
  ImageBack(file, header);
  buffer.flags &= static_cast<uint16_t>(~kGridLinesChanged);
  return Run(ScreenProp(kPropSaved, 0));
}
