#include "apps/administration/layer.h"

#include "screens/appconfig.h"
#include "screens/menucmd.h"

// Until the application layer is built, phase 2 runs the configuration files
// and every command goes to the framework's default verbs.
int AppLayerPhase(int phase) { return AppConfigPhase(phase); }

Status AppLayerDispatch(int code, StrValue rest) { return MenuCmdDispatch(code, rest); }
