// Grid pads: an input form whose fields are typed in as the rows of a lines
// grid (schedules of payments and the like).
//
// A pad is built from an accept field list (screens/forms/acceptlist.h) read as
// one row (kAcceptGridPad): its fields form the screen's lines block, their
// prompts are the column titles. The grid (screens/grids/linsgrid.h) has a modal
// window of its own with the navigation bar PRV, NXT, INS, DEL and columns
// at least as wide as their titles (kGridPadFlags), and an "Ok" button
// (id 3100: the confirm) under the list view; its line buffer has a
// column per field and, as its assignment list, a quoted run of blanks as
// wide as each field. The pad's window record shows the grid's window and
// keeps its grid; its action handler is LinsGridPadActionWin, its exit
// handler the caller's. Rows are edited as the document lines of a grid are
// (screens/documents/docgrid.h): field controls laid over the current row, the row
// stored into the buffer when it is left.
//
// Window events (LinsGridPadActionWin):
//   21 Esc                  8: the window closes (the exit handler is not
//                           called)
//   25 PRV, NXT             the previous or next row
//   25 INS, DEL             a line inserted before the current one, the
//                           current line deleted
//   25 with 100 (confirm)   the row being edited stored, then the screen
//                           confirmed (ON_CONFIRM$ and the exit handler,
//                           which finds the rows through `_GRID` names);
//                           a row that cannot be stored keeps the pad open
//   28 close request        LinsGridPadClose; 4
//   30                      the failed field condition shown (126)
//   31, 32                  the next or previous row
//   38 a field entered      the line area (state 4), grid notifications on
//   95 first activation     the first field, then the current row shown
//   others                  the window default, then the field default:
//                           its 64 (the screen is complete) stores the row
//                           and confirms; stepping that wrapped round the
//                           row (`_SCRSTAT` kScrStatWrapped) moves to the
//                           next row (from the last field) or the previous
//                           one (back from the first)
// After an answer of 0 a changed grid is shown again and the current field
// has the focus.
//
// Row events (LinsGridPadAction, the grid's callback unless the caller
// gives another):
//   100 right click   popup of message 0026 "View,Insert,Delete,Seek" below
//                     the current field; the choice becomes 101, 107, 106
//                     or 109
//   101 view          the selected row shown for editing
//   106, 107          delete the current line, insert a line
//   109               nothing
//   112 click         to the selected row (LinsGridRowGo)
//   113 focus         the selected row current, the line area
// A line command outside the line area (127) is nothing done. An error of
// 128 and above is shown once, in the error box, and answered 0, so the pad
// stays open; a changed grid is shown again after an answer of 0.
//
// While a pad is open, task hook 2 is the grid line-text hook, so `_GRID`
// names read its rows; LinsGridPadClose puts back the hook that was there
// when the pad opened.
//
// A pad or row event with no window record current fails the assertion of
// the handler's name ("_linsGridPadActionWin", "_linsGridPadAction").
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/grids/linsgrid.h"
#include "screens/window/screendef.h"

// The grid of a pad: its own window with the navigation bar, columns at
// least as wide as their titles.
constexpr uint16_t kGridPadFlags = kLinsOwnWindow | kLinsNavBar | kLinsTitleWidth;  // 137

// Builds a pad over the top window: title, field list, the rows shown,
// the maximum rows of its line buffer (0 or less: the buffer's default), the
// exit handler, the row handler (null: LinsGridPadAction). Every cell of the
// rows shown is empty, row 1 is current and the first row selected.
// Answers the grid's level, or an error of 128 and above (the form's or the
// grid's; 168 when no grid level is free), with nothing left open.
Status LinsGridPadCreate(StrValue title, StrValue list, int32_t rows, int32_t maxRows, ExitHandler onExit,
                         LinsGridCallback rowHandler);
// Closes the pad's window record and grid (its window with it) and puts
// back task hook 2. 0, or 177 when `grid` is no open grid.
Status LinsGridPadClose(int grid);
// The window events of a pad (above).
Status LinsGridPadActionWin(uint16_t code);
// The row events of a pad's grid (above).
uint16_t LinsGridPadAction(ui::Hwnd window, int level, int event);

// Forgets every pad (a new runtime).
void GridPadReset();
