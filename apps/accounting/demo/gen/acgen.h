// Writes accounting data files: the demo application's accounts and two
// years of entry lines, and the large ledgers of the balance benchmark.
//
// Entry lines go in either through the data-file action with the relation
// statements of the application (so the balances by month and the
// accounts' totals come from the relation file, as when a person enters
// them), or as plain inserts followed by balances by month and totals
// computed here (for ledgers too large to write line by line through the
// script engine). Both give the same files.
//
// The caller provides the runtime (a test fixture, or AcGenRuntime for a
// program), the folder holding the dictionary and the folder the data files
// are written to (the same one or not).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/datetime.h"
#include "runtime/status.h"

struct AcGenAccount {
  std::string code;  // full width, or a 3-character group
  std::string name;
};

struct AcGenLine {
  DateYmd date = 0;
  int entry = 0;
  int line = 0;
  std::string debit, credit;  // PASS_ACC, ASSET_ACC
  int64_t cents = 0;          // the amount in hundredths
  int accId = 0;
  std::string text;  // CONCEPT
  std::string type;  // TYPE: not blank on the lines of a predefined entry
};

// A program's runtime: the layers' hooks, memory, string area, system
// variables.
Status AcGenRuntime();
// Settings of the accounting program over the application folder `app`
// (dictionary and relation files), its dictionary loaded with the data
// files located in `data`, and the files of accounts, entry lines and
// balances by month open (created empty when missing).
Status AcGenOpen(const std::string& app, const std::string& data);
Status AcGenAccounts(const std::vector<AcGenAccount>& accounts);
// Writes the lines: through the relation statements, or as plain inserts
// followed by the balances by month (accounts and their 3-character groups,
// by month and ACC_ID) and the accounts' stored totals.
Status AcGenLines(const std::vector<AcGenLine>& lines, bool relations);
// The registry of operations (a record per entry line: date, entry, line,
// the debited account as CODE, the concept, the amount) and the entry
// documents (a record per entry, its number as six digits), both opened
// here (created empty when missing).
Status AcGenRegistry(const std::vector<AcGenLine>& lines);
// Closes every data file (indexes saved).
Status AcGenClose();

// The demo application's data: about 40 accounts of a Spanish chart (and
// their 3-character groups), two years (2024 and 2025) of entry lines with
// mid-month dates, 29 February 2024, and two ACC_IDs (0 for the year's
// movements, 60 for its opening entry). The payroll of May 2025 is a
// predefined entry: its three lines carry TYPE 'NM'.
std::vector<AcGenAccount> AcDemoAccounts();
std::vector<AcGenLine> AcDemoLines();
