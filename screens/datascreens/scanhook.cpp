#include "screens/datascreens/scanhook.h"

#include "runtime/seam.h"

namespace {

Status StartMissing() { return SeamMissing("ScanStart"); }
Status StopMissing() { return SeamMissing("ScanStop"); }
Status PollMissing(uint16_t) { return SeamMissing("ScanPoll"); }

ScanHooks g_hooks{StartMissing, StopMissing, PollMissing};

}  // namespace

void ScanHooksSet(const ScanHooks& hooks) {
  g_hooks.start = hooks.start ? hooks.start : StartMissing;
  g_hooks.stop = hooks.stop ? hooks.stop : StopMissing;
  g_hooks.poll = hooks.poll ? hooks.poll : PollMissing;
}

Status ScreenScanStart() { return g_hooks.start(); }
Status ScreenScanStop() { return g_hooks.stop(); }
Status ScreenScanPoll(uint16_t slot) { return g_hooks.poll(slot); }
