// Window records: windows opened on screens.
//
// A WinRecord (screens/window/screendef.h) is a window opened on a screen: the
// screen's index, the window handle, the current field, the family state, the
// action chain and a value buffer (owner 20, blanks when opened) with the
// current and saved field values and the data file's record image and saved
// image. Records are a stack in value table 5: the newest is current unless
// WinSelect chose an older one; selecting a record makes its screen current
// and sets `_KEYMAP` to the screen's key-map mode.
//
// ScreenCreate makes a screen from its files and opens a record on it: the
// definition (type 1, "PPN") and the layout (type 2, "PAN") are found along
// the default directory list; both use tagged lines of kind 1. A screen
// already open under the same name is shared (its use count grows) and only
// its labels are drawn again. Labels and the "<?>" status line go to the top
// window, which the caller creates first.
//
// Errors: 177 ScreenStructErr when a record or its screen is missing; the
// value tables' and memory's codes; the layout's and the parse's (screens/
// layout.h, screens/window/screendef.h).
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/window/screendef.h"

// Completes the record for the current screen (screen index, data-file
// number, key number from the screen's INDEX%, default 1, value buffer of 2 x
// total width + 2 x record length and its four areas) and pushes it as the
// current record. 177 without a current screen.
Status WinOpen(WinRecord& record);
// WinOpen with the top window and the font cell.
Status WinOpenCurrent();
// n = -1: the current index (0 when none). For another existing n: unless
// the current record is locked (kWinHandlersLocked), the data file's record
// buffer (both images) is saved into the current record's image area; then
// n becomes current with its screen and key-map mode. The data file's buffer
// is not restored. Answers the current index.
int WinSelect(int n);
// Closes record n (-1 the current one): frees its buffer and removes it; the
// record below becomes current when the current index is past the end (a
// record below the closed one stays current). The screen's use count drops;
// at 0 the screen is freed. The current text-window geometry is unset and
// cleared. 177 when nothing was closed or the record's screen was missing.
Status WinClose(int n);
// Closes record n's window with the record (the relation list unwound to
// the screen's level), or with -1 every record's, newest first; the first
// failure is the answer (the rest still close).
Status WinRecordClose(int n);

// Pending selection results (string list 34): "expression:field;field".
// Pushes a non-empty text.
Status SelectionPush(StrValue text);
// Applies the newest pending result to field n and pops it (whatever the
// outcome): its expression, evaluated as a string, is put into the field
// with check 118; when that succeeds the fields it names are refetched and
// put with check 116. 0 when none is pending; else the first failure.
Status SelectionApply(uint16_t n);

// Applies SCREENSIZE$ of the parameter string on top of string list 31 to
// a current text-window geometry (made from the default when unset): items 1
// and 2 (columns, rows, 1-255) when either is non-zero, a zero item taking
// the default argument (kGeomKeep keeps the current value); items 3-6
// (origin column, origin row, row adjustment, spacing, 0-255; -1 or absent
// keeps) when the value has more than two items. Items out of range are
// ignored.
void ScreenSizeApply(uint16_t defaultCols, uint16_t defaultRows);
// The layout callback of screens: a label line (kind, two-digit row and
// column, text from the sixth character) becomes a label on the top window;
// at row 1, column 1 a text beginning "<?>" sets the status line to the
// rest. Lines with the flag set are ignored; a line too short, not numeric or
// at row or column 0 is skipped and logged. 0, or 0xFFFF when no label could
// be made.
uint16_t ScreenLayoutLine(int flag, StrValue line);
// Makes the screen (or shares the open one of that name) from the layout's
// definition and layout files of the tag and opens a record on it; the low
// byte of fileAndFlags is the data-file number (0: item field count + 1 of
// FILEDEF$), its bits 8-11 the document flags. `_SCRSTAT` bits 8-128 are
// cleared first and its low bits become the creation flags; bits 1, 2 and 4
// are cleared at the end. The selection text is pushed on success.
Status ScreenCreate(StrValue layoutName, StrValue screenName, int tag, uint16_t fileAndFlags, StrValue selection);
