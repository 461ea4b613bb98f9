#include "script/evaluator.h"

#include "runtime/strutil.h"
#include "script/evalint.h"
#include "script/expcache.h"
#include "script/expfiles.h"
#include "script/scanner.h"
#include "script/variables.h"

Status ExpExecText(StrValue text) { return ExpExecCached(text, false); }

Status ExpExecLines(StrValue text) { return ExpExecCached(text, true); }

Status ExpEvalCond(StrValue text) {
  if (text.IsError()) return StrError(text);
  if (text.len == 0) return 1;
  const StrAreaScope scope;
  Status s = ExpExecText(text);
  return ExpCondOf(s, s == 0 ? NumFromBytes(StrAreaTop()) : 0);
}

FixedNum ExpEvalNum(StrValue text) {
  const StrAreaScope scope;
  Status s = ExpExecText(text);
  FixedNum v = 0;
  if (!ExpHard(s)) v = s == 1 ? StrToNum(StrAreaTop()) : NumFromBytes(StrAreaTop());
  return v;
}

int16_t ExpEvalInt(StrValue text) { return VarNumToInt(ExpEvalNum(text)); }

StrValue ExpEvalStr(StrValue text) {
  uint16_t m = StrAreaMark(-1);
  Status s = ExpExecText(text);
  if (ExpHard(s)) return StrErr(s);
  StrValue top = StrAreaTop();
  return StrAreaReturn(m, s == 1 ? top : NumToStr(NumFromBytes(top)));
}

Status ExpEvalStatus(StrValue text) {
  const StrAreaScope scope;
  Status s = ExpExecText(text);
  return s >= st::TYPEMISMATCH ? s : 0;
}

StrValue ExpEvalIfExpr(StrValue text) {
  // Texts that do not scan as expressions (titles with blanks) are plain.
  return ExpClassify(text) == 1 ? ExpEvalStr(text) : text;
}

Status ExpPushNum(FixedNum v) { return StrError(NumBytes(v)); }
Status ExpPushInt(int16_t v) { return ExpPushNum(IntToNum(v)); }
Status ExpPushInt64(int64_t v) { return ExpPushNum(Int64ToNum(v)); }
Status ExpPushNumText(StrValue text) {
  if (Status e = StrError(text)) return e;
  return ExpPushNum(StrToNum(text));
}
