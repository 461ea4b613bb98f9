// Run status, copy and rebuild of data files.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Chooses a table and rebuilds it.
Status ReorgCommand(StrValue command);
// 0 copies all data and index files to a chosen folder, 1 restores a file.
Status CopyCommand(int mode);
