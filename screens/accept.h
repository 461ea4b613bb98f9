// Accept commands, accept exits and field windows.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

Status AcceptCommand(StrValue command, int windowMode);
Status MantAuxCommand(StrValue command);
