#include "apps/accounting/balance.h"

#include <algorithm>

#include "apps/accounting/acdata.h"
#include "apps/accounting/layer.h"
#include "runtime/errors.h"

// --- Kinds and dates -------------------------------------------------------------------

Status AcBalanceAdd(FixedNum debit, FixedNum credit, Status status, int kind, FixedNum* total) {
  if (status != 0 || !total) return status;
  FixedNum add = 0;
  bool overflow = false;
  switch (kind) {
    case 1: overflow = __builtin_sub_overflow(debit, credit, &add); break;
    case 2: overflow = __builtin_sub_overflow(credit, debit, &add); break;
    case 3: if (debit > credit) overflow = __builtin_sub_overflow(debit, credit, &add); break;
    case 4: if (credit > debit) overflow = __builtin_sub_overflow(credit, debit, &add); break;
    case 5: add = debit; break;
    case 6: add = credit; break;
    default: return st::BADINPUTDATA;
  }
  if (overflow || __builtin_add_overflow(*total, add, total)) return st::DATAOUTBOUND;
  return 0;
}

namespace {

int Year(DateYmd d) { return d / 10000; }
int Month(DateYmd d) { return d / 100 % 100; }
int Day(DateYmd d) { return d % 100; }
DateYmd Ymd(int y, int m, int d) { return y * 10000 + m * 100 + d; }

DateYmd NextMonthFirst(DateYmd d) { return Month(d) == 12 ? Ymd(Year(d) + 1, 1, 1) : Ymd(Year(d), Month(d) + 1, 1); }

DateYmd PrevMonthLast(DateYmd d) {
  int y = Month(d) == 1 ? Year(d) - 1 : Year(d);
  int m = Month(d) == 1 ? 12 : Month(d) - 1;
  return Ymd(y, m, DateDaysInMonth(m, y));
}

std::string D8(DateYmd d) {
  char buf[9];
  for (int i = 7; i >= 0; --i, d /= 10) buf[i] = static_cast<char>('0' + d % 10);
  return std::string(buf, 8);
}

std::string Pad(const std::string& s, char c, size_t width) {
  return s.size() >= width ? s : s + std::string(width - s.size(), c);
}

}  // namespace

DateYmd AcMonthFirst(DateYmd d) { return Ymd(Year(d), Month(d), 1); }
DateYmd AcMonthLast(DateYmd d) { return Ymd(Year(d), Month(d), DateDaysInMonth(Month(d), Year(d))); }

DateYmd AcYearBefore(DateYmd d) {
  int y = Year(d) - 1;
  return y < 0 ? 0 : Ymd(y, Month(d), std::min(Day(d), DateDaysInMonth(Month(d), y)));
}

AcMonthSplit AcSplitMonths(DateYmd a, DateYmd b) {
  AcMonthSplit m;
  bool aFirst = Day(a) == 1, bLast = b == AcMonthLast(b);
  m.wholeFrom = aFirst ? a : NextMonthFirst(a);
  m.wholeTo = bLast ? b : PrevMonthLast(b);
  m.whole = m.wholeFrom <= m.wholeTo;
  if (!aFirst) {
    m.headFrom = a;
    m.headTo = std::min(b, AcMonthLast(a));
    m.head = m.headFrom <= m.headTo;
  }
  if (!bLast) {
    m.tailFrom = std::max(a, AcMonthFirst(b));
    m.tailTo = b;
    m.tail = m.tailFrom <= m.tailTo;
  }
  // Inside one month, touching neither end: one part, summed once.
  if (m.head && m.tail && m.headFrom == m.tailFrom && m.headTo == m.tailTo) m.tail = false;
  return m;
}

Status AcDateArg(StrValue text, DateYmd open, DateYmd* out) {
  if (Status e = StrError(text)) return e;
  std::string t = AcTrimRight(text.View());
  size_t lead = t.find_first_not_of(' ');
  t = lead == std::string::npos ? std::string() : t.substr(lead);
  if (t.empty()) {
    *out = open;
    return 0;
  }
  DateYmd d = 0;
  bool digits = t.size() == 8 && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits) d = std::stoi(t);
  if (!digits || !DateIsValid(d)) {
    StrAreaScope mark;
    ErrDetailSet(st::BADINPUTDATA, AcView("Date:" + t), false);
    return ErrSet(1, MOD_EXPEXEC, st::BADINPUTDATA, st::BADINPUTDATA);
  }
  *out = d;
  return 0;
}

// --- Account balances ----------------------------------------------------------------------

namespace {


// The fields and keys one balance reads.
struct Ledger {
  AcFileUse use;
  DataFieldDesc date, pass, asset, amount, macc, mdate, pexp, aexp, accId;
  AcAccountKey debitKey, creditKey, monthKey;
  std::vector<KeyPartPair> key1;  // key 1 of the entry lines: DATE + ENTRY + line
  uint16_t width = 0;
  bool withIds = false;

  Status Open(bool ids) {
    Status s = use.Take(kAcEntries, false);
    if (s == 0) s = use.Take(kAcMonths, false);
    struct Want {
      int kind, item;
      DataFieldDesc* desc;
    };
    const Want wants[] = {{kAcEntries, kAcDate, &date},       {kAcEntries, kAcPassAcc, &pass},
                          {kAcEntries, kAcAssetAcc, &asset},  {kAcEntries, kAcAmount, &amount},
                          {kAcMonths, kAcMonthAcc, &macc},    {kAcMonths, kAcMonthDate, &mdate},
                          {kAcMonths, kAcPExpired, &pexp},    {kAcMonths, kAcAExpired, &aexp}};
    for (const Want& w : wants)
      if (s == 0) s = AcFieldOf(w.kind, w.item, w.desc);
    if (s == 0 && ids) s = AcFieldOf(kAcMonths, kAcAccId, &accId);
    withIds = ids;
    int entries = use.File(kAcEntries), months = use.File(kAcMonths);
    if (s == 0) s = debitKey.Bind(entries, 2, pass, date);
    if (s == 0) s = creditKey.Bind(entries, 3, asset, date);
    if (s == 0) s = monthKey.Bind(months, 1, macc, mdate);
    if (s == 0) {
      KeyPart p{};
      uint16_t n = KeyPartsDesc(entries, 1, &p);
      key1.assign(p.part, p.part + n);
      width = AcAccountCodeWidth();
      if (width == 0) s = st::SINTAXERROR;
    }
    return s;
  }

  std::string Key1(std::string_view rec) const {
    std::string out;
    for (const KeyPartPair& p : key1)
      if (static_cast<size_t>(p.offset) + p.length <= rec.size()) out.append(rec.substr(p.offset, p.length));
    return out;
  }

  bool IdTaken(std::string_view rec, uint16_t idSelect) const {
    if (idSelect == kAcIdAll || !withIds) return true;
    int64_t id = AcFieldNum(rec, accId) / Pow10(NumPrecis());
    return idSelect == 0 ? id < kAcIdLimit : id == idSelect;
  }
};

// The entry lines of [from, to] (the upper end extended by the key suffix
// on key 1) whose debited or credited account is the account or begins
// with it.
Status EntriesSum(const Ledger& l, const std::string& account, DateYmd from, DateYmd to, const std::string& suffix,
                  AcAmounts* out) {
  std::string lo = D8(from), hi = D8(to), limit = hi + suffix;
  std::string high = Pad(account, '9', l.width);
  for (bool debit : {true, false}) {
    FixedNum* sum = debit ? &out->debit : &out->credit;
    Status s = AcWalkAccounts(debit ? l.debitKey : l.creditKey, account, high, lo, hi,
                              [&](std::string_view, std::string_view rec) {
                                if (!suffix.empty() && l.Key1(rec).substr(0, limit.size()) > limit) return AcWalk::Next;
                                *sum += AcFieldNum(rec, l.amount);
                                return AcWalk::Next;
                              });
    if (s) return s;
  }
  return 0;
}

// The balances by month of [from, to] (whole months) of the account's level.
Status MonthsSum(const Ledger& l, const std::string& account, DateYmd from, DateYmd to, uint16_t idSelect,
                 AcAmounts* out) {
  size_t level = account.size() <= 3 ? 3 : l.width;
  std::string high = Pad(Pad(account, '9', level), ' ', l.width);
  return AcWalkAccounts(l.monthKey, account, high, D8(from), D8(to), [&](std::string_view acc, std::string_view rec) {
    if (AcTrimRight(acc).size() != level) return AcWalk::NextAccount;
    if (l.IdTaken(rec, idSelect)) {
      out->debit += AcFieldNum(rec, l.pexp);
      out->credit += AcFieldNum(rec, l.aexp);
    }
    return AcWalk::Next;
  });
}

}  // namespace

AcAmounts AcAccountBalance(const std::string& accountIn, DateYmd from, DateYmd to, const std::string& keySuffix,
                           uint16_t idSelect) {
  AcAmounts r;
  Ledger l;
  r.status = l.Open(idSelect != kAcIdAll);
  if (r.status) return r;
  std::string account = AcTrimRight(accountIn);
  AcMonthSplit m = AcSplitMonths(from, to);
  if (m.head) r.status = EntriesSum(l, account, m.headFrom, m.headTo, keySuffix, &r);
  if (r.status == 0 && m.whole) r.status = MonthsSum(l, account, m.wholeFrom, m.wholeTo, idSelect, &r);
  if (r.status == 0 && m.tail) r.status = EntriesSum(l, account, m.tailFrom, m.tailTo, keySuffix, &r);
  if (r.status < 128) r.status = 0;
  return r;
}

AcAmounts AcAccountBalance(StrValue account, StrValue dateFrom, StrValue dateTo, StrValue keySuffix,
                           uint16_t idSelect) {
  AcAmounts r;
  DateYmd from = 0, to = 0;
  r.status = AcDateArg(dateFrom, kAcOpenFrom, &from);
  if (r.status == 0) r.status = AcDateArg(dateTo, kAcOpenTo, &to);
  if (r.status == 0 && (r.status = StrError(account)) == 0 && (r.status = StrError(keySuffix)) == 0)
    r = AcAccountBalance(AcStr(account), from, to, AcStr(keySuffix), idSelect);
  return r;
}

// --- Accounts with movements ------------------------------------------------------------

namespace {

// The code raised (or lowered) by one as a number of its own length; empty
// when it would need another digit. A character that is not a digit is
// raised or lowered itself and ends the carry.
std::string StepCode(std::string code, bool down) {
  for (size_t i = code.size(); i-- > 0;) {
    char& c = code[i];
    if (c < '0' || c > '9') {
      c = static_cast<char>(c + (down ? -1 : 1));
      return code;
    }
    if (!down && c < '9') {
      ++c;
      return code;
    }
    if (down && c > '0') {
      --c;
      return code;
    }
    c = down ? '9' : '0';
  }
  return std::string();
}

struct Search {
  std::string start;
  bool inclusive = true;
  bool down = false;
  size_t cut = 0;  // length of the results; 0 keeps them whole
};

// The first (last, downwards) account of a key with a record in the date
// range that the filter takes.
Status FirstAccount(const AcAccountKey& key, const Search& q, DateYmd from, DateYmd to,
                    const std::function<bool(std::string_view, std::string_view)>& take, std::string* found) {
  auto fn = [&](std::string_view acc, std::string_view rec) {
    if (!take(acc, rec)) return AcWalk::Next;
    *found = std::string(acc);
    return AcWalk::Stop;
  };
  if (q.down) return AcWalkAccountsDown(key, "", q.start, q.inclusive, D8(from), D8(to), fn);
  return AcWalkAccounts(key, q.inclusive ? q.start : q.start + '\xff', "", D8(from), D8(to), fn);
}

}  // namespace

std::string AcFindAccount(const std::string& code, DateYmd from, DateYmd to, int mode, Status* status) {
  *status = 0;
  Ledger l;
  if ((*status = l.Open(false)) != 0) return std::string();
  Search q;
  q.down = mode > 3;
  q.start = code;
  q.cut = code.size();
  q.inclusive = (mode & 1) != 0;
  if (code.empty()) {
    q.inclusive = true;
    if (mode & 2) {
      q.start.assign(1, '1');
      q.cut = 1;
    }
  } else if (!(mode & 1) && code.size() < l.width && code.back() != ' ') {
    q.start = StepCode(code, mode & 4);
    if (q.start.empty()) return std::string();
    q.inclusive = true;
  }
  AcMonthSplit m = AcSplitMonths(from, to);
  std::vector<std::string> candidates;
  auto any = [](std::string_view, std::string_view) { return true; };
  auto add = [&](const std::string& found) {
    if (!found.empty()) candidates.push_back(q.cut ? found.substr(0, q.cut) : found);
  };
  struct Part {
    bool on;
    DateYmd from, to;
  };
  for (const Part& p : {Part{m.head, m.headFrom, m.headTo}, Part{m.tail, m.tailFrom, m.tailTo}}) {
    if (!p.on) continue;
    std::string debit, credit;
    if ((*status = FirstAccount(l.debitKey, q, p.from, p.to, any, &debit)) != 0) return std::string();
    if ((*status = FirstAccount(l.creditKey, q, p.from, p.to, any, &credit)) != 0) return std::string();
    add(debit);
    add(credit);
  }
  if (m.whole) {
    std::string month;
    auto moved = [&](std::string_view acc, std::string_view rec) {
      if (AcTrimRight(acc).size() < q.cut) return false;  // a group record: search on after it
      return AcFieldNum(rec, l.pexp) != 0 || AcFieldNum(rec, l.aexp) != 0;
    };
    if ((*status = FirstAccount(l.monthKey, q, m.wholeFrom, m.wholeTo, moved, &month)) != 0) return std::string();
    add(month);
  }
  if (candidates.empty()) return std::string();
  return q.down ? *std::max_element(candidates.begin(), candidates.end())
                : *std::min_element(candidates.begin(), candidates.end());
}

StrValue AcFindAccount(StrValue code, StrValue dateFrom, StrValue dateTo, int mode) {
  if (Status e = StrError(code)) return StrErr(e);
  DateYmd from = 0, to = 0;
  Status s = AcDateArg(dateFrom, kAcOpenFrom, &from);
  if (s == 0) s = AcDateArg(dateTo, kAcOpenTo, &to);
  std::string found;
  if (s == 0) found = AcFindAccount(AcStr(code), from, to, mode, &s);
  return s >= 128 ? StrErr(s) : StrFromView(found);
}
