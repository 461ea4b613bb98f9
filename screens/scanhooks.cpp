#include "screens/scanhooks.h"

#include "runtime/seam.h"

namespace {

ScanHooks g_hooks;

}  // namespace

ScanHooks ScanHooksSet(const ScanHooks& hooks) {
  ScanHooks old = g_hooks;
  g_hooks = hooks;
  return old;
}

Status ScreenScanStart() { return g_hooks.start ? g_hooks.start() : SeamMissing("ScanStart"); }
Status ScreenScanStop() { return g_hooks.stop ? g_hooks.stop() : SeamMissing("ScanStop"); }
Status ScreenScanPoll(uint16_t slot) { return g_hooks.poll ? g_hooks.poll(slot) : SeamMissing("ScanPoll"); }
