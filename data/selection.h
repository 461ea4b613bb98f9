// Selections, scans, the open-state stack and the list built-in.
#pragma once
#include "runtime/status.h"

// Registers the list built-in under the name "StGetList".
Status StGetListRegister();
