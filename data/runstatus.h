// The run status file: whether a run of the program is in progress.
#pragma once
#include "runtime/status.h"

// Marks the run closed.
Status RunStatusClose();
