// The year close (task 10), its undo (task 11) and the balance maintenance
// (task 16, also the last stage of the undo).
//
// The close runs eight fixed steps, each guarded by a condition variable and
// configured by the object parameters of its own event (AMOR.WR_EXP$ before
// WR_EXP$):
//
//   | n | event | guard  | work                                          |
//   |---|-------|--------|-----------------------------------------------|
//   | 1 | AMOR  | _AMOR  | procedure file COAMORT.PRC                    |
//   | 2 | STOCK | _EXIS  | procedure file COSTOCK.PRC                    |
//   | 3 | TAX   | _TASA  | procedure file COTAXES.PRC                    |
//   | 4 | LOWI  | _PEGA  | loss-and-profit lines by the labels of balance |
//   |   |       |        | model 2 (_EABR non-zero) or 4, each label      |
//   |   |       |        | balanced to _CTAP$                             |
//   | 5 | RESET | _CIER  | the accounts rewritten by WR_EXP$ (transfer    |
//   |   |       |        | engine, batch update)                          |
//   | 6 | CLOSE | _CIER  | a closing line for every account moved in the  |
//   |   |       |        | year                                           |
//   | 7 | OPEN  | _APER  | opening lines from the accounts (RD_COND$,     |
//   |   |       |        | amount RD_EXP$); none written answers 127      |
//   | 8 | REGEN | 1      | the accounts' stored totals of _FFIN$          |
//
// Lines are written by AcEntryTextSubst: the step's WR_EXP$ with %AMNT%
// (the amount), %DESC% (a variable name: _CPTG$, _CPTC$ or _CPT1$) and
// %ACCT% (the account) replaced, evaluated as a condition over the current
// record of the entry lines; true inserts it with its relation statements.
// Each step logs two lines to "CLOSEYEAR.LOG" (its format with message 0016
// in parentheses, then with its result text); a step whose guard is false
// logs message 0006.
//
// All or nothing: each task is one run of the journal (data/store/journal.h).
// The entry lines, the balances by month, the accounts and the parameter
// file holding FAPE$ change together or not at all: the close keeps its
// work only when it moved FAPE$ to _FFIN$, the undo only when it ends at 0,
// the maintenance only below 122. Any other end (a failing step or gate,
// 127 from step 7, an error, a cancel, SIGINT or SIGTERM) puts every file
// back as it was; the log stays. A killed task is undone by the next
// start's recovery.
//
// Checks before anything is written:
//   - the close: FAPE$, _FINI$ and _FFIN$ valid dates, FAPE$ <= _FINI$ and
//     _FFIN$ = _FINI$ + 1 day, else 163 naming the variable (so a year
//     closed already cannot be closed again);
//   - the undo: date A (field 1) a valid date with A + 1 day = FAPE$ (the
//     last close), else 163 naming it;
//   - an account code pasted into a template holds only letters and digits
//     (right-trimmed), else 163 naming it;
//   - the maintenance: both dates valid, from <= to, and a non-empty COND$
//     (phase 1 would otherwise delete the months phase 2 does not rebuild),
//     else 163 naming it.
// A gate (guard or SET$) failing with 122 or more becomes the running
// status: logged, and the later steps only logged.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/datetime.h"
#include "runtime/fixednum.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

extern const char kAcCloseEvents[];  // "AMOR,STOCK,TAX,LOWI,RESET,CLOSE,OPEN,REGEN"
extern const char kAcCloseGuards[];  // "_AMOR,_EXIS,_TASA,_PEGA,_CIER,_CIER,_APER,1"
extern const char kAcUndoEvents[];   // "UNCLOSE,UNOPEN,REGEN"
extern const char kAcMaintEvents[];  // "RESETBAL,REGENBAL,FITACC"
extern const char kAcCloseLog[];     // "CLOSEYEAR.LOG"

// The tasks: work on event 25 only; every event ends through the screen's
// closing result.
Status AcCloseYear(int event);
Status AcUncloseYear(int event);
Status AcTaskBalanceMaint(int event);

// The work of the tasks without the window around them (the dates as
// 8-character texts). Each is one run of the journal; the log and the
// progress window are theirs.
Status AcCloseYearRun();
Status AcUncloseYearRun(StrValue dateA);
// Statuses below 128 are answered as 0, a cancel (122) and above as they are.
Status AcBalanceMaint(StrValue dateFrom, StrValue dateTo);

// Logs and gates step n (1-8), or logs a result (n 0); see the table above.
Status AcRunStep(int format, Status status, int n);
// Builds and inserts one entry line: 0, 127 when the template declined it,
// or an error.
Status AcEntryTextSubst(StrValue account, StrValue name2, StrValue description, FixedNum amount, StrValue relText);

Status AcStepAmortization();
Status AcStepStocks();
Status AcStepTaxes();
Status AcStepLossProfits();
Status AcStepResetAccounts();
Status AcStepClosingEntry();
Status AcStepOpeningEntry();
Status AcStepSetBalances();

// One account's closing line over FAPE$.._FINI$ (debit minus credit), its
// amount added to *total; a declined line adds nothing.
Status AcPostAccountBalance(const std::string& account, StrValue description, StrValue relText, int64_t* total);
// Every account of one "prefix;kind" item.
Status AcPostPrefixLines(StrValue item, int64_t* total);
// One label's accounts, then its balancing line to _CTAP$.
Status AcPostLabelLines(StrValue accountList);
// Advances the bar by 1000 when the account's first digit passes the last.
void AcProgressByDigit(StrValue account, int* lastDigit);

// The selection of the entry lines of one day: each row read and its
// relation statements run (relation update only, mode 256).
Status AcBalanceRegenDay(int file, StrValue relText);


// Date helpers: the day after; a date text as a date (0 when it is none).
DateYmd AcDayAfter(DateYmd d);
DateYmd AcDateOf(const std::string& text);
std::string AcDateText(DateYmd d);
