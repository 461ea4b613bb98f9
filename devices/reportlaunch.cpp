#include "devices/reportlaunch.h"

#include "runtime/seam.h"

Status ReportCommand(StrValue) { return SeamMissing("ReportCommand"); }
StrValue DevSelect(StrValue) { return StrErr(SeamMissing("DevSelect")); }
