// Record buffers and field references.
//
// Each defined data file has one record buffer pair (RecBufPair): 2 x L bytes,
// the current record (part 1, bytes 0..L-1) followed by the saved copy of the
// record as it was read (part 2); part 3 names both. Reads fill the current
// record and, as a rule, the saved copy; writes take the current record. A
// pair is made all blanks by RecBufAlloc at every open of its file. Pairs are
// kept in storage of their own, one per file, so a pointer from RecBuf stays
// valid until the next RecBufAlloc or RecBufDiscard of the same file.
//
// A field reference is the text NAME{file}: the file by number or by name,
// "{}" the current file; NAME a field name of that file (exact case), or a
// field number when no field has that name; "{file}" alone names the file
// (field 0, type "N").
//
// Field values: RecFieldSet formats the value by the field's type letter to
// its length (FmtByType) and never writes past the current record; a value
// that would put the delete mark (27) in the record's first byte is refused.
// RecFieldGet applies two conversions: with _COMPAT bit 4, a 6-character "F"
// date stored compact (first character A-J for the decades of 2000-2099, the
// tens of month and day blank when 0) reads as YYYYMMDD; a type "N" text
// "D<digits>" reads as the integer digits XOR 10.
//
// Errors: 169 FILENOTINIT for a pair that is missing or not 2 x L long; 168
// DATAOUTBOUND for a file, field, key or part outside the dictionary (detail
// "(File:%s, Field:%s)"); field reads and writes then also record 151
// BADFILENUMBER with module 13 (BufferFld) and answer their own code. A
// reference answers 147 SINTAXERROR (detail "Field:" and the text) for bad
// syntax or an unknown name, 161 FILEOUTBOUND for a file outside the
// dictionary and 168 for a field number above the file's field count.
#pragma once
#include <cstdint>

#include "data/dictionary/dictionary.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/fieldaccess.h"

constexpr int kRecCurrent = 1;
constexpr int kRecSaved = 2;
constexpr int kRecBoth = 3;

// --- The pair ------------------------------------------------------------------

Status RecBufAlloc(int file);  // a blank pair of 2 x L bytes
void RecBufDiscard(int file);  // forgets the pair (the file was redefined)
// The part as a view into the pair: L bytes for parts 1 and 2, 2L for 3.
StrValue RecBuf(int file, int part);
// Blanks both halves; mode 2 then marks the current record deleted (27).
Status RecBufClear(int file, int mode);
// Copies the image into the part from its start, cut to the part's length.
Status RecBufSet(int file, int part, StrValue image);
// 1: current to saved; 2: saved to current; other values do nothing.
Status RecBufCopy(int file, int direction);
int RecBufChanged(int file);  // 1 when the current record differs from the saved copy

// --- Fields --------------------------------------------------------------------

// The field's bytes in part 1 or 2, a view into the pair.
StrValue RecFieldRaw(int file, int field, int part);
StrValue RecFieldGet(int file, int field);
Status RecFieldSet(int file, int field, StrValue value);
Status RecFieldSetRef(StrValue ref, StrValue value);

// Compact "F" dates (_COMPAT bit 4): the 8-character form of a stored
// 6-character text, and the stored form of a formatted 6-character value
// given the value as written (its century picks the first character).
StrValue RecDateWiden(StrValue stored);
StrValue RecDateNarrow(StrValue formatted, StrValue written);

// --- Keys ----------------------------------------------------------------------

// The bytes the key's parts cover in the image, part after part.
StrValue KeyValueOf(int file, int key, StrValue image);
StrValue KeyValueCur(int file, int key);
// Fills the current record from a key text, part by part: a part that is
// exactly one field is set as that field (formatted); any other part takes
// its slice of the text as it is. Stops when the text is used up.
Status KeyFieldsSet(int file, int key, StrValue text);
// With flag 1: clears the pair and fills the current key's parts from text.
Status KeyFieldsFromText(int file, StrValue text, int flags);

// --- References ----------------------------------------------------------------

// The field's descriptor with its status word set (0, 147, 161 or 168).
DataFieldDesc DicFieldRefParse(StrValue ref);
StrValue DicFieldRefName(int file, int field);  // NAME{n}

FieldRef FieldRefParse(StrValue ref);
// The field's text in the current record (after the conversions), or an
// error string.
StrValue FieldRefRead(const FieldRef& ref);
