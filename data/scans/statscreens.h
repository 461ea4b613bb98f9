// Internal to the statistics sets (filescan.cpp, statsteps.cpp,
// statistics.cpp): the calls into the screens through the functions
// StatUiSet installed, with their stand-ins, and the error recorder.
#pragma once
#include <cstdint>
#include <string_view>

#include "runtime/status.h"
#include "runtime/strvalue.h"

StrValue StatUiProp(int n, int m);
StrValue StatUiField(int n);
StrValue StatUiCondJoin(StrValue items);
Status StatUiRunSteps(StrValue list, uint32_t* index, StrValue* rest);
bool StatUiProgressShown();

// Records code with module 18 (DataFile) and the detail; answers code.
Status StatFail(Status code, std::string_view detail);
