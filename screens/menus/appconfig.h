// The start-up configuration list: the configuration files both
// applications run in start phase 2.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// The configuration files both applications run in start phase 2, later
// files overriding earlier ones; ";1" marks a file that must exist.
extern const char kAppConfigFiles[];
// The configuration step both applications take at start phase 2: their
// configuration-file list, then RLV=1. Other phases answer 0.
Status AppConfigPhase(int phase);
// Runs each "file;flag" item of a comma list as an expression file
// (ExpExecFile with that flag), stopping at the first non-zero answer, which
// is returned; when all succeed, reloads the language variables and answers
// that.
Status PrcRunList(StrValue list);
