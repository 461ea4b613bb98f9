// Object parameters of definition files.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Reads a definition file's lines joined by ":" as the current parameter string.
Status ParmStrPush(StrValue fileName);
Status ParmStrPop();
