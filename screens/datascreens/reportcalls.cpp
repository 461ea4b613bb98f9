#include "screens/datascreens/reportcalls.h"

#include "runtime/seam.h"

namespace {
ReportCalls g_calls;
}  // namespace

void ReportCallsSet(const ReportCalls& calls) { g_calls = calls; }

Status ReportLaunchCall(StrValue spec, int flags) {
  return g_calls.launch ? g_calls.launch(spec, flags) : SeamMissing("ReportLaunch");
}

Status ReportLaunchRunCall(int flags) {
  return g_calls.run ? g_calls.run(flags) : SeamMissing("ReportLaunchRun");
}

Status ReportStartCall(StrValue device, StrValue spec, StrValue limits, StrValue files, StrValue range, int flags) {
  return g_calls.start ? g_calls.start(device, spec, limits, files, range, flags) : SeamMissing("ReportStart");
}

StrValue DevSelectCall(StrValue current) {
  return g_calls.devSelect ? g_calls.devSelect(current) : StrErr(SeamMissing("DevSelect"));
}
