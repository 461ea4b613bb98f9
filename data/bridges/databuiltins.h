// The data-file work behind the script built-ins FN#FLEN, FILEFIND,
// FILELOCATE, KEY$, IER and FN$FLDS, lent to the script layer through its
// DataAccess table (script/dataaccess.h).
//
// File 0 is the current file; key -1 the file's current key. Statuses below
// 128 are the data-file results; 128 and above errors, recorded where they
// arise (the dictionary's 168 with its detail for a file or key outside it).
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// The records of the data file named by the text (its name, or its number
// as digits): the live count of its index, or with no index the records of
// its data file, deleted ones included (DataFileCountRange over the whole
// file). 0xffff when the text names no data file; 169 when the file is not
// open.
Status DataFileLenOf(StrValue name, int64_t* count);
// Flags 8: move to the first record of the key, then to the next one, and
// test the key limit of the text (the answer of DataFileMoveLimit).
// Otherwise read the record of the key text; with flags 4, when the key is
// not found (1) or lies past the end (2) and the text is not empty, a record
// holding the key fields of the text is inserted (the insert's answer).
Status DataFileFindText(StrValue key, int file, int keyNo, int flags);
// A command of the navigation list (NEXT, PREVIOUS and BOTTOM stand for
// NXT, PRV and BOT; any letter case) as its data-file operation: DEL deletes
// the current record, the other commands move with their move flags. 147 for
// a word outside the list, and for SVE, INS and the commands that have no
// operation: moving for them would re-read the record and drop its changes.
Status DataFileLocate(StrValue command, int file);
StrValue DataFileKeyText(int file, int key, int parts, int part);
Status DataFileLastStatus(int file);
// The raw bytes of the field a reference names, in record-buffer part 1 or
// 2; the reference's code (147, 161, 168) otherwise.
StrValue DataFieldRaw(StrValue ref, int part);

// Lends the functions above to the script layer.
void DataBuiltinsRegister();
