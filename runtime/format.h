// Formatting by type letter and edit mask; the locale texts.
#pragma once
#include "runtime/status.h"

// Makes SettingsList item 0 the current locale.
Status LocaleLoad();
