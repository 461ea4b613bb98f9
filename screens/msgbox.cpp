#include "screens/msgbox.h"

#include <string>

#include "platform/host/console.h"
#include "runtime/errors.h"
#include "runtime/seam.h"

// Until message boxes exist the error box's text goes to standard error,
// after the status number, so that a run that fails still tells the user why.
Status ErrShow(Status code) {
  if (code > 121) {
    const StrAreaScope scope;
    StrValue text = ErrText(code);
    host::StdErrWrite("Error " + std::to_string(code) + ": " + std::string(text.View()) + "\n");
  }
  return code;
}

int MsgBox(StrValue, StrValue, int) { return SeamMissing("MsgBox"); }
int MsgAsk(StrValue) {
  SeamMissing("MsgAsk");
  return 0;  // no answer: the safe choice is "no"
}
