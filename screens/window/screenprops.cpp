#include "screens/window/screenprops.h"

#include <cstring>
#include <string>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/evaluator.h"
#include "script/macros.h"
#include "script/objparams.h"
#include "screens/window/screendef.h"

namespace {

StrValue Empty() { return StrMake("", 0); }

bool HasChar(StrValue s, char c) { return s.len && std::memchr(s.ptr, c, s.len) != nullptr; }

// The raw value of a name in the text, or false when the text lacks it.
bool RawValue(StrValue text, StrValue name, StrValue* out) {
  uint32_t hit = StrKeyLocate(text, name, 0);
  if (hit == kNotFound || name.len == 0) return false;
  *out = StrValue{text.ptr + (hit & 0xffff), static_cast<uint16_t>(hit >> 16)};
  return true;
}

// A missing property reads the script variable of its name ("%" dropped);
// names with "(" read empty.
StrValue VariableFallback(StrValue base) {
  if (base.len == 0 || HasChar(base, '(')) return Empty();
  std::string name(base.View());
  std::erase(name, '%');
  return ExpEvalStr(StrFromView(name));
}

// Position of the first "," or ";" outside quotes and parentheses; the
// text's length when there is none.
uint32_t FirstSeparator(StrValue text) {
  int depth = 0;
  for (uint32_t i = 0; i < text.len; ++i) {
    char c = text.ptr[i];
    if (c == '\'' || c == '"') {
      const void* close = std::memchr(text.ptr + i + 1, c, text.len - i - 1);
      if (!close) return text.len;
      i = static_cast<uint32_t>(static_cast<const char*>(close) - text.ptr);
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth) --depth;
    } else if ((c == ',' || c == ';') && depth == 0) {
      return i;
    }
  }
  return text.len;
}

// The detail of a failed condition: the text after the condition as a
// string, with its [expressions] expanded; the text itself when it cannot be
// evaluated.
StrValue FailDetail(StrValue rest) {
  if (rest.len == 0) return Empty();
  StrValue value = ExpEvalIfExpr(rest);
  if (value.IsError()) {
    ErrClear();
    value = rest;
  }
  StrValue expanded = MacroExpand(value, 0);
  if (expanded.IsError()) {
    ErrClear();
    return value;
  }
  return expanded;
}

}  // namespace

StrValue ScreenAttrFind(int n, int m, StrValue text) {
  if (Status e = StrError(text)) return StrErr(e);
  uint16_t mark = StrAreaMark(-1);
  StrValue name = ParmName(n);
  StrValue base = ParmNameBase(n);
  StrValue raw;
  bool found = RawValue(text, name, &raw) || (name.len != base.len && RawValue(text, base, &raw));
  StrValue value;
  if (found)
    value = HasChar(base, '%') ? raw : StrUnquote(raw);
  else
    value = VariableFallback(base);
  if (!value.IsError() && m != 0 && m != -1) value = StrListItem(value, ',', static_cast<uint32_t>(m));
  return StrAreaReturn(mark, value);
}

StrValue ScreenProp(int n, int m) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s) return Empty();
  return ScreenAttrFind(n, m, StrValue{s->text, s->textLen});
}

StrValue ScreenPropExpand(int n, int m) {
  uint16_t mark = StrAreaMark(-1);
  return StrAreaReturn(mark, MacroExpand(ScreenProp(n, m), 0));
}

Status ScreenPropCond(int n, int m) {
  const StrAreaScope scope;
  StrValue text = ScreenProp(n, m);
  return text.IsError() ? StrError(text) : CondCheck(text);
}

StrValue ScreenDefLookup(StrValue name) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s) return Empty();
  return StrKeyGet(StrValue{s->text, s->textLen}, name, kKeyUnquoted);
}

StrValue ScreenDefAttrText(int n, int m) { return ScreenAttrFind(n, m, DynStrTop(ObjParamsList)); }

int16_t ScreenDefAttrNum(int n, int m) {
  const StrAreaScope scope;
  StrValue text = ScreenDefAttrText(n, m);
  return text.IsError() || text.len == 0 ? 0 : ExpEvalInt(text);
}

StrValue SpecItem(StrValue spec, int n) {
  if (Status e = StrError(spec)) return StrErr(e);
  if (n > 0) return StrTokenNorm(StrListItem(spec, ';', static_cast<uint32_t>(n)));
  uint32_t count = StrListCount(spec, ';');
  if (count == 0) return Empty();
  uint32_t span = StrListSpan(spec, ';', count);
  StrValue last{spec.ptr + (span & 0xffff), static_cast<uint16_t>(span >> 16)};
  StrValue trimmed = StrTrim(last, 3);
  bool quoted = trimmed.len && (trimmed.ptr[0] == '\'' || trimmed.ptr[0] == '"');
  if (n == -1) return quoted ? Empty() : trimmed;
  if (quoted) return spec;
  // The spec up to the separator before its last item.
  uint32_t off = span & 0xffff;
  return StrValue{spec.ptr, static_cast<uint16_t>(off ? off - 1 : 0)};
}

Status CondCheck(StrValue text) {
  if (Status e = StrError(text)) return e;
  const StrAreaScope scope;
  uint32_t sep = FirstSeparator(text);
  StrValue cond{text.ptr, static_cast<uint16_t>(sep)};
  Status truth = ExpEvalCond(cond);
  if (truth == 1) return 0;
  if (truth >= st::USERCANCELED) return truth;
  StrValue rest = sep < text.len ? StrValue{text.ptr + sep + 1, static_cast<uint16_t>(text.len - sep - 1)} : Empty();
  ErrDetailSet(st::BADUSERDATA, FailDetail(rest), false);
  return st::BADUSERDATA;
}

StrValue ScreenKeyText(int n) {
  if (n < 1 || n > 3) return Empty();
  uint16_t mark = StrAreaMark(-1);
  StrValue list = ScreenProp(kPropIk1 - 1 + n, 0);
  if (list.IsError()) return StrAreaReturn(mark, list);
  std::string out;
  StrListIter it(list, ',');
  for (StrValue item; it.Next(&item);) {
    if (StrTrim(item, 3).len == 0) continue;
    StrValue v = ExpEvalStr(item);
    if (v.IsError()) return StrAreaReturn(mark, v);
    out.append(v.View());
    if (out.size() > kStrMaxLen) return StrAreaReturn(mark, StrErr(st::STRINGTOOLONG));
  }
  return StrAreaReturn(mark, StrFromView(out));
}
