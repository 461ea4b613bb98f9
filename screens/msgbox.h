// Message boxes and the error display.
#pragma once
#include "runtime/status.h"

// Shows a code above 121 once in the error box; answers the code.
Status ErrShow(Status code);
