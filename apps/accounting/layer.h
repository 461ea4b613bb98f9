// The accounting program's layer: its four points of contact with the
// framework (the phase callback, the menu-command dispatcher, the task hooks
// it registers and its built-ins) and the small routines every accounting
// module shares.
//
// Accounting file kinds name the data files by role; a fixed table maps them
// to data-file numbers of the dictionary:
//
//   | kind | file | role                                             |
//   |------|------|--------------------------------------------------|
//   | 0    | 3    | account levels (fields ACCOUNT.<level>)          |
//   | 1    | 6    | registry of operations                           |
//   | 2    | 7    | entry documents                                  |
//   | 3    | 8    | accounts (CODE, CUR_PASSIVE, CUR_ASSETS)         |
//   | 4    | 9    | entry lines (DATE, ENTRY, TYPE, PASS_ACC, ...)   |
//   | 5    | 10   | balances by month (ACC., DATE, P_EXPIRED, ...)   |
//
// The fields are named by the items of message 1020 (AcFieldName): the
// message is a data contract between the program and its dictionary, so a
// field it names that the dictionary lacks answers 147 with "Field:" and the
// field reference in the error detail.
//
// Start-up: phase 1 registers the task hooks and the statement handlers,
// phase 2 the built-ins, the help directory and the configuration files.
// Every menu command goes through AcMenuAction, which owns verbs 5, 8 and 9.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/fixednum.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

enum AcFileKind : int {
  kAcLevels = 0,
  kAcRegistry = 1,
  kAcDocuments = 2,
  kAcAccounts = 3,
  kAcEntries = 4,
  kAcMonths = 5,
};

// Items of message 1020, 1-based.
enum AcFieldItem : int {
  kAcCode = 1,         // account code (accounts)
  kAcCurPassive,       // stored debit total of an account
  kAcCurAssets,        // stored credit total of an account
  kAcDate,             // entry date (entry lines)
  kAcEntry,            // entry number
  kAcType,             // entry type (predefined entries)
  kAcPassAcc,          // debited account of an entry line
  kAcAssetAcc,         // credited account of an entry line
  kAcAmount,           // amount of an entry line
  kAcMonthAcc,         // account of a balance by month
  kAcMonthDate,        // month of a balance by month
  kAcPExpired,         // debit total of the month
  kAcAExpired,         // credit total of the month
  kAcAccId,            // identifier field, "ACC_ID{%s}"
  kAcSignExpr,         // sign expression of a line
  kAcLevelTemplate,    // level template field of file 3, "ACCOUNT.%s{3}"
  kAcTemplatePairs,    // template characters and their replacing fields
};

// The phase callback: the phase is the low 4 bits (start flags x 16 above).
int AcAppCallback(int phase);
// The menu-command dispatcher: the verb number travels in the high half of
// code, the rest of the command line in text.
Status AcMenuAction(int code, StrValue text);

// The data-file number of a kind; the high byte of the argument is kept. A
// kind outside 0-5 gives 0 in the low byte (no file).
int AcFileNum(int kind);
// Item n of message 1020 (a new slot of the string area; empty when absent).
StrValue AcFieldName(int n);
// The same as a plain name: the item up to its first "{" ("ACC_ID").
std::string AcFieldPlainName(int n);
// The length of field CODE of the accounts file; 0 (with 147 recorded) when
// the dictionary has no such field.
uint16_t AcAccountCodeWidth();
// Writes FAPE$ = the quoted date into the parameter file of the configuration
// list (item 3), which is then run again.
Status AcSaveOpeningDate(StrValue date);
// Stores every account's totals over the range: CUR_PASSIVE the debit,
// CUR_ASSETS the credit. Only accounts with movements in the range are
// written; callers that need the others zeroed reset them first.
Status AcSetBalances(StrValue dateFrom, StrValue dateTo);
