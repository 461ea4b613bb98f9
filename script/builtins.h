// Built-in functions of the script language: their names and the call
// dispatch.
//
// A call is written NAME(arg;arg;...). The names are the 33 fixed built-ins
// (codes 1-33 in the order of kBuiltinNames) followed by the names that an
// application registers (codes 34-49); the whole list is SettingsList item 8,
// filled from the fixed names on first use. Names match in any letter case
// (ASCII). The suffix of a name gives its result: "$" a string, otherwise a
// number.
//
// BuiltinCode is complete; the dispatch of a call (argument evaluation and
// the handlers) answers 148 FEATUREREMOVED until the built-ins are in.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

struct ExpToken;

// The fixed names, codes 1-33 by position.
extern const char kBuiltinNames[];

// 1-49 by position in the name list (any letter case), 0 when the name is
// not a built-in.
uint16_t BuiltinCode(StrValue name);

// Evaluates the arguments of the call term of token, calls the handler and
// leaves its value as the current result; answers the handler's status.
Status BuiltinDispatch(const ExpToken& token);
