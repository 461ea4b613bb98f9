// Record-maintenance windows.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Opens a maintenance window for the command (a comma list naming the
// screen, its place, mode and rows) with the default mode.
Status MantWindow(StrValue command, int defaultMode);
// Lays out the navigation bar of the top window for the command set of the
// flags (bit 0 maintenance, bit 1 document, otherwise lines) and, for flags
// of 16 and above, the bottom bar.
Status NavButtonsSet(uint16_t flags, StrValue extra);
// Appends the trace line of a navigation command on the file when `_TRACE`
// has bit 64.
Status MantTraceLine(int file, int command);
