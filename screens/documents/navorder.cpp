// Order numbers of the lines of a group (see navorder.h).
#include "screens/documents/navorder.h"

#include <algorithm>
#include <vector>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/recbuf.h"
#include "data/scans/selection.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/log.h"
#include "runtime/strutil.h"
#include "screens/datascreens/datascreen.h"
#include "screens/grids/gridbuf.h"
#include "screens/grids/linsgrid.h"
#include "screens/window/screendef.h"

namespace {

Status Fail(Status code, const std::string& detail, bool append = false) {
  ErrDetailSet(code, StrMake(detail.data(), static_cast<uint32_t>(std::min<size_t>(detail.size(), 1024))), append);
  return ErrSet(1, MOD_SCREENS, code, code);
}

int File() {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  return s && s->dataFile ? s->dataFile : DataFileNum(0);
}

uint16_t OrderWidth(int file) {
  uint16_t total = KeyLen(file, 1, 0);
  return total > NavsOrder().prefixLen ? static_cast<uint16_t>(total - NavsOrder().prefixLen) : 0;
}

int64_t OrderMax(int file) {
  int64_t max = 1;
  for (uint16_t i = 0; i < std::min<uint16_t>(OrderWidth(file), 18); ++i) max *= 10;
  return max - 1;
}

// The order part of a key text: digits after optional blanks; anything else
// reads as 0.
int64_t OrderOf(const std::string& key) {
  size_t at = NavsOrder().prefixLen;
  if (at >= key.size()) return 0;
  std::string part = key.substr(at);
  size_t from = part.find_first_not_of(' ');
  if (from == std::string::npos) return 0;
  size_t to = part.find_last_not_of(' ');
  int64_t n = 0;
  for (size_t i = from; i <= to; ++i) {
    if (part[i] < '0' || part[i] > '9' || n > 100000000000000000) return 0;
    n = n * 10 + (part[i] - '0');
  }
  return n;
}

std::string PrefixOf(const std::string& key) { return key.substr(0, std::min<size_t>(NavsOrder().prefixLen, key.size())); }

std::string NumberText(int file, int64_t n) {
  const StrAreaScope scope;
  std::string digits = std::to_string(n);
  return FmtByType('N', StrFromView(digits), OrderWidth(file)).Str();
}

std::string KeyOf(int file, const std::string& prefix, int64_t n) { return prefix + NumberText(file, n); }

std::string CurrentKey(int file) {
  const StrAreaScope scope;
  return KeyValueCur(file, 1).Str();
}

Status OverflowCheck(int file, int64_t n, const std::string& where) {
  if (n <= OrderMax(file)) return 0;
  return Fail(st::DATAOUTBOUND, where + ": " + std::to_string(n) + " does not fit the order field");
}

// The order field of the current record set to n (the caller writes it).
Status SetOrderField(int file, int64_t n) {
  std::string text = std::to_string(n);
  const StrAreaScope scope;
  return RecFieldSet(file, NavsOrder().orderField, StrFromView(text));
}

Status Fit(int direction, int grid, const std::string& key, int64_t t, int32_t* lines);

GridBuffer* Grid(int grid) {
  LinsGridRec* rec = LinsGridGet(grid);
  return rec ? &rec->buffer : nullptr;
}

// The file's records between two keys on key 1, in key order.
struct Row {
  std::string key;
  int64_t rec = -1;
  std::string image;
};

// Collects the records of key 1 from `from` while their key begins at most
// with `to`; the file's state (buffers, position, key, selections) kept.
Status Collect(int file, const std::string& from, const std::string& to, std::vector<Row>* rows) {
  rows->clear();
  DataStoreState saved;
  if (Status e = DataFileCtrlSave(&saved, file, nullptr)) return e;
  Status s = 0;
  {
    const StrAreaScope scope;
    s = SelOpen(file, 1, StrFromView(from), StrFromView(to), kSelAllRows, 3, StrMake("", 0));
  }
  if (s == 0) {
    uint16_t count = SelCount(file);
    for (uint32_t r = 0; r < count && s == 0; ++r) {
      s = SelRowRead(file, kRecBoth, r);
      if (s != 0) break;
      const StrAreaScope scope;
      rows->push_back({KeyValueCur(file, 1).Str(), SelRowRec(file, r), RecBuf(file, kRecCurrent).Str()});
    }
    Status rel = SelRelease(file);
    if (s == 0) s = rel;
  } else if (s < 128) {
    s = 0;  // no record: an empty range
  }
  Status back = DataFileCtrlSave(nullptr, file, &saved);
  return s ? s : back;
}

// Rewrites the record of a collected row with order n.
Status Renumber(int file, const Row& row, int64_t n) {
  if (Status s = DataFileRecLoad(file, static_cast<int32_t>(row.rec), kRecBoth); s != 0) return s >= 128 ? s : Fail(st::INTERNALERROR, "record " + std::to_string(row.rec) + " not found");
  if (Status s = SetOrderField(file, n)) return s;
  Status s = DataFileUpdate(file);
  return s >= 128 ? s : 0;
}

Status InsertImage(int file, const std::string& image) {
  if (Status s = DataFileMove(file, 0x01); s >= 128) return s;
  if (Status s = RecBufSet(file, kRecCurrent, StrMake(image.data(), static_cast<uint32_t>(image.size())))) return s;
  Status s = DataFileInsert(file);
  return s >= 128 ? s : 0;
}

// Puts a group back as the images say: its records now deleted, the images
// inserted. The first error is answered (the restore goes on past it).
Status GroupRestore(int file, const std::string& prefix, const std::vector<Row>& original) {
  Status first = 0;
  {
    const StrAreaScope scope;
    first = SelDeleteAll(file, 1, StrFromView(prefix), StrMake("", 0));
  }
  for (const Row& row : original) {
    Status s = InsertImage(file, row.image);
    if (!first) first = s;
  }
  return first;
}

// The number of records whose key 1 is the key.
Status CountKey(int file, const std::string& key, int64_t* n) {
  std::vector<Row> rows;
  Status s = Collect(file, key, key, &rows);
  *n = 0;
  for (const Row& r : rows) *n += r.key == key;
  return s;
}

// The shift of NavsOrderShift; *dup receives a key that occurs twice.
Status Shift(int file, const std::string& fromKey, const std::string& toKey, int64_t start, std::string* dup) {
  std::vector<Row> rows;
  if (Status s = Collect(file, fromKey, toKey, &rows)) return s;
  for (size_t i = rows.size(); i-- > 1;) {
    if (rows[i].key == rows[i - 1].key) {
      *dup = rows[i].key;
      return st::UNDEFWARNING;
    }
  }
  std::vector<int64_t> target(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    int64_t want = start + static_cast<int64_t>(i);
    target[i] = OrderOf(rows[i].key) >= want ? -1 : want;
    if (target[i] >= 0)
      if (Status e = OverflowCheck(file, want, "NavsOrderShift")) return e;
  }
  for (size_t i = rows.size(); i-- > 0;) {
    if (target[i] < 0) continue;
    if (Status s = Renumber(file, rows[i], target[i])) return s;
  }
  return 0;
}

Status Unique(int file, const std::string& key, int* budget) {
  int64_t m = OrderOf(key);
  if (m == 0) m = 1;
  int64_t n = 0;
  if (Status s = CountKey(file, key, &n)) return s;
  if (n < 2) return Fail(st::BADINPUTDATA, "_navsOrderUnique: No duplicate", true);
  std::string prefix = PrefixOf(key);
  if (Status e = OverflowCheck(file, m + n, "_navsOrderUnique")) return e;
  for (;;) {
    std::string dup;
    Status s = Shift(file, KeyOf(file, prefix, m + 1), prefix, m + n, &dup);
    if (s != st::UNDEFWARNING) {
      if (s) return s;
      break;
    }
    if (--*budget < 0) return Fail(st::LOOPFAILURE, "_navsOrderUnique: " + key);
    if ((s = Unique(file, dup, budget)) != 0) return s;
  }
  std::vector<Row> same;
  if (Status s = Collect(file, key, key, &same)) return s;
  same.erase(std::remove_if(same.begin(), same.end(), [&](const Row& r) { return r.key != key; }), same.end());
  {
    const StrAreaScope scope;
    if (Status s = SelDeleteAll(file, 1, StrFromView(key), StrMake("", 0))) return s;
  }
  // Last first: the first of them gets the highest number.
  int64_t number = m + static_cast<int64_t>(same.size()) - 1;
  for (size_t i = 0; i < same.size(); ++i, --number) {
    Row& row = same[i];
    if (Status s = RecBufSet(file, kRecCurrent, StrMake(row.image.data(), static_cast<uint32_t>(row.image.size()))))
      return s;
    if (Status s = SetOrderField(file, number)) return s;
    row.image = RecBuf(file, kRecCurrent).Str();
    if (Status s = InsertImage(file, row.image)) return s;
  }
  return 0;
}

}  // namespace

NavsOrderState& NavsOrder() {
  static NavsOrderState state;
  return state;
}

Status NavsOrderSetKey(int column) {
  int file = File();
  KeyPart parts;
  uint16_t count = KeyPartsDesc(file, 1, &parts);
  KeyFieldList fields = KeyFields(file, 1);
  if (column <= 0 || count < 2 || fields.status || fields.count != count)
    return Fail(st::BADINPUTDATA, "NavsOrderSetKey");
  NavsOrderState& s = NavsOrder();
  s.orderField = fields.field[count - 1];
  s.prefixLen = static_cast<uint16_t>(KeyLen(file, 1, 0) - parts.part[count - 1].length);
  s.prefixParts = static_cast<uint16_t>(count - 1);
  s.orderColumn = static_cast<uint16_t>(column);
  return 0;
}

std::string NavsOrderReadKey(const std::string& key, int mode) {
  int file = File();
  DataStoreState saved;
  if (DataFileCtrlSave(&saved, file, nullptr) != 0) return "";
  uint16_t k = DataFileKeyGet(file);
  std::string out;
  Status s = 0;
  {
    const StrAreaScope scope;
    s = DataFileReadKey(file, 1, StrFromView(key), dfmove::kAlsoOn1);
  }
  // Not found, the record after the key is loaded (1). Forwards a found key
  // steps on to the next record; backwards a key not found steps back to
  // the one before it, so the last line of a group is found from its
  // prefix followed by nines, whether or not that number is in use.
  if (mode == 4) {
    if (s == dfres::kNotFound || s == dfres::kEnd) s = DataFileMove(file, dfmove::kPrev);
  } else if (s == 0) {
    s = DataFileMove(file, dfmove::kNext);
  } else if (s == dfres::kNotFound) {
    s = 0;
  }
  if (s == 0) out = CurrentKey(file);
  DataFileKeySet(file, k);
  DataFileCtrlSave(nullptr, file, &saved);
  return out;
}

int64_t NavsOrderNextValue(const std::string& lastKey, const std::string& key) {
  if (lastKey.size() < NavsOrder().prefixLen || PrefixOf(lastKey) != PrefixOf(key)) return 1;
  return OrderOf(lastKey) + 1;
}

Status NavsOrderSetValue(int grid, int64_t n) {
  int file = File();
  if (Status e = OverflowCheck(file, n, "NavsOrderSetValue")) return e;
  GridBuffer* g = Grid(grid);
  if (!g) return Fail(st::SCREENSTRUCTERR, "NavsOrderSetValue");
  {
    const StrAreaScope scope;
    std::string text = NumberText(file, n);
    if (Status s = GridCellSet(*g, -1, NavsOrder().orderColumn, StrFromView(text))) return s;
  }
  return SetOrderField(file, n);
}

Status NavsOrderNext(int grid) {
  int file = File();
  std::string key = CurrentKey(file);
  std::string last = NavsOrderReadKey(PrefixOf(key) + std::string(OrderWidth(file), '9'), 4);
  return NavsOrderSetValue(grid, NavsOrderNextValue(last, key));
}

Status NavsOrderFit(int direction, int grid, const std::string& key, int32_t* lines) {
  return Fit(direction, grid, key, OrderOf(CurrentKey(File())), lines);
}

namespace {

// NavsOrderFit from order t: row i of the lines from the key gets
// i + t + direction (t + 1 for direction -1).
Status Fit(int direction, int grid, const std::string& key, int64_t t, int32_t* lines) {
  if (lines) *lines = 0;
  if (direction != 1 && direction != -1) return Fail(st::BADINPUTDATA, "NavsOrderFit: direction " + std::to_string(direction));
  int file = File();
  std::vector<Row> rows;
  if (Status s = Collect(file, key, PrefixOf(key), &rows)) return s;
  if (rows.empty()) return 0;
  if (direction < 0) ++t;
  int64_t top = static_cast<int64_t>(rows.size()) - 1 + t + direction;
  if (Status e = OverflowCheck(file, top, "NavsOrderFit")) return e;
  GridBuffer* g = Grid(grid);
  DataStoreState saved;
  if (Status e = DataFileCtrlSave(&saved, file, nullptr)) return e;
  Status s = 0;
  size_t count = rows.size();
  for (size_t step = 0; step < count && s == 0; ++step) {
    size_t i = direction > 0 ? count - 1 - step : step;
    const Row& row = rows[i];
    bool twice = (i > 0 && rows[i - 1].key == row.key) || (i + 1 < count && rows[i + 1].key == row.key);
    if (twice) {
      std::string line = "NavsOrderFit: Duplicate key: " + row.key;
      LogError(StrFromView(line), 1);
    }
    int64_t d = static_cast<int64_t>(i) + t + direction;
    // Every record of the key takes the number (duplicates too, once).
    bool first = direction > 0 ? (i + 1 == count || rows[i + 1].key != row.key) : (i == 0 || rows[i - 1].key != row.key);
    if (first) {
      for (size_t j = i; j < count && rows[j].key == row.key && s == 0; ++j) s = Renumber(file, rows[j], d);
      for (size_t j = i; j-- > 0 && rows[j].key == row.key && s == 0;) s = Renumber(file, rows[j], d);
    }
    int64_t at = (g ? g->curRow : 0) + static_cast<int64_t>(i) + (direction > 0 ? 1 : 0);
    if (s == 0 && g && at >= 1 && at <= g->rowCount) {
      const StrAreaScope scope;
      std::string text = NumberText(file, d);
      s = GridCellSet(*g, static_cast<int32_t>(at), NavsOrder().orderColumn, StrFromView(text));
    }
  }
  Status back = DataFileCtrlSave(nullptr, file, &saved);
  if (s) return s;
  if (lines) *lines = static_cast<int32_t>(count);
  return back;
}

}  // namespace

// The line is written, then the lines after it are numbered on from its
// number m: the first of them takes m + 1 (counted from the current
// record's number as the fit counts, it would take m itself).
Status NavsOrderInsertCheck(const std::string& key, int grid) {
  int file = File();
  std::string next = NavsOrderReadKey(key, 0);
  if (next.empty() || PrefixOf(next) != PrefixOf(key)) return 0;
  // A line not stored yet (a blank saved copy) is inserted, a stored one
  // updated; both with the key check.
  bool stored = StrTrim(RecBuf(file, kRecSaved), 3).len != 0;
  Status s = ScreenRecordWrite(file, stored ? 0x0F00 : 0x0D00, 0);
  if (s >= 5) return s;
  if ((s = RecBufCopy(file, 1)) != 0) return s;
  GridBuffer* g = Grid(grid);
  if (g) ++g->curRow;
  s = Fit(-1, grid, next, OrderOf(CurrentKey(file)) + 1, nullptr);
  if (g) --g->curRow;
  return s;
}

Status _navsOrderNumSve(int grid, int64_t* number) {
  int file = File();
  std::string key = CurrentKey(file);
  int64_t n = OrderOf(key);
  if (n == 0) {
    StrValue saved = RecBuf(file, kRecSaved);
    if (StrTrim(saved, 3).len != 0) return Fail(st::INTERNALERROR, "_navsOrderNumSve");
    GridBuffer* g = Grid(grid);
    if (!g) return Fail(st::SCREENSTRUCTERR, "_navsOrderNumSve");
    std::string last;
    if (g->curRow > 1) {
      // The previous row's key: its bound columns over a copy of the record.
      std::string image = RecBuf(file, kRecCurrent).Str();
      for (int32_t col = 1; col <= g->cols; ++col) {
        if (!g->fields[col - 1]) continue;
        const StrAreaScope scope;
        if (Status e = RecFieldSet(file, g->fields[col - 1], GridCellGet(*g, g->curRow - 1, col))) return e;
      }
      last = CurrentKey(file);
      RecBufSet(file, kRecCurrent, StrMake(image.data(), static_cast<uint32_t>(image.size())));
    }
    n = NavsOrderNextValue(last, key);
    if (Status s = NavsOrderSetValue(grid, n)) return s;
  }
  if (number) *number = n;
  return 0;
}

Status NavsOrderUnique(int file) {
  file = DataFileNum(file);
  std::string key = CurrentKey(file);
  int64_t n = 0;
  if (Status s = CountKey(file, key, &n)) return s;
  if (n < 2) return 0;
  Status s = _navsOrderUnique(file, key);
  if (s) return s;
  std::string line = "NavsOrderUnique: " + key;
  LogError(StrFromView(line), 1);
  const StrAreaScope scope;
  s = DataFileReadKey(file, 1, StrFromView(key), 0);
  return s >= 128 ? s : 0;
}

Status _navsOrderUnique(int file, const std::string& key) {
  file = DataFileNum(file);
  int64_t n = 0;
  if (Status s = CountKey(file, key, &n)) return s;
  if (n < 2) return Fail(st::BADINPUTDATA, "_navsOrderUnique: No duplicate", true);
  std::string prefix = PrefixOf(key);
  std::vector<Row> original;
  if (Status s = Collect(file, prefix, prefix, &original)) return s;
  DataStoreState saved;
  if (Status e = DataFileCtrlSave(&saved, file, nullptr)) return e;
  int budget = static_cast<int>(original.size());
  Status s = Unique(file, key, &budget);
  if (s >= 128) GroupRestore(file, prefix, original);  // the group goes back as it was
  DataFileCtrlSave(nullptr, file, &saved);
  return s;
}

Status NavsOrderShift(int file, const std::string& fromKey, const std::string& toKey, int64_t start) {
  std::string dup;
  Status s = Shift(DataFileNum(file), fromKey, toKey, start, &dup);
  if (s == st::UNDEFWARNING) Fail(s, "NavsOrderShift: " + dup);
  return s;
}
