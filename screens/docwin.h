// Document windows: the action handlers of the windows that edit a document
// (header and lines) or page through a file's lines (navigation windows).
// The document commands are not built yet: MovsAction, MovsActionWin and
// MovsClear answer 148 with their names; the navigation window of the
// accounting layer stands on them. MovsEventRun, which the windows run on
// opening, is built.
#pragma once
#include <cstdint>

#include "runtime/status.h"

// The document command handler by action kind.
Status MovsAction(uint16_t code);
// The window-level handler of document windows.
Status MovsActionWin(uint16_t code);
// Clears the screen for the next document.
Status MovsClear();
// Document event n (1-based in "INIT,LOAD,CHECK,SAVE,DELETE") made current
// while the screen's procedure PRCNAME$ runs, when it is set and USR_COND$
// holds; the previous event state comes back. The procedure's answer, else
// 0.
Status MovsEventRun(int n);
