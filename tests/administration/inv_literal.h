// The customer and sub-group loops of the invoicing run written as plainly
// as they are described: the next customer found by repeated selections of
// the notes (the smallest value above the previous one), each customer's
// notes and each sub-group's notes selected again from the whole key range.
// The invoices themselves are made by the run's own InvStepInvoice, so a run
// through this loop must write exactly the files the run's one-pass loop
// writes. The comparisons follow the run's rules: trimmed values, exact
// equality, blank customers left out and counted.
#pragma once
#include <string>
#include <vector>

#include "apps/administration/invoicing.h"
#include "data/store/datafile.h"
#include "data/store/fileaction.h"
#include "runtime/errors.h"

namespace literal {

// A selection of the notes (key 2, the run's limits) with a condition: its
// rows, the first one read; none leaves the buffers as they were.
inline Status Select(const InvRun& run, const std::string& cond, std::vector<AdmRangeRow>* rows) {
  DataStoreState saved;
  if (Status s = DataFileCtrlSave(&saved, run.notesFile, nullptr)) return s;
  Status s = 0;
  {
    InvExactScope exact;
    StrAreaScope scope;
    s = AdmKeyRangeRows(run.notesFile, 2, Sv(run.from), Sv(run.to), Sv(cond), rows);
  }
  if (s != 0) return s;
  if (rows->empty()) return DataFileCtrlSave(nullptr, run.notesFile, &saved);
  return AdmRowLoad(run.notesFile, rows->front());
}

inline std::string And(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return "(" + a + ")&&(" + b + ")";
}

inline std::string NonBlank(const InvRun& run) { return "FN$TRIM(" + run.groupRef + ")>''"; }

// The smallest customer above prev (none yet: empty); *found false when none.
inline Status NextGroup(const InvRun& run, const std::string& prev, bool first, std::string* out, bool* found) {
  std::string s = And(run.base, NonBlank(run));
  if (!first) s = And(s, InvGroupCompare(run, 2, prev));
  *found = false;
  std::string v;
  for (;;) {
    std::vector<AdmRangeRow> rows;
    std::string cond = *found ? And(s, InvGroupCompare(run, 4, v)) : s;
    if (Status st = Select(run, cond, &rows)) return st;
    if (rows.empty()) break;
    v = InvGroupValue(run);
    *found = true;
  }
  *out = v;
  return 0;
}

inline Status StepDelNotes(InvRun& run, const std::string& custCond, const std::string& sub) {
  if (Status s = InvRunStep(kInvDelNotes, nullptr)) return s;
  std::vector<AdmRangeRow> rows;
  if (Status s = Select(run, And(custCond, sub), &rows)) return s;
  return InvStepInvoice(run, rows);
}

inline Status StepCustomer(InvRun& run, const std::string& value) {
  if (Status s = InvRunStep(kInvCustomer, nullptr)) return s;
  std::string custCond = And(run.base, InvGroupCompare(run, 1, value));
  std::vector<AdmRangeRow> rows;
  if (Status s = Select(run, custCond, &rows)) return s;
  std::vector<std::string> conds;
  if (Status s = InvSubGroups(run, rows, &conds)) return s;
  if (conds.empty()) return st::INTERNALERROR;
  Status s = 0;
  for (const std::string& c : conds) {
    if ((s = StepDelNotes(run, custCond, c)) != 0) break;
  }
  return s < 122 ? 0 : s;
}

inline Status GroupLoop(InvRun& run) {
  {
    std::vector<AdmRangeRow> blank;
    if (Status s = Select(run, And(run.base, "FN$TRIM(" + run.groupRef + ")==''"), &blank)) return s;
    run.blankNotes = static_cast<uint32_t>(blank.size());
  }
  std::string prev;
  for (bool first = true;; first = false) {
    bool found = false;
    std::string v;
    if (Status s = NextGroup(run, prev, first, &v, &found)) return s;
    if (!found) break;
    prev = v;
    Status f = InvHolds(run.groupFilter);
    if (f >= 122) return f;
    if (f != 1) continue;
    if (Status c = DataFileCancelPoll()) return c;
    if (Status s = StepCustomer(run, v)) return s;
  }
  return 0;
}

}  // namespace literal
