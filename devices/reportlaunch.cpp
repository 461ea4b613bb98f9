#include "devices/reportlaunch.h"

#include "runtime/seam.h"

Status ReportCommand(StrValue) { return SeamMissing("ReportCommand"); }
StrValue DevSelect(StrValue) { return StrErr(SeamMissing("DevSelect")); }
Status ReportStart(StrValue, StrValue, StrValue, StrValue, StrValue, int, DevRecord*, ReportLimitsDialog,
                   ReportDevChooser) {
  return SeamMissing("ReportStart");
}
