// Gap-free renumbering of entries (renumber.h).
#include "apps/accounting/renumber.h"

#include <algorithm>
#include <charconv>
#include <unordered_set>

#include "apps/accounting/acdata.h"
#include "apps/accounting/tasks.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/journal.h"
#include "data/store/keyrange.h"
#include "data/scans/selection.h"
#include "runtime/errors.h"
#include "runtime/fmtdate.h"
#include "runtime/fmtmask.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/fieldvalues.h"
#include "screens/forms/forms.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/progress.h"
#include "script/objparams.h"
#include "script/procedures.h"
#include "script/scanner.h"
#include "script/taskhooks.h"

namespace {

Status Fail(Status code, const std::string& detail) {
  ErrDetailSet(code, AcView(detail), false);
  return ErrSet(1, MOD_EXPEXEC, code, code);
}

std::string Trim(std::string_view s) { return AcTrimRight(s.substr(std::min(s.find_first_not_of(' '), s.size()))); }

std::string ParmText(int n) {
  StrAreaScope mark;
  return AcStr(ParmValueByNum(n));
}

// A decimal integer (an optional sign, digits) that fits 64 bits.
bool ParseNumber(const std::string& text, int64_t* out) {
  std::string t = Trim(text);
  const char* b = t.data();
  if (!t.empty() && t[0] == '+') ++b;
  auto [p, ec] = std::from_chars(b, t.data() + t.size(), *out);
  return !t.empty() && ec == std::errc() && p == t.data() + t.size();
}

std::string FileName(int file) {
  StrAreaScope mark;
  return AcStr(DicFileName(file));
}

// A file the key-range update could not act on.
Status NoTarget(int file) { return Fail(st::FEATUREREMOVED, "Key-range update:" + FileName(file)); }

// Shows the day with its four-digit year in the progress window; a cancel,
// a quit or a signal: 122.
Status ShowDay(const std::string& day) {
  StrAreaScope mark;
  StrValue shown = FmtDate(AcView(day), kDateShortYear4);
  uint32_t recorded = ErrGet();
  Status s = ProgressText(shown.IsError() ? AcView(day) : shown);
  if (s != st::USERCANCELED) {
    ErrSet(2, static_cast<uint16_t>(recorded >> 16), static_cast<Status>(recorded & 0xffff), 0);
    s = PrcPoll();
  }
  return s;
}

// The key just after every key that begins with the text.
std::string After(std::string text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) == 0xff) text.pop_back();
  if (!text.empty()) text.back() = static_cast<char>(text.back() + 1);
  return text;
}

// Files this task opened, closed again at its end.
struct Opened {
  std::vector<int> files;
  ~Opened() {
    for (int f : files) DataFileClose(f);
  }
};

}  // namespace

Status AcRenumberSetCheck(const AcRenumberSet& set) {
  if (set.files.empty()) return Fail(st::BADINPUTDATA, "OPEN$");
  if (set.key < 1) return Fail(st::BADINPUTDATA, "INDEX%:" + std::to_string(set.key));
  for (size_t i = 0; i < set.files.size(); ++i) {
    const AcRenumberFile& f = set.files[i];
    std::string item = "STRUCT$:" + std::to_string(i + 1) + ":" + f.field;
    if (f.file < 1 || f.file > DataFileCount()) return Fail(st::BADINPUTDATA, "OPEN$:" + std::to_string(f.file));
    StrAreaScope mark;
    if (f.field.empty() || DicFieldFind(f.file, AcView(f.field)) == 0xffff) return Fail(st::BADINPUTDATA, item);
  }
  return 0;
}

Status AcRenumberSetGet(AcRenumberSet* set) {
  set->files.clear();
  std::string open = ParmText(kParmOpen), structure = ParmText(kParmStruct), index = ParmText(kParmIndex);
  int64_t key = 0;
  if (!index.empty() && !ParseNumber(index, &key)) return Fail(st::BADINPUTDATA, "INDEX%:" + index);
  set->key = key == 0 ? 1 : static_cast<int>(std::clamp<int64_t>(key, -1, 99));
  StrAreaScope mark;
  for (uint32_t n = 1;; ++n) {
    std::string number = Trim(AcStr(StrListItem(AcView(open), ',', n)));
    if (number.empty()) break;
    int64_t file = 0;
    if (!ParseNumber(number, &file) || file < 1 || file > 255) return Fail(st::BADINPUTDATA, "OPEN$:" + number);
    std::string item = Trim(AcStr(StrListItem(AcView(structure), ',', n)));
    if (item.empty()) return Fail(st::BADINPUTDATA, "STRUCT$:" + std::to_string(n));
    AcRenumberFile f;
    f.file = static_cast<int>(file);
    size_t semi = item.find(';');
    f.field = Trim(item.substr(0, semi));
    if (semi != std::string::npos) f.mask = Trim(item.substr(semi + 1));
    set->files.push_back(f);
  }
  return AcRenumberSetCheck(*set);
}

StrValue AcRenumberValue(const AcRenumberFile& f, int64_t number) {
  std::string text = std::to_string(number);
  if (f.mask.empty()) return StrFromView(text);
  uint16_t mark = StrAreaMark(-1);
  return StrAreaReturn(mark, FmtNumMaskStored(FmtNumMaskDefault(AcView(f.mask)), AcView(text), true));
}

StrValue AcRenumberAssign(const AcRenumberFile& f, int64_t number) {
  uint16_t mark = StrAreaMark(-1);
  StrValue v = AcRenumberValue(f, number);
  if (!v.IsError() && !f.mask.empty()) v = ExpQuoteText(v);
  if (v.IsError()) return StrAreaReturn(mark, v);
  return StrAreaReturn(mark, StrFromView(f.field + "=" + std::string(v.View())));
}

Status AcRenumberRewrite(const AcRenumberSet& set, StrValue day, int64_t oldNumber, int64_t newNumber) {
  for (size_t i = set.files.size(); i-- > 0;) {
    const AcRenumberFile& f = set.files[i];
    StrAreaScope mark;
    StrValue to = AcRenumberAssign(f, newNumber), from = AcRenumberAssign(f, oldNumber);
    if (to.IsError()) return Fail(StrError(to), f.field + "=" + std::to_string(newNumber));
    if (from.IsError()) return Fail(StrError(from), f.field + "=" + std::to_string(oldNumber));
    Status s = DataFileKeyRangeUpdate(f.file, set.key, day, day, to, from);
    if (s == kKeyRangeNoTarget) return NoTarget(f.file);
    if (s >= 128) return s;
  }
  return 0;
}

Status AcRenumberRecord(int file, uint16_t numberField, int key, StrValue day, int64_t* counter,
                        const AcRenumberSet& set) {
  // The day's distinct numbers in key order.
  std::vector<int64_t> olds;
  std::unordered_set<int64_t> seen;
  uint16_t rows = SelCount(file);
  for (uint32_t row = 0; row < rows; ++row) {
    std::string text;
    {
      StrAreaScope mark;
      StrValue v = SelFieldGet(file, row, numberField);
      if (v.IsError()) return StrError(v);
      text = AcStr(v);
    }
    int64_t v = 0;
    if (!ParseNumber(text, &v))
      return Fail(st::BADINPUTDATA,
                  FileName(file) + ":" + AcStr(AcView(text)) + ", Record:" + std::to_string(SelRowRec(file, row)));
    if (seen.insert(v).second) olds.push_back(v);
  }
  if (olds.empty()) return 0;
  int64_t first = *counter;
  if (first > INT64_MAX - static_cast<int64_t>(olds.size()))
    return Fail(st::BADINPUTDATA, "Number:" + std::to_string(first));
  *counter = first + static_cast<int64_t>(olds.size()) - 1;
  // Moving down: ascending; moving up: descending. A number's target is
  // then always free when it is taken.
  std::vector<std::pair<int64_t, int64_t>> down, up;
  for (size_t i = 0; i < olds.size(); ++i) {
    int64_t to = first + static_cast<int64_t>(i);
    if (to < olds[i])
      down.emplace_back(olds[i], to);
    else if (to > olds[i])
      up.emplace_back(olds[i], to);
  }
  if (down.empty() && up.empty()) return 0;
  std::sort(down.begin(), down.end());
  std::sort(up.begin(), up.end(), std::greater<>());
  down.insert(down.end(), up.begin(), up.end());
  for (size_t i = set.files.size(); i-- > 0;) {
    const AcRenumberFile& f = set.files[i];
    std::vector<KeyRangeChange> changes;
    changes.reserve(down.size());
    for (const auto& [from, to] : down) {
      StrAreaScope mark;
      StrValue a = AcRenumberValue(f, from), b = AcRenumberValue(f, to);
      if (a.IsError() || b.IsError())
        return Fail(StrError(a.IsError() ? a : b), f.field + "=" + std::to_string(a.IsError() ? from : to));
      changes.push_back({std::string(a.View()), std::string(b.View())});
    }
    Status s = DataFileKeyRangeApply(f.file, key, day, day, AcView(f.field), changes, nullptr);
    if (s == kKeyRangeNoTarget) return NoTarget(f.file);
    if (s != 0) return s;
  }
  return 0;
}

Status AcRenumber(StrValue fromKey, StrValue toKey, StrValue firstNumber, const AcRenumberSet& set) {
  std::string from = AcStr(fromKey), to = AcStr(toKey), firstText = AcStr(firstNumber);
  int64_t counter = 0;
  if (!ParseNumber(firstText, &counter)) return Fail(st::SINTAXERROR, "Number:" + firstText);
  if (Status s = AcRenumberSetCheck(set)) return s;
  if (from > to) return 0;
  const int file = set.files.back().file;
  uint16_t numberField = 0;
  {
    StrAreaScope mark;
    numberField = DicFieldFind(file, AcView(set.files.back().field));
  }
  int16_t current = VarSysIntGet(kSysCurFil);
  Opened opened;
  Status s = 0;
  for (const AcRenumberFile& f : set.files) {
    const DataFileCtrlBlock* ctrl = DataFileCtrl(f.file);
    if (!ctrl) return st::DATAOUTBOUND;
    if (ctrl->dataStream >= 0) continue;
    if ((s = DataFileOpen(f.file, 0)) >= 128) return s;
    opened.files.push_back(f.file);
  }
  RunJournalScope run;
  if ((s = run.Begun()) != 0) return s;
  DataFileUpStat(false);
  s = DataFileReadKey(file, set.key, AcView(from), dfmove::kAlsoOn1);
  while (s < 2) {
    std::string key;
    {
      StrAreaScope mark;
      key = AcStr(KeyValueCur(file, set.key));
    }
    if (key.compare(0, to.size(), to) > 0) break;
    std::string day = key.substr(0, 8);
    if ((s = ShowDay(day)) != 0) break;
    {
      StrAreaScope mark;
      s = SelOpen(file, set.key, AcView(day), AcView(day), kSelAllRows, 3, StrMake("", 0));
    }
    if (s == 0) {
      int64_t kept = counter;
      s = AcRenumberRecord(file, numberField, set.key, AcView(day), &counter, set);
      Status r = SelRelease(file);
      if (s == 0) s = r;
      if (s != 0) counter = kept;
    }
    if (s != 0) break;
    if (counter == INT64_MAX) {
      s = Fail(st::BADINPUTDATA, "Number:" + std::to_string(counter));
      break;
    }
    ++counter;
    s = DataFileReadKey(file, set.key, AcView(After(day)), dfmove::kAlsoOn1);
  }
  if (s == dfres::kEnd) s = 0;
  DataFileUpStat(true);
  {
    uint32_t recorded = ErrGet();
    ProgressClose();
    ErrSet(2, static_cast<uint16_t>(recorded >> 16), static_cast<Status>(recorded & 0xffff), 0);
  }
  s = s >= 122 ? s : 0;
  s = run.End(s);
  VarSysIntSet(kSysCurFil, current);
  return s;
}

Status AcTaskRenumber(int event) {
  if (event == kTaskExecute) {
    AcRenumberSet set;
    Status s = AcRenumberSetGet(&set);
    if (s == 0) {
      std::string from, to, first;
      {
        StrAreaScope mark;
        from = AcStr(AcTaskField(1)), to = AcStr(AcTaskField(2)), first = AcStr(AcTaskField(3));
      }
      s = AcRenumber(AcView(from), AcView(to), AcView(first), set);
    }
    ErrShow(s);
  }
  return ScreenCloseRestore(event, 0, 16);
}
