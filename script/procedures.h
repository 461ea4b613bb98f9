// The procedure compiler and runner.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Runs a procedure spec: files,label,varfile,...
Status PrcRunSpec(StrValue spec);
