// The operations of the evaluator that the text path and the compiled path
// share: number and string operators, literals, term reads and the
// assignment targets.
#include <cstring>
#include <string_view>

#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/arrays.h"
#include "script/builtins.h"
#include "script/evalint.h"
#include "script/fieldaccess.h"
#include "script/scanner.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

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

// n / d rounded half away from zero, in 64 bits when n * m fits (the common
// case), else through 128 bits; the same value either way.
Status MulDivRound(int64_t n, int64_t m, int64_t d, FixedNum* out) {
  int64_t prod = 0;
  if (__builtin_mul_overflow(n, m, &prod) || prod == INT64_MIN || d == -1) {
    I128 q = DivRound(static_cast<I128>(n) * m, d);
    if (!Fits(q)) return st::DATAOUTBOUND;
    *out = static_cast<FixedNum>(q);
    return 0;
  }
  int64_t q = prod / d, r = prod % d;
  uint64_t ar = r < 0 ? 0 - static_cast<uint64_t>(r) : static_cast<uint64_t>(r);
  uint64_t ad = d < 0 ? 0 - static_cast<uint64_t>(d) : static_cast<uint64_t>(d);
  if (ar >= ad - ar) q += (prod < 0) != (d < 0) ? -1 : 1;
  *out = q;
  return 0;
}

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
Status ParseNumber(const ExpCtx& c, std::string_view t, FixedNum* out) {
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

// Integer part of a raw value.
int64_t IntPart(const ExpCtx& c, FixedNum v) { return v / c.pow; }

Status FromInt128(I128 v, FixedNum* out) {
  if (!Fits(v)) return st::DATAOUTBOUND;
  *out = static_cast<FixedNum>(v);
  return 0;
}

// a!n: the raw value of a re-scaled from the precision to n decimals.
Status Rescale(const ExpCtx& c, FixedNum a, FixedNum b, FixedNum* out) {
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

}  // namespace

Status ExpNumOp(const ExpCtx& c, uint16_t op, FixedNum a, FixedNum b, FixedNum* out) {
  const I128 p = c.pow;
  FixedNum r = 0;
  auto flag = [&](bool v) { return *out = v ? c.pow : 0, Status{0}; };
  switch (op) {
    case kOpMul: return MulDivRound(a, b, c.pow, out);
    case kOpDiv: return b == 0 ? (*out = 0, Status{0}) : MulDivRound(a, c.pow, b, out);
    case kOpScale: return Rescale(c, a, b, out);
    case kOpPercent:
      if (c.pow > INT64_MAX / 100) return FromInt128(DivRound(static_cast<I128>(a) * b, p * 100), out);
      return MulDivRound(a, b, c.pow * 100, out);
    case kOpLessPercent: return FromInt128(a - DivRound(static_cast<I128>(a) * b, p * 100), out);
    case kOpAdd: return __builtin_add_overflow(a, b, &r) ? st::DATAOUTBOUND : (*out = r, Status{0});
    case kOpSub: return __builtin_sub_overflow(a, b, &r) ? st::DATAOUTBOUND : (*out = r, Status{0});
    case kOpGt: return flag(a > b);
    case kOpLt: return flag(a < b);
    case kOpEq: return flag(a == b);
    case kOpGe: return flag(a >= b);
    case kOpLe: return flag(a <= b);
    case kOpNe: return flag(a != b);
    case kOpLogAnd: return flag(a != 0 && b != 0);
    case kOpLogOr: return flag(a != 0 || b != 0);
    default: break;
  }
  const int64_t x = IntPart(c, a), y = IntPart(c, b);
  switch (op) {
    case kOpAnd: return FromInt128(static_cast<I128>(x & y) * p, out);
    case kOpBar:
    case kOpAt: return FromInt128(static_cast<I128>((x & y) == 0 ? (x | y) : 0) * p, out);
    case kOpDisjoint: return flag((x & y) == 0 && (x != 0 || y != 0));
    default: return st::SINTAXERROR;
  }
}

namespace {

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

Status StrOp(const ExpCtx& c, uint16_t op, StrValue a, StrValue b, ExpValue& out) {
  if (op == kOpAdd) {
    if (static_cast<uint32_t>(a.len) + b.len > kStrMaxLen) return st::STRINGTOOLONG;
    StrValue joined = StrCat(a, b);
    if (joined.IsError()) return StrError(joined);
    out = ExpString(joined);
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
  out = ExpNumber(r ? c.pow : 0);
  return 0;
}

// Array indexes: the trailing number arguments; one string before them is
// the pattern of a string array.
Status Indexes(const ExpValue* args, int count, FixedNum* idx, int* nidx, StrValue* pattern) {
  int first = count;
  while (first > 0 && !args[first - 1].str) --first;
  if (first > 1) return st::SINTAXERROR;
  *pattern = first == 1 ? args[0].s : StrMake("", 0);
  *nidx = count - first;
  for (int k = first; k < count; ++k) idx[k - first] = args[k].num;
  return 0;
}

}  // namespace

void ExpDetailAppend(StrValue text) {
  std::string_view d = ErrDetail().View();
  std::string_view t = text.View();
  if (t.empty() || (d.size() >= t.size() && d.substr(d.size() - t.size()) == t)) return;
  ErrDetailSet(0, text, true);
}

Status ExpFail(Status code, StrValue detail) {
  ErrSet(1, MOD_EXPEXEC, code, code);
  ExpDetailAppend(detail);
  return code;
}

// --- Terms -------------------------------------------------------------------

Status ExpConstantOrNumber(const ExpCtx& c, StrValue term, ExpValue& out) {
  std::string_view t = term.View();
  if (t.size() >= 2 && t[0] == '.' && static_cast<unsigned char>(t[1]) >= 'A') {
    for (const auto& k : kConstants)
      if (t.size() - 1 == std::strlen(k.name) && ExpSameNoCase(t.data() + 1, k.name, t.size() - 1)) {
        out = ExpNumber(static_cast<FixedNum>(k.value) * c.pow);
        return 0;
      }
    return st::SINTAXERROR;
  }
  FixedNum v = 0;
  Status s = ParseNumber(c, t, &v);
  if (s == 0) out = ExpNumber(v);
  return s;
}

Status ExpUnquote(StrValue term, ExpValue& out) {
  std::string_view t = term.View();
  char q = t[0];
  if (q != '\'' && q != '"') return st::SINTAXERROR;
  size_t close = t.find(q, 1);
  if (close != std::string_view::npos && close != t.size() - 1) return st::SINTAXERROR;
  size_t len = close == std::string_view::npos ? t.size() - 1 : t.size() - 2;
  out = ExpString(StrMake(term.ptr + 1, static_cast<uint32_t>(len)));
  return 0;
}

StrValue ExpSpecialText(StrValue name) {
  static const struct {
    const char* name;
    const char* value;
  } kSpecial[] = {{".lf$", "\r\n"}, {".tab$", "\t"}, {".pchr$", "\\"}, {".null$", ""}};
  for (const auto& sp : kSpecial)
    if (name.View() == sp.name) return StrFromC(sp.value);
  return StrErr(st::NOTFOUND);
}

Status ExpTakeResult(uint16_t m, bool str, ExpValue& out) {
  if (StrAreaMark(-1) == m) {
    out = str ? ExpString(StrMake("", 0)) : ExpNumber(0);
    return 0;
  }
  StrValue top = StrAreaTop();
  out = str ? ExpString(top) : ExpNumber(NumFromBytes(top));
  if (!str) StrAreaMark(m);
  return 0;
}

ExpValue ExpFromText(StrValue text, bool str) { return str ? ExpString(text) : ExpNumber(StrToNum(text)); }

Status ExpVarRead(StrValue name, bool str, ExpValue& out) {
  uint16_t m = StrAreaMark(-1);
  if (Status s = VarRead(name)) return StrAreaRelease(m, s);
  return ExpTakeResult(m, str, out);
}

Status ExpFieldRead(StrValue term, uint16_t kind, ExpValue& out) {
  return ExpFieldReadRef(FieldAccessParse(term), kind, out);
}

Status ExpFieldReadRef(const FieldRef& ref, uint16_t kind, ExpValue& out) {
  if (ref.status) return ref.status;
  StrValue text = FieldAccessRead(ref);
  if (text.IsError()) return StrError(text);
  out = ExpFromText(text, kind == kTermFieldText);
  out.numField = kind == kTermField;
  return 0;
}

Status ExpCallBuiltin(uint16_t code, StrValue args, bool str, ExpValue& out, const BuiltinArgCodes* codes) {
  uint16_t m = StrAreaMark(-1);
  Status s = BuiltinCallCompiled(code, args, codes);
  if (ExpHard(s)) return StrAreaRelease(m, s);
  ExpTakeResult(m, str, out);
  return s;
}

Status ExpArrayRead(const ExpCtx& c, StrValue name, StrValue arrayName, bool str, const ExpValue* args, int count,
                    ExpValue& out) {
  NameHookFn hook = name.ptr[0] == '_' ? TaskHookGetAs<NameHookFn>(kHookArrayTerm) : nullptr;
  if (hook && count > 0 && !args[0].str) {
    StrValue answer = hook(name, static_cast<int>(IntPart(c, args[0].num)));
    if (!answer.IsError()) return out = ExpFromText(answer, str), 0;
    if (StrError(answer) != st::BADINPUTDATA) return StrError(answer);
  }
  FixedNum idx[kExpArrayArgs];
  int nidx = 0;
  StrValue pattern;
  if (Status s = Indexes(args, count, idx, &nidx, &pattern)) return s;
  uint16_t m = StrAreaMark(-1);
  if (Status s = ArrElemRead(arrayName, nidx, idx, pattern)) return StrAreaRelease(m, s);
  return ExpTakeResult(m, str, out);
}

uint32_t ExpArgEnd(const char* p, uint32_t n, uint32_t start) {
  uint32_t depth = 0;
  for (uint32_t i = start; i < n; ++i) {
    if (p[i] == '\'' || p[i] == '"') {
      const void* close = std::memchr(p + i + 1, p[i], n - i - 1);
      i = close ? static_cast<uint32_t>(static_cast<const char*>(close) - p) : n - 1;
      continue;
    }
    if (p[i] == '(') ++depth;
    if (p[i] == ')') --depth;
    if (p[i] == ';' && !depth) return i;
  }
  return n;
}

// --- Operators and assignment ------------------------------------------------

Status ExpPlace(ExpValue& res, uint16_t lm) {
  if (res.str) {
    res.s = StrAreaReturn(lm, res.s);
    if (res.s.IsError()) return StrError(res.s);
  } else {
    StrAreaMark(lm);
  }
  res.numField = false;
  return 0;
}

Status ExpOperate(const ExpCtx& c, uint16_t op, const ExpValue& left, ExpValue& right, ExpValue& res) {
  if (left.numField && right.str) right = ExpNumber(StrToNum(right.s));
  if (left.str != right.str) return st::TYPEMISMATCH;
  res = ExpValue();
  return left.str ? StrOp(c, op, left.s, right.s, res) : ExpNumOp(c, op, left.num, right.num, &res.num);
}

StrValue ExpRaw(const ExpValue& v) { return v.str ? v.s : NumBytes(v.num); }

StrValue ExpAsText(const ExpCtx& c, const ExpValue& v) { return v.str ? v.s : NumFormatDec(v.num, c.precis); }

Status ExpLabelAssign(const ExpCtx& c, const ExpValue* args, int count, const ExpValue& value) {
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
  return ArrElemAssign(StrFromC("_#("), 1, &pos, ExpRaw(value));
}

Status ExpArrayAssign(StrValue arrayName, bool strArray, const ExpValue* args, int count, const ExpValue& value) {
  FixedNum idx[kExpArrayArgs];
  int nidx = 0;
  StrValue pattern;
  if (Status s = Indexes(args, count, idx, &nidx, &pattern)) return s;
  if (pattern.len) return st::SINTAXERROR;
  // Elements store raw bytes, so the kind is checked here: an 8-byte text
  // would otherwise pass for a number.
  if (strArray != value.str) return st::TYPEMISMATCH;
  return ArrElemAssign(arrayName, nidx, idx, ExpRaw(value));
}

Status ExpVariableCheck(const ExpCtx& c, bool strVar, bool precis, const ExpValue& value) {
  if (strVar != value.str) return st::TYPEMISMATCH;
  // Judged on the value the integer variable would hold (rounded), before
  // its 16-bit wrap.
  const int64_t held = precis ? Int64DivRound(value.num, c.pow) : 0;
  if (precis && (held < 0 || held > 9)) return st::SINTAXERROR;
  return 0;
}
