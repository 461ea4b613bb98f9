// Message boxes and the error display.
#pragma once
#include "runtime/status.h"

#include "runtime/strvalue.h"

// Shows a code above 121 once in the error box; answers the code.
Status ErrShow(Status code);
// A message box of a kind (0 information, 1 warning, 5 yes/no question...);
// answers the button's letter or code.
int MsgBox(StrValue text, StrValue caption, int kind);
// A yes/no question: 1 for yes, else 0.
int MsgAsk(StrValue text);
