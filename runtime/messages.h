// The message catalogue and message references.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Sets the language (SettingsList item 4) to "EN".
Status LangDefault();
// The text of a message reference ("0019" or "0019 default text").
StrValue Msg(const char* ref);
