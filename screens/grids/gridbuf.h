// The line buffer of document and navigation screens.
//
// A GridBuffer is a small in-memory record file: fixed-width text rows in
// one block, columns at fixed offsets. Document windows keep their lines in
// it, navigation windows the entry lines they show; the lines grid
// (screens/grids/linsgrid.h) paints it, the document engine loads and stores it,
// and expressions reach its cells through names "_GRID<column>".
//
// Storage (memory owner 20, Screens):
//   - one block of 6 bytes per declared column: the column offsets, widths
//     and bound data-file field numbers (three u16 arrays);
//   - the row block, maximum rows x row width bytes, allocated (filled with
//     blanks) when the last declared column is added. A cell lives at
//     (row - 1) x row width + column offset and is read and written in place;
//     inserting and deleting a row moves the tail of the block in one copy.
// Cells hold text formatted by type letter "A" to the column width, so a row
// is the concatenation of its cells.
//
// Rows and columns count from 1; row -1 means the current row. The current
// row (0 = none) and the row count are mirrored in `_LNUM` and `_LLST`
// whenever an operation appends, inserts or deletes rows or moves the
// current row. Flags bits 0 and 1 mark the buffer changed (bit 1 is the
// lines-changed flag that loading and saving clear). The mode comes from the
// screen property MODE$ (ALONE 1, DOCUMENT 2, NAVIGATION 4; default 2).
//
// Errors (codes of 128 and up are recorded with module 20):
//   168 DATAOUTBOUND   a column beyond those declared; column widths summing
//                      past 65535; maximum rows above 65535; a cell set out
//                      of range (row 0 or past the maximum rows, column 0 or
//                      past the columns defined)
//   154 MEMORYALLOCERR the row block cannot be allocated (or would pass
//                      kGridBlockMax bytes)
//   163 BADINPUTDATA   a cell set or a shift on a buffer without a row
//                      block; an impossible shift (current row 0, past the
//                      row count + 1 on insert or past the row count on
//                      delete, past the maximum rows)
//   124 UNDEFWARNING   GridRowsFit outside NAVIGATION mode
// Reading out of range gives an empty text, never an error.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint16_t kGridDefaultRows = 100;
constexpr uint32_t kGridBlockMax = 256u << 20;  // row blocks above this are refused (154)

enum GridMode : uint8_t { kGridAlone = 1, kGridDocument = 2, kGridNavigation = 4 };
enum GridFlag : uint16_t { kGridChanged = 1, kGridLinesChanged = 2 };

struct GridBuffer {
  uint16_t* offsets = nullptr;  // the column block: offsets, then widths, then field numbers
  uint16_t* widths = nullptr;
  uint16_t* fields = nullptr;
  uint16_t maxCols = 0;
  uint16_t cols = 0;  // columns defined
  uint16_t rowWidth = 0;
  unsigned char* rows = nullptr;  // the row block
  uint16_t maxRows = kGridDefaultRows;
  uint16_t curRow = 0;
  uint16_t rowCount = 0;
  Status lastError = 0;
  uint16_t flags = 0;
  uint8_t mode = kGridDocument;
};

// --- Building ----------------------------------------------------------------

// The mode MODE$ of the current screen asks for (kGridDocument when it is
// empty or names no mode).
uint8_t GridScreenMode();

// Allocates the column arrays for `columns` columns; maximum rows of 0 or
// less are 100, above 65535 answer 168; the mode from MODE$ of the current
// screen. Any earlier content of the buffer is freed first.
Status GridCreate(GridBuffer& g, int32_t columns, int32_t maxRows);
// Appends a column at the current row width; adding the last declared one
// allocates the row block. The error is also kept in g.lastError.
Status GridAddColumn(GridBuffer& g, uint32_t width, uint16_t field);

// One column of a grid over a screen's lines block.
struct GridColumn {
  Status status = 0;
  uint16_t screenField = 0;  // the screen field it shows, 0 for none
  uint16_t dataField = 0;    // field of the screen's data file it is bound to, else 0
  uint32_t width = 0;        // cell width (a screen field's storage length)
  uint16_t display = 0;      // display width
  char type = 'A';
  bool computed = false;     // an evaluated item: its width may be capped
  StrValue title;            // the field's dictionary name (or screen field name), else empty
};
// A line field n of the current screen (item empty), or an item of a column
// list: the name of a screen field gives that field; a field reference
// NAME{file} the data-file field and its width; anything else is evaluated
// and the length of its text is the width (its error is the status).
GridColumn GridColumnDesc(uint16_t lineField, StrValue item);
// Creates the buffer over the current screen's line fields first..last
// (first 0: none) and one column per item of the column list. Items that
// are evaluated are capped so that the row width stays within 65535. With
// totalWidth: the sum over the line fields of their display width (with flag
// bit 7 at least their title's length, the title being item i of the title
// list or the column's own) plus one.
Status GridBuild(GridBuffer& g, uint16_t first, uint16_t last, StrValue titles, StrValue columns, int32_t maxRows,
                 uint16_t flags, int32_t* totalWidth);
// Frees the column block and the row block; the buffer is empty afterwards.
void GridFree(GridBuffer& g);
// With a row block: no current row, no rows (`_LNUM`, `_LLST` 0), both
// changed bits set, `_SCRSTAT` bit 32 cleared.
void GridReset(GridBuffer& g);

// --- Cells and rows -----------------------------------------------------------

StrValue GridCellGet(const GridBuffer& g, int32_t row, int32_t col);
// Appends blank rows up to the row (each append sets `_LLST`), then writes
// the text fitted to the column.
Status GridCellSet(GridBuffer& g, int32_t row, int32_t col, StrValue text);
// The whole current row; empty without one.
StrValue GridRowText(const GridBuffer& g);
// The cells of the row in the listed columns (comma list of numbers), joined.
StrValue GridRowKeyText(const GridBuffer& g, int32_t row, StrValue columns);
// Opens (+1) a blank row at the current row or removes (-1) it. Inserting
// into a full buffer drops the last row and keeps the count. Both changed
// bits are set.
Status GridShiftRows(GridBuffer& g, int n);

// --- Rows by rule ----------------------------------------------------------------

// statements = condition "," statement: when the condition holds (an empty
// one does) the rows shift by n and the statement runs; a false condition
// answers 0.
Status GridRowOpIf(int n, GridBuffer& g, StrValue statements);
// GridRowOpIf(-1) when the current row exists, else 0.
Status GridRowDeleteIf(GridBuffer& g, StrValue statements);
Status GridRowInsertIf(GridBuffer& g, StrValue statements);
// Every row whose key text over the columns equals the key is offered to
// GridRowDeleteIf (the walk steps back after a deletion); the current row
// ends at min(old current row, row count), at least 1. Without statements
// the matching rows go in one pass over the block.
Status GridRowFindAll(GridBuffer& g, StrValue key, StrValue columns, StrValue statements);
// Drops trailing blank rows while at least two rows remain; the current row
// becomes the row count.
Status GridTrimEmpty(GridBuffer& g);
// When n exceeds the maximum rows: 124 outside NAVIGATION mode; in it, rows
// are deleted from row 1 until n fits (the current row moving up by the
// deletions), 124 when the rule refuses one.
Status GridRowsFit(GridBuffer& g, int32_t n, StrValue statements);

// --- Texts ----------------------------------------------------------------------

// " r / n" (current row, row count); blanks removed when longer than limit.
StrValue GridRowCaption(const GridBuffer& g, uint16_t limit);
// The cell of the row in the column the name stands for: a field of the
// current screen gives column (field - first line field + 1), "_GRID" and
// digits naming a column from 1 to the columns defined that column;
// anything else the empty text.
StrValue GridLineText(const GridBuffer& g, StrValue name, int32_t row, uint16_t firstLineField);

// From the start row, while the current row is within the maximum rows:
// when condition 1 holds the current row is assigned (GridRowAssign) and
// advances; then a non-zero condition 2 ends the loop. The current row
// returns to the start row; answers below 128 become 0. A loop that assigns
// no row in kGridFillIdleMax rounds in a row stops with 141.
constexpr uint32_t kGridFillIdleMax = 65535;
Status GridRowsFill(GridBuffer& g, int32_t startRow, StrValue cond1, StrValue assignments, StrValue cond2);
// Item i of the comma list (i up to the columns defined, non-empty) is
// evaluated as a string into cell i of the current row; the other items run
// as statements; an error stops. The buffer is marked changed.
Status GridRowAssign(GridBuffer& g, StrValue list);
