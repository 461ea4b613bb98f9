// The open-state stack: which data files are open, and how, as one set that
// procedures and screens push and restore.
//
// An open state is a text of one byte per defined file: 0 closed, otherwise
// the open flags (datastore.h dfopen). It is described by a list of items
// "file[;flags]" separated by ","; the file is a number or a name. An item
// without flags opens its file read-only (1), except the last item, which
// opens read-write (0); the last item also makes its file current (8). Files
// the list does not name are closed, and so is a file whose item other than
// the last gives the flags 0 (0 means closed). States are pushed on string
// list 33.
//
// Errors: 166 File Opening for an item naming no defined file (the item's
// file text in the detail); 163 BADINPUTDATA for flags that are not a number
// from 0 to 255 (the item in the detail); 141 INTERNALERROR for "RESTORE"
// with nothing pushed (the text in the detail); the first error of an open.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// The state a list describes, as a new slot of the string area; an error
// string for a file that is not defined.
StrValue DataFileStateText(StrValue list);
// Opens or closes every defined file, from the highest number down, as the
// state says; stops at the first code of 128 or more.
Status DataFileStateApply(StrValue state);
// True for the word RESTORE (any letter case, blanks around it ignored).
bool OpenStateIsRestore(StrValue text);
// A list: its state is pushed and applied. "RESTORE" (any letter case): the
// top state is popped and the one below applied, or every file closed when
// none is left.
Status DataFileStatePush(StrValue text);
