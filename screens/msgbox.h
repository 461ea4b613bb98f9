// Message boxes and the error display.
#pragma once
#include "runtime/status.h"

#include "runtime/strvalue.h"

// Shows a code above 121 once in the error box; answers the code.
Status ErrShow(Status code);
// A message box of a kind: 0 OK (information), 1 OK (warning), 2 OK and
// Cancel, 3 OK (error), 4 Retry and Cancel, 5 Yes and No, 6 Yes, No and
// Cancel, others OK alone; an empty caption takes the kind's default (0012,
// 0013 or 0014). Owned by the top framework window; with none, pending
// messages are dropped first. Answers the yes letter of message 0011 for
// OK, Retry and Yes, the no letter for No, 3 for Cancel, Abort and Ignore.
int MsgBox(StrValue text, StrValue caption, int kind);
// A yes/no question (kind 5): 1 when Yes was pressed, else 0.
int MsgAsk(StrValue text);
