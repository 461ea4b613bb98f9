// The table choice of the transactions and of the rebuild; the set-up itself
// asks in forms and stands in screens/transactions/transmenu.h.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// The table choice window (message 0085) over every data file's name; the
// chosen file becomes the current file. Answers its number, 0 when none was
// chosen, with an error above 121 in *status.
int TransTableChoose(Status* status);
// The names the table choice offers: every data file's, comma-separated.
StrValue TransTableList();
