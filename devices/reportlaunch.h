// Report launch, limits form and the device selection window.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

Status ReportCommand(StrValue command);
