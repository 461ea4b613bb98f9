// Gap-free renumbering (task 15): between two keys of a data file, the
// numbers of its entries run without gaps in key order, day by day (the
// first 8 characters of a key are the day), from a first number on; every
// change reaches the number field of each related file.
//
// The related files come from the calling screen's parameters: OPEN$ the
// comma list of file numbers, STRUCT$ one item "field;mask" per file in the
// same order, INDEX% the key (1 when 0). The last file is the one whose
// entries are renumbered (the entry lines); its item names their number
// field. A mask, when present, formats the numbers written to that file (the
// default numeric mask of a type and width, "N6", or a mask text, "000000")
// and the formatted text is what the field receives.
//
// Within a day the distinct numbers, in key order, become counter,
// counter + 1, ...; rows that shared a number still share one; the next day
// starts one above the day's last. Each file is changed in one pass over the
// day's records, the numbers moving down taken in ascending order and those
// moving up in descending order, so that no two keys are ever equal; a day
// already without gaps writes nothing.
//
// The whole task is one run of the journal: every file changes or none
// does (errors, a cancel from the progress window, a killed process). The
// bit of value 1 of _UPSTAT (relation statements) is cleared for the run and
// set again on every path.
//
// Errors: 147 a first number that is not decimal or does not fit 64 bits;
// 163 naming the item for a STRUCT$ with fewer items than OPEN$ files, a
// field unknown in its file, a file number outside the dictionary or a
// number field holding something else than a number; 148 naming the file
// for a file the key-range update cannot act on (not open with an index, no
// such key or field). A start key after the end key does nothing.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/status.h"
#include "runtime/strvalue.h"

struct AcRenumberFile {
  int file = 0;
  std::string field;  // the number field
  std::string mask;   // empty: the plain number
};

struct AcRenumberSet {
  int key = 1;
  std::vector<AcRenumberFile> files;  // the renumbered file last
};

// OPEN$, STRUCT$ and INDEX% of the current parameters: 0, or 163 naming the
// item (before anything is written).
Status AcRenumberSetGet(AcRenumberSet* set);
// Checks a set built otherwise: the same errors.
Status AcRenumberSetCheck(const AcRenumberSet& set);

// The whole task: 0 (results below 128 are reported as 0), 122 cancelled,
// or an error; on anything but 0 every file is as it was.
Status AcRenumber(StrValue fromKey, StrValue toKey, StrValue firstNumber, const AcRenumberSet& set);

// One day whose records of the renumbered file are its current selection:
// the numbers from *counter on; *counter ends as the number of the day's
// last entry (unchanged for an empty day).
Status AcRenumberRecord(int file, uint16_t numberField, int key, StrValue day, int64_t* counter,
                        const AcRenumberSet& set);

// One number change within a day, through the key-range update of each
// file, from the last to the first. 65535 from an update is answered at
// once.
Status AcRenumberRewrite(const AcRenumberSet& set, StrValue day, int64_t oldNumber, int64_t newNumber);

// The value a file's field receives for a number: the number's text, or
// with a mask the formatted text; an error string when it does not fit.
StrValue AcRenumberValue(const AcRenumberFile& f, int64_t number);
// The assignment handed to the key-range update: FIELD=value, the value
// quoted when a mask formats it.
StrValue AcRenumberAssign(const AcRenumberFile& f, int64_t number);
