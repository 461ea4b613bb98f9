// Report launch, limits form and the device selection window.
#pragma once
#include "devices/device.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

// The limits form of a launch: its title and field list; the form's status.
using ReportLimitsDialog = Status (*)(StrValue title, StrValue fields);
// The device chooser of a launch (DevSelect): the chosen device string,
// empty when cancelled.
using ReportDevChooser = StrValue (*)(StrValue current);

Status ReportCommand(StrValue command);
// Asks for a device string (the device selection window, or the next line
// of the INPUT file in batch mode): the chosen string, empty when cancelled.
StrValue DevSelect(StrValue current);
// Starts a report spec (report name and optional procedure, ";" between):
// the limits asked, the range sought, the device chosen, the report run.
Status ReportStart(StrValue device, StrValue spec, StrValue limits, StrValue files, StrValue key, int flags,
                   DevRecord* dev, ReportLimitsDialog dialog, ReportDevChooser chooser);
