// Transaction set-up, saved configurations and their forms.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

Status FileTransCommand(StrValue command);
// The table choice window (message 0085) over every data file's name; the
// chosen file becomes the current file. Answers its number, 0 when none was
// chosen, with an error above 121 in *status.
int TransTableChoose(Status* status);
// The names the table choice offers: every data file's, comma-separated.
StrValue TransTableList();
