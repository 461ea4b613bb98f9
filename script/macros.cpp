#include "script/macros.h"

#include "runtime/seam.h"
#include "runtime/strutil.h"

// Until macros are built a text without "[" needs no expansion and passes
// unchanged; one with a macro cannot be expanded.
StrValue MacroExpand(StrValue text, int /*flags*/) {
  if (text.IsError() || StrFindChar(text, '[', 1) == 65535) return text;
  return StrErr(SeamMissing("MacroExpand"));
}
