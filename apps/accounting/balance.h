// The balance engine: an account's debit and credit totals over a date range
// and the search for accounts with movements.
//
// A range [A, B] is split by months: the whole months inside it are read
// from the balances by month (file kind 5), the partial months at its head
// and tail from the entry lines (kind 4). A range inside one month that
// touches neither of its ends is one partial part, read once.
//
// Accounts: a code of the full account-code width names one account; a
// shorter code is a prefix. In the balances by month a prefix of at most 3
// characters sums the records of its 3-character groups, a longer one the
// records of the full-width accounts that begin with it; in the entry lines
// a prefix takes every line whose account begins with it (by keys 2 and 3,
// which lead with the debited and the credited account). So a prefix gives
// the same amounts whether its range falls on month boundaries or not.
//
// idSelect filters the balances by month by their ACC_ID: 65535 all, 0 those
// below 50, any other n those equal to n. The entry lines of the partial
// months are taken whatever their ACC_ID.
//
// Dates are 8-character texts YYYYMMDD; an empty date is open (the earliest
// or latest day); any other text that is not a valid date answers 163 with
// the text in the detail. Files that are closed are opened for the call and
// closed again; open ones keep their current records (AcFileUse).
#pragma once
#include <cstdint>
#include <string>

#include "runtime/datetime.h"
#include "runtime/fixednum.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

struct AcAmounts {
  FixedNum debit = 0;
  FixedNum credit = 0;
  Status status = 0;   // an error of 128 and above; results below 128 are 0
  uint32_t value = 0;  // carried along for the caller
};

constexpr uint16_t kAcIdAll = 65535;
constexpr DateYmd kAcOpenFrom = 101;       // an empty lower date: 1 January of year 0
constexpr DateYmd kAcOpenTo = 99991231;    // an empty upper date
constexpr int kAcIdLimit = 50;  // idSelect 0 takes ACC_ID below this

// Folds (debit, credit) by a balance kind into *total: 1 debit - credit,
// 2 credit - debit, 3 the excess of debit (only when debit is greater),
// 4 the excess of credit, 5 debit, 6 credit. A non-zero status, or no
// total, is answered unchanged; a kind outside 1-6 answers 163.
Status AcBalanceAdd(FixedNum debit, FixedNum credit, Status status, int kind, FixedNum* total);

// The parts of a range: head and tail partial months, whole months between.
struct AcMonthSplit {
  bool head = false, whole = false, tail = false;
  DateYmd headFrom = 0, headTo = 0, wholeFrom = 0, wholeTo = 0, tailFrom = 0, tailTo = 0;
};
AcMonthSplit AcSplitMonths(DateYmd a, DateYmd b);
// The first and last day of a date's month; one year before a date, 29
// February giving 28 February.
DateYmd AcMonthFirst(DateYmd d);
DateYmd AcMonthLast(DateYmd d);
DateYmd AcYearBefore(DateYmd d);
// A date text as a DateYmd: empty gives `open`, a valid 8-digit date its
// value; anything else answers 163 with the text in the detail.
Status AcDateArg(StrValue text, DateYmd open, DateYmd* out);

AcAmounts AcAccountBalance(StrValue account, StrValue dateFrom, StrValue dateTo, StrValue keySuffix,
                           uint16_t idSelect);
AcAmounts AcAccountBalance(const std::string& account, DateYmd from, DateYmd to, const std::string& keySuffix,
                           uint16_t idSelect);

// The next account with movements in [from, to]: mode 2 the first after the
// code, 3 the first at or after it, modes above 3 the same downwards (6 the
// last before, 7 the last at or before). A code shorter than the code width
// steps by groups of its own length: the result is cut to that length. An
// empty result when there is none (also when a group code cannot step
// further, "99" upwards or "00" downwards). *status gets 0 or an error.
std::string AcFindAccount(const std::string& code, DateYmd from, DateYmd to, int mode, Status* status);
StrValue AcFindAccount(StrValue code, StrValue dateFrom, StrValue dateTo, int mode);
