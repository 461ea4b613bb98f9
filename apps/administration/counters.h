// Named counters in the counters file (the built-in AUTONUM) and the series
// prefix of a document number (the built-in DocSer$).
//
// The counters file is "%APPPATH_DATA%\%APNAME%COUNT.DAT", names expanded;
// while the script value CCO is 0 (as it is when CCO is not defined) only
// its name and extension stay, so the file lies in the current directory.
// Layout (text):
//
//   offset                          size  content
//   0                               4094  comma list of the counter keys,
//                                         padded with blanks
//   4094                            2     CR LF
//   4096 + s x 4096 + (k - 1) x 8   8     the value of counter k (1-based
//                                         position in the list) of series s,
//                                         decimal, right-aligned in blanks
//
// Only series 0 is used. A counter's key is the current data file's name,
// "_" and the counter's name (the name alone without a current file). When
// a value's offset lies at or past the end, the file grows by blocks of
// 4094 blanks until it is longer than the offset.
//
// Reading never writes and never creates the file: a missing file, key or
// value (a file cut short) reads 0. Writing creates a missing file, appends
// a new key to the list and writes the value, all while it holds an
// advisory lock on the file (another writer waits for it up to about five
// seconds, then 175); the file is not synced at each write.
//
// Errors: 163 BADINPUTDATA for a counter name that is empty, holds "," or
// begins or ends with a blank; 168 DATAOUTBOUND for a value that does not
// fit 8 characters (nothing is written) and for a key list that would pass
// 4094 bytes; the host's code for a file that cannot be opened, read or
// written (the file's name in the detail). Errors are recorded with module
// 17 (Streams).
#pragma once
#include <cstdint>
#include <string>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int64_t kCounterMin = -9999999;
constexpr int64_t kCounterMax = 99999999;
constexpr uint32_t kCounterHeader = 4096;
constexpr uint32_t kCounterKeysRoom = 4094;
constexpr uint32_t kCounterWidth = 8;

// The counters file's name (a text of the string area).
StrValue AutoNumFilePath();
// The key of a counter: the current data file's name, "_" and the name.
// 163 for a name that cannot be a key.
Status AutoNumKey(StrValue name, std::string* key);
// The stored value of the key (0 when there is none).
Status AutoNumRead(const std::string& key, int64_t* value);
// Stores the value under the key.
Status AutoNumWrite(const std::string& key, int64_t value);
// The same in a counters file of the caller's choosing.
Status AutoNumWriteIn(StrValue file, const std::string& key, int64_t value);

// The series prefix of a document: the first character of the series (none
// for an empty series) and the third and fourth characters of the date (an
// empty date, after trimming on the right, is today as YYYYMMDD); with bit
// 2048 of _COMPAT a third character below '2' is raised by 17 ('0' 'A',
// '1' 'B'). A date of 1-3 characters is 147 SINTAXERROR.
Status DocSeriesText(StrValue series, StrValue date, std::string* out);
