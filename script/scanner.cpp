#include "script/scanner.h"

#include "runtime/format.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/builtins.h"
#include "script/fieldaccess.h"

namespace {

constexpr uint32_t kMaxText = 65535;

bool IsQuote(char c) { return c == '\'' || c == '"'; }

// Operator characters, as a 256-entry table for the hot scanning loops.
struct OpCharTable {
  bool is[256] = {};
  OpCharTable() {
    for (const char* p = kExpOpChars; *p; ++p) is[static_cast<unsigned char>(*p)] = true;
  }
};
const OpCharTable kOpTable;

// Index and class of every operator, by its text. Each row names its
// operator, and the table is checked against the enum when compiled.
struct OpDef {
  ExpOp op;
  const char* text;
  uint16_t cls;
};
constexpr OpDef kOps[] = {
    {kOpNone, "", 0},          {kOpMul, "*", 4},       {kOpDiv, "/", 4},     {kOpScale, "!", 4},
    {kOpPercent, "%", 4},      {kOpLessPercent, "\xF7", 4}, {kOpAdd, "+", 3},   {kOpSub, "-", 3},
    {kOpAssign, "=", 0},       {kOpGt, ">", 2},        {kOpLt, "<", 2},      {kOpEq, "==", 2},
    {kOpGe, ">=", 2},          {kOpLe, "<=", 2},       {kOpNe, "<>", 2},     {kOpAnd, "&", 1},
    {kOpBar, "|", 5},          {kOpAt, "@", 1},        {kOpLogAnd, "&&", 1}, {kOpLogOr, "||", 1},
    {kOpDisjoint, "@@", 1}};

constexpr bool OpsMatchTheEnum() {
  if (std::size(kOps) != kOpCount) return false;
  for (uint16_t i = 0; i < kOpCount; ++i)
    if (kOps[i].op != i) return false;
  return true;
}
static_assert(OpsMatchTheEnum(), "kOps[] must hold one row per ExpOp, in enum order");

bool IsSecondOpChar(char c) { return c == '=' || c == '>' || c == '<' || c == '&' || c == '@' || c == '|'; }

uint16_t OpLookup(const char* p, uint32_t n) {
  for (uint16_t i = 1; i < kOpCount; ++i) {
    const char* t = kOps[i].text;
    if (t[0] == p[0] && (n == 1 ? t[1] == 0 : t[1] == p[1] && t[2] == 0)) return i;
  }
  return 0;
}

// End of the quoted part that starts at pos (the position after its closing
// quote); an unclosed quote runs to the end of the text.
uint32_t SkipQuoted(const char* p, uint32_t n, uint32_t pos) {
  const void* close = std::memchr(p + pos + 1, p[pos], n - pos - 1);
  return close ? static_cast<uint32_t>(static_cast<const char*>(close) - p) + 1 : n;
}

// Position of the first operator character outside quotes at or after pos,
// n when none.
uint32_t FindOpChar(const char* p, uint32_t n, uint32_t pos) {
  while (pos < n) {
    char c = p[pos];
    if (IsQuote(c)) {
      pos = SkipQuoted(p, n, pos);
      continue;
    }
    if (kOpTable.is[static_cast<unsigned char>(c)]) return pos;
    ++pos;
  }
  return n;
}

// The ")" that closes the "(" at pos, quoted parts skipped; n when none.
uint32_t MatchParen(const char* p, uint32_t n, uint32_t pos) {
  int depth = 0;
  while (pos < n) {
    char c = p[pos];
    if (IsQuote(c)) {
      pos = SkipQuoted(p, n, pos);
      continue;
    }
    if (c == '(') ++depth;
    else if (c == ')' && --depth == 0) return pos;
    ++pos;
  }
  return n;
}

// A scan error: the offending text goes to the error detail, except when
// the compiler scans a text ahead of running it (quiet).
Status Fail(Status code, std::string_view detail, bool quiet) {
  if (!quiet) ErrDetailSet(code, StrMake(detail.data(), static_cast<uint32_t>(detail.size())), false);
  return code;
}

// The type bits of a name: "$" string, "#" number, otherwise integer.
uint16_t NameTypeBits(StrValue name) {
  std::string_view v = name.View();
  if (v.find('$') != std::string_view::npos) return kTermStr;
  if (v.find('#') != std::string_view::npos) return kTermNum;
  return kTermInt;
}

bool IsTextFieldType(char t) { return !(t == 'N' || t == 'L' || (t >= '1' && t <= '9')); }

// Kind of a term without parentheses. A field reference is parsed for its
// type unless the scan is quiet (it is then kTermField until it is parsed).
uint16_t PlainTermKind(StrValue term, bool quiet) {
  std::string_view v = term.View();
  if (v.empty()) return kTermNumber;
  if (v.find_first_of("'\"") != std::string_view::npos) return kTermLiteral;
  if (v.find('$') != std::string_view::npos) return kTermStr;
  if (v.find('#') != std::string_view::npos) return kTermNum;
  if (v.find('{') != std::string_view::npos) {
    if (quiet) return kTermField;
    return ExpFieldRefKind(FieldAccessParse(term));
  }
  return static_cast<unsigned char>(v[0]) >= 'A' ? kTermInt : kTermNumber;
}

// --- Pre-processing ------------------------------------------------------

// One pass over the text as given: parentheses pair up in order (quoted
// parts skipped), else 129; every run of blanks outside quotes touches an
// operator character or an end of the text, else 147. *rewrite tells whether
// blanks or a dialog shorthand are there to be rewritten.
Status CheckText(const char* p, uint32_t n, bool* rewrite, bool quiet) {
  int depth = 0;
  *rewrite = false;
  for (uint32_t i = 0; i < n;) {
    char c = p[i];
    if (IsQuote(c)) {
      i = SkipQuoted(p, n, i);
      continue;
    }
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth < 0) break;
    } else if (c == '_' && n - i > 7 && std::memcmp(p + i + 1, "ACCEPT", 6) == 0) {
      *rewrite = true;
    } else if (c == ' ') {
      uint32_t end = i;
      while (end < n && p[end] == ' ') ++end;
      bool before = i == 0 || kOpTable.is[static_cast<unsigned char>(p[i - 1])];
      bool after = end == n || kOpTable.is[static_cast<unsigned char>(p[end])];
      if (depth >= 0 && !before && !after) return Fail(st::SINTAXERROR, std::string_view(p + i, n - i), quiet);
      *rewrite = true;
      i = end;
      continue;
    }
    ++i;
  }
  return depth == 0 ? 0 : Fail(st::LOOPFAILURE, std::string_view(p, n), quiet);
}

constexpr std::string_view kAcceptStr = "_ACCEPT$(";
constexpr std::string_view kAcceptNum = "_ACCEPT#(";
constexpr std::string_view kAcceptHead = "FN$TRIM(FN$PARM(_$(.envvar;.dialog);";
constexpr std::string_view kAcceptTail = ");'FIT')";

// One pass: blanks outside quotes dropped, the dialog shorthands rewritten
// (only where a term starts, never inside quotes).
std::string Rewrite(const char* p, uint32_t n) {
  std::string out;
  out.reserve(n);
  std::vector<char> closers;  // per open "(": 0 plain, 's' or 'n' a shorthand
  for (uint32_t i = 0; i < n;) {
    char c = p[i];
    if (IsQuote(c)) {
      uint32_t end = SkipQuoted(p, n, i);
      out.append(p + i, end - i);
      i = end;
      continue;
    }
    if (c == ' ') {
      ++i;
      continue;
    }
    bool termStart = i == 0 || kOpTable.is[static_cast<unsigned char>(p[i - 1])] || p[i - 1] == ' ';
    if (c == '_' && termStart && n - i >= kAcceptStr.size()) {
      std::string_view at(p + i, kAcceptStr.size());
      if (at == kAcceptStr || at == kAcceptNum) {
        bool num = at == kAcceptNum;
        if (num) out += "FN#VALN(";
        out += kAcceptHead;
        closers.push_back(num ? 'n' : 's');
        i += static_cast<uint32_t>(kAcceptStr.size());
        continue;
      }
    }
    if (c == '(') closers.push_back(0);
    if (c == ')' && !closers.empty()) {
      char k = closers.back();
      closers.pop_back();
      if (k) {
        out += kAcceptTail;
        if (k == 'n') out += ')';
        ++i;
        continue;
      }
    }
    out += c;
    ++i;
  }
  return out;
}

// --- Tokens ----------------------------------------------------------------

// Fills the term of a call (name before the "(" at open) and answers where
// the operator search resumes.
uint32_t ScanCall(ExpToken& t, uint32_t start, uint32_t open, bool quiet) {
  const char* p = t.text.ptr;
  uint32_t n = t.text.len;
  uint32_t close = MatchParen(p, n, open);
  if (close >= n) {
    t.status = Fail(st::LOOPFAILURE, std::string_view(p + start, n - start), quiet);
    return n;
  }
  t.parenLen = static_cast<uint16_t>(close - open + 1);
  StrValue name = StrMake(p + start, open - start);
  if (name.len == 0) {
    t.kind = kTermParen;
  } else if (std::string_view(name.View()).find_first_of("'\"{") != std::string_view::npos) {
    t.status = Fail(st::SINTAXERROR, std::string_view(p + start, close + 1 - start), quiet);
  } else if ((t.builtin = BuiltinCode(name)) != 0) {
    t.kind = static_cast<uint16_t>(kTermCall | NameTypeBits(name));
  } else {
    t.kind = static_cast<uint16_t>(kTermArray | NameTypeBits(name));
  }
  return close + 1;
}

// The pre-processed form of a text (into *out when anything is rewritten).
Status Preprocess(const char* p, uint32_t n, std::string* out, bool* rewritten, bool quiet) {
  bool rewrite = false;
  *rewritten = false;
  if (Status s = CheckText(p, n, &rewrite, quiet)) return s;
  if (!rewrite) return 0;
  *out = Rewrite(p, n);
  if (out->size() > kMaxText) return Fail(st::SINTAXERROR, std::string_view(p, n), quiet);
  *rewritten = true;
  return 0;
}

ExpToken ScanToken(const ExpToken& state, bool quiet) {
  ExpToken t;
  t.text = state.text;
  const char* p = t.text.ptr;
  uint32_t n = t.text.len;
  uint32_t start = state.next < n ? state.next : n;
  t.termStart = static_cast<uint16_t>(start);
  uint32_t i = FindOpChar(p, n, start);
  bool call = i < n && p[i] == '(';
  uint32_t termEnd = i;
  if (call) {
    uint32_t after = ScanCall(t, start, i, quiet);
    if (t.status) {
      t.next = static_cast<uint16_t>(n);
      return t;
    }
    termEnd = after;
    i = after;
    if (i < n && (!ExpIsOpChar(p[i]) || p[i] == '(')) {
      t.status = Fail(st::SINTAXERROR, std::string_view(p + start, n - start), quiet);
      t.next = static_cast<uint16_t>(n);
      return t;
    }
  }
  t.termLen = static_cast<uint16_t>(termEnd - start);
  if (!call) {
    uint16_t kind = PlainTermKind(t.Term(), quiet);
    if (kind >= 128) t.status = kind;
    else t.kind = kind;
  }
  if (i >= n) {
    t.next = static_cast<uint16_t>(n);
    return t;
  }
  char c = p[i];
  if (c == ';' || c == ',') {
    t.next = static_cast<uint16_t>(i + 1);
    return t;
  }
  uint32_t len = (i + 1 < n && IsSecondOpChar(p[i + 1])) ? 2 : 1;
  t.op = OpLookup(p + i, len);
  t.next = static_cast<uint16_t>(i + len);
  if (t.op == 0) {
    t.status = Fail(st::SINTAXERROR, std::string_view(p + start, n - start), quiet);
    t.next = static_cast<uint16_t>(n);
  }
  t.opClass = ExpOpClass(t.op);
  return t;
}

}  // namespace

bool ExpIsOpChar(char c) { return kOpTable.is[static_cast<unsigned char>(c)]; }

uint16_t ExpOpClass(uint16_t op) { return op < kOpCount ? kOps[op].cls : 0; }

ExpToken ExpScanStart(StrValue text) {
  ExpToken t;
  if (text.IsError()) {
    t.status = StrError(text);
    t.text = StrMake("", 0);
    return t;
  }
  t.text = text;
  std::string out;
  bool rewritten = false;
  if ((t.status = Preprocess(text.ptr, text.len, &out, &rewritten, false)) || !rewritten) return t;
  t.text = StrFromView(out);
  if (t.text.IsError()) t.status = StrError(t.text);
  return t;
}

ExpToken ExpScanToken(const ExpToken& state) { return ScanToken(state, false); }

Status ExpPreprocessQuiet(StrValue text, std::string* out) {
  if (Status e = StrError(text)) return e;
  bool rewritten = false;
  Status s = Preprocess(text.ptr, text.len, out, &rewritten, true);
  if (s == 0 && !rewritten) out->assign(text.View());
  return s;
}

ExpToken ExpScanTokenQuiet(const ExpToken& state) { return ScanToken(state, true); }

uint16_t ExpTermKind(StrValue term) { return PlainTermKind(term, false); }

uint16_t ExpFieldRefKind(const FieldRef& ref) {
  if (ref.status) return ref.status;
  return IsTextFieldType(ref.type) ? kTermFieldText : kTermField;
}

ExpToken ExpScanFirst(StrValue text) {
  ExpToken s = ExpScanStart(text);
  return s.status ? s : ExpScanToken(s);
}

StrValue ExpScanTokenText(StrValue text, uint16_t position) {
  if (text.IsError()) return text;
  ExpToken t = ExpScanToken(ExpScanAt(text, position));
  return t.status ? StrErr(t.status) : t.Term();
}

Status ExpClassify(StrValue text) {
  const StrAreaScope scope;
  ExpToken t = ExpScanStart(text);
  while (t.status == 0) {
    t = ExpScanToken(t);
    if (t.status) break;
    if (t.op || t.AtEnd()) {
      bool str = (t.kind & 1) != 0;
      bool joins = t.op == kOpNone || t.op == kOpAdd || t.op == kOpAssign;
      return str && joins ? 1 : 0;
    }
  }
  return t.status;
}

bool ExpSameNoCase(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

uint32_t ExpListFindNoCase(StrValue list, StrValue name) {
  if (list.IsError() || name.IsError()) return 0;
  StrListIter it(list, ',');
  StrValue item;
  for (uint32_t pos = 1; it.Next(&item); ++pos)
    if (item.len == name.len && ExpSameNoCase(item.ptr, name.ptr, item.len)) return pos;
  return 0;
}

uint32_t ExpScanNameIndex(StrValue list, StrValue name) {
  uint32_t exact = StrListFind(list, ',', name);
  return exact ? exact : ExpListFindNoCase(list, name);
}

// --- Texts built for evaluation ----------------------------------------------

namespace {

// Appends a piece holding no line end, quoted with the quote it lacks; a
// piece holding both quotes is cut where the second kind first appears.
void AppendQuoted(std::string& out, std::string_view piece) {
  while (!piece.empty()) {
    size_t cut = piece.size();
    size_t apos = piece.find('\''), dq = piece.find('"');
    if (apos != std::string_view::npos && dq != std::string_view::npos) cut = apos > dq ? apos : dq;
    char q = piece.substr(0, cut).find('\'') == std::string_view::npos ? '\'' : '"';
    if (!out.empty()) out += '+';
    out += q;
    out.append(piece.substr(0, cut));
    out += q;
    piece.remove_prefix(cut);
  }
}

bool IsNumberText(std::string_view v) {
  size_t i = v.size() && (v[0] == '-' || v[0] == '+') ? 1 : 0;
  bool digit = false, point = false;
  for (; i < v.size(); ++i) {
    if (v[i] == '.' && !point) point = true;
    else if (v[i] >= '0' && v[i] <= '9') digit = true;
    else return false;
  }
  return digit;
}

// The value of a comparison or assignment for a numeric target.
StrValue NumericValue(StrValue value) {
  if (value.len == 0) return StrFromC("0");
  return IsNumberText(value.View()) ? value : StrErr(st::BADINPUTDATA);
}

StrValue Joined(std::initializer_list<StrValue> parts) {
  std::string out;
  for (StrValue p : parts) {
    if (p.IsError()) return p;
    out.append(p.View());
  }
  if (out.size() > kMaxText) return StrErr(st::STRINGTOOLONG);
  return StrFromView(out);
}

bool IsNumericType(char t) { return t && std::strchr("NL123456789", t) != nullptr; }

}  // namespace

StrValue ExpQuoteText(StrValue text) {
  if (text.IsError()) return text;
  std::string_view v = text.View();
  std::string out;
  size_t start = 0;
  for (size_t i = 0; i <= v.size(); ++i) {
    if (i < v.size() && v[i] != '\r' && v[i] != '\n') continue;
    AppendQuoted(out, v.substr(start, i - start));
    if (i == v.size()) break;
    if (!out.empty()) out += '+';
    bool pair = v[i] == '\r' && i + 1 < v.size() && v[i + 1] == '\n';
    out += pair ? ".lf$" : v[i] == '\r' ? "FN$CHRS(13)" : "FN$CHRS(10)";
    if (pair) ++i;
    start = i + 1;
  }
  if (out.empty()) out = "''";
  if (out.size() > kMaxText) return StrErr(st::STRINGTOOLONG);
  return StrFromView(out);
}

StrValue ExpAssignText(StrValue target, StrValue value) {
  if (target.IsError()) return target;
  if (value.IsError()) return value;
  uint16_t m = StrAreaMark(-1);
  bool str;
  if (std::string_view(target.View()).find('{') != std::string_view::npos) {
    FieldRef ref = FieldAccessParse(target);
    if (ref.status) return StrAreaReturn(m, StrErr(ref.status));
    str = !IsNumericType(ref.type);
  } else {
    str = NameTypeBits(target) == kTermStr;
  }
  StrValue v = str ? ExpQuoteText(value) : NumericValue(value);
  return StrAreaReturn(m, Joined({target, StrFromC("="), v}));
}

StrValue ExpBuildCompare(StrValue field, int op, StrValue value, char type) {
  static const char* const kCompareOps[] = {"==", ">", ">=", "<", "<=", "<>"};
  if (op < 1 || op > 6) return StrErr(st::SINTAXERROR);
  uint16_t m = StrAreaMark(-1);
  // A text value goes through the condition builder, which quotes it safely;
  // an equality is exact, never a pattern test of a "*" in the value.
  if (!IsNumericType(type) && value.len)
    return StrAreaReturn(m, op == 1 ? FmtCompareExact(field, value) : FmtCompareExpr(field, op, value, StrMake("", 0)));
  StrValue v = IsNumericType(type) ? NumericValue(value) : ExpQuoteText(value);
  return StrAreaReturn(m, Joined({field, StrFromC(kCompareOps[op - 1]), v}));
}

StrValue ExpBuildFilter(StrValue fields, StrValue from, StrValue to) {
  if (fields.IsError()) return fields;
  uint16_t m = StrAreaMark(-1);
  bool range = to.len && StrCompare(from, to) < 0;
  std::string out;
  StrListIter it(fields, ',');
  StrValue ref;
  while (it.Next(&ref)) {
    FieldRef f = FieldAccessParse(ref);
    if (f.status || ref.len == 0) continue;
    StrValue part = range ? Joined({StrFromC("("), ExpBuildCompare(ref, 3, from, f.type), StrFromC("&&"),
                                    ExpBuildCompare(ref, 5, to, f.type), StrFromC(")")})
                          : ExpBuildCompare(ref, 1, from, f.type);
    if (part.IsError()) return StrAreaReturn(m, part);
    if (!out.empty()) out += "||";
    out.append(part.View());
    if (out.size() > kMaxText) return StrAreaReturn(m, StrErr(st::STRINGTOOLONG));
  }
  return StrAreaReturn(m, StrMake(out.data(), static_cast<uint32_t>(out.size())));
}
