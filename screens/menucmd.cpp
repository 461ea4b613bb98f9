#include "screens/menucmd.h"

#include "runtime/seam.h"
#include "runtime/startup.h"
#include "script/variables.h"

namespace {
MenuCmdHandler g_handler = nullptr;
}

void MenuCmdHookSet(MenuCmdHandler handler) { g_handler = handler; }
Status MenuCmdRun(StrValue, MenuCmdHandler) { return SeamMissing("MenuCmdRun"); }
Status MenuCmdDispatch(int, StrValue) { return SeamMissing("MenuCmdDispatch"); }

int AppExitCode(PhaseCallback callback, Status finalStatus) {
  Status status = finalStatus;
  int phase3 = callback ? callback(3) : 0;
  if (status == 0) status = static_cast<Status>(phase3);
  uint16_t freed = VarsFreeAll();
  if (status == 0) status = freed;
  return ExitCodeOf(status);
}
