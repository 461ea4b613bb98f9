// The field-limit form: how a user chooses, field by field, limits or a
// search value for a data file (the transaction engine's limits).
//
// Two forms in a row. The selection form offers the first kFieldsLimitMax
// fields of the file, one letter each ("CODE(L/S):" with a one-letter
// answer): L asks for a range, S for a value to search. Its answers give
// the limits form, an accept field list (screens/forms/acceptlist.h) with, for
// each chosen field:
//   L  'CODE (From):':'A6':CODE{}>=,'CODE (To)  :':'A6':CODE{}<=
//   S  'CODE :':'A6':CODE{}==
// the words taken from items 4 and 5 of message 0080 as they are, the type
// letter and stored length from the dictionary. An S value reaches the
// search condition as an equality in which "*" is a pattern (AB* selects
// the values beginning with AB). The field references name the current data
// file ("{}"), so the limits form is run with the file current.
//
// Dictionary names are trusted application text: a name holding a quote
// would break the form's quoting and is not guarded against.
//
// In batch mode the selection form takes its answer line from the INPUT
// file, as every form does (screens/forms/forms.h).
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// The fields offered by the selection form at most.
constexpr uint16_t kFieldsLimitMax = 8;

// The selection form's field list: "'%s(L/S):':'A1'" for each of the first
// min(field count, kFieldsLimitMax) fields, joined by ","; empty for a file
// without fields.
StrValue FieldsLimitList(int file);
// Runs the selection form (AcceptForm titled message 0086) over that list:
// its value list, one quoted letter per offered field. A cancelled form is
// the error string 122, a failed one its error; a file without fields the
// error string 168 (detail naming the file).
StrValue FieldsLimitSelection(int file);
// The limits form of the answers (a value list, item i for field i): each
// answer trimmed, unquoted and upper-cased; its first letter adds that
// field's prompts (FieldLimitPrompt). *first (when given) is the first field
// that added prompts, 0 when none did; the form is then empty. Answers past
// the offered fields are ignored.
StrValue FieldsLimitForm(int file, StrValue answers, uint16_t* first);
// The list with field n's prompts for the letter appended ("," between);
// a letter other than L or S appends nothing. The error string 168 for a
// field the file does not have.
StrValue FieldLimitPrompt(int file, uint16_t n, StrValue list, char letter);
