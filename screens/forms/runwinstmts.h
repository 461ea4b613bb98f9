// The procedure statements of run-time windows (screens/forms/runwin.h), reached
// by the statement handlers through ExecStatementSet (script/handlers.h):
//
//   WINOPEN columns,rows,text  a window of columns x rows cells (each
//                             clamped to 1-255), text its title and lines;
//                             a frame pushed for it (the eighth window
//                             shares the seventh). 168 when kRunWinMax are
//                             open, 179 when no window could be made:
//                             either way nothing is created
//   WINCLOSE                  closes the newest window and pops its frame;
//                             the ACCEPT queue is cut back to the count of
//                             that frame. 168 with none open
//   WINSELECT n               window n and its frame current; 163 for 0 or
//                             a level above the windows (nothing changes)
//   LOCATE row,col            the current frame's cursor (negatives 0)
//   COLOR fore,back           the current frame's colour pair (kept only)
//   PRINT text                a label at the cursor of the current window
//                             (the top window of WinList while no run-time
//                             window is open); the cursor column moves on by
//                             the text's length; nothing when the person
//                             closed the current window. 168 with no window
//                             at all
//   ACCEPT spec               queues "spec/ROW=r/COL=c" (the cursor) on
//                             string list 32 for the next READ; 147 unless
//                             there is one non-empty argument
//   READ [text]               the fields queued above the current frame's
//                             count, joined by "," (then a blank and the
//                             text when given), run as the current window's
//                             input form; the queue is cut back to that
//                             count on every path. Errors of 128 and more
//                             stop the run; the outcome is in `_LASTKEY`
//   WAIT 'KEY' / WAIT ms      a key (its class in `_LASTKEY`) or a pause
//                             of ms milliseconds (the number read whole,
//                             negative as 0)
// LOCATE and COLOR need two arguments, PRINT, WAIT and WINSELECT one, else
// 147. WINOPEN and WINCLOSE with 'PROGRESS' are the progress window's
// (screens/forms/screenstmts.h), which calls the two functions below otherwise.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

Status RunWinOpenStatement(int32_t columns, int32_t rows, StrValue text);
Status RunWinCloseStatement();
// Closes the newest windows, each as WINCLOSE does, until `count` are left;
// the first error (the run-state unwinding of the runner calls it).
Status RunWinCloseTo(uint16_t count);
// Registers WINSELECT, LOCATE, COLOR, PRINT, ACCEPT, READ and WAIT.
void RunWinStatementsRegister();
