#include "apps/administration/layer.h"

#include "screens/menucmd.h"

// Until the application layer is built the phase callback does nothing and
// every command goes to the framework's default verbs.
int AppLayerPhase(int /*phase*/) { return 0; }

Status AppLayerDispatch(int code, StrValue rest) { return MenuCmdDispatch(code, rest); }
