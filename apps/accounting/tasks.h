// The accounting program's tasks (its entries of the task-hook table), its
// navigation verb and its built-ins, by the module that owns each.
//
//   | hook   | task                  | module          |
//   |--------|-----------------------|-----------------|
//   | 10, 11 | AcCloseYear, AcUncloseYear | closeyear  |
//   | 12     | AcTaskRunProcedure    | entrywin        |
//   | 13, 14 | AcRegistryOperDev     | entrywin        |
//   | 15     | AcTaskRenumber        | renumber        |
//   | 16     | AcTaskBalanceMaint    | balmaint        |
//   | 17     | AcTaskEntryWindow     | entrywin        |
//
// Tasks act on event 25 (execute).
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

Status AcCloseYear(int event);
Status AcUncloseYear(int event);
Status AcTaskRunProcedure(int event);
Status AcRegistryOperDev(int event);
Status AcTaskRenumber(int event);
Status AcTaskBalanceMaint(int event);
Status AcTaskEntryWindow(int event);

// Field n of the form a task was called from: the answer of the simple
// form, else the field of the current screen (in the string area).
StrValue AcTaskField(uint16_t n);

// Menu verb 9: the navigation window over entry lines.
Status LnNavMain(StrValue spec);

// Registers the list built-in, then the accounting built-ins in their
// order; the first failure stops and is answered.
Status AcRegisterFunctions();
// AcFitEntry(command or column): 'SVE' numbers a new line after the row
// before it and, while the line is pending (window flag 8), moves the lines
// from its number on up by one; 'INS' leaves the stored lines as they are
// (answers 0); 'DEL' drops the pending flag, else closes the gap of the
// deleted line; a column number sets the order column.
Status AcBiFitEntry(const uint16_t* kinds, uint16_t count);
