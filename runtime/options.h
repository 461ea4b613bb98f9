// The stored command line and its options.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Arguments 1 to count - 1 joined by single blanks.
StrValue OptJoinArgs(int count, const char* const* args);
// Normalises a command line and stores it as SettingsList item 1.
Status OptNormalise(StrValue line);
// The value of the option of that name; empty when absent.
StrValue OptValueByName(const char* name);
