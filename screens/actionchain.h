// The action chain of screen windows: how a window's handlers end.
#pragma once
#include "runtime/status.h"

// The closing result of exit handlers and tasks: a status above 121 is the
// answer; for kind 25 (confirm) the status stays, for kind 28 it becomes 4,
// for the others 24. A 4 closes the current window record, first restoring
// the saved open-file state with mode flag 0x10.
Status ScreenCloseRestore(int kind, Status status, int modeFlags);
