#include "apps/administration/admfuncs.h"

#include <cctype>
#include <string_view>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/fileaction.h"
#include "data/dictionary/relations.h"
#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/arrays.h"
#include "script/evaluator.h"
#include "script/variables.h"

namespace {

constexpr char kLabelArray[] = "_#(";
constexpr char kNumericTypes[] = "NL123456789";
constexpr uint32_t kPollEvery = 256;  // rows between two cancel polls of a range scan

StrValue View(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

Status Detail(Status code, const std::string& text) {
  ErrDetailSet(code, View(text), false);
  return ErrSet(1, MOD_NONE, code, code);
}

// ExpEvalCond inside its own mark: 1 true, 0 false, or 122 and above.
Status Holds(StrValue condition) {
  StrAreaScope scope;
  return ExpEvalCond(condition);
}

// A statement text: an empty one does nothing.
Status Evaluate(StrValue text) {
  if (StrTrim(text, 3).len == 0) return 0;
  StrAreaScope scope;
  return ExpEvalStatus(text);
}

}  // namespace

// --- Rows of a key range -------------------------------------------------------

Status AdmKeyRangeRows(int file, int key, StrValue start, StrValue limit, StrValue condition,
                       std::vector<AdmRangeRow>* rows, const AdmRowFn& each) {
  for (StrValue s : {start, limit, condition}) {
    if (Status e = StrError(s)) return e;
  }
  std::string from(start.View()), to(limit.View()), cond(condition.View());
  Status s = DataFileReadKey(file, key, View(from), dfmove::kAlsoOn1);
  for (uint32_t seen = 0; s < 2; s = DataFileMove(file, dfmove::kNext)) {
    Status beyond = DataFileKeyLimit(file, 0, View(to));
    if (beyond != 0) return beyond >= 128 ? beyond : 0;
    if (++seen % kPollEvery == 0) {
      if (Status c = DataFileCancelPoll()) return c;
    }
    Status c = cond.empty() ? 1 : Holds(View(cond));
    if (c >= 122) return c;
    if (c != 1) continue;
    int64_t rec = NdxCurRecNo(file);
    if (rec < 0) return ErrSet(1, MOD_DATAFILE, st::INTERNALERROR, st::INTERNALERROR);
    AdmRangeRow row{static_cast<int32_t>(rec), {}};
    {
      StrAreaScope scope;
      StrValue k = KeyValueCur(file, 1);
      if (k.IsError()) return StrError(k);
      row.key1 = k.Str();
    }
    if (each) {
      if (Status e = each(row)) return e;
    }
    if (rows) rows->push_back(std::move(row));
  }
  return s >= 128 ? s : 0;
}

Status AdmRowLoad(int file, const AdmRangeRow& row) {
  Status s = DataFileRecLoad(file, row.rec, 3);
  if (s != 0) return s;
  // The buffer now holds a stored record, as after a read by key.
  if (DataFileCtrlBlock* ctrl = DataFileCtrl(file)) ctrl->lastStatus = dfres::kFound;
  return 0;
}

// --- The repeat loop ---------------------------------------------------------------

Status RecOperWhile(StrValue condition, StrValue statement, uint16_t mode, int file, StrValue list) {
  for (StrValue s : {condition, statement, list}) {
    if (Status e = StrError(s)) return e;
  }
  if (condition.len == 0) return Detail(st::BADINPUTDATA, "RecOperWhile");
  std::string cond(condition.View()), stmt(statement.View()), rel(list.View());
  for (;;) {
    // A condition that never turns false must still be stoppable.
    if (Status c = DataFileCancelPoll()) return c;
    Status c = Holds(View(cond));
    if (c != 1) return c >= 122 ? c : 0;
    if (Status e = Evaluate(View(stmt))) return e;
    StrAreaScope scope;
    if (Status a = DataFileAction(mode, file, View(rel), StrMake("", 0))) return a;
  }
}

// --- Dictionary items ------------------------------------------------------------------

StrValue DicItemEval(int file, int relation) {
  uint16_t mark = StrAreaMark(-1);
  int current = DicFileNum(0);
  if (current < 1 || current > DataFileCount()) return StrAreaReturn(mark, StrMake("", 0));
  std::string item = RelKeyName(current, file, relation).Str();
  if (item.empty()) return StrAreaReturn(mark, StrMake("", 0));
  StrValue v = ExpEvalStr(View(item));
  return StrAreaReturn(mark, v.IsError() ? StrMake("", 0) : v);
}

// --- Per-record processing --------------------------------------------------------------

Status AdmLabelsClear() {
  StrAreaScope scope;
  Status made = BuiltinCheckName(StrFromC(kLabelArray));
  if (made >= 128) return made;
  return ArrFill(StrFromC(kLabelArray), NumBytes(0), 0, 0xffff);
}

Status SelRecordNumFields(int file, int base) {
  StrAreaScope scope;
  Status made = BuiltinCheckName(StrFromC(kLabelArray));
  if (made >= 128) return made;
  const ArrDesc* labels = ArrLookup(StrFromC(kLabelArray));
  if (!labels) return ErrSet(1, MOD_VARSTRUCT, st::INTERNALERROR, st::INTERNALERROR);
  uint16_t count = DicFieldCount(file);
  for (uint16_t i = 1; i <= count; ++i) {
    char type = DicFieldType(file, i);
    if (type == 0 || std::string_view(kNumericTypes).find(type) == std::string_view::npos) continue;
    int64_t element = static_cast<int64_t>(base) + i - 1;
    if (element < 0 || element >= labels->count) {
      return Detail(st::DATAOUTBOUND, "_#(" + std::to_string(element) + ")");
    }
    StrValue text = RecFieldGet(file, i);
    if (Status e = StrError(text)) return e;
    int32_t index = static_cast<int32_t>(element);
    if (Status s = ArrAddNum(StrFromC(kLabelArray), StrToNum(text), 1, &index)) return s;
  }
  return 0;
}

Status SelRecordStep(int file, int totalBase, StrValue statement, StrValue condition, int target) {
  Status s = totalBase >= 0 ? SelRecordNumFields(file, totalBase) : Evaluate(statement);
  if (s != 0) return s;
  Status c = Holds(condition);
  if (c >= 122) return c;
  if (c != 1) return target > 0 ? 0 : st::OUTOFDATA;
  if (target <= 0) return 0;
  StrAreaScope scope;
  return DataFileAction(dfact::kInsert, target, StrMake("", 0), StrMake("", 0));
}

Status SelListEachRecord(int file, const std::vector<AdmRangeRow>& rows, int totalBase, StrValue statement,
                         StrValue condition, int target) {
  for (StrValue s : {statement, condition}) {
    if (Status e = StrError(s)) return e;
  }
  std::string stmt(statement.View()), cond(condition.View());
  for (const AdmRangeRow& row : rows) {
    if (Status s = AdmRowLoad(file, row)) return s;
    Status s = SelRecordStep(file, totalBase, View(stmt), View(cond), target);
    if (s >= 128) return s;
  }
  return 0;
}

Status SelListProcess(int file, int key, StrValue start, StrValue limit, int totalBase, StrValue statement,
                      StrValue condition, int target) {
  if (totalBase >= 0) {
    if (Status s = AdmLabelsClear()) return s;
  }
  std::vector<AdmRangeRow> rows;
  Status s = AdmKeyRangeRows(file, key, start, limit, StrMake("", 0), &rows);
  if (s != 0) return s;
  return SelListEachRecord(file, rows, totalBase, statement, condition, target);
}

Status DataFileStub148() { return ErrSet(1, MOD_DATAFILE, st::FEATUREREMOVED, st::FEATUREREMOVED); }

// --- Prefixed numbers -------------------------------------------------------------------

Status DigitsToInt(std::string_view digits, int base, uint64_t* out) {
  *out = 0;
  if (base < 2 || base > 16) return Detail(st::SINTAXERROR, "base " + std::to_string(base));
  constexpr uint64_t kLimit = uint64_t{1} << 63;
  uint64_t value = 0;
  for (char ch : digits) {
    int c = std::tolower(static_cast<unsigned char>(ch));
    int d = c >= '0' && c <= '9' ? c - '0' : (c >= 'a' && c <= 'f' ? c - 'a' + 10 : 99);
    if (d >= base) return Detail(st::SINTAXERROR, std::string(digits));
    if (value > (kLimit - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) {
      return Detail(st::DATAOUTBOUND, std::string(digits));
    }
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
  }
  *out = value;
  return 0;
}

Status NumParsePrefixed(StrValue text, StrValue prefixes, StrValue bases, int64_t* out) {
  *out = 0;
  for (StrValue s : {text, prefixes, bases}) {
    if (Status e = StrError(s)) return e;
  }
  std::string_view t = StrTrim(text, 3).View();
  bool negative = !t.empty() && t.front() == '-';
  if (negative) t.remove_prefix(1);
  // The first prefix the text begins with; the empty prefix only when no
  // other one matches.
  uint32_t chosen = 0, emptyAt = 0, n = 0;
  StrListIter it(prefixes.len ? prefixes : StrMake("", 0), ',');
  StrValue item;
  if (prefixes.len == 0) emptyAt = 1;
  while (chosen == 0 && it.Next(&item)) {
    ++n;
    std::string_view p = StrTrim(item, 3).View();
    if (p.empty()) {
      if (emptyAt == 0) emptyAt = n;
      continue;
    }
    if (t.size() >= p.size() && std::equal(p.begin(), p.end(), t.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        })) {
      chosen = n;
      t.remove_prefix(p.size());
    }
  }
  if (chosen == 0) chosen = emptyAt;
  if (chosen == 0) return Detail(st::BADINPUTDATA, text.Str());
  StrValue baseText = StrListItem(bases, ',', chosen);
  int base = StrTrim(baseText, 3).len ? static_cast<int>(StrToLong(baseText)) : 10;
  uint64_t magnitude = 0;
  if (Status s = DigitsToInt(t, base, &magnitude)) return s;
  constexpr uint64_t kMax = uint64_t{1} << 63;
  if (!negative && magnitude == kMax) return Detail(st::DATAOUTBOUND, text.Str());
  *out = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return 0;
}

Status NumParseBase(StrValue text, int64_t* out) { return NumParsePrefixed(text, StrMake("", 0), StrFromC("10"), out); }
