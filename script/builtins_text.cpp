// The text built-ins, CHK#/CHK$, EXP$, MACRO$, ENVRON$ and SQLCHILD.
//
// Every position, count and length is clamped into the text or refused:
// nothing reads past a text, and a result over 65535 bytes is 159.
#include <algorithm>
#include <string>

#include "runtime/dynstrings.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/builtins_int.h"
#include "script/macros.h"

namespace {

StrValue Empty() { return StrMake("", 0); }

bool SameWord(StrValue s, const char* word) {
  std::string_view v = s.View(), w = word;
  if (v.size() != w.size()) return false;
  for (size_t i = 0; i < v.size(); ++i) {
    char c = v[i] >= 'a' && v[i] <= 'z' ? static_cast<char>(v[i] - 32) : v[i];
    if (c != w[i]) return false;
  }
  return true;
}

// A character code argument: 0-255, else 147.
Status ArgCharCode(uint16_t n, int32_t def, char* out) {
  int32_t code = 0;
  if (Status s = BuiltinArgLong(n, def, &code)) return s;
  if (code < 0 || code > 255) return st::SINTAXERROR;
  *out = static_cast<char>(code);
  return 0;
}

// The condition of CHK#/CHK$, already on the stack: an absent condition is
// true (as an empty condition text), a number when not zero, a string never.
bool ConditionTrue() {
  if (BuiltinArgAbsent(1)) return true;
  FixedNum v = 0;
  return BuiltinArgNum(1, 0, &v) == 0 && v != 0;
}


}  // namespace

Status BiStrLen(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 1)) return s;
  StrValue text = BuiltinArgStr(1, Empty());
  if (Status e = StrError(text)) return e;
  return BuiltinResultInt(text.len);
}

// 1 argument: the item count; 2: the position of item; 3: the item of list2
// at that position, or with a number third argument the first "a-b" range
// of list holding the item's integer value.
Status BiParmNum(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 3)) return s;
  StrValue list = BuiltinArgStr(1, Empty());
  if (Status e = StrError(list)) return e;
  if (BuiltinArgTotal() == 1) return BuiltinResultInt(StrListCount(list, ','));
  StrValue list2 = Empty();
  bool ranges = false;
  if (!BuiltinArgAbsent(3)) {
    FixedNum unused = 0;
    ranges = BuiltinArgNum(3, 0, &unused) == 0;
    if (!ranges) list2 = BuiltinArgStr(3, Empty());
  }
  if (ranges) {
    FixedNum v = 0;
    StrValue item = BuiltinArgAsText(2, Empty());
    if (BuiltinArgNum(2, 0, &v) != 0) v = Int64ToNum(StrToLong(item));
    return BuiltinResultInt(StrRangeListFind(BuiltinNumToInteger(v), list));
  }
  StrValue item = BuiltinArgAsText(2, Empty());
  if (Status e = StrError(item)) return e;
  uint32_t pos = StrListFind(list, ',', item);
  if (BuiltinArgAbsent(3)) return BuiltinResultInt(pos);
  return BuiltinResultNum(StrToNum(StrListItem(list2, ',', pos)));
}

// CHK# and CHK$: only the chosen branch is evaluated; a branch of the other
// type leaves its value with 125 "Type Warning".
Status BiChk(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(2, 3)) return s;
  bool wantStr = BuiltinCurrentCode() == kBiChkStr;
  StrValue branch = BuiltinArgText(ConditionTrue() ? 2 : 3);
  if (branch.len == 0) return wantStr ? BuiltinResultStr(Empty()) : BuiltinResultNum(0);
  uint16_t kind = kArgKindNum;
  if (Status s = BuiltinEvalText(branch, &kind)) return s;
  return (kind == kArgKindStr) != wantStr ? st::TYPEWARNING : 0;
}

Status BiChng(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(2, 4)) return s;
  StrValue text = BuiltinArgStr(1, Empty());
  StrValue mode = BuiltinArgStr(2, Empty());
  StrValue third = BuiltinArgStr(3, Empty());
  int16_t plain = 0;
  for (StrValue v : {text, mode, third})
    if (Status e = StrError(v)) return e;
  if (mode.View() == "UCASE") return BuiltinResultStr(StrCaseCopy(text, 1));
  if (mode.View() == "LCASE") return BuiltinResultStr(StrCaseCopy(text, 0));
  if (mode.View() == "CLEAN") return BuiltinResultStr(StrCollapseRuns(text, ' ', kSearchPlain));
  if (mode.View() == "FILTER") {
    if (BuiltinArgTotal() < 4) return BuiltinResultStr(StrKeepChars(text, third));
    StrValue chars = BuiltinArgStr(4, Empty());
    return BuiltinResultStr(StrCodesToChars(text, third, chars));
  }
  if (Status s = BuiltinArgInt(4, 0, &plain)) return s;
  return BuiltinResultStr(StrReplaceAll(text, mode, third, plain ? kSearchPlain : kSearchQuoted));
}

Status BiChrs(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 2)) return s;
  int32_t count = 1;
  if (Status s = BuiltinArgLong(2, 1, &count)) return s;
  StrValue unit = BuiltinArgStr(1, Empty());
  char code = 0;
  if (StrError(unit) == st::TYPEMISMATCH) {
    if (Status s = ArgCharCode(1, 0, &code)) return s;
    unit = StrMake(&code, 1);
  }
  if (Status e = StrError(unit)) return e;
  if (count <= 0 || unit.len == 0) return BuiltinResultStr(Empty());
  if (static_cast<uint64_t>(unit.len) * static_cast<uint32_t>(count) > kStrMaxLen) return st::STROUTBOUND;
  return BuiltinResultStr(StrRepeat(unit, static_cast<uint32_t>(count)));
}

// Start 1-based (0 counts as 1), a negative start counts from the end;
// a negative length gives the empty text.
Status BiMids(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(2, 3)) return s;
  StrValue text = BuiltinArgStr(1, Empty());
  if (Status e = StrError(text)) return e;
  int32_t start = 1, length = 0;
  if (Status s = BuiltinArgLong(2, 1, &start)) return s;
  if (Status s = BuiltinArgLong(3, INT32_MAX, &length)) return s;
  int64_t size = text.len;
  int64_t from = start < 0 ? std::max<int64_t>(size + start, 0) : std::max<int64_t>(start, 1) - 1;
  if (from >= size || length <= 0) return BuiltinResultStr(Empty());
  int64_t take = std::min<int64_t>(length, size - from);
  return BuiltinResultStr(StrMake(text.ptr + from, static_cast<uint32_t>(take)));
}

Status BiParmStr(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 3)) return s;
  StrValue text = BuiltinArgStr(1, Empty());
  if (Status e = StrError(text)) return e;
  int32_t item = 1;
  char sep = ',';
  if (Status s = BuiltinArgLong(2, 1, &item)) return s;
  if (Status s = ArgCharCode(3, ',', &sep)) return s;
  if (item <= 0) return BuiltinResultStr(Empty());
  return BuiltinResultStr(StrListItem(text, sep, static_cast<uint32_t>(item)));
}

Status BiTrim(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 2)) return s;
  StrValue text = BuiltinArgAsText(1, Empty());
  StrValue mode = BuiltinArgStr(2, StrFromC("BOTHTRIM"));
  if (Status e = StrError(text)) return e;
  if (Status e = StrError(mode)) return e;
  if (SameWord(mode, "LEFTTRIM")) return BuiltinResultStr(StrTrim(text, 1));
  if (SameWord(mode, "RIGHTRIM")) return BuiltinResultStr(StrTrim(text, 2));
  if (SameWord(mode, "BOTHTRIM")) return BuiltinResultStr(StrTrim(text, 3));
  if (SameWord(mode, "FIT")) return BuiltinResultStr(StrTokenNorm(text));
  return st::SINTAXERROR;
}

Status BiEnvelop(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 2)) return s;
  StrValue text = BuiltinArgStr(1, Empty());
  if (Status e = StrError(text)) return e;
  char c = '\'';
  if (Status s = ArgCharCode(2, '\'', &c)) return s;
  return BuiltinResultStr(StrEnclose(text, c));
}

// Flags bit 4: the [name] segments come from the NAME:value list; bit 8: the
// expanded text, trimmed, is evaluated and its value given as a string.
Status BiMacro(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 3)) return s;
  StrValue text = BuiltinArgStr(1, Empty());
  StrValue list = BuiltinArgStr(3, Empty());
  int32_t flags = 0;
  if (Status s = BuiltinArgLong(2, 0, &flags)) return s;
  StrValue out = (flags & 4) ? MacroExpandWith(text, list) : MacroExpand(text, flags);
  if (Status e = StrError(out)) return e;
  if (!(flags & 8)) return BuiltinResultStr(out);
  uint16_t kind = kArgKindStr;
  if (Status s = BuiltinEvalText(StrTrim(out, 3), &kind)) return s;
  return kind == kArgKindStr ? 0 : BuiltinResultStr(BuiltinNumText(NumFromBytes(StrAreaTop())));
}

// n 0 or 1: the value of NAME in that settings item (1 the command line, so
// ENVRON$(name) reads an option); n above 1: the settings item itself.
Status BiEnvron(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 2)) return s;
  StrValue name = BuiltinArgStr(1, Empty());
  if (Status e = StrError(name)) return e;
  int32_t n = 1;
  if (Status s = BuiltinArgLong(2, 1, &n)) return s;
  if (n < 0) return st::SINTAXERROR;
  StrValue item = DynStrGet(SettingsList, static_cast<uint32_t>(n));
  if (n > 1) return BuiltinResultStr(item);
  Status s = StrKeyValuePush(item, name);
  return s == kNotFound ? BuiltinResultStr(Empty()) : s;
}

// The template with $1_, $2_, ... replaced by the raw texts of the following
// arguments; the result is not evaluated.
Status BiExp(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, kBuiltinMaxArgs)) return s;
  StrValue templ = BuiltinArgStr(1, Empty());
  if (Status e = StrError(templ)) return e;
  std::string out(templ.View());
  for (uint16_t k = 2; k <= BuiltinArgTotal(); ++k) {
    std::string mark(1, '$');
    mark.append(std::to_string(k - 1)).append(1, '_');
    std::string_view raw = BuiltinArgText(k).View();
    for (size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at + raw.size())) {
      out.replace(at, mark.size(), raw);
      if (out.size() > kStrMaxLen) return st::STROUTBOUND;
    }
  }
  return BuiltinResultStr(StrFromView(out));
}

// Every argument was evaluated by the dispatcher inside the nesting scope.
Status BiSqlChild(const uint16_t*, uint16_t) { return BuiltinResultNum(0); }
