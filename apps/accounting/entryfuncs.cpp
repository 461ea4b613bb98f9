#include "apps/accounting/entryfuncs.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "apps/accounting/acdata.h"
#include "apps/accounting/entrywin.h"
#include "apps/accounting/balance.h"
#include "data/store/fileaction.h"
#include "data/store/recbuf.h"
#include "data/scans/selection.h"
#include "data/dictionary/relations.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/sysvars.h"
#include "runtime/datetime.h"
#include "runtime/messages.h"
#include "screens/documents/docengine.h"
#include "screens/forms/msgbox.h"
#include "screens/documents/navorder.h"
#include "screens/window/screendef.h"
#include "screens/window/screenprops.h"
#include "script/builtins.h"
#include "script/evaluator.h"
#include "script/fieldaccess.h"
#include "script/objparams.h"

namespace {

// A walk over gathered rows (record numbers) of one file.
struct RowSet {
  int file = 0;
  std::vector<int32_t> recs;
  void Release() {
    file = 0;
    recs.clear();
    recs.shrink_to_fit();
  }
};
RowSet gEntries, gMonths;

// The statuses up to 5 are results, pushed as numbers; larger ones errors.
Status ResultOrError(Status s) { return s <= 5 ? BuiltinResultInt(s) : s; }

Status TextArg(uint16_t n, std::string* out) {
  StrAreaScope mark;
  StrValue v = BuiltinArgStr(n, StrMake("", 0));
  if (Status e = StrError(v)) return e;
  *out = v.Str();
  return 0;
}

// The arguments (number[; text]) of AcGetPAccount$ and Import.
Status NumberAndText(int32_t* number, std::string* text) {
  Status s = BuiltinArgCount(1, 2);
  if (s == 0) s = BuiltinArgLong(1, 0, number);
  if (s == 0) s = TextArg(2, text);
  return s;
}

std::string Pad(const std::string& s, char c, size_t width) {
  return s.size() >= width ? s : s + std::string(width - s.size(), c);
}

// The date range of a walk from two key texts: their first 8 characters; a
// shorter upper text takes every day that begins with it.
std::string DateLow(const std::string& from) { return from.substr(0, std::min<size_t>(from.size(), 8)); }
std::string DateHigh(const std::string& to) { return to.size() >= 8 ? to.substr(0, 8) : to + '\xff'; }

bool InKeyRange(const std::string& key, const std::string& from, const std::string& to) {
  return key >= from && key.compare(0, to.size(), to) <= 0;
}

std::string KeyText(int file, int key) {
  StrAreaScope mark;
  return AcStr(KeyValueCur(file, key));
}

// The walk's file stays open after the call: its rows are read into its
// record, which the caller then reads. A closed file is opened read-only.
Status KeepOpen(int kind) {
  int file = AcFileNum(kind) & 0xff;
  DataFileCtrlBlock* ctrl = DataFileCtrl(file);
  if (!ctrl) return st::DATAOUTBOUND;
  if (ctrl->dataStream >= 0) return 0;
  Status s = DataFileOpen(file, dfopen::kReadOnly);
  return s == 0xffff ? ErrSet(1, MOD_DATAFILE, st::FILEOPENING, st::FILEOPENING) : s < 128 ? 0 : s;
}

// Reads row `_CURROW` + n of the set into the file's current record.
Status Seek(RowSet& set, int n) {
  uint16_t row = static_cast<uint16_t>(VarSysIntGet(kSysCurRow) + n);
  if (row == 65535) return 2;
  if (set.file == 0 || row >= set.recs.size()) {
    set.Release();
    return 2;
  }
  if (Status s = DataFileRecLoad(set.file, set.recs[row], kRecCurrent)) return s;
  VarSysIntSet(kSysCurRow, static_cast<int16_t>(row));
  return 0;
}

// Gathers the records of an account range through a key led by the account,
// with their sort keys, in sort-key order and each record once.
struct Gathered {
  std::vector<std::pair<std::string, int32_t>> rows;
  // Rows are numbered by the 16-bit `_CURROW`, 65535 meaning none: a walk
  // of more rows answers 168 (as a selection does) rather than end early.
  Status Finish(RowSet* set, int file) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.size() >= kSelMaxRows) {
      StrAreaScope mark;
      ErrDetailSet(st::DATAOUTBOUND, AcView("Rows:" + std::to_string(rows.size())), false);
      return ErrSet(1, MOD_DATAFILE, st::DATAOUTBOUND, st::DATAOUTBOUND);
    }
    set->file = file;
    set->recs.clear();
    for (auto& r : rows) set->recs.push_back(r.second);
    return 0;
  }
};

}  // namespace

// --- AcGetAccount$ ---------------------------------------------------------------------------

Status AcBiGetAccount(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(4, 4)) return s;
  std::string code, from, to;
  int32_t mode = 0;
  Status s = TextArg(1, &code);
  if (s == 0) s = TextArg(2, &from);
  if (s == 0) s = TextArg(3, &to);
  if (s == 0) s = BuiltinArgLong(4, 0, &mode);
  if (s) return s;
  uint16_t m = StrAreaMark(-1);
  StrValue next = AcFindAccount(AcView(code), AcView(from), AcView(to), mode);
  if (Status e = StrError(next)) {
    StrAreaMark(m);
    return e;
  }
  return BuiltinResultStr(StrAreaReturn(m, next));
}

// --- AcGetEntry ------------------------------------------------------------------------------

Status AcEntryOpen(const std::string& from, const std::string& to, const std::string& accountIn) {
  gEntries.Release();
  VarSysIntSet(kSysCurRow, 0);
  uint16_t width = AcAccountCodeWidth();
  if (width == 0) return st::SINTAXERROR;
  std::string account = AcTrimRight(accountIn);
  std::string low = Pad(account, '0', width), high = Pad(account, '9', width);
  DataFieldDesc pass, asset, date;
  Status s = AcFieldOf(kAcEntries, kAcPassAcc, &pass);
  if (s == 0) s = AcFieldOf(kAcEntries, kAcAssetAcc, &asset);
  if (s == 0) s = AcFieldOf(kAcEntries, kAcDate, &date);
  if (s) return s;
  int file = AcFileNum(kAcEntries) & 0xff;
  if ((s = KeepOpen(kAcEntries)) != 0) return s;
  Gathered g;
  {
    // The walks move the file; its state comes back before the first row is
    // read.
    AcFileUse use;
    if ((s = use.Take(kAcEntries, false)) != 0) return s;
    AcAccountKey debit, credit;
    if ((s = debit.Bind(file, 2, pass, date)) != 0 || (s = credit.Bind(file, 3, asset, date)) != 0) return s;
    for (const AcAccountKey* key : {&debit, &credit}) {
      s = AcWalkAccounts(*key, low, high, DateLow(from), DateHigh(to), [&](std::string_view, std::string_view) {
        std::string k1 = KeyText(file, 1);
        if (InKeyRange(k1, from, to)) g.rows.emplace_back(std::move(k1), static_cast<int32_t>(NdxCurRecNo(file)));
        return AcWalk::Next;
      });
      if (s) return s;
    }
  }
  if ((s = g.Finish(&gEntries, file)) != 0) return s;
  return AcEntrySeek(0);
}

Status AcEntrySeek(int n) { return Seek(gEntries, n); }

size_t AcEntryRows() { return gEntries.file ? gEntries.recs.size() : 0; }

// AcGetEntry(dateFrom; fromSuffix; dateTo; toSuffix; account), or () for the
// next row.
Status AcBiGetEntry(const uint16_t*, uint16_t) {
  uint16_t n = BuiltinArgTotal();
  if (n != 0 && n != 5) return BuiltinArgCount(5, 5);
  if (n == 0) return ResultOrError(AcEntrySeek(1));
  std::string a[5];
  for (uint16_t i = 0; i < 5; ++i)
    if (Status s = TextArg(static_cast<uint16_t>(i + 1), &a[i])) return s;
  return ResultOrError(AcEntryOpen(a[0] + a[1], a[2] + a[3], a[4]));
}

// --- AcGetPerAcum ----------------------------------------------------------------------------

namespace {

constexpr int kPeekPart = 3;  // the record buffer a look ahead reads into

struct MonthFields {
  DataFieldDesc acc, date, pexp, aexp;
  Status Load() {
    Status s = AcFieldOf(kAcMonths, kAcMonthAcc, &acc);
    if (s == 0) s = AcFieldOf(kAcMonths, kAcMonthDate, &date);
    if (s == 0) s = AcFieldOf(kAcMonths, kAcPExpired, &pexp);
    if (s == 0) s = AcFieldOf(kAcMonths, kAcAExpired, &aexp);
    return s;
  }
};

Status SetNumField(int file, const DataFieldDesc& f, FixedNum v) {
  StrAreaScope mark;
  return RecFieldSet(file, f.field, AcView(AcNumText(v)));
}

// Reads the group of rows from `_CURROW` + offset that share the first
// row's DATE and leaves its sums in the current record.
Status MonthGroup(int offset) {
  MonthFields f;
  if (Status s = f.Load()) return s;
  Status s = Seek(gMonths, offset);
  if (s) return s;
  int file = gMonths.file;
  std::string month(AcFieldText(AcRecord(file), f.date));
  FixedNum debit = 0, credit = 0;
  while (true) {
    std::string_view rec = AcRecord(file);
    debit += AcFieldNum(rec, f.pexp);
    credit += AcFieldNum(rec, f.aexp);
    uint16_t next = static_cast<uint16_t>(VarSysIntGet(kSysCurRow) + 1);
    if (next >= gMonths.recs.size()) break;
    if ((s = DataFileRecLoad(file, gMonths.recs[next], kPeekPart)) != 0) return s;
    StrValue peek = RecBuf(file, kPeekPart);
    if (peek.IsError() || AcFieldText(peek.View(), f.date) != month) break;
    if ((s = Seek(gMonths, 1)) != 0) return s;
  }
  StrAreaScope mark;
  if ((s = RecFieldSet(file, f.date.field, AcView(month))) != 0) return s;
  if ((s = SetNumField(file, f.pexp, debit)) != 0) return s;
  return SetNumField(file, f.aexp, credit);
}

}  // namespace

// AcGetPerAcum(dateFrom; dateTo; account), or () for the next month.
Status AcBiGetPerAcum(const uint16_t*, uint16_t) {
  uint16_t n = BuiltinArgTotal();
  if (n != 0 && n != 3) return BuiltinArgCount(3, 3);
  if (n == 0) return ResultOrError(MonthGroup(1));
  std::string from, to, account;
  Status s = TextArg(1, &from);
  if (s == 0) s = TextArg(2, &to);
  if (s == 0) s = TextArg(3, &account);
  if (s) return s;
  gMonths.Release();
  account = AcTrimRight(account);
  if (account.empty()) return st::BADINPUTDATA;
  uint16_t width = AcAccountCodeWidth();
  if (width == 0) return st::SINTAXERROR;
  VarSysIntSet(kSysCurRow, 0);
  MonthFields f;
  if ((s = f.Load()) != 0) return s;
  int file = AcFileNum(kAcMonths) & 0xff;
  if ((s = KeepOpen(kAcMonths)) != 0) return s;
  Gathered g;
  {
    AcFileUse use;
    if ((s = use.Take(kAcMonths, false)) != 0) return s;
    AcAccountKey key;
    if ((s = key.Bind(file, 1, f.acc, f.date)) != 0) return s;
    s = AcWalkAccounts(key, Pad(account, '0', width), Pad(account, '9', width), DateLow(from), DateHigh(to),
                       [&](std::string_view acc, std::string_view) {
                         // The 3-character group records repeat the amounts of
                         // the accounts under them: only full codes are summed.
                         if (AcTrimRight(acc).size() < width) return AcWalk::NextAccount;
                         std::string k2 = KeyText(file, 2);
                         if (InKeyRange(k2, from, to))
                           g.rows.emplace_back(std::move(k2), static_cast<int32_t>(NdxCurRecNo(file)));
                         return AcWalk::Next;
                       });
    if (s) return s;
  }
  if ((s = g.Finish(&gMonths, file)) != 0) return s;
  return ResultOrError(MonthGroup(0));
}

// --- AcGetPAccount$ --------------------------------------------------------------------------

namespace {

// The value of a replacing field: trimmed, zero-padded on the left to the
// run's length; a longer value keeps its rightmost characters.
std::string RunValue(const std::string& valueIn, size_t run) {
  size_t first = valueIn.find_first_not_of(' ');
  std::string value = first == std::string::npos ? std::string() : AcTrimRight(valueIn.substr(first));
  return value.size() >= run ? value.substr(value.size() - run) : std::string(run - value.size(), '0') + value;
}

std::string EvalText(const std::string& expr, Status* status) {
  StrAreaScope mark;
  StrValue v = ExpEvalStr(AcView(expr));
  if (Status e = StrError(v)) {
    *status = e;
    return std::string();
  }
  return v.Str();
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string AcLevelAccount(int level, const std::string& account, Status* status) {
  *status = 0;
  // "ACCOUNT.%s{3}": the level's template field and its file.
  std::string ref = AcStr(AcFieldName(kAcLevelTemplate));
  size_t at = ref.find("%s");
  if (at == std::string::npos) return std::string();
  ref.replace(at, 2, std::to_string(level));
  FieldRef fr;
  {
    StrAreaScope mark;
    fr = FieldRefParse(AcView(ref));
  }
  if (fr.status || fr.field == 0) {
    StrAreaScope mark;
    std::string d = "Field:" + ref;
    ErrDetailSet(st::SINTAXERROR, AcView(d), false);
    *status = ErrSet(1, MOD_BUFFERFLD, st::SINTAXERROR, st::SINTAXERROR);
    return std::string();
  }
  std::string root;
  {
    StrAreaScope mark;
    root = Upper(AcTrimRight(AcStr(RecFieldGet(fr.file, fr.field + 1))));
  }
  if (account.compare(0, root.size(), root) != 0) return std::string();
  std::string tmpl = EvalText(ref, status);
  if (*status) return std::string();
  // The template characters and the fields that replace their runs, in pairs.
  std::string pairs = AcStr(AcFieldName(kAcTemplatePairs));
  if (pairs.size() >= 2 && pairs.front() == '\'' && pairs.back() == '\'') pairs = pairs.substr(1, pairs.size() - 2);
  std::vector<std::string> items;
  for (size_t p = 0;;) {
    size_t q = pairs.find(',', p);
    items.push_back(pairs.substr(p, q == std::string::npos ? std::string::npos : q - p));
    if (q == std::string::npos) break;
    p = q + 1;
  }
  // Runs are found on the template as it is, so a value put in never
  // becomes a run of another character.
  std::string out;
  for (size_t i = 0; i < tmpl.size();) {
    size_t j = i;
    while (j < tmpl.size() && tmpl[j] == tmpl[i]) ++j;
    size_t pair = 0;
    while (pair + 1 < items.size() && !(items[pair].size() == 1 && items[pair][0] == tmpl[i])) pair += 2;
    if (pair + 1 < items.size()) {
      std::string value = EvalText(items[pair + 1], status);
      if (*status) return std::string();
      out += RunValue(value, j - i);
    } else {
      out.append(tmpl, i, j - i);
    }
    i = j;
  }
  return out;
}

// AcGetPAccount$(level; account)
Status AcBiGetPAccount(const uint16_t*, uint16_t) {
  int32_t level = 0;
  std::string account;
  Status s = NumberAndText(&level, &account);
  if (s) return s;
  std::string out = AcLevelAccount(level, account, &s);
  if (s) return s;
  return BuiltinResultStr(AcView(out));
}

// --- Import ----------------------------------------------------------------------------------

namespace {

constexpr int kDefinitionLines = 1;

std::string Parm(int n) {
  StrAreaScope mark;
  return AcStr(ParmValueByNum(n));
}

std::string Relations() {
  StrAreaScope mark;
  return AcStr(RelExprGet(AcView(Parm(kParmRelOpt)), static_cast<uint16_t>(DynStrCount(RelationStmtList))));
}

// The assignment text evaluated over the registry's current record, which is
// then rewritten when its key is in the file, else inserted.
Status StoreOnRegistry(const std::string& text) {
  AcFileUse use;
  if (Status s = use.Take(kAcRegistry, true)) return s;
  int file = use.File(kAcRegistry);
  if (Status s = ExpExecText(AcView(text)); s >= 128) return s;
  std::string key = KeyText(file, 1), image;
  {
    StrAreaScope mark;
    image = AcStr(RecBuf(file, kRecCurrent));
  }
  Status found = DataFileReadKey(file, 1, AcView(key), 1);
  if (found >= 128) return found;
  if (Status s = RecBufSet(file, kRecCurrent, AcView(image))) return s;
  return RelRecordStore(file, AcView(text), found == 0 ? 0 : relflag::kInsert);
}

// *skipped when ALARM$ did not hold (nothing imported, nothing stored).
Status ImportRun(int mode, bool* skipped) {
  switch (mode) {
    case 0: {
      std::string rel = Relations();
      return DataFileAction(dfact::kInsert, AcFileNum(kAcEntries) & 0xff, AcView(rel), StrMake("", 0));
    }
    case 1: return DataFileAction(dfact::kInsert, AcFileNum(kAcRegistry) & 0xff, StrMake("", 0), StrMake("", 0));
    case 2: {
      Status s;
      {
        StrAreaScope mark;
        s = CondCheck(AcView(Parm(kParmAlarm)));
      }
      if (s == 126) {  // the condition does not hold: nothing to import
        *skipped = true;
        return 0;
      }
      if (s) return s;
      int entries = AcFileNum(kAcEntries) & 0xff;
      DataFileSetCurrent(entries);
      std::string start = Parm(kParmSet), row = Parm(kParmRdCond), write = Parm(kParmWrExp), until = Parm(kParmEotExp);
      std::string rel = Relations();
      AppendLoopSpec spec{AcView(start), AcView(row), AcView(write), AcView(until), AcView(rel)};
      uint32_t count = 0;
      return DataFileAppendLoop(entries, spec, &count);
    }
    default: return st::BADINPUTDATA;
  }
}

}  // namespace

// Import(mode[; "definition file,type tag"])
Status AcBiImport(const uint16_t*, uint16_t) {
  int32_t mode = 0;
  std::string def;
  Status s = NumberAndText(&mode, &def);
  if (s) return s;
  int current = VarSysIntGet(kSysCurFil);
  std::string registryText = Parm(kParmRdExp);
  bool pushed = false;
  if (!def.empty()) {
    size_t comma = def.find(',');
    std::string file = AcTrimRight(def.substr(0, comma));
    int32_t tag = 0;
    if (comma != std::string::npos) {
      std::string t = def.substr(comma + 1);
      size_t b = t.find_first_not_of(' ');
      t = b == std::string::npos ? std::string() : AcTrimRight(t.substr(b));
      if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos || t.size() > 5) {
        StrAreaScope mark;
        ErrDetailSet(st::BADINPUTDATA, AcView(def), false);
        return ErrSet(1, MOD_BUFFERFLD, st::BADINPUTDATA, st::BADINPUTDATA);
      }
      tag = std::stoi(t);
    }
    StrAreaScope mark;
    if ((s = ParmStrPush(AcView(file), kDefinitionLines, tag)) != 0) return s == 0xffff ? st::FILENOTFOUND : s;
    pushed = true;
  }
  bool skipped = false;
  s = ImportRun(mode, &skipped);
  DataFileSetCurrent(current);
  if (pushed) ParmStrPop();
  if (s == 0 && !skipped && !registryText.empty()) s = StoreOnRegistry(registryText);
  return s >= 128 ? s : BuiltinResultInt(s);
}

// --- AcGetEntryNum ---------------------------------------------------------------------------

namespace {

constexpr uint16_t kWinNewLine = 8;      // WinRecord::flags: a new line pending
constexpr uint16_t kWinLineRead = 0x10;  // WinRecord::flags: read the grid row first
constexpr int kMsgEntryExists = 1003;

std::string VarText(const char* name) {
  StrAreaScope mark;
  return AcStr(ExpEvalStr(StrFromC(name)));
}
int64_t VarNum(const char* name) {
  StrAreaScope mark;
  return NumDivPow10(ExpEvalNum(StrFromC(name)), NumPrecis());
}
Status VarSet(const std::string& assignment) {
  Status s = ExpEvalStatus(AcView(assignment));
  return s >= 122 ? s : 0;
}
std::string Quoted(const std::string& t) { return "'" + t + "'"; }

// Date and entry number of a key-1 text of the entry lines.
struct EntryKey {
  std::string date;
  int64_t entry = 0;
};
EntryKey SplitKey(const std::string& key, const DataFieldDesc& date, const DataFieldDesc& entry) {
  EntryKey k;
  k.date = AcTrimRight(key.substr(0, std::min<size_t>(key.size(), date.length)));
  std::string e = key.size() > date.length ? key.substr(date.length, entry.length) : std::string();
  size_t b = e.find_first_not_of(' ');
  e = b == std::string::npos ? std::string() : AcTrimRight(e.substr(b));
  k.entry = !e.empty() && e.size() < 12 && e.find_first_not_of("0123456789") == std::string::npos ? std::stoll(e) : 0;
  return k;
}

struct Numbering {
  int file = 0;
  DataFieldDesc date, entry;
  uint16_t keyLen = 0;
  WinRecord* window = nullptr;
  int grid = -1;
  uint16_t Flags() const { return window ? window->flags : 0; }

  // The last entry line before the key text (the file's state kept): its
  // key, or empty.
  std::string LastBefore(const std::string& key) const {
    DataStoreState state;
    if (DataFileCtrlSave(&state, file, nullptr) != 0) return std::string();
    std::string out;
    Status s = DataFileReadKey(file, 1, AcView(key), 2);
    s = s == 2 || s == 3 ? DataFileMove(file, 0x18) : DataFileMove(file, 0x14);
    if (s == 0) out = KeyText(file, 1);
    DataFileCtrlSave(nullptr, file, &state);
    return out;
  }

  // Step L: the last number up to the date (the key of the next day).
  Status Last(const std::string& date, int64_t* number) {
    int32_t next = DateAdd(AcView(date), 1, kDateDay);
    std::string key = Pad(std::to_string(next), ' ', keyLen);
    EntryKey k = SplitKey(LastBefore(key), this->date, entry);
    Status s = VarSet("_LENT#=" + std::to_string(k.entry) + ",_LDAT$=" + Quoted(date));
    *number = k.entry;
    return s;
  }
};

// Step M: the line moves to entry n of its date. When n already has lines,
// 1003 asks; Yes gives the line the entry's next free order number, No puts
// the number the line had back.
Status MoveToEntry(const Numbering& n, int64_t entryNo) {
  std::string key = KeyText(n.file, 1);
  std::string num = std::to_string(entryNo);
  if (num.size() > n.entry.length) return st::DATAOUTBOUND;
  std::string prefix = key.substr(0, std::min<size_t>(key.size(), n.date.length)) +
                       std::string(n.entry.length - num.size(), ' ') + num;
  bool present = false;
  {
    DataStoreState state;
    if (Status s = DataFileCtrlSave(&state, n.file, nullptr)) return s;
    Status r = DataFileReadKey(n.file, 1, AcView(prefix), 2);
    present = r < 2 && KeyText(n.file, 1).compare(0, prefix.size(), prefix) == 0;
    DataFileCtrlSave(nullptr, n.file, &state);
  }
  Status s = 0;
  if (present) {
    int yes = 0;
    {
      StrAreaScope mark;
      yes = MsgAsk(Msg("1003"));
    }
    if (yes != 1) {
      std::string ref = AcFieldPlainName(kAcEntry);
      StrAreaScope mark;
      return VarSet(ref + AcStr(DicFileRefSuffix(n.file)) + "=_LENT#");
    }
    if (n.grid >= 0) s = NavsOrderNext(n.grid);
  } else if (n.grid >= 0) {
    s = NavsOrderSetValue(n.grid, 1);
  }
  if (s >= 128) return s;
  if ((s = VarSet("_LENT#=" + num)) != 0) return s;
  if (n.grid >= 0 && (s = NavsOrderInsertCheck(KeyText(n.file, 1), n.grid)) >= 128) return s;
  return VarSet("_LKEY$=" + Quoted(prefix));
}

bool ValidDate(const std::string& d) {
  return d.size() == 8 && d.find_first_not_of("0123456789") == std::string::npos && DateIsValid(std::stoi(d));
}

Status DateError(const std::string& d) {
  StrAreaScope mark;
  ErrDetailSet(st::SINTAXERROR, AcView("Date:" + d), false);
  return ErrSet(1, MOD_BUFFERFLD, st::SINTAXERROR, st::SINTAXERROR);
}

}  // namespace

Status AcEntryNumber(std::string date, const std::string& entryText, bool force, int64_t* number) {
  Numbering n;
  n.file = AcFileNum(kAcEntries) & 0xff;
  Status s = AcFieldOf(kAcEntries, kAcDate, &n.date);
  if (s == 0) s = AcFieldOf(kAcEntries, kAcEntry, &n.entry);
  if (s) return s;
  n.keyLen = KeyLen(n.file, 1, 0);
  if (ScreenStackIndex(0) != 0xFFFF) {
    n.window = WinGet(kCurrentIndex);
    n.grid = MovsWinGrid();
  }
  *number = VarNum("_LENT#");
  size_t b = date.find_first_not_of(' ');
  date = b == std::string::npos ? std::string() : AcTrimRight(date.substr(b));
  if (date.empty()) {
    date = VarText("_LDAT$");
    if (date.empty()) {
      StrAreaScope mark;
      date = AcStr(DateToText(DateToday()));
    }
    if (!ValidDate(date)) return DateError(date);
    if ((s = n.Last(date, number)) != 0) return s;
  } else if (!ValidDate(date)) {
    return DateError(date);
  }
  if ((n.Flags() & kWinLineRead) && n.grid >= 0 && (s = MovsLineRead(n.file, n.grid)) >= 128) return s;
  std::string saved;
  {
    StrAreaScope mark;
    saved = AcStr(KeyValueOf(n.file, 1, RecBuf(n.file, kRecSaved)));
  }
  if (saved != VarText("_LKEY$")) {
    if ((s = VarSet("_LKEY$=" + Quoted(saved))) != 0) return s;
    if (VarSysIntGet(kSysIer) == 0) {
      EntryKey k = SplitKey(saved, n.date, n.entry);
      if ((s = VarSet("_LDAT$=" + Quoted(k.date) + ",_LENT#=" + std::to_string(k.entry))) != 0) return s;
      *number = k.entry;
    }
  }
  int64_t given = 0;
  if (!entryText.empty()) given = SplitKey(std::string(n.date.length, ' ') + entryText, n.date, n.entry).entry;
  bool dateChanged = date != VarText("_LDAT$");
  if (dateChanged || (!entryText.empty() && given == 0))
    if ((s = n.Last(date, number)) != 0) return s;
  int64_t current = VarNum("_LENT#");
  if (entryText.empty() && (n.Flags() & kWinNewLine) && n.grid >= 0 && AcOrderNumber(n.file) == 1) {
    // A new entry's first line: it takes the next free number of its date.
    {
      std::string ref = AcFieldPlainName(kAcEntry);
      StrAreaScope mark;
      if ((s = VarSet(ref + AcStr(DicFileRefSuffix(n.file)) + "=_LENT#")) != 0) return s;
    }
    EntryKey k = SplitKey(n.LastBefore(KeyText(n.file, 1)), n.date, n.entry);
    if (!k.date.empty() && (s = VarSet("_LDAT$=" + Quoted(k.date) + ",_LENT#=" + std::to_string(k.entry))) != 0)
      return s;
    if ((s = NavsOrderSetValue(n.grid, 0)) >= 128) return s;
    *number = VarNum("_LENT#");
  } else if (!entryText.empty() && given != 0 && given != current && !(n.Flags() & (kWinNewLine | kWinLineRead))) {
    if ((s = MoveToEntry(n, given)) != 0) return s;
    *number = VarNum("_LENT#");
  }
  if (force || dateChanged || (entryText.empty() && VarSysIntGet(kSysIer) != 0)) {
    // Step X: the next number, kept while a new line is pending or DSC1# says
    // the entry goes on.
    int64_t x = VarNum("_LENT#");
    if (!(n.Flags() & kWinNewLine) && VarNum("DSC1#") == 0) ++x;
    if ((s = VarSet("_LENT#=" + std::to_string(x))) != 0) return s;
    *number = x;
  }
  return 0;
}

// AcGetEntryNum(date[; entryText[; force]])
Status AcBiGetEntryNum(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 3)) return s;
  std::string date, text;
  int32_t force = 0;
  Status s = TextArg(1, &date);
  if (s == 0) s = TextArg(2, &text);
  if (s == 0) s = BuiltinArgLong(3, 0, &force);
  if (s) return s;
  if (BuiltinArgTotal() >= 2 && AcTrimRight(text).empty() && force == 0) text = std::to_string(VarNum("_LENT#"));
  int64_t number = 0;
  if ((s = AcEntryNumber(date, AcTrimRight(text), force != 0, &number)) >= 128) return s;
  return BuiltinResultInt(number);
}
