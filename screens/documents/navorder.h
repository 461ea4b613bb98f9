// Order numbers of the lines of a group in a navigation window: lines that
// share a key prefix and are ordered by the last part of key 1, kept unique
// and consecutive (1 to n) as lines are inserted, saved and deleted.
//
// The file is the current screen's data file (without a screen, the current
// data file). Key 1 has at least two parts; the last one is the order field,
// the parts before it the group's prefix:
//
//   | key 1 text | prefix (prefixLen bytes) | order number (N, right-aligned) |
//
// The order number of a key text is its part after the prefix, read as an
// integer; a part that is not a number reads as 0 (and the next fit numbers
// the line again). The key of a grid row is the key 1 that the row's bound
// columns give the current record. Renumbering (NavsOrderFit) writes the new
// numbers into the grid rows that show the lines moved, in the buffer's last
// column.
//
// Records are rewritten at the store (DataFileUpdate, DataFileInsert,
// DataFileDelete), without relation statements: a line keeps its amounts,
// only its place in the group changes.
//
// Sound behaviour beyond the plain renumbering:
//   - A number that would not fit the order field (999 + 1 in three digits)
//     answers 168 before anything is written.
//   - The duplicate repair (_navsOrderUnique) keeps the group's records in
//     memory before it deletes any; when a write fails the group is put back
//     as it was and the first error answered.
//   - A shift that meets a second set of duplicates repairs that set first
//     and shifts again, at most as many times as the group has lines; past
//     that 129 with the key in the detail and the group as it was.
//   - Re-inserted duplicates come back last first: the first of them gets the
//     highest number.
//
// Logs (to the log file, when `_TRACE` has bit 1): "NavsOrderFit: Duplicate
// key: %s" and "NavsOrderUnique: %s".
//
// Errors: 163 a column of 0, a key 1 of fewer than two parts, a direction
// other than +1 and -1, "_navsOrderUnique: No duplicate"; 141 a number asked
// for a stored line (detail "_navsOrderNumSve"); 168 an order number that
// does not fit; 124 (NavsOrderShift) a duplicate met; 177 no grid at the
// level given. Recorded with module 20 (Screens).
#pragma once
#include <cstdint>
#include <string>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// One per program; set by NavsOrderSetKey.
struct NavsOrderState {
  uint16_t orderField = 0;   // the field of the last part of key 1
  uint16_t prefixLen = 0;    // total length of the parts before it
  uint16_t prefixParts = 0;  // the number of parts of key 1 minus 1
  uint16_t orderColumn = 0;  // the grid column that shows the order number
};
NavsOrderState& NavsOrder();

// Sets the state from key 1 of the file for the grid column; 163 for column
// 0 or a key 1 of fewer than two parts.
Status NavsOrderSetKey(int column);
// The key 1 text of the record reached from the key forwards (mode 0: the
// first record after it) or backwards (mode 4: the key's own record, else
// the last one before it), the file's buffers and position kept; empty when
// there is none.
std::string NavsOrderReadKey(const std::string& key, int mode);
// 1 when the keys' prefixes differ, else the order number of lastKey + 1.
int64_t NavsOrderNextValue(const std::string& lastKey, const std::string& key);
// Writes n into the order column of the grid's current row and the order
// field of the current record; 168 when n does not fit the field.
Status NavsOrderSetValue(int grid, int64_t n);
// The next free number of the current line's group (its last line + 1),
// set with NavsOrderSetValue.
Status NavsOrderNext(int grid);
// Renumbers the group's lines from key on: direction +1 moves each up by one
// (room at key's number), -1 numbers them from key's number on (closing a
// gap). *lines receives the lines renumbered. 163 for another direction.
Status NavsOrderFit(int direction, int grid, const std::string& key, int32_t* lines = nullptr);
// After a line was inserted: when a line of its group follows key, writes
// the screen's record (inserted when not stored yet, else updated, with the
// key check) and numbers the lines after it on from its number.
Status NavsOrderInsertCheck(const std::string& key, int grid);
// A new line (order 0, blank saved copy) takes the number after the previous
// grid row's in the same group, else 1. *number receives the line's number.
Status _navsOrderNumSve(int grid, int64_t* number = nullptr);
// The repair after a save answered 144: when the current key 1 is found
// twice or more, _navsOrderUnique on it, a log line, the record read again.
Status NavsOrderUnique(int file);
// The records of the key numbered m .. m+n-1 (m its order, at least 1), the
// rest of the group shifted up to make room.
Status _navsOrderUnique(int file, const std::string& key);
// The group records between the keys, from the last to the first: row i
// (from 0) gets start + i unless its number is that or more already. 124
// when a key occurs twice (nothing written).
Status NavsOrderShift(int file, const std::string& fromKey, const std::string& toKey, int64_t start);
