// The application layer's two entry points into the framework.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Phase callback: phases 1 and 2 of start-up (StartFlags x 16 + phase) and 3 at exit.
int AppLayerPhase(int phase);
// Menu-command dispatcher: every verb the layer does not own goes to the
// framework's default verbs.
Status AppLayerDispatch(int code, StrValue rest);
