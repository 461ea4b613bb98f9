// Statistics sets and file scans.
//
// A statistics set is a work file built by scanning a key range of a source
// file: FILESCAN ACUM accumulates each qualifying source record into the
// work record of its group (the work file's key 1), FILESCAN EXPSET runs
// expressions over a range, and STATSTEPS chains such steps into the work
// file of a level. The work file is an ordinary defined data file opened in
// temporary mode (`_UPSTAT` bit 2): its data and index are fresh files of
// the temporary directory, created exclusively under names nobody else can
// take first, held by the file's own store (never on a string list) and
// deleted when the set is closed, however it is closed. The StatMove
// built-in then walks the set, or the current file outside a set.
//
// `_UPSTAT` bits: 4 a set is open (StatMove and FILEREL work on it), 8 a
// VIRTUAL set (a work record missing from the set is never looked up in the
// file's own data).
//
// Accumulation. For each source record of the range that meets the scan
// condition and the row condition, the work record buffer pair is blanked
// and the assignment is evaluated over it as a condition (it fills the work
// record's fields, the key included; its last value decides). When true,
// the work record of the same key-1 text is looked up: absent, the record
// just built is inserted; present, the assignment runs again over it (it
// adds the source's values) and the record is rewritten. So one work record
// per group holds the sums of its records, whatever their order.
//
// Results: 0; 127 OUTOFDATA when nothing qualified (the statement turns it
// into 0); 122 when the user cancelled in the progress window; 163
// BADINPUTDATA for bad options (the option named in the detail), a relation
// step without two items, no relation statements ("No RELOPT defined") or
// an empty step list; 168 DATAOUTBOUND for a level outside 1..30; 147 for
// StatMove commands it does not run; the data layer's and the evaluator's
// errors as they come. Errors are recorded with module 18 (DataFile).
//
// What the sets need of the screens (screen properties, field texts, the
// menu-command runner, whether a progress window is shown) comes through
// StatUiSet, registered at start-up.
#pragma once
#include <cstdint>

#include "runtime/fixednum.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

namespace upstat {
constexpr uint16_t kRelations = 1;  // relation statements run on writes
constexpr uint16_t kTemporary = 2;  // files open under fresh temporary names
constexpr uint16_t kSetOpen = 4;    // a FILESCAN or STATSTEPS set is open
constexpr uint16_t kVirtual = 8;    // a missing work record is not looked up in the file's data
}  // namespace upstat

// The sets read these properties of the current screen (script/objparams.h
// numbers them): COND$ the row condition of a relation step, INDEX% its
// source key, LIMITS$ its start and limit, RESET$ the level (an integer) or a
// work-record reset, STEPS$ the step list, RD_COND$ condition items joined
// with "&&", STRUCT$ name, fields and keys of a level's work file.

// --- What the sets ask of the screens -----------------------------------------

struct StatUi {
  // Property n of the current screen, item m (0 the whole value); empty when
  // no screen is current.
  StrValue (*prop)(int n, int m) = nullptr;
  // The stored text of field n of the current screen; empty when none.
  StrValue (*field)(int n) = nullptr;
  // The items of a condition list joined with "&&", the items whose screen
  // field at the same position is blank left out.
  StrValue (*condJoin)(StrValue items) = nullptr;
  // Runs the step list from *index as menu commands until its end (0), the
  // first non-zero answer, or a relation step (the stop verb): then 124 with
  // *index on that step and *rest holding its arguments.
  Status (*runSteps)(StrValue list, uint32_t* index, StrValue* rest) = nullptr;
  // True while a progress window shows a total of its own.
  bool (*progressShown)() = nullptr;
};
// Installs the functions; answers the previous set. Without them no screen
// is current (empty properties and fields), a condition list cannot be
// joined and steps cannot run (148 naming FieldExprJoin or MenuCmdRunList),
// and no progress window is shown.
StatUi StatUiSet(const StatUi& ui);

// --- File scans ---------------------------------------------------------------

// The FILESCAN statement: options "ACUM|EXPSET|CLOSE FILE:f INDEX:k MODE:m
// FROM:expr TO:expr VIRTUAL:v", then the scan condition, the assignment (the
// expression list for EXPSET), the row condition and the poll condition.
// Answers the status; _STAT is the statement's business.
Status FileScanRun(StrValue options, StrValue cond, StrValue assign, StrValue rowCond, StrValue pollCond);
// Accumulates the source records of the range (key 0: record order) into
// the work file, which becomes current; mode bit 1 counts the range first
// and shows its progress. The poll condition, when given and false, lets the
// user cancel (122). Leaves the work file on its first record.
Status FileScanAccum(int source, int work, int key, StrValue start, StrValue limit, StrValue cond,
                     StrValue rowCond, StrValue assign, StrValue pollCond, int mode);
// Runs the comma-separated expressions over each record of the range, or,
// with sums, adds the value of expression i to sums[i] (count entries;
// 168 when a sum would pass the 64-bit range). The source's position,
// buffers and the kept scan condition are put back. 0, or the last code
// above 121.
Status FileScanExpSet(int source, int key, StrValue start, StrValue limit, StrValue cond, StrValue exprs,
                      int mode, FixedNum* sums, uint16_t count);
// flags non-zero: opens the file as an empty set (temporary mode) with the
// flags, closing it first when it is open on its own data; answers the
// open's status (2 for the empty set). flags 0: closes the set and deletes
// its two files.
Status FileScanClose(int file, uint8_t flags);
// Task hook 3 (FILEREL with flag 4 while a set is open): reads the work
// record of file b related to the current record of file a by relation c;
// when the set lacks it, the record is made (from the file's own data when
// it has one, see FileScanReadKey) and inserted; the assignment runs over it
// and it is stored.
Status FileScanOpenHook(int a, int b, int c, int flags, StrValue text);
// Reads the set by key. On a miss outside a VIRTUAL set, when the key text
// is not blank and the file has data of its own, the record of that key is
// read from there into the current record with its temporary fields
// cleared (FileScanTmpCheck); the answer stays the set's miss (1 or 2).
Status FileScanReadKey(int file, int key, StrValue text, uint16_t flags);
// Evaluates RESET$ when it holds an expression; otherwise sets every field
// of the file whose name begins with "TMP" to the empty value.
Status FileScanTmpCheck(int file);
// With mode bit 1 and no progress window showing a total: counts the range
// and opens the progress window with that total (*total, *opened set).
Status StatWorkOpen(int source, int key, StrValue start, StrValue limit, StrValue cond, int mode, uint32_t* total,
                    bool* opened);

// --- Statistics steps -------------------------------------------------------------

// STATSTEPS: runs the step list into the work file number `level` (1..30).
// A level beyond the defined files is defined first from STRUCT$ (and
// removed again at the end); a level naming an open file closes it first.
// The set is closed, its files deleted, `_UPSTAT` bit 4 put back and the
// previous current file made current again on every path. A non-zero
// answer is shown in the error box and returned.
Status StatStepsRun(int level, StrValue list);
// Defines the level's work file from STRUCT$: its first three items,
// evaluated, are FILESTRUCT's name, fields and keys.
Status StatStepsRestore();
// which 1: the start, 0: the limit of a relation step: item 1 or 2 of
// LIMITS$, evaluated; without LIMITS$ the text of screen field 1 or 2.
StrValue StatStepItem(int which);
// One relation step "source,relations": accumulates the source's range into
// the level's work file with the statements of the relations (";" between
// their numbers) as the assignment.
Status StatRelAccum(int level, StrValue text);

// --- Navigation ---------------------------------------------------------------------

// Registers the built-in "StatMove" and FileScanOpenHook as task hook 3.
Status StatMoveRegister();
// StatMove(command[;start[;limit[;condition]]]) over the current file.
Status StatMove(const uint16_t* kinds, uint16_t count);
// Registers the FILESCAN statement with the statement handlers.
void FileScanStatementRegister();
