// The window list, window classes and the message loop.
#pragma once
#include "runtime/status.h"

using AppInitCallback = Status (*)();

Status AppInstanceInit(void* instance, const char* commandLine, AppInitCallback init);
// Runs the message loop of a window, or the main loop with null.
Status WinRunModal(void* window);
// Number of framework windows open.
int WinCount();
