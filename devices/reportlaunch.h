// Report launch, limits form and the device selection window.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

Status ReportCommand(StrValue command);
// Asks for a device string (the device selection window, or the next line
// of the INPUT file in batch mode): the chosen string, empty when cancelled.
StrValue DevSelect(StrValue current);
