// Document lines in grids: the line events of a document or navigation
// window whose lines block is shown in a lines grid (screens/grids/linsgrid.h).
//
// The window record (screens/window/screendef.h WinRecord) is in the line area in
// state 4 (kWinStateLineArea); its pending word and flag 8 (a new line
// pending) are cleared when a row is stored. The grid is the record's lines
// grid (screens/documents/docengine.h MovsWinGrid); in grid mode 4 (NAVIGATION, from
// MODE$) each row is a record of the screen's data file, written when the
// row is left, and the grid pages through the file; otherwise the rows are
// the document's lines in the line buffer, saved with the document
// (screens/documents/docengine.h MovsDocSave).
//
// Line events (MovsLinsControlLine):
//   31 down, 32 up    store the row being left, move, show the new row
//   36                store the row being left
//   35, 37, 113       show the current row (113: the grid got the focus)
//   39                after an insert: show the inserted row
// Showing a row: its list-view item selected, field controls laid over its
// cells (LinsGridPaintRow) and focused, the row put into the line fields
// and the visible rows refreshed; a row past the row count is new: the
// fields take their initial values and the row is added to the buffer
// (both changed flags). After a show FLDUPDATE$ runs (FieldAssignList).
//
// Leaving a row (only while its controls exist): the typed field is
// validated and the line fields copied into the row; in a navigation grid
// the row is copied into the record (bound columns, then WRITELINS$ item
// 1), WRITELINS$ item 2 must hold (else 126 and the row keeps its
// controls), and a changed record is written: updated (0x0F00) when its
// saved copy is a stored record, else inserted (0x0500); `_IER` takes the
// write's result. Then the row's controls are destroyed.
//
// Parameters: WRITELINS$ (34), READLINS$ (38), LNINS$ (39: condition,
// statement), LNDEL$ (40: condition, statement), FLDUPDATE$ (46), MAXLIN%
// (48, through `_LMAX`), MODE$ (44).
//
// Answers: 127 OUTOFDATA for line commands outside the line area (callers
// treat it as nothing done); 124 for a row 0 to show; 126 a false
// WRITELINS$ condition; 168 an insert that cannot be kept (a full DOCUMENT
// buffer, or a row past what N_LINE can number); 177 without a current
// record or grid; the errors of the calls, 128 and above.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/grids/linsgrid.h"

// Line events of MovsLinsControlLine besides the action kinds 31 and 32.
enum MovsLineEvent : int {
  kLineEvDown = 31,
  kLineEvUp = 32,
  kLineEvShow = 35,
  kLineEvStore = 36,
  kLineEvShowAgain = 37,
  kLineEvInserted = 39,
};

// Builds the lines grid of the current window record over its screen's
// lines block (when it has one): titles from the layout's labels above the
// block (LinsGridTitles of the layout, tag 1), the rows of the layout, list
// rows `_LMAX`, flags the grid mode of MODE$ plus kLinsTitleWidth, the
// callback for the grid's events; its level kept in the record. The
// screen's document flags take flags & 15, and the navigation bar of the
// flags is laid out (NavButtonsSet). The assertion "MovsLinsSetControls"
// without a current record.
Status MovsLinsSetControls(StrValue layout, uint16_t flags, LinsGridCallback callback);
// The line-event handler (above); the assertion "MovsLinsControlLine"
// without a current record.
Status MovsLinsControlLine(int event);
// In the line area only (else 127): stores the current row, inserts a blank
// row there when LNINS$ holds and shows it (event 39). A DOCUMENT buffer
// that is full, or whose rows N_LINE could not number, answers 168 and
// inserts nothing.
Status MovsLinsInsert();
// In the line area only (else 127): when forced or rows exist, deletes the
// current row when LNDEL$ holds; the current row stays within the rows (at
// least 1) and is shown again; with no rows left row 1 stays current with
// no controls. grid -1: the window's grid.
Status MovsLinsDelete(int grid, bool force);
// Releases the selection of the screen's file, closes the record's grid and
// leaves the navigation buttons of its set enabled.
Status MovsLinsClose();
// Grows the top window when the grid's list view does not fit it (1.2 cell
// heights more for the status area), then shows it.
Status MovsLinsFitWindow();
// For each comma item: a field name of the current screen refetches that
// field and puts it (check 116); any other item runs as a statement. The
// first failure (122 and above) stops and is answered.
Status FieldAssignList(StrValue items);
