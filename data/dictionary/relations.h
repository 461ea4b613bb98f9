// Relations between data files: relation keys and relation statements.
//
// Relation keys come from the dictionary (the relation-key list of a file,
// string list 4, item file - 1): an item named <b>R<c>K<k> followed by ":" or
// "=" says that relation c of this file reaches file b through b's key k, and
// its value is the expression that gives the key text. Items are recognised
// by that name shape alone, so a value may itself hold ":".
//
// Relation statements come from the relation file of the application: the
// prefix (the first two characters of the identity, settings item 2) followed
// by "RELUP.DAT", or "RELUPSQL.DAT" while `_AUXSTAT` has bit 0x800, searched
// along the data directory list (settings item 5). Its lines:
//
//   | columns | content                                           |
//   |---------|---------------------------------------------------|
//   | 0-1     | data-file number n (blanks read as zeros)         |
//   | 2-3     | relation number r (blanks read as zeros)          |
//   | 4-      | one statement; leading blanks are dropped         |
//
// Lines whose numbers hold anything but digits and blanks, or an empty
// statement, are skipped. Loading file n's relations (RelLoad) appends them
// to the relation list (string list 7): the list's length becomes the file's
// relation base (the relBase word of its control block) and relation r is
// item base + r, all statements of (n, r) joined by ";" in file order. The
// module also keeps how many items each file owns, so a file never reads
// another file's items, whatever was loaded after it.
//
// Statements run with the expression evaluator; FILEREL (RelRead) reads,
// inserts, updates or deletes the related record of a relation.
//
// Errors: 168 for a file number outside the dictionary; 163 for a missing
// relation key (the relation's name in the detail); 159 when the string-list
// store is full (the load is undone); evaluation errors (128 and above) are
// answered as they come.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Loads file's relations unless they are loaded or text is "NONE". A missing
// relation file loads nothing and leaves the file not loaded.
Status RelLoad(int file, StrValue text);
// Clears bit 0x800 of `_AUXSTAT` (the plain relation file), then RelLoad.
Status RelLoadPlain(int file, StrValue text);
// Deletes the relation-list items from the top down to `level` items; every
// file whose relations lay above the level is marked not loaded.
Status RelUnwind(int file, uint16_t level);
// The relation-list text an action uses: "NONE" gives the empty text; an
// empty text, when m is not the list's length, gives "1" when m is 1 or 2
// below it, else "1+(N_LINE{}>0)" when the current file has a field N_LINE;
// otherwise the text itself.
StrValue RelExprGet(StrValue text, uint16_t m);
// The statements of an action: the list text is evaluated to a comma list of
// relation numbers, relation 0 is put first, numbers are taken once each, and
// the loaded statements of those relations are joined by ";". Empty when the
// file's relations are not loaded; an evaluation error as an error string.
StrValue RelCheckString(int file, StrValue list);
// The key expression of relation c from file a to file b (empty when absent)
// and the key number it uses (0 when absent); RelKeyName also answers the
// number in *key, so a read looks the relation up once.
StrValue RelKeyName(int a, int b, int c, uint16_t* key = nullptr);
uint16_t RelKeyNum(int a, int b, int c);

// FILEREL: reads the record of file b related to the current record of file a
// through relation c, then deletes it (flags 4|8 and found), or evaluates the
// text over it and updates it (found) or inserts it (not found, flag 4).
// `_RELRES`: 0, 4 when a missing record was inserted at the end of file, 12
// when one was deleted, 2 after a browse. The data-file status or an error.
Status RelRead(int a, int b, int c, uint16_t flags, StrValue text);
// Reads file b from a key text while its key stays within it, running the
// text as statements over each record and rewriting it (see DataFileReadRange).
Status RelReadRange(int b, int key, StrValue keyText, uint16_t flags, StrValue text);
// Evaluates the assignment text over the current record of file (an error of
// 128 or more stops), then inserts it with flag 4, else updates it.
Status RelRecordStore(int file, StrValue text, uint16_t flags);
// Reads file by key; when a record has that key answers 0; otherwise stores a
// new record whose key fields are set from consecutive slices of the text.
Status RelWriteFields(int file, int key, StrValue text);

// --- Pieces of the above, pure and shared with the actions -------------------

// A relation-file line split: its file and relation numbers and statement.
struct RelLine {
  int file = 0;
  int rel = 0;
  std::string stmt;
};
// False for a line that does not carry a relation (bad numbers, no statement).
bool RelLineParse(std::string_view line, RelLine* out);
// The value of the relation-key item <b>R<c>K<k> in a relation-key list and
// its key number k (0 when absent); empty when absent.
std::string RelKeyFind(std::string_view list, int b, int c, uint16_t* k);
// The relation numbers of an evaluated list text, 0 first, each taken once;
// items that are not numbers are skipped.
std::vector<int> RelNumbers(std::string_view list);
// The relation file's name for an identity (its first two characters are the
// prefix) and the SQL switch.
std::string RelFileName(std::string_view identity, bool sql);

