#include "screens/actionchain.h"

#include "runtime/seam.h"

Status ScreenCloseRestore(int kind, Status status, int) {
  if (status > 121) return status;
  if (kind != 25) status = kind == 28 ? 4 : 24;
  if (status != 4) return status;
  // Closing the window (and restoring the open-file state) waits for the
  // window records and the open-state stack.
  return SeamMissing("ScreenCloseRestore");
}
