// Text macros: bracketed expressions inside texts.
#pragma once
#include "runtime/strvalue.h"

// Expands the [expression] segments of a text with the given flags.
StrValue MacroExpand(StrValue text, int flags);
