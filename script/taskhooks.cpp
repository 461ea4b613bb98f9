#include "script/taskhooks.h"

#include "runtime/seam.h"

int TaskHookSet(TaskFn /*fn*/, int /*id*/) { return SeamMissing("TaskHookSet"); }
