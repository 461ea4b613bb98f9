#include "script/macros.h"

#include <string>

#include "platform/host/env.h"
#include "runtime/fixednum.h"
#include "runtime/options.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/builtins_int.h"

namespace {

struct Segment {
  size_t open = 0;   // position of "["
  size_t close = 0;  // position of "]"
};

// The innermost segment at or after `from`: the first "]" that has a "["
// before it (a stray "]" is skipped) and the last "[" before that "]".
// Without plain, quoted parts are skipped; an unclosed quote hides the rest.
bool FindSegment(const std::string& t, size_t from, bool plain, Segment* seg) {
  size_t open = std::string::npos;
  for (size_t i = from; i < t.size(); ++i) {
    char c = t[i];
    if (!plain && (c == '\'' || c == '"')) {
      size_t end = t.find(c, i + 1);
      if (end == std::string::npos) return false;
      i = end;
    } else if (c == '[') {
      open = i;
    } else if (c == ']' && open != std::string::npos) {
      *seg = Segment{open, i};
      return true;
    }
  }
  return false;
}

// The value of a name from the NAME:value list, the command-line options or
// the environment; empty when none has it.
std::string LookupName(StrValue name, StrValue list) {
  StrValue v = StrKeyGet(list, name, kKeyUnquoted);
  if (!v.IsError() && v.len) return v.Str();
  v = OptLookup(name);
  if (!v.IsError() && v.len) return v.Str();
  return HostEnvGet(name.View());
}

// The segment text evaluated: a number with _PRECIS decimals, a string as it
// is. An empty number value is "0" unless kMacroEmptyNum.
Status EvaluateSegment(StrValue seg, int flags, std::string* out) {
  std::string emptyNum = (flags & kMacroEmptyNum) ? "" : "0";
  if (seg.len == 0) {
    *out = emptyNum;
    return 0;
  }
  const StrAreaScope scope;
  uint16_t kind = kArgKindNum;
  Status s = BuiltinEvalText(seg, &kind);
  if (s >= 128 || s == st::USERCANCELED) return s;
  StrValue top = StrAreaTop();
  if (kind == kArgKindStr)
    *out = top.Str();
  else
    *out = top.len == 0 ? emptyNum : BuiltinNumText(NumFromBytes(top)).Str();
  return 0;
}

Status SegmentValue(StrValue seg, int flags, StrValue list, std::string* out) {
  out->clear();
  if (flags & kMacroLookup) *out = LookupName(seg, list);
  if (out->empty()) {
    if (seg.len && seg.ptr[seg.len - 1] == '%')
      *out = seg.Str();
    else if (Status s = EvaluateSegment(seg, flags, out))
      return s;
  }
  const StrAreaScope scope;
  StrValue v = StrMake(out->data(), static_cast<uint32_t>(out->size()));
  if (!(flags & kMacroNoTrim)) v = StrTrim(v, 3);
  if (flags & kMacroQuote) v = StrQuote(v, (flags & kMacroDouble) ? '"' : '\'');
  Status e = StrError(v);
  if (e == 0) *out = v.Str();
  return e;
}

void ApplyEscapes(std::string& t) {
  for (size_t at = 0; (at = t.find('\\', at)) != std::string::npos; ++at) {
    if (at + 1 >= t.size() || (t[at + 1] != '{' && t[at + 1] != '}')) continue;
    t.replace(at, 2, 1, t[at + 1] == '{' ? '[' : ']');
  }
}

Status Expand(std::string& t, int flags, StrValue list) {
  size_t pos = 0;
  uint32_t replacements = 0;
  Segment seg;
  while (FindSegment(t, pos, flags & kMacroPlain, &seg)) {
    std::string inner = t.substr(seg.open + 1, seg.close - seg.open - 1);
    std::string value;
    if (Status s = SegmentValue(StrMake(inner.data(), static_cast<uint32_t>(inner.size())), flags, list, &value))
      return s;
    t.replace(seg.open, seg.close - seg.open + 1, value);
    if (t.size() > kStrMaxLen) return st::STROUTBOUND;
    if (!(flags & kMacroRescan))
      pos = seg.open + value.size();
    else if (++replacements > kMacroMaxRescans)
      return st::LOOPFAILURE;
  }
  if (flags & kMacroEscapes) ApplyEscapes(t);
  return 0;
}

StrValue ExpandText(StrValue text, int flags, StrValue list) {
  if (text.IsError()) return text;
  if (Status e = StrError(list)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  std::string t(text.View());
  std::string l(list.View());  // the list may be a view the evaluation changes
  Status s = Expand(t, flags, StrMake(l.data(), static_cast<uint32_t>(l.size())));
  StrAreaMark(mark);
  return s ? StrErr(s) : StrFromView(t);
}

}  // namespace

StrValue MacroExpand(StrValue text, int flags) { return ExpandText(text, flags, StrMake("", 0)); }

StrValue MacroExpandWith(StrValue text, StrValue list) { return ExpandText(text, kMacroWithFlags, list); }

StrValue MacroDollarSubst(StrValue text, StrValue value) {
  if (text.IsError()) return text;
  uint16_t mark = StrAreaMark(-1);
  StrValue out = StrReplaceAll(text, StrFromC("[$]"), value, kSearchPlain);
  if (out.IsError()) {
    StrAreaMark(mark);
    return text;
  }
  return StrAreaReturn(mark, out);
}
