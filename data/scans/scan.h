// Conditional scans of a data file: stepping until a record inside a key
// limit meets a condition, walking a file in key order or, without an index,
// in record-number order, and counting the records of a range.
//
// A condition is an expression text evaluated over the current record (an
// empty one is true); a limit is a key text: a record whose current-key text,
// cut to the limit's length, sorts above it (below it with the descending
// move flag 4) is beyond the limit, and an empty limit holds everywhere
// (DataFileKeyLimit). The condition of the scan running now is kept in item
// 11 of the system text list (SysScanCondItem).
//
// Move flags as in datastore.h; bit 0x80 says "move first": without it the
// current record is the first candidate.
//
// Results: 0 a record qualifies; the soft data-file results of the move or
// limit that ended the walk (2 end of file or beyond the limit); a per-record
// routine's error; a condition's error (122 cancel, 128 and above) stops
// the walk with its code. Callers: selections (selection.h), the statistics
// sets, reports and screens.
#pragma once
#include <cstdint>

#include "data/store/datafile.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

namespace dfmove {
constexpr uint16_t kMoveFirst = 0x80;  // step before testing (scans only)
}

// The step of a conditional walk: moves the file with the flags and tests
// the limit (DataFileMoveLimit is the usual one).
using DataFileStepFn = Status (*)(int file, uint16_t flags, StrValue limit);

// Steps until a record meets the condition inside the limit. Each candidate
// is first handed to the per-record routine (when given) as the text of the
// first field of the current key ("D" fields as a date with a four-digit
// year); an error string from it stops the walk with its code.
Status DataFileScanCond(int file, uint16_t flags, StrValue cond, StrValue limit, DataFileRoutine perRecord,
                        DataFileStepFn step);
// Keeps the condition in the system text list, then DataFileScanCond with
// DataFileMoveLimit as the step.
Status DataFileSeekCond(int file, uint16_t flags, StrValue cond, StrValue limit, DataFileRoutine perRecord);

// The first record of a scan, and the next ones. With key 0, or on a file
// opened without index, records come in record-number order from record 0,
// deleted ones skipped (DataFileReadLive), the limit unused, and the routine
// is given each record that does not qualify; otherwise the first record is
// read by key (flag 2) from the start text and every candidate comes from
// DataFileSeekCond. The scan position (the file's control block for
// ScanFirst; pos, or the control block when null, for ScanNext) keeps the
// status and the record number reached.
Status DataFileScanFirst(int file, int key, StrValue start, StrValue limit, StrValue cond, DataFileRoutine routine);
Status DataFileScanNext(int file, int key, StrValue cond, StrValue limit, DataFileScanPos* pos,
                        DataFileRoutine routine);

// The number of records from the start text inside the limit that meet the
// condition (key -1: the current one); the file's position, control block
// and record buffers are put back afterwards. A file opened without index
// counts every record of its data file, deleted ones included. An empty
// start, limit and condition on an indexed file answer the index's live
// count without reading a record. 169 for a file that is not open.
Status DataFileCountRange(int file, int key, StrValue start, StrValue limit, StrValue cond, uint32_t* count);

// The text unchanged: a routine for callers that must pass one.
StrValue DataFilePassText(StrValue text);
// The file named by the last item ("file[;flags]") of a comma list; 0 when
// it names no defined file.
int DataFileLastInList(StrValue list);

// The text of the first field of the file's current key in the current
// record, a "D" field as a date with a four-digit year.
StrValue DataFileKeyFirstText(int file);
