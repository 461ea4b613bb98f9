#include "screens/msgbox.h"

#include <cstdio>

#include "runtime/errors.h"
#include "runtime/seam.h"

// Until message boxes exist the error box's text goes to standard error,
// after the status number, so that a run that fails still tells the user why.
Status ErrShow(Status code) {
  if (code > 121) {
    uint16_t m = StrAreaMark(-1);
    StrValue text = ErrText(code);
    std::fprintf(stderr, "Error %u: %.*s\n", static_cast<unsigned>(code), static_cast<int>(text.len),
                 text.ptr ? text.ptr : "");
    StrAreaMark(m);
  }
  return code;
}

int MsgBox(StrValue, StrValue, int) { return SeamMissing("MsgBox"); }
int MsgAsk(StrValue) {
  SeamMissing("MsgAsk");
  return 0;  // no answer: the safe choice is "no"
}
