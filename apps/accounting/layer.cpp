#include "apps/accounting/layer.h"

#include "screens/menucmd.h"
#include "script/evaluator.h"

// Until the application layer is built, phase 2 runs the configuration files
// and sets RLV, and every command goes to the framework's default verbs.
int AppLayerPhase(int phase) {
  if ((phase & 15) != 2) return 0;
  Status s = PrcRunList(StrFromC(kAppConfigFiles));
  if (s == 0) s = ExpEvalStatus(StrFromC("RLV=1"));
  return s;
}

Status AppLayerDispatch(int code, StrValue rest) { return MenuCmdDispatch(code, rest); }
