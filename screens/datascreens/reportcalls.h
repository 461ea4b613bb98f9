// The report launch as the screens reach it.
//
// Document windows print after a save and accept windows launch a report or
// a document when they are confirmed; the launch, the limits form and the
// device selection belong to the devices layer above this one. The screens
// call them through these hooks, which start-up registers (app/hooks.cpp).
// Until then each answers 148 FEATUREREMOVED with the launch function's name
// in the error detail (the device selection as that error string).
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

struct ReportCalls {
  // A print job "file,tag" of a definition file, or a report spec, with the
  // launch flags (devices/reportlaunch.h ReportLaunch).
  Status (*launch)(StrValue spec, int flags) = nullptr;
  // The job of the print-job parameters in force; with launch flag 1 those
  // of the current screen, whose fields 1 and 2 are the range when it has
  // no LIMITS$ (an accept window's document exit).
  Status (*run)(int flags) = nullptr;
  // A report ("name[;procedure]") on a device (empty: the device selection
  // asks), with its limits text, the files to open and the key range
  // ("from,to"; empty: the limits form's), asking the limits form.
  Status (*start)(StrValue device, StrValue spec, StrValue limits, StrValue files, StrValue range,
                  int flags) = nullptr;
  // The device selection: the chosen device string, empty when cancelled.
  // It sets bit 128 of `_SYSCOMPAT` (printer names become devices) for the
  // parse of its answer: the caller puts the value back after that parse.
  StrValue (*devSelect)(StrValue current) = nullptr;
};

void ReportCallsSet(const ReportCalls& calls);
Status ReportLaunchCall(StrValue spec, int flags);
Status ReportLaunchRunCall(int flags);
Status ReportStartCall(StrValue device, StrValue spec, StrValue limits, StrValue files, StrValue range, int flags);
StrValue DevSelectCall(StrValue current);
