// Field values of screens.
//
// Every field of a screen has a name: its FD$ item, or for a field the FD$
// list does not reach a generated name, "_SCRF<n>$" for the text-like types
// A, B, C, D and F and "_SCRF<n>#" for the others (n the field number), so
// scripts read and assign every field by name.
#pragma once
#include <cstdint>

#include "runtime/strvalue.h"
#include "screens/screendef.h"

// The name of field n for a type letter when FD$ gives none.
StrValue FieldVarName(uint16_t n, char type);
// The definition text at the top of string list 31, completed in front with
// the FD$ property (under its event-qualified name while an event is
// current), ":", and the quoted comma list of every field's name, when FD$
// has fewer items than the layout has fields; otherwise the text unchanged.
// An error string when the completed text would pass 65535 bytes.
StrValue ScreenFieldVars(const FieldDesc* layout, uint16_t count);
