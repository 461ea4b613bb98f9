// Statistics sets and file scans: the StatMove built-in and the work-file
// hook of FILEREL (task hook 3).
#pragma once
#include "runtime/status.h"

// Registers the built-in "StatMove" and the open hook as task hook 3.
Status StatMoveRegister();
