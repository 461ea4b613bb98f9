// Field values of screens: reading, putting and refreshing the values of a
// screen's fields.
#pragma once
#include <cstdint>
#include <vector>

#include "runtime/status.h"
#include "runtime/strvalue.h"

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
