// The framework operations only the administration program links: a repeat
// loop over a condition, a dictionary-item evaluator, a per-record processor
// of a key range with numeric totals, prefixed number parsing, and the data
// operation this program does not provide.
//
// Rows of a key range: the records of a file whose key text, from a start
// text, stays within a limit text (the key text cut to the limit's length is
// not above it; an empty limit sets no bound), in key order, optionally only
// those that meet a condition. They are held as record numbers, so callers
// can come back to any of them after other reads of the file.
//
// Cancel: the loops poll the data layer's cancel poll (the progress window
// once the screens install it) each turn; a cancel ends them with 122.
//
// Errors: 163 BADINPUTDATA for an empty RecOperWhile condition; 168
// DATAOUTBOUND for a total past the label array "_#(" (the element in the
// detail) and for a number that leaves 64 bits; 147 SINTAXERROR for a digit
// outside its base; 148 from DataFileStub148; data-file and evaluation
// errors as they come.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// One record of a key range: its record number and its key-1 text.
struct AdmRangeRow {
  int32_t rec = 0;
  std::string key1;
};

// The rows of file's key range that meet the condition (an empty condition
// holds for every record), appended to *rows when rows is given; `each`,
// when given, is called for every such row while its record is in the
// buffer, and a non-zero answer stops. The condition is evaluated over each
// record in the file's buffer. Answers 0 (no row is not an error), 122 for a
// cancel or an error; the file's buffers then hold the last record read.
using AdmRowFn = std::function<Status(const AdmRangeRow& row)>;
Status AdmKeyRangeRows(int file, int key, StrValue start, StrValue limit, StrValue condition,
                       std::vector<AdmRangeRow>* rows, const AdmRowFn& each = nullptr);
// Reads the record of a row into both halves of the file's record buffer
// pair, so it can be updated or deleted afterwards.
Status AdmRowLoad(int file, const AdmRangeRow& row);

// While the condition holds: the statement is evaluated, then the data-file
// action (mode, file, relation-list text, no key check) runs. Stops at the
// first non-zero status of either (or a cancel, 122) and answers it;
// answers the condition's value (0) when it turns false. An empty condition
// is 163.
Status RecOperWhile(StrValue condition, StrValue statement, uint16_t mode, int file, StrValue list);

// The relation key of the current data file that reaches `file` through
// relation `relation` (a dictionary item of the current file), evaluated as
// a text expression; empty when there is no current file, no such item, or
// the item does not evaluate.
StrValue DicItemEval(int file, int relation);

constexpr int kSelNoTotals = -1;
// The records of file's key range, in key order: with a total base (0 or
// more) the label array is cleared first and each record's numeric fields
// are added to it (SelRecordNumFields); without one the statement is
// evaluated over each record. When that step succeeds and the condition
// holds, the record in the target file's buffer is inserted into the target
// (mode 0x500; target 0: none). Stops at the first status of 128 or more and
// answers it, else 0.
Status SelListProcess(int file, int key, StrValue start, StrValue limit, int totalBase, StrValue statement,
                      StrValue condition, int target);
// The per-record part of SelListProcess over rows already listed.
Status SelListEachRecord(int file, const std::vector<AdmRangeRow>& rows, int totalBase, StrValue statement,
                         StrValue condition, int target);
// One record's step: 0 after the totals or the statement and an insert into
// the target (or no target and a true condition), 127 for a false condition
// without target, or the first error.
Status SelRecordStep(int file, int totalBase, StrValue statement, StrValue condition, int target);
// Adds the value of each field of file (1..count) whose type letter is one
// of "NL123456789" to element base + i - 1 of the label array "_#(",
// creating the array when needed. 168 when an element lies past the array.
Status SelRecordNumFields(int file, int base);
// Clears the label array "_#(" (creating it when needed).
Status AdmLabelsClear();

// A data-file operation this program does not provide.
Status DataFileStub148();

// The trimmed text: an optional '-', the first prefix of the comma list the
// text begins with (any letter case; an empty prefix matches last), then
// digits of the base listed at the prefix's position (10 when the base list
// has no item there); the digits read by DigitsToInt and negated after '-'.
// No prefix matching is 163; a digit outside the base is 147; a value that
// leaves 64 bits is 168; no digits at all read 0.
Status NumParsePrefixed(StrValue text, StrValue prefixes, StrValue bases, int64_t* out);
// A signed decimal integer.
Status NumParseBase(StrValue text, int64_t* out);
// Digits of "0123456789abcdef" (upper case accepted) in a base of 2-16, the
// rightmost the least significant; magnitude into *out (up to 2^63, so the
// most negative number can be made). 147 for a bad digit or base, 168 when
// the value passes 2^63.
Status DigitsToInt(std::string_view digits, int base, uint64_t* out);
