// Opening a "File Maintenance" window over a navigation or document screen:
// the window of the given kind titled by the first item of message 0022 at
// the command's row (item 3) and column (item 4), the screen it names in it
// (screens/documents/docengine.h NavScreenOpen), the window's action handler with the
// navigation chooser, task hook 2 on the grid's cells (the previous hook
// comes back when the window closes), the bar of the screen's kind (the
// document bar, or the lines bar for NAVIGATION) with the row caption and
// the status text, the lines grid fitted into the window, the caller's
// set-up step, the event INIT, the fields refreshed, the key fields in
// search and the text of the current field selected.
//
// The window is destroyed only when opening it fails; the first failing
// status is answered, a window that cannot be made with 179 naming `name`.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/window/actionchain.h"

using FileWinSetupFn = Status (*)();

Status MovsFileWinOpen(StrValue spec, uint8_t kind, ActionHandler action, FileWinSetupFn setup, const char* name);
