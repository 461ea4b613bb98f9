// Field values of screens.
//
// Every field of a screen has a name: its FD$ item, or for a field the FD$
// list does not reach a generated name, "_SCRF<n>$" for the text-like types
// A, B, C, D and F and "_SCRF<n>#" for the others (n the field number), so
// scripts read and assign every field by name.
#pragma once
#include <cstdint>
#include <vector>

#include "runtime/status.h"
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

// --- Refreshing fields -------------------------------------------------------

// The number of the field with the name, 0 when no field has it.
uint16_t FieldFind(StrValue name);
// The numbers of the fields named by a comma list; names that are no field
// are skipped.
std::vector<uint16_t> FieldNumList(StrValue names);
// Each listed field fetched from its sources and put (check flags); the
// first error stops.
Status FieldsFetchPut(int flags, const std::vector<uint16_t>& fields);
// FieldsFetchPut over the fields first..last (-1: the last field).
Status FieldsRefresh(int flags, int first, int last);
