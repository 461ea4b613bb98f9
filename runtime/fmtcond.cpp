// Condition texts of selections (contract in format.h).
#include <algorithm>
#include <string>
#include <string_view>

#include "runtime/format.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"

namespace {

constexpr const char* kCompareOps = "==,>,>=,<,<=,<>";
constexpr std::string_view kDefaultFormat = "%s%s'%s'";
constexpr std::string_view kAlwaysTrue = "1&&";
constexpr uint32_t kCondRoom = 384;

std::string Quoted(std::string_view part, bool hasSingle) {
  char q = hasSingle ? '"' : '\'';
  return q + std::string(part) + q;
}

// The value as a literal of the expression language: in quotes it does not
// hold, or, holding both kinds, as quoted parts joined by "+".
std::string Literal(std::string_view v) {
  std::string out;
  size_t start = 0;
  bool single = false, dbl = false;
  for (size_t i = 0; i < v.size(); ++i) {
    bool isSingle = v[i] == '\'', isDouble = v[i] == '"';
    if ((isSingle && dbl) || (isDouble && single)) {
      out += Quoted(v.substr(start, i - start), single) + "+";
      start = i;
      single = dbl = false;
    }
    single = single || isSingle;
    dbl = dbl || isDouble;
  }
  return out + Quoted(v.substr(start), single);
}

bool StartsAlwaysTrue(StrValue c) { return !c.IsError() && c.View().starts_with(kAlwaysTrue); }

StrValue OrDefault(StrValue s, const char* def) { return s.len == 0 ? StrFromC(def) : s; }

}  // namespace

StrValue FmtCompareExpr(StrValue field, int op, StrValue value, StrValue format) {
  for (StrValue s : {field, value, format}) {
    if (Status e = StrError(s)) return StrErr(e);
  }
  if (value.len == 0) return StrFromView("");
  uint16_t mark = StrAreaMark(-1);
  StrValue opText = StrListItem(StrFromC(kCompareOps), ',', static_cast<uint32_t>(std::clamp(op, 1, 6)));
  if (format.len != 0 && format.View() != kDefaultFormat) {
    return StrAreaReturn(mark, StrFormat(value.len + kCondRoom, format, field, opText, value));
  }
  std::string lit = Literal(value.View());
  uint32_t bound = static_cast<uint32_t>(lit.size()) + kCondRoom;
  // An equality stays "==": a "*" in the value is the evaluator's pattern
  // test, so a search for AB* finds every value beginning with AB.
  return StrAreaReturn(mark, StrFormat(bound, StrFromC("%s%s%s"), field, opText, lit));
}

StrValue FmtCompareExact(StrValue field, StrValue value) {
  for (StrValue s : {field, value}) {
    if (Status e = StrError(s)) return StrErr(e);
  }
  if (value.View().find('*') == std::string_view::npos) return FmtCompareExpr(field, 1, value, StrMake("", 0));
  uint16_t mark = StrAreaMark(-1);
  std::string lit = Literal(value.View());
  uint32_t bound = 2 * (static_cast<uint32_t>(lit.size()) + kCondRoom);
  // "==" would read the "*" as a pattern: equality is "neither smaller nor
  // greater".
  return StrAreaReturn(mark, StrFormat(bound, StrFromC("(%s>=%s&&%s<=%s)"), field, lit, field, lit));
}

StrValue FmtCondAppend(StrValue field, int op, StrValue value, StrValue condition, StrValue joiner,
                       StrValue format) {
  if (Status e = StrError(condition)) return StrErr(e);
  if (Status e = StrError(joiner)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  StrValue cmp = FmtCompareExpr(field, op, value, format);
  if (cmp.IsError() || cmp.len == 0) return StrAreaReturn(mark, cmp.IsError() ? cmp : condition);
  if (condition.len == 0) return StrAreaReturn(mark, cmp);
  return StrAreaReturn(mark, StrCat(StrCat(condition, OrDefault(joiner, "&&")), cmp));
}

StrValue FmtCondJoin(StrValue a, StrValue b, StrValue op) {
  for (StrValue s : {a, b, op}) {
    if (Status e = StrError(s)) return StrErr(e);
  }
  if (StartsAlwaysTrue(a)) return StrDup(FmtCondStrip(a));
  if (StartsAlwaysTrue(b)) return StrDup(FmtCondStrip(b));
  if (a.len == 0) return StrDup(b);
  if (b.len == 0) return StrDup(a);
  return StrFormat(static_cast<uint32_t>(a.len) + b.len + op.len + 6, StrFromC("(%s)%s(%s)"), a,
                   OrDefault(op, "&&"), b);
}

StrValue FmtCondStrip(StrValue condition) {
  if (!StartsAlwaysTrue(condition)) return condition;
  return StrMid(condition, static_cast<int32_t>(kAlwaysTrue.size()), 65535);
}
