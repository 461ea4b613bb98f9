// Internal to the variables and arrays modules: the value conventions they
// share.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/variables.h"

// Records code with module when nothing is recorded yet, with the name as
// the error detail; answers code.
Status VarFail(uint16_t module, Status code, StrValue name);
// A numeric current result: 8 raw bytes, or empty for 0; 128 otherwise.
Status VarNumOfValue(StrValue value, FixedNum* v);
// Pushes a number as the current result (8 raw bytes).
Status PushNum(FixedNum v);
int16_t VarLow16(int64_t v);
// Empties one name list (the variables' slots are the caller's to drop).
void VarNamesClear(uint16_t list);
