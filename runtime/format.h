// Formatting by type letter and edit mask; the locale texts.
//
// FmtByType fits a value to a field's stored form by its type letter:
//   A B C P and letters not listed  left-aligned, blank-padded or cut
//   D F                             left-aligned; width 6 with an 8-character
//                                   value drops the century (YYYYMMDD to YYMMDD)
//   N L 0-9                         trimmed and right-aligned; a longer value
//                                   keeps the decimals that still fit, rounded
//                                   half away from zero; an integer part wider
//                                   than the field is the error string 168
//   T V                             blanks (no value)
// Results are new slots of the string area; error strings pass through.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Makes SettingsList item 0 the current locale.
Status LocaleLoad();

StrValue FmtByType(char type, StrValue value, int width);
