// Going to a row of a window's lines grid: a click on a row of the list
// view of a document window or a grid pad.
#pragma once
#include <cstdint>

#include "runtime/status.h"

// WinRecord::flags: a row change is under way (focus events meanwhile are
// its own).
constexpr uint16_t kWinRowGoBusy = 0x10;
// The read-only field that shows the row caption (current row / rows).
constexpr uint16_t kRowCaptionId = 1480;
constexpr uint16_t kRowCaptionMax = 7;

// Moves the current window record's document to row `row` of grid `grid`,
// with kWinRowGoBusy set meanwhile:
//   - the current row again: the row being edited is stored into the buffer
//     (and shown again when it changed), then its first field control gets
//     the focus;
//   - another row from 1 to the row count: the row being edited is stored
//     and its controls go (screens/documents/docgrid.h), the row becomes current, its
//     values go into the line fields and the visible rows are shown again,
//     and the row caption goes to field kRowCaptionId when the window has it;
//   - any other row: nothing.
// Answers 0, the storing's answer when the row cannot be left (126 for a
// failed condition; the row keeps its controls), or an error; 177 without a
// current record or grid.
Status LinsGridRowGo(int grid, int32_t row);
