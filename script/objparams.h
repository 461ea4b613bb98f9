// Object parameters of definition files.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Reads a definition file's lines joined by ":" as the current parameter string.
Status ParmStrPush(StrValue fileName);
Status ParmStrPop();
// For each file of a comma list its title, quoted, joined by ",".
StrValue ParmTitlesOfFiles(StrValue files);
