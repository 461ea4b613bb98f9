// The payments schedule both programs link: the built-in PayDate$. (The
// job-steps task, task hook 7, reads screens: screens/jobsteps.h.)
#pragma once
#include "runtime/status.h"

// Registers PayDate$ as an application built-in.
Status PayDateRegister();
