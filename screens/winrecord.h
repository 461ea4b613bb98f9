// Window records: windows opened on screens.
#pragma once
#include "runtime/status.h"

// Closes the window record n, or every window with -1.
Status WinRecordClose(int n);
