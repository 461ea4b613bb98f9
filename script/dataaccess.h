// The data-file work of the built-ins FN#FLEN, FILEFIND, FILELOCATE, KEY$,
// IER and FN$FLDS. The script layer parses their arguments; the data layer,
// which sits above it, does the work through this table, registered at
// start-up (DataAccessSet, from app/hooks.cpp). Until it is, each entry
// answers 148 FEATUREREMOVED with the data layer's function name in the
// error detail.
//
// A file argument of 0 means the current file (`_CURFIL`); a key of -1 the
// file's current key. Statuses below 128 are data-file results, 128 and
// above errors (recorded by the data layer).
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

struct DataAccess {
  // The record count of the data file a text names (a name or a file
  // number); 0xffff, nothing recorded, when it names no data file.
  Status (*fileLen)(StrValue name, int64_t* count);
  // FILEFIND: read by key, or with flags 8 from the top within the text as
  // a limit; with flags 4 a missing key is inserted.
  Status (*find)(StrValue key, int file, int keyNo, int flags);
  // FILELOCATE: a navigation command word on the file.
  Status (*locate)(StrValue command, int file);
  // KEY$: the key's text in record-buffer part 1 or 2, cut to its first
  // `parts` parts (0: all); key 0 gives the empty text.
  StrValue (*keyText)(int file, int key, int parts, int part);
  // IER: the last status of the file's control block.
  Status (*lastStatus)(int file);
  // FN$FLDS: the raw bytes of a field reference NAME{file} in part 1 or 2.
  StrValue (*fieldRaw)(StrValue ref, int part);
};

// Replaces the table (a null entry keeps its stand-in).
void DataAccessSet(const DataAccess& access);
const DataAccess& DataAccessGet();
