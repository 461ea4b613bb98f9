// Choice windows and controls.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Shows a choice window over a comma list; answers the 1-based choice (0 none)
// or an error code above 121 in *status.
int WinChoice(StrValue title, StrValue items, int option, Status* status);
Status WinChoiceClose();
