#include "apps/accounting/layer.h"

#include "data/stgetlist.h"
#include "screens/appconfig.h"
#include "screens/menucmd.h"
#include "script/statements.h"

// Until the application layer is built, phase 1 registers the framework's
// statement handlers, phase 2 registers the list built-in (the first of the
// program's own) and runs the configuration files, and every command goes to
// the framework's default verbs.
int AppLayerPhase(int phase) {
  if ((phase & 15) == 1) ExecRunUtilsInit();
  if ((phase & 15) == 2) StGetListRegister();
  return AppConfigPhase(phase);
}

Status AppLayerDispatch(int code, StrValue rest) { return MenuCmdDispatch(code, rest); }
