// Tasks of the administration program whose work comes later:
// each answers 148 with its name until then.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Verb 8: the "File Maintenance" navigation window over a window spec.
Status MantFileWinRun(StrValue spec);
// Task 8: the key-limited selection of a screen's records.
Status MovsKeySelectAction(int event);
