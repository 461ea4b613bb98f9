#include "screens/accept.h"

#include "runtime/seam.h"
#include "runtime/strlist.h"
#include "screens/actions.h"
#include "screens/forms.h"
#include "screens/winlist.h"

namespace {

constexpr uint32_t kSimpleItems = 4;   // fewer items: the simple form
constexpr uint8_t kSimpleMode = 8;     // item 7 asking for the simple form

}  // namespace

Status AcceptCommand(StrValue command, int windowMode, int exitSlot) {
  if (Status e = StrError(command)) return e;
  WinSpec spec = WinSpecParse(command);
  if (StrListCount(command, ',') < kSimpleItems || spec.item7 == kSimpleMode)
    return AcceptSpecRun(command, kAcceptHookFromForm);
  Status s = AcceptWinCommand(command, spec.item7 ? spec.item7 : windowMode, exitSlot);
  // The simple form has taken its answer line already; a window is filled
  // from the next one.
  if (s == 0) s = InputFillScreen(WinTop());
  return s;
}

Status AcceptWinCommand(StrValue, int, int) { return SeamMissing("AcceptWinCommand"); }
Status MantAuxCommand(StrValue) { return SeamMissing("MantAuxCommand"); }
Status AcceptParmExit(int) { return SeamMissing("AcceptParmExit"); }
Status AcceptDocExit(int) { return SeamMissing("AcceptDocExit"); }
Status AcceptStepsExit(int) { return SeamMissing("AcceptStepsExit"); }
Status FieldHelpMenu(void*, HelpPointFn) { return SeamMissing("FieldHelpMenu"); }
Status MantFieldCommand(void*) { return SeamMissing("MantFieldCommand"); }
