// The pieces the main window is made of: menu bar, window kinds, screens,
// the background picture and the action chain.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

void* MenuLoad(StrValue menuName);
