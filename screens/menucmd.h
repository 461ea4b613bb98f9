// Menu command lines and the menu command verbs.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// A menu command handler takes the verb code and the rest of the line.
using MenuCmdHandler = Status (*)(int code, StrValue rest);
using PhaseCallback = int (*)(int phase);

void MenuCmdHookSet(MenuCmdHandler handler);
Status MenuCmdRun(StrValue line, MenuCmdHandler defaultHandler);
Status MenuCmdDispatch(int code, StrValue rest);
// Calls the phase callback with 3, frees the runtime and answers the exit
// code: 0 when the final code is below 128, else the code.
int AppExitCode(PhaseCallback callback, Status finalStatus);
