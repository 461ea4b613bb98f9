// The task-hook table: numbered hooks through which the framework calls the
// applications and the screens.
#pragma once
#include <cstdint>

#include "runtime/status.h"

using TaskFn = Status (*)(int event);
constexpr int kTaskExecute = 25;

// Stores fn under id (0-24) and answers id; other ids answer 255.
int TaskHookSet(TaskFn fn, int id);
