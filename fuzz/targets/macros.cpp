// The macro expander: the input's first byte picks the flags, the rest is a
// text and, after a line "@@@@", a NAME:value list the segments may name.
#include "fuzz/harness.h"
#include "script/evaluator.h"
#include "script/macros.h"

KX_FUZZ_TARGET(macros) {
  if (size < 1) return 0;
  FuzzSession session;
  if (!session.ok()) return 0;
  const int flags = (data[0] & 0x7f) | ((data[0] & 0x80) ? kMacroRescan | kMacroEscapes : 0);
  std::vector<std::string> part = FuzzSplit(FuzzText(data + 1, size - 1), 2);
  const StrAreaScope scope;
  ExpExecText(StrFromC("n=7,s$='Text',z$='[n+1]'"));
  StrValue text = FuzzStr(part[0]);
  MacroExpand(text, flags);
  MacroExpandWith(text, FuzzStr(part[1]));
  MacroDollarSubst(text, FuzzStr(part[1]));
  return 0;
}
