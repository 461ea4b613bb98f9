// Choice windows and controls.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Shows a choice window over a comma list; answers the 1-based choice (0 none)
// or an error code above 121 in *status.
int WinChoice(StrValue title, StrValue items, int option, Status* status);
Status WinChoiceClose();

// The pixel width of a field of n characters with the current cell width w:
// n x w less (r - 1) x half a cell, r being n / 10 plus one when n mod 10 is
// above 5. Signed: below 6 characters it adds half a cell.
int32_t FieldPixelWidth(int32_t n);
