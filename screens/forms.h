// Input forms and batch mode.
#pragma once
#include "runtime/status.h"

// Appends the current screen's values, each quoted and joined by ",", as one
// line of the OUTPUT file when a run writes one (called when a screen is
// confirmed). Answers 0 or the file's error.
Status OutputScreenLine();
