// Document windows: the window-level handler, the events of the lines grid
// and the document-type chooser.
//
// MovsActionWin is the action handler a document or navigation window
// installs (with the navigation chooser, screens/documents/docengine.h NavNextAction);
// it routes the window's codes by area to the lines (screens/documents/docgrid.h), the
// document-type chooser or the document commands (screens/documents/movsaction.h
// MovsAction), and every answer passes through MovsAfterAction (row caption
// in 1480, grid reload, mode words).
//
// MovsGridAction takes the events of the window's lines grid
// (screens/grids/linsgrid.h): a right click offers the popup of message 0026
// "View,Insert,Delete,Seek" (view, insert, delete, seek as the grid events
// 101, 107, 106, 109); a double click or Enter views a row (the focus in
// its first field); F5, F8, F9, F11 and the seek run PRN, DEL, INS, DDE and
// FND through the action chain; a click or Up/Down in the list moves to
// another line (screens/grids/gridrowgo.h LinsGridRowGo). The callback the grid
// calls answers 0, so no grid event closes the window; errors are shown.
// Every window action and grid event runs under a string-area scope.
// A command outside its area (127) is dropped: the chain would read its
// value 8 as a close request.
//
// The document-type chooser: when the screen has a begin field and
// DOCTYPETXT$ more than one item, a drop-down combo box of those items one
// row below the begin field; Up/PgUp and Down/PgDn there choose the
// previous or next type, which goes into the begin field. The chosen index
// is kept for the next window. Its combo slot is kept in the window record
// (WinRecord::reserved, 0xFFFF when none).
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "screens/window/actions.h"
#include "screens/window/screendef.h"

// Action kinds of document windows beside screens/window/actions.h.
enum MovsActionKind : uint8_t {
  kMovsActComboMove = 33,   // show or move the chooser
  kMovsActComboDrop = 34,   // remove the chooser
  kMovsActLinesEnter = 35,  // the lines are entered: the automatic import
  kMovsActStoreLine = 36,   // store the row being left
  kMovsActLineAgain = 37,   // show the current row again
};

// The window-level handler (above); the assertion "MovsActionWin" without a
// current record.
Status MovsActionWin(ActionCode code);
// The lines-grid handler (above): the list view, the selected row (from 0,
// -1 none) and the grid event. The assertion "MovsGridAction" without a
// current record. Answers the view step's status (0 for other events).
Status MovsGridAction(ui::Hwnd view, int row, int event);
// The grid callback of document windows (screens/grids/linsgrid.h
// LinsGridCallback): MovsGridAction with the list view's selected row; the
// errors it answers are shown; answers 0.
uint16_t MovsGridCallback(ui::Hwnd window, int level, int event);
// Mode 1 shows the chooser or moves it by `_LASTKEY`; another mode removes
// it.
void MovsDocTypeCombo(int mode, WinRecord* record);
// The chosen type's index (kept across windows); for tests.
int MovsDocTypeIndex();
void MovsDocTypeIndexSet(int index);
// Task hook 2 on the cells of the current window's grid (screens/documents/docengine.h
// GridLineTextHook) while a document window is open; the hook in place
// before comes back when the window closes (or by the restore).
void MovsWinTextHookSet();
void MovsWinTextHookRestore();
