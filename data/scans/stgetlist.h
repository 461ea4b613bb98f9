// The list built-in StGetList: the distinct values of some fields over a key
// range of the current file, collected into one sorted list that the program
// keeps until KILL (or shutdown), and the file left on the first of them.
//
//   StGetList('NEW';key;start;limit;listFlags;fields;bound;equal)
//   StGetList('KILL')
//
// NEW reads the current file by the key (-1 or absent: the current one) from
// the start text and, while the key stays within the limit, takes the value
// of the first key part of the current record, selects the records whose key
// begins with it, and puts every listed field's value of each into the
// sorted list (SortListCreate with the largest field length and listFlags,
// e.g. 1 for distinct values) when it is not below the bound (compared over
// the bound's length; any value when the bound is empty) and, with the
// equality flag, not above it either; then it moves past them. Each of these
// selections is released once its rows are used, so any number of values
// fits in the file's three selections. When the range ended normally (2), it
// selects the range again with a filter "field == first value" over the
// fields and releases that selection: the file is left on its first record.
// The popup "Hello world" and the progress text (message 0016 and the value)
// are shown while the work runs; their failures are ignored.
//
// The result is the code (below 128) as an integer: 0, or 2 when nothing
// was found. Errors: 147 for a sub-command that is not NEW or KILL, no
// field references or more than 32 of them; a reference's own code (147,
// 161, 168); the data-file errors.
#pragma once
#include <cstdint>

#include "runtime/sortlist.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kStGetListMaxFields = 32;

// The built-in handler (script/builtins.h).
Status StGetList(const uint16_t* kinds, uint16_t count);
// Registers it under the name "StGetList".
Status StGetListRegister();
// The sorted list of the last NEW (empty before one and after KILL).
const SortList& StGetListValues();
// Frees the sorted list (KILL; also before shutdown).
void StGetListFree();
