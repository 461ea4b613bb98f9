#include "screens/winrecord.h"

#include "runtime/seam.h"

Status WinRecordClose(int) { return SeamMissing("WinRecordClose"); }
