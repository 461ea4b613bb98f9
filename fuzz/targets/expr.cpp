// The expression evaluator on arbitrary text, over a small set of variables
// of every kind (an integer, a number, a string, an array, a date text).
#include "fuzz/harness.h"
#include "runtime/strvalue.h"
#include "script/arrays.h"
#include "script/evaluator.h"

KX_FUZZ_TARGET(expr) {
  FuzzSession session;
  if (!session.ok()) return 0;
  const StrAreaScope scope;
  const int32_t five = 5;
  ArrDim(StrFromC("a#("), 1, &five, StrFromC(""));
  ArrDim(StrFromC("t$("), 1, &five, StrFromC(""));
  ExpExecText(StrFromC("n=7,x#=1234.56,s$='Text',d$='20240615',a#(2)=3,t$(1)='ab'"));
  ExpExecText(FuzzStr(FuzzText(data, size)));
  return 0;
}
