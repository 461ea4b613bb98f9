#include "screens/msgbox.h"

#include <cstdio>

#include "runtime/errors.h"
#include "runtime/seam.h"

// Until message boxes exist the error goes to standard error, so that a run
// that fails at start still tells the user why.
Status ErrShow(Status code) {
  if (code > 121) {
    uint32_t rec = ErrGet();
    std::fprintf(stderr, "Error %u (module %u): %.*s\n", static_cast<unsigned>(code),
                 static_cast<unsigned>(rec >> 16), static_cast<int>(ErrDetail().len),
                 ErrDetail().ptr ? ErrDetail().ptr : "");
  }
  return code;
}

int MsgBox(StrValue, StrValue, int) { return SeamMissing("MsgBox"); }
int MsgAsk(StrValue) {
  SeamMissing("MsgAsk");
  return 0;  // no answer: the safe choice is "no"
}
