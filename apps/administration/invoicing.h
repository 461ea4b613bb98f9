// The invoicing run: task 10 of the administration program turns delivery
// notes into invoices.
//
// The run is described by the object parameters of the document window it
// runs from (the current parameter string): its name list FD$, and per step
// the statement SET$ and the texts TARGET$, RD_COND$, USR_COND$, RD_EXP$,
// WR_EXP$, EOT_EXP$, RELOPT% and UPDFIELDS$, looked up first under the step's
// name ("INVOICE.SET$") and then plainly. The steps are the event list
// "BEGIN,DELNOTES,CUSTOMER,INVOICE,FOOT,REG,PAY,PREPNEXT,SCREENUP,END"; the
// step number stands in `_AUX` while a step's texts are read.
//
// Items of the name list (FD$ with its [expression] segments expanded, kept
// on string list 36 while the run lasts):
//   3  a name assigned the invoice number while it is raised (empty: none)
//   4  expression of the from-limit of the notes' key 2
//   5  expression of the to-limit (empty: no bound)
//   6  an expression whose value (a yes word or a number) asks for a
//      confirmation per delivery note (empty: no confirmation)
//   7  the first screen field refreshed at the start (empty: none)
//   8  the invoice-number field of the invoice file, NAME{n}
//   9  its series field, NAME{n}
//   10 the grouping field (the customer) of the notes file, NAME{n}
//
// Order: the customers (values of item 10, trimmed) in ascending order,
// whatever order key 2 gives them; within a customer each distinct sub-group
// condition (the CUSTOMER step's RD_COND$ expanded over a note) in the order
// of its first note; within a sub-group its notes in key-2 order. One
// invoice per sub-group with at least one confirmed note: the number
// (raised until number and series are free), one invoice record per note,
// the footer, the registry records, the payments, PREPNEXT and the screen
// refresh. The notes are read in one pass over key 2 and grouped in memory,
// so the run is linear in the notes; each customer's notes are read again
// when its sub-groups are selected, so what earlier invoices changed in them
// (a note marked invoiced) is seen, as a fresh selection would see it.
//
// Customers: compared exactly on their trimmed text (numerically for a
// numeric grouping field), never as patterns; notes without a customer are
// not invoiced, and one line of the log counts them.
//
// Before anything is written the TARGET$ files of BEGIN (the notes), REG
// (the registry) and PAY (the payments) are resolved: a missing one is 163
// naming the step's parameter. The whole run, from BEGIN to END, is one run
// of the journal (data/store/journal.h), with the counters file: a run that fails
// writes nothing in the end, one killed anywhere is undone by the next
// start; a cancel (polled before each invoice is written) keeps the whole
// invoices written before it.
//
// Results: 0; 122 when the user cancels (END still runs); 141 for a
// customer whose notes no longer meet the conditions; 163 for a missing
// TARGET$ file or a blank invoice number; errors of statements, data files
// and seams (148) as they come; 165 when a journal left by a run that did
// not end waits for the next start (nothing done). A final 2 counts as 0.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "apps/administration/admfuncs.h"
#include "data/store/recbuf.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr char kInvSteps[] = "BEGIN,DELNOTES,CUSTOMER,INVOICE,FOOT,REG,PAY,PREPNEXT,SCREENUP,END";
enum InvStep : int {
  kInvReset = 0,
  kInvBegin = 1,
  kInvDelNotes,
  kInvCustomer,
  kInvInvoice,
  kInvFoot,
  kInvReg,
  kInvPay,
  kInvPrepNext,
  kInvScreenUp,
  kInvEnd,
};
constexpr uint16_t kInvNamesList = 36;  // string list of the run's name list

// Task 10: on event 25 runs the run and shows its result in the status box;
// every event ends through the screen-closing result with flag 16.
Status AdmTaskInvoicing(int event);
Status AdmInvoicingRun();
// Item n of the run's name list (a view into the store; empty outside a run).
StrValue AdmRunName(int n);
// `_AUX` := step; for step > 0 the step's SET$ is evaluated (its error is the
// answer); with out given, TARGET$ names a data file (name or number) into
// *out, 163 when there is none.
Status InvRunStep(int step, int* out);

// --- The pieces of the run, shared with tests --------------------------------

// What the run keeps while it lasts.
struct InvRun {
  int notesFile = 0;
  int invFile = 0;
  std::string from, to;     // limits of the notes' key 2
  std::string base;         // BEGIN's RD_COND$, items joined by "&&"
  std::string groupFilter;  // BEGIN's USR_COND$, joined likewise
  std::string groupRef;     // item 10
  FieldRef group;           // item 10 parsed
  bool numericGroup = false;
  FieldRef number, series;  // items 8 and 9
  uint16_t numberKey = 1;   // the invoice file's key led by the number field
  int relLevel = 0;         // the invoice file's relation base (for RELOPT%)
  uint32_t blankNotes = 0;  // notes left out for want of a customer
};

// A comparison of the grouping field with a customer value, as an
// expression: the trimmed field against the value quoted as a literal (a
// number for a numeric field); op 1 "==", 2 ">", 4 "<".
std::string InvGroupCompare(const InvRun& run, int op, const std::string& value);
// The grouping value of the notes file's current record, trimmed; empty for
// a blank one.
std::string InvGroupValue(const InvRun& run);
// True when a sorts before b as grouping values.
bool InvGroupLess(const InvRun& run, const std::string& a, const std::string& b);
// Sets `_AUXSTAT` bit 128 (equality is never a pattern test) while it
// lives; the selections of notes evaluate their conditions under it.
class InvExactScope {
 public:
  InvExactScope();
  ~InvExactScope();
  InvExactScope(const InvExactScope&) = delete;
  InvExactScope& operator=(const InvExactScope&) = delete;

 private:
  bool was_;
};
// A condition over the current records: 1 true, 0 false, 122 and above.
Status InvHolds(const std::string& condition);
// Item n of a parameter's comma list joined by "&&" (each in parentheses
// when there are several), read under the current step.
std::string InvJoined(int parm);
// A parameter's text under the current step.
std::string InvParm(int parm);
// The customer's distinct sub-group conditions (the CUSTOMER step's RD_COND$
// expanded over each row that no condition listed so far holds for).
Status InvSubGroups(const InvRun& run, const std::vector<AdmRangeRow>& rows, std::vector<std::string>* conds);
// The DELNOTES step's texts and the invoice of one sub-group's notes (rows
// in key-2 order, key-1 texts kept), the DELNOTES step already run.
Status InvStepInvoice(InvRun& run, const std::vector<AdmRangeRow>& rows);
// The whole run around a loop over the customers: opening (pre-checks,
// BEGIN, name list, limits), the loop, END and the reset.
using InvGroupLoopFn = Status (*)(InvRun& run);
Status InvRunWith(InvGroupLoopFn loop);
// The run's own loop over the customers (one pass over the notes).
Status InvGroupLoop(InvRun& run);
// The confirmation of the note whose first row is current: 0 skip, 1
// confirm, 122 cancel, or an error. Without a confirmation field (item 6
// false) the note is confirmed; otherwise the form DOC$ (default
// "kxInvSel.pdc") prints the note on DEVICE$ (default the screen) in the
// report window with the buttons "Cancel,Skip,Confirm"; Esc or closing it
// cancels.
Status InvSelectDialog(const InvRun& run);
