#include "devices/reportlaunch.h"

#include "runtime/seam.h"

Status ReportCommand(StrValue) { return SeamMissing("ReportCommand"); }
