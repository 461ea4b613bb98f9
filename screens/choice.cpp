#include "screens/choice.h"

#include "runtime/seam.h"

int WinChoice(StrValue, StrValue, int, Status* status) {
  *status = SeamMissing("WinChoice");
  return 0;
}
Status WinChoiceClose() { return 0; }
