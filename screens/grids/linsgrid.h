// Lines grids: the rows of a line buffer shown in a list view and edited in
// field controls laid over the cells of the current row.
//
// A grid is built over the current screen's lines block: its line buffer
// (screens/grids/gridbuf.h) has one column per line field and one per item of the
// assignment list (the caller's, else the screen's LNASSIGN$); the list view
// (screens/grids/gridview.h) shows the line fields' columns only. Grids nest up to
// four levels; the newest is current, and a level is taken only when its
// grid is complete (buffer and list view), so a failed or fifth creation
// leaves the level as it was. Creation flags:
//   kLinsOwnWindow  1   a modal window of its own (kind 4 "Grid"), text
//                       origin column 2, row 1, row adjustment 2, sized to
//                       the list view; the list view at its first row
//   kLinsDocument   2   over the lines block of the top window: the list
//   kLinsNavigation 4   view two rows above the block's first field, at
//                       its column less one (at least 1); navigation grids
//                       list only their visible rows (paged through their
//                       data file)
//   kLinsNavBar     8   with kLinsOwnWindow: a navigation bar (PRV, NXT, INS,
//                       DEL captioned from message 0030) in two more rows
//                       at the top; the list view below them
//   kLinsTitleWidth 0x80 a column is at least as wide as its title
// Sizes: a column is FieldPixelWidth of its display width (with 0x80 at
// least its title's length) plus 1 pixel; the list view is their sum, 24
// more when the visible rows are fewer than the list rows, and rows x (cell
// height - 1) + cell height + 6 high.
//
// Events (LinsGridWndProc, while `_SCRSTAT` has kScrStatGridNotify): list-view
// notifications of ids 3200-3203 become events 100-115 for the current
// grid's callback (none answers 8); an answer other than 0 accepts. An
// accepted Esc (114), Enter or double click (101) or right click (112 then
// 100) becomes a close request of the window. PgUp on the first row (110)
// and PgDn on the last list row (111) are taken from the list view, which
// then does not move.
//
// Errors: 0xFFFF for a fifth level; the line buffer's errors; 170
// COMMONCTLERROR when no list-view slot is free (the buffer is freed); 179
// when the grid's window or a list-view cell cannot be made; 177 without a
// current screen or grid.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/window/geometry.h"
#include "screens/grids/gridbuf.h"

constexpr int kLinsGridLevels = 4;
constexpr uint16_t kLinsNoGrid = 0xFFFF;

enum LinsGridFlag : uint16_t {
  kLinsOwnWindow = 0x01,
  kLinsDocument = 0x02,
  kLinsNavigation = 0x04,
  kLinsNavBar = 0x08,
  kLinsTitleWidth = 0x80,
};

enum LinsGridEventCode : int {
  kGridEvAccept = 100,
  kGridEvEnter = 101,
  kGridEvF5 = 105,
  kGridEvF8 = 106,
  kGridEvF9 = 107,
  kGridEvF11 = 108,
  kGridEvPgUpFirst = 110,
  kGridEvPgDnLast = 111,
  kGridEvClick = 112,
  kGridEvFocus = 113,
  kGridEvEsc = 114,
  kGridEvUpDown = 115,
};
constexpr uint16_t kGridNoCallback = 8;  // the answer of a grid without callback

// (window, level, event) -> non-zero when the event is accepted.
using LinsGridCallback = uint16_t (*)(ui::Hwnd window, int level, int event);

// A displayed column: its field's type and display width, pixel width.
struct LinsGridColumn {
  char type = 'A';
  uint16_t display = 0;
  int32_t pixels = 0;
};

struct LinsGridRec {
  GridBuffer buffer;
  LinsGridCallback callback = nullptr;
  uint16_t slot = kLinsNoGrid;  // list-view slot (control id 3200 + slot)
  uint16_t visibleRows = 0;
  uint16_t listRows = 0;  // the visible rows for navigation grids, else the caller's count
  uint16_t flags = 0;
  uint16_t firstField = 0, lastField = 0;  // the screen's lines block
  std::vector<LinsGridColumn> columns;      // the displayed ones
  ui::Hwnd window = 0;  // the grid's own window (kLinsOwnWindow)
  TextWinGeom savedGeom;
};

// Builds a grid over the current screen's lines block; rows -1 with flags 2
// or 4: the rows from the block's first field to the field after the block
// (or to the end of the text window). Answers the new level (0-3) or an
// error (above).
Status LinsGridCreate(StrValue title, StrValue titles, StrValue assign, int32_t rows, int32_t listRows,
                      uint16_t flags, LinsGridCallback callback);
// Grid n (-1 the current); null when there is none.
LinsGridRec* LinsGridGet(int n);
// The list-view slot of grid n; kLinsNoGrid when none.
uint16_t LinsGridHandle(int n);
// The current level, -1 when no grid is open.
int LinsGridLevel();
// Destroys grid n's list view (and its own window), frees its line buffer,
// and so for every grid above it; answers the current level afterwards.
int LinsGridClose(int n);
// The current grid's callback answer for the event (8 without callback, 0
// without a grid).
uint16_t LinsGridEvent(ui::Hwnd window, int code);

// Makes the row current and lays grid-mode field controls first..last over
// its cells, unless the first field has a control already. A row past the
// count (within the maximum) gets an empty list item first; the list
// scrolls to it. Numeric fields stand right-aligned in their cell (column
// width less the display width's pixels less 3), others 3 pixels in; all 3
// pixels below the item's top. 124 for a row outside 1 - maximum rows.
Status LinsGridPaintRow(int grid, int32_t row, uint16_t first, uint16_t last);
// Writes the current row's cells into the list view, each formatted for
// display by its field's type and display width (right-trimmed except type
// F), empty past the row count; a cell already showing the text is not
// written. Stops at the first error.
Status LinsGridRefresh(int grid);
// LinsGridRefresh of the rows from..to, the current row restored after.
Status LinsGridRefreshRange(int grid, int32_t from, int32_t to);
// The rows to scroll so that the row shows (negative: up); for navigation
// grids 1 when the row lies past the visible rows, else 0.
int32_t LinsGridVisible(int grid, int32_t row);
// Pages a navigation grid: its screen's data file moves step records (next,
// or previous for a negative step, with the navigation flags) and the grid
// is filled from the key reached (LinsGridFill). 1 when the first move
// fails (nothing to page to).
Status LinsGridStep(int grid, uint16_t flags, int32_t step);
// Reads the file on the key with the navigation flags (the soft result goes
// to `_IER`), loads that key's lines into the emptied buffer (READLINS$) and
// grows the row count to the row.
Status LinsGridFill(int file, StrValue key, uint16_t flags, int32_t row, int grid);
// When the buffer changed (flag 1): the flag is cleared, an empty grid's
// list view emptied, and rows 1 to the row count (one more below the
// maximum) refreshed.
Status LinsGridReload(int grid);

// The window procedure of grid windows (over DialogWndProc). A grid's own
// window that no window record shows is destroyed by a close request; its
// destruction closes its grid.
ui::LResult LinsGridWndProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp);

// Forgets every grid without touching windows or memory (a new runtime).
void LinsGridReset();
