// Run-time windows of procedure statements: the windows WINOPEN opens and
// WINCLOSE closes, with their text-window frames. Not built yet: each
// operation answers 148 FEATUREREMOVED naming itself, so a procedure that
// opens such a window stops with that error instead of running on without
// it.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// A window of columns by rows text cells; text is a comma list: the title,
// then one line per item. 0, or 0xFFFF when no window was made.
Status RunWinOpen(uint16_t columns, uint16_t rows, StrValue text);
// Closes the newest run-time window: 0, or 168 when none is open.
Status RunWinClose();
