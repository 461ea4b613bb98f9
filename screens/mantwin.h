// Record-maintenance windows.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Opens a maintenance window for the command (a comma list naming the
// screen, its place, mode and rows) with the default mode.
Status MantWindow(StrValue command, int defaultMode);
