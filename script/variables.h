// Value tables, variables, arrays and the system variables.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Slots of the system integer variables that start-up reads and sets.
constexpr int kSysScrStat = 21;  // _SCRSTAT
constexpr int kSysTrace = 31;    // _TRACE
constexpr int kSysPrecis = 32;   // _PRECIS
constexpr int kSysInHnd = 36;    // _INHND
constexpr int kSysOutHnd = 37;   // _OUTHND

// Creates the string-list store, the value tables and the system variables.
Status VarSysInit();
// Frees every variable and value table, then the runtime (RuntimeMemFree);
// answers the shutdown result.
uint16_t VarsFreeAll();
int16_t VarSysIntGet(int slot);
Status VarSysIntSet(int slot, int16_t value);
