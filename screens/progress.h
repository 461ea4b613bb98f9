// The progress window: one window at a time through which long work shows
// how far it got and the user cancels it (122).
//
// The cancel itself reaches the work through the data layer's cancel poll
// (data/fileaction.h), which the progress window installs.
#pragma once
#include <cstdint>

#include "runtime/status.h"

// Creates the window unless it exists (bar mode); width 0 or -1 gives 400.
Status ProgressOpen(int width, uint32_t total);
// Destroys the window and resets the progress record.
Status ProgressClose();
