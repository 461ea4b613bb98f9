#include "script/evaluator.h"

#include <cstring>
#include <string_view>

#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/arrays.h"
#include "script/builtins.h"
#include "script/expfiles.h"
#include "script/fieldaccess.h"
#include "script/scanner.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

// A value while an expression is evaluated. Strings live in the string area
// above the expression's mark or are views into the expression text.
struct Val {
  bool str = false;
  FixedNum num = 0;
  StrValue s;
  bool numField = false;  // read straight from a numeric field reference
  bool target = false;    // a term before "=": not read, it may be assigned
  ExpToken tok;           // that term
};

struct Ctx {
  int precis = 2;
  int64_t pow = 100;      // 10^precis
  int depth = 0;
  Status soft = 0;        // the last soft status of a term
  StrValue failRest;      // the rest of the text from the failing expression
  bool failRestSet = false;

  void Precis() {
    precis = NumPrecis();
    pow = Pow10(precis);
  }
};

bool Hard(Status s) { return s >= st::TYPEMISMATCH || s == st::USERCANCELED; }

Val Number(FixedNum v) {
  Val r;
  r.num = v;
  return r;
}

Val String(StrValue s) {
  Val r;
  r.str = true;
  r.s = s;
  return r;
}

// Appends a text to the error detail unless the detail already ends with it.
void DetailAppend(StrValue text) {
  std::string_view d = ErrDetail().View();
  std::string_view t = text.View();
  if (t.empty() || (d.size() >= t.size() && d.substr(d.size() - t.size()) == t)) return;
  ErrDetailSet(0, text, true);
}

Status Fail(Status code, StrValue detail) {
  ErrSet(1, MOD_EXPEXEC, code, code);
  DetailAppend(detail);
  return code;
}

// --- Numbers -----------------------------------------------------------------

using I128 = __int128;

I128 DivRound(I128 n, I128 d) {
  I128 q = n / d, r = n % d;
  if (r < 0) r = -r;
  I128 ad = d < 0 ? -d : d;
  if (2 * r >= ad) q += ((n < 0) != (d < 0)) ? -1 : 1;
  return q;
}

bool Fits(I128 v) { return v >= INT64_MIN && v <= INT64_MAX; }

constexpr struct {
  const char* name;
  int16_t value;
} kConstants[] = {
    {"envron", 0},   {"lang", 0},     {"cmdline", 1},   {"apname", 2},     {"apdesc", 3},
    {"langmodule", 4}, {"docpath", 5}, {"docroot", 5},  {"helppath", 7},   {"next", 16},
    {"noprint", 8192}, {"funclist", 8}, {"butlabels", 9}, {"maskparms", 10}, {"datem", 100},
    {"datey", 10000}, {"envvar", 9},  {"maincond", 1},  {"pdfhead", 3},    {"dialog", 7},
    {"previous", 20}, {"iscgi", 16384}, {"aux", 31},    {"scrbuf", 32},    {"fsel", 33},
    {"wret", 34},    {"fnparm", 35},  {"usrfil", 36},   {"fileln", 37},    {"usrfif", 38},
    {"top", 36},     {"bottom", 32}};

// A number literal (digits with at most one point) scaled to the precision,
// surplus decimals rounded half away from zero.
Status ParseNumber(const Ctx& c, std::string_view t, FixedNum* out) {
  I128 v = 0;
  int decimals = -1, digits = 0, surplus = 0;
  bool roundUp = false;
  for (char ch : t) {
    if (ch == '.' && decimals < 0) {
      decimals = 0;
      continue;
    }
    if (ch < '0' || ch > '9') return st::SINTAXERROR;
    ++digits;
    if (decimals >= 0 && decimals >= c.precis) {
      if (surplus++ == 0) roundUp = ch >= '5';
      continue;
    }
    v = v * 10 + (ch - '0');
    if (decimals >= 0) ++decimals;
    if (v > INT64_MAX) return st::DATAOUTBOUND;
  }
  if (digits == 0) return st::SINTAXERROR;
  for (int k = decimals < 0 ? 0 : decimals; k < c.precis; ++k) v *= 10;
  if (roundUp) ++v;
  if (v > INT64_MAX) return st::DATAOUTBOUND;
  *out = static_cast<FixedNum>(v);
  return 0;
}

Status ConstantOrNumber(const Ctx& c, StrValue term, Val& out) {
  std::string_view t = term.View();
  if (t.size() >= 2 && t[0] == '.' && static_cast<unsigned char>(t[1]) >= 'A') {
    for (const auto& k : kConstants)
      if (t.size() - 1 == std::strlen(k.name) && ExpSameNoCase(t.data() + 1, k.name, t.size() - 1)) {
        out = Number(static_cast<FixedNum>(k.value) * c.pow);
        return 0;
      }
    return st::SINTAXERROR;
  }
  FixedNum v = 0;
  Status s = ParseNumber(c, t, &v);
  if (s == 0) out = Number(v);
  return s;
}

// Integer part of a raw value.
int64_t IntPart(const Ctx& c, FixedNum v) { return v / c.pow; }

Status FromInt128(I128 v, FixedNum* out) {
  if (!Fits(v)) return st::DATAOUTBOUND;
  *out = static_cast<FixedNum>(v);
  return 0;
}

// a!n: the raw value of a re-scaled from the precision to n decimals.
Status Rescale(const Ctx& c, FixedNum a, FixedNum b, FixedNum* out) {
  int64_t shift = IntPart(c, b) - c.precis;
  if (shift >= 0) {
    if (a == 0) return *out = 0, 0;
    if (shift > 18) return st::DATAOUTBOUND;
    return FromInt128(static_cast<I128>(a) * Pow10(static_cast<int>(shift)), out);
  }
  if (shift < -18) return *out = 0, 0;
  *out = static_cast<FixedNum>(DivRound(a, Pow10(static_cast<int>(-shift))));
  return 0;
}

Status NumOp(const Ctx& c, uint16_t op, FixedNum a, FixedNum b, FixedNum* out) {
  const I128 p = c.pow;
  const int64_t x = IntPart(c, a), y = IntPart(c, b);
  FixedNum r = 0;
  auto flag = [&](bool v) { return *out = v ? c.pow : 0, Status{0}; };
  switch (op) {
    case kOpMul: return FromInt128(DivRound(static_cast<I128>(a) * b, p), out);
    case kOpDiv: return b == 0 ? (*out = 0, Status{0}) : FromInt128(DivRound(static_cast<I128>(a) * p, b), out);
    case kOpScale: return Rescale(c, a, b, out);
    case kOpPercent: return FromInt128(DivRound(static_cast<I128>(a) * b, p * 100), out);
    case kOpLessPercent: return FromInt128(a - DivRound(static_cast<I128>(a) * b, p * 100), out);
    case kOpAdd: return __builtin_add_overflow(a, b, &r) ? st::DATAOUTBOUND : (*out = r, Status{0});
    case kOpSub: return __builtin_sub_overflow(a, b, &r) ? st::DATAOUTBOUND : (*out = r, Status{0});
    case kOpGt: return flag(a > b);
    case kOpLt: return flag(a < b);
    case kOpEq: return flag(a == b);
    case kOpGe: return flag(a >= b);
    case kOpLe: return flag(a <= b);
    case kOpNe: return flag(a != b);
    case kOpAnd: return FromInt128(static_cast<I128>(x & y) * p, out);
    case kOpBar:
    case kOpAt: return FromInt128(static_cast<I128>((x & y) == 0 ? (x | y) : 0) * p, out);
    case kOpLogAnd: return flag(a != 0 && b != 0);
    case kOpLogOr: return flag(a != 0 || b != 0);
    case kOpDisjoint: return flag((x & y) == 0 && (x != 0 || y != 0));
    default: return st::SINTAXERROR;
  }
}

// --- Strings -----------------------------------------------------------------

// The pattern test of "==": 'abc*' a prefix, '*abc' (up to a second "*") a
// substring, both in any letter case.
bool PatternMatch(std::string_view text, std::string_view pat) {
  size_t star = pat.find('*');
  if (star == std::string_view::npos) return false;
  if (star > 0) return text.size() >= star && ExpSameNoCase(text.data(), pat.data(), star);
  std::string_view needle = pat.substr(1, pat.find('*', 1) == std::string_view::npos ? std::string_view::npos
                                                                                      : pat.find('*', 1) - 1);
  if (needle.size() > text.size()) return false;
  for (size_t i = 0; i + needle.size() <= text.size(); ++i)
    if (ExpSameNoCase(text.data() + i, needle.data(), needle.size())) return true;
  return false;
}

Status StrOp(const Ctx& c, uint16_t op, StrValue a, StrValue b, Val& out) {
  if (op == kOpAdd) {
    if (static_cast<uint32_t>(a.len) + b.len > kStrMaxLen) return st::STRINGTOOLONG;
    StrValue joined = StrCat(a, b);
    if (joined.IsError()) return StrError(joined);
    out = String(joined);
    return 0;
  }
  int cmp = StrCompare(a, b);
  bool r;
  switch (op) {
    case kOpGt: r = cmp > 0; break;
    case kOpLt: r = cmp < 0; break;
    case kOpGe: r = cmp >= 0; break;
    case kOpLe: r = cmp <= 0; break;
    case kOpNe: r = cmp != 0; break;
    case kOpEq:
      r = cmp == 0 || (!VarIntTestBits(kSysAuxStat, 128) && PatternMatch(a.View(), b.View()));
      break;
    default: return st::SINTAXERROR;
  }
  out = Number(r ? c.pow : 0);
  return 0;
}

// --- Terms -------------------------------------------------------------------

Status ExecRange(Ctx& c, StrValue text, bool skipEmpty, Val& out);

// A quoted literal without its quotes; an unclosed quote runs to the end.
Status Unquote(StrValue term, Val& out) {
  std::string_view t = term.View();
  char q = t[0];
  if (q != '\'' && q != '"') return st::SINTAXERROR;
  size_t close = t.find(q, 1);
  if (close != std::string_view::npos && close != t.size() - 1) return st::SINTAXERROR;
  size_t len = close == std::string_view::npos ? t.size() - 1 : t.size() - 2;
  out = String(StrMake(term.ptr + 1, static_cast<uint32_t>(len)));
  return 0;
}

// Reads the current result pushed above mark m as a value of the given type.
Status TakeResult(uint16_t m, bool str, Val& out) {
  if (StrAreaMark(-1) == m) {
    out = str ? String(StrMake("", 0)) : Number(0);
    return 0;
  }
  StrValue top = StrAreaTop();
  out = str ? String(top) : Number(NumFromBytes(top));
  if (!str) StrAreaMark(m);
  return 0;
}

// A value text (of a field or a hook) as a value of the term's type.
Val FromText(StrValue text, bool str) { return str ? String(text) : Number(StrToNum(text)); }

// The arguments of a call term, split at ";" outside quotes and parentheses,
// each evaluated.
Status EvalArgs(Ctx& c, StrValue args, Val* vals, int max, int* count) {
  *count = 0;
  const char* p = args.ptr;
  uint32_t n = args.len, start = 0, depth = 0;
  for (uint32_t i = 0; i <= n; ++i) {
    if (i < n && (p[i] == '\'' || p[i] == '"')) {
      const void* close = std::memchr(p + i + 1, p[i], n - i - 1);
      i = close ? static_cast<uint32_t>(static_cast<const char*>(close) - p) : n - 1;
      continue;
    }
    if (i < n && p[i] == '(') ++depth;
    if (i < n && p[i] == ')') --depth;
    if (i < n && (p[i] != ';' || depth)) continue;
    if (*count == max) return st::SINTAXERROR;
    if (i == start) return st::SINTAXERROR;
    Status s = ExecRange(c, StrMake(p + start, i - start), false, vals[*count]);
    if (Hard(s)) return s;
    ++*count;
    start = i + 1;
  }
  return 0;
}

// Array indexes: the trailing number arguments; one string before them is
// the pattern of a string array.
Status Indexes(const Val* args, int count, FixedNum* idx, int* nidx, StrValue* pattern) {
  int first = count;
  while (first > 0 && !args[first - 1].str) --first;
  if (first > 1) return st::SINTAXERROR;
  *pattern = first == 1 ? args[0].s : StrMake("", 0);
  *nidx = count - first;
  for (int k = first; k < count; ++k) idx[k - first] = args[k].num;
  return 0;
}

StrValue ArrayName(const ExpToken& t) { return StrMake(t.text.ptr + t.termStart, t.termLen - t.parenLen + 1u); }

// name(i;...) as an array element, or a "_" name that task hook 2 answers.
Status ArrayTerm(Ctx& c, const ExpToken& t, Val& out) {
  Val args[kArrMaxDims + 1];
  int count = 0;
  if (Status s = EvalArgs(c, t.CallArgs(), args, kArrMaxDims + 1, &count)) return s;
  bool str = (t.kind & kTermTypeMask) == kTermStr;
  StrValue name = t.CallName();
  NameHookFn hook = name.ptr[0] == '_' ? TaskHookGetAs<NameHookFn>(kHookArrayTerm) : nullptr;
  if (hook && count > 0 && !args[0].str) {
    StrValue answer = hook(name, static_cast<int>(IntPart(c, args[0].num)));
    if (!answer.IsError()) return out = FromText(answer, str), 0;
    if (StrError(answer) != st::BADINPUTDATA) return StrError(answer);
  }
  FixedNum idx[kArrMaxDims + 1];
  int nidx = 0;
  StrValue pattern;
  if (Status s = Indexes(args, count, idx, &nidx, &pattern)) return s;
  uint16_t m = StrAreaMark(-1);
  if (Status s = ArrElemRead(ArrayName(t), nidx, idx, pattern)) return StrAreaRelease(m, s);
  return TakeResult(m, str, out);
}

Status FieldTerm(const ExpToken& t, Val& out) {
  FieldRef ref = FieldAccessParse(t.Term());
  if (ref.status) return ref.status;
  StrValue text = FieldAccessRead(ref);
  if (text.IsError()) return StrError(text);
  out = FromText(text, t.kind == kTermFieldText);
  out.numField = t.kind == kTermField;
  return 0;
}

Status CallTerm(const ExpToken& t, Val& out) {
  uint16_t m = StrAreaMark(-1);
  Status s = BuiltinDispatch(t);
  if (Hard(s)) return StrAreaRelease(m, s);
  TakeResult(m, (t.kind & kTermTypeMask) == kTermStr, out);
  return s;
}

Status TermValue(Ctx& c, const ExpToken& t, Val& out) {
  if (t.kind & kTermParen) return ExecRange(c, t.CallArgs(), false, out);
  if (t.kind & kTermCall) return CallTerm(t, out);
  if (t.kind & kTermArray) return ArrayTerm(c, t, out);
  switch (t.kind) {
    case kTermField:
    case kTermFieldText: return FieldTerm(t, out);
    case kTermInt:
    case kTermNum:
    case kTermStr: {
      uint16_t m = StrAreaMark(-1);
      if (Status s = VarRead(t.Term())) return StrAreaRelease(m, s);
      return TakeResult(m, t.kind == kTermStr, out);
    }
    case kTermLiteral: return Unquote(t.Term(), out);
    default: return ConstantOrNumber(c, t.Term(), out);
  }
}

Status EvalTerm(Ctx& c, const ExpToken& t, Val& out) {
  Status s = TermValue(c, t, out);
  if (s >= st::TYPEMISMATCH) return Fail(s, t.Term());
  if (s == st::USERCANCELED) return s;
  if (s) c.soft = s;
  return 0;
}

Status Materialize(Ctx& c, Val& v) {
  if (!v.target) return 0;
  v.target = false;
  ExpToken t = v.tok;
  return EvalTerm(c, t, v);
}

// --- Assignment --------------------------------------------------------------

// The value as a current result: 8 raw bytes or the text (a new slot).
StrValue Raw(const Val& v) { return v.str ? v.s : NumBytes(v.num); }

StrValue AsText(const Ctx& c, const Val& v) { return v.str ? v.s : NumFormatDec(v.num, c.precis); }

// _#(label or n[;offset]) = value: the label array, created on first use.
Status LabelAssign(Ctx& c, const ExpToken& t, const Val& value) {
  Val args[2];
  int count = 0;
  if (Status s = EvalArgs(c, t.CallArgs(), args, 2, &count)) return s;
  if (count == 0 || (count == 2 && args[1].str)) return st::SINTAXERROR;
  if (value.str) return st::TYPEMISMATCH;  // a number array
  FixedNum pos = args[0].num;
  if (args[0].str) {
    uint32_t k = StrListFind(VarStrGet(kSysAcumX), ',', args[0].s);
    if (k == 0) return st::SINTAXERROR;
    pos = static_cast<FixedNum>(k - 1) * c.pow;
  }
  if (count == 2) pos += args[1].num;
  if (Status s = BuiltinCheckName(StrFromC("_#(")); s >= 128) return s;
  return ArrElemAssign(StrFromC("_#("), 1, &pos, Raw(value));
}

Status ArrayAssign(Ctx& c, const ExpToken& t, const Val& value) {
  Val args[kArrMaxDims + 1];
  int count = 0;
  if (Status s = EvalArgs(c, t.CallArgs(), args, kArrMaxDims + 1, &count)) return s;
  FixedNum idx[kArrMaxDims + 1];
  int nidx = 0;
  StrValue pattern;
  if (Status s = Indexes(args, count, idx, &nidx, &pattern)) return s;
  if (pattern.len) return st::SINTAXERROR;
  // Elements store raw bytes, so the kind is checked here: an 8-byte text
  // would otherwise pass for a number.
  if (((t.kind & kTermTypeMask) == kTermStr) != value.str) return st::TYPEMISMATCH;
  return ArrElemAssign(ArrayName(t), nidx, idx, Raw(value));
}

Status VariableAssign(Ctx& c, const ExpToken& t, const Val& value) {
  if ((t.kind == kTermStr) != value.str) return st::TYPEMISMATCH;
  bool precis = t.Term().View() == "_PRECIS";
  // Judged on the value the integer variable would hold (rounded), before
  // its 16-bit wrap.
  const int64_t held = precis ? Int64DivRound(value.num, c.pow) : 0;
  if (precis && (held < 0 || held > 9)) return st::SINTAXERROR;
  Status s = VarAssign(t.Term(), Raw(value));
  if (precis) c.Precis();
  return s;
}

Status AssignTo(Ctx& c, const ExpToken& t, const Val& value) {
  if (t.kind & kTermCall) return t.builtin == 1 ? LabelAssign(c, t, value) : st::SINTAXERROR;
  if (t.kind & (kTermArray | kTermParen)) return t.kind & kTermArray ? ArrayAssign(c, t, value) : st::SINTAXERROR;
  switch (t.kind) {
    case kTermField:
    case kTermFieldText: return FieldAccessAssign(t.Term(), AsText(c, value));
    case kTermInt:
    case kTermNum:
    case kTermStr: return VariableAssign(c, t, value);
    default: return st::SINTAXERROR;
  }
}

Status Assign(Ctx& c, const Val& target, const Val& value) {
  if (!target.target) return st::SINTAXERROR;
  uint16_t m = StrAreaMark(-1);
  Status s = AssignTo(c, target.tok, value);
  StrAreaMark(m);
  if (Hard(s)) return Fail(s, target.tok.Term());
  return 0;
}

// --- Precedence --------------------------------------------------------------

// Applies op to left and right; the result replaces left, kept directly
// above mark lm.
Status Apply(Ctx& c, uint16_t op, Val& left, Val& right, uint16_t lm) {
  Status s = 0;
  Val res;
  if (op == kOpAssign) {
    if ((s = Materialize(c, right)) || (s = Assign(c, left, right))) return s;
    res = right;
  } else {
    if ((s = Materialize(c, left)) || (s = Materialize(c, right))) return s;
    if (left.numField && right.str) right = Number(StrToNum(right.s));
    if (left.str != right.str) return st::TYPEMISMATCH;
    if (left.str) s = StrOp(c, op, left.s, right.s, res);
    else s = NumOp(c, op, left.num, right.num, &res.num);
    if (s) return s;
  }
  if (res.str) {
    res.s = StrAreaReturn(lm, res.s);
    if (res.s.IsError()) return StrError(res.s);
  } else {
    StrAreaMark(lm);
  }
  res.numField = false;
  left = res;
  return 0;
}

// The operand of token t: nothing for an empty term, the term itself when
// "=" follows it, else its value.
Status Operand(Ctx& c, const ExpToken& t, Val& v) {
  v = Number(0);
  if (t.termLen == 0) return 0;
  if (t.op == kOpAssign) {
    v.target = true;
    v.tok = t;
    return 0;
  }
  return EvalTerm(c, t, v);
}

Status EvalPrec(Ctx& c, ExpToken& cur, Val& left, uint16_t lm, uint16_t minClass);

Status EvalRight(Ctx& c, ExpToken& cur, uint16_t op, bool leftStr, Val& right, uint16_t rm) {
  bool empty = cur.termLen == 0;
  if (empty && (cur.op == kOpNone || leftStr)) return st::SINTAXERROR;
  if (Status s = Operand(c, cur, right)) return s;
  uint16_t cls = ExpOpClass(op);
  Status s = 0;
  while (s == 0 && cur.op != kOpNone && (cur.opClass > cls || empty || op == kOpAssign)) {
    s = ++c.depth > kExpMaxDepth ? st::SINTAXERROR : EvalPrec(c, cur, right, rm, cur.opClass);
    --c.depth;
    empty = false;
  }
  return s;
}

Status EvalPrec(Ctx& c, ExpToken& cur, Val& left, uint16_t lm, uint16_t minClass) {
  Status s = 0;
  while (s == 0 && cur.op != kOpNone && cur.opClass >= minClass) {
    uint16_t op = cur.op;
    cur = ExpScanToken(cur);
    if ((s = cur.status)) break;
    uint16_t rm = StrAreaMark(-1);
    Val right;
    s = EvalRight(c, cur, op, left.str && !left.target, right, rm);
    if (s == 0) s = Apply(c, op, left, right, lm);
  }
  return s;
}

// One expression from the state cur; cur ends on its last token.
Status EvalExpr(Ctx& c, ExpToken& cur, Val& out, bool* empty) {
  cur = ExpScanToken(cur);
  if (cur.status) return cur.status;
  *empty = cur.termLen == 0 && cur.op == kOpNone;
  if (*empty) return st::SINTAXERROR;
  uint16_t lm = StrAreaMark(-1);
  Status s = Operand(c, cur, out);
  if (s == 0) s = EvalPrec(c, cur, out, lm, 0);
  if (s == 0) s = Materialize(c, out);
  return s;
}

// Every expression of an already pre-processed text; the last value is left
// in out (a string directly above the entry mark).
Status ExecRange(Ctx& c, StrValue text, bool skipEmpty, Val& out) {
  if (++c.depth > kExpMaxDepth) {
    --c.depth;
    return st::SINTAXERROR;
  }
  uint16_t base = StrAreaMark(-1);
  ExpToken state = ExpScanAt(text, 0);
  Status s = 0;
  out = Number(0);
  do {
    uint16_t start = state.next;
    c.soft = 0;
    c.Precis();
    Val v;
    bool empty = false;
    s = EvalExpr(c, state, v, &empty);
    if (empty && skipEmpty) {
      s = 0;
      StrAreaMark(base);
      continue;
    }
    if (Hard(s)) {
      // Outer levels overwrite inner ones: the detail names the whole
      // failing expression of the text that was given.
      c.failRest = StrMake(text.ptr + start, text.len - start);
      c.failRestSet = true;
      break;
    }
    if (v.str) {
      v.s = StrAreaReturn(base, v.s);
      if (v.s.IsError()) {
        s = StrError(v.s);
        break;
      }
    } else {
      StrAreaMark(base);
    }
    out = v;
    s = c.soft;
  } while (!state.AtEnd());
  --c.depth;
  return s;
}

// Evaluates a text; on success the value is left above the caller's mark as
// the current result.
Status Exec(StrValue text, bool skipEmpty) {
  uint16_t m = StrAreaMark(-1);
  ExpToken start = ExpScanStart(text);
  if (start.status) {
    ErrSet(1, MOD_EXPEXEC, start.status, start.status);
    return StrAreaRelease(m, start.status);
  }
  Ctx c;
  Val v;
  Status s = ExecRange(c, start.text, skipEmpty, v);
  if (Hard(s)) {
    ErrSet(1, MOD_EXPEXEC, s, s);
    if (c.failRestSet) DetailAppend(c.failRest);
    return StrAreaRelease(m, s);
  }
  StrValue result = StrAreaReturn(m, v.str ? v.s : NumBytes(v.num));
  if (result.IsError()) return StrError(result);
  return s ? s : v.str ? 1 : 0;
}

}  // namespace

Status ExpExecText(StrValue text) { return Exec(text, false); }

Status ExpExecLines(StrValue text) { return Exec(text, true); }

Status ExpEvalCond(StrValue text) {
  if (text.IsError()) return StrError(text);
  if (text.len == 0) return 1;
  uint16_t m = StrAreaMark(-1);
  Status s = ExpExecText(text);
  bool truth = s == 0 && NumFromBytes(StrAreaTop()) != 0;
  StrAreaMark(m);
  return s >= st::USERCANCELED ? s : truth ? 1 : 0;
}

FixedNum ExpEvalNum(StrValue text) {
  const StrAreaScope scope;
  Status s = ExpExecText(text);
  FixedNum v = 0;
  if (!Hard(s)) v = s == 1 ? StrToNum(StrAreaTop()) : NumFromBytes(StrAreaTop());
  return v;
}

int16_t ExpEvalInt(StrValue text) { return VarNumToInt(ExpEvalNum(text)); }

StrValue ExpEvalStr(StrValue text) {
  uint16_t m = StrAreaMark(-1);
  Status s = ExpExecText(text);
  if (Hard(s)) return StrErr(s);
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
