// The payments schedule both programs link: the built-in PayDate$ and the
// job-steps task (task hook 7).
#pragma once
#include "runtime/status.h"

// Registers PayDate$ as an application built-in.
Status PayDateRegister();
Status JobStepsHook(int event);
