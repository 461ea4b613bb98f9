#include "script/builtins.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "script/builtins_int.h"
#include "script/evaluator.h"
#include "script/expcache.h"
#include "script/scanner.h"
#include "script/variables.h"

const char kBuiltinNames[] =
    "_#,FN#FLEN,FN#SLEN,FN#PARM,FN#VALN,FN#ACUM,CHK#,FILEFIND,FILEREL,FILELOCATE,FILESEL,"
    "FN$CHNG,FN$CHRS,FN$DATE,FN$FLDS,FN$MASK,FN$MIDS,FN$PARM,FN$TRIM,ENVELOP$,CHK$,SORT$,"
    "EXEC$,READ$,WRITE,MACRO$,ENVRON$,_$,KEY$,TIME$,IER,EXP$,SQLCHILD";

namespace {

constexpr uint16_t kNamesItem = 8;  // SettingsList item of the name list
constexpr int16_t kSqlMaxDepth = 7;

constexpr BuiltinHandler kFixedHandlers[kBiFixedCount] = {
    BiLabelArray, BiFileLen, BiStrLen,   BiParmNum, BiValN,    BiAcum,     BiChk,   BiFileFind, BiFileRel,
    BiFileLocate, BiFileSel, BiChng,     BiChrs,    BiDate,    BiFlds,     BiMask,  BiMids,     BiParmStr,
    BiTrim,       BiEnvelop, BiChk,      BiSort,    BiExec,    BiRead,     BiWrite, BiMacro,    BiEnvron,
    BiList,       BiKey,     BiTime,     BiIer,     BiExp,     BiSqlChild,
};

// Extension handlers by code - 34. Only the first (names in the list - 33)
// entries are live: a fresh store starts with none registered.
BuiltinHandler g_ext[kBuiltinMaxExt] = {};

// --- Name list ----------------------------------------------------------------

StrValue NameList() {
  if (!DynStrReady()) return StrFromC(kBuiltinNames);
  StrValue list = DynStrGet(SettingsList, kNamesItem);
  if (list.len) return list;
  if (DynStrSet(SettingsList, kNamesItem, StrFromC(kBuiltinNames)) != 0) return StrFromC(kBuiltinNames);
  return DynStrGet(SettingsList, kNamesItem);
}

uint16_t RegisteredCount() {
  uint32_t n = StrListCount(NameList(), ',');
  return n > kBiFixedCount ? static_cast<uint16_t>(std::min<uint32_t>(n - kBiFixedCount, kBuiltinMaxExt)) : 0;
}

// --- Argument splitting -------------------------------------------------------

struct ArgSpan {
  uint16_t start = 0;
  uint16_t len = 0;
};

// Splits at ";" outside quotes and parentheses; an empty text has no
// argument. 147 for more than 16.
Status SplitArgs(StrValue args, ArgSpan* spans, uint16_t* total) {
  *total = 0;
  if (args.len == 0) return 0;
  uint32_t start = 0;
  int depth = 0;
  char quote = 0;
  for (uint32_t i = 0; i <= args.len; ++i) {
    char c = i < args.len ? args.ptr[i] : ';';
    if (quote) {
      if (c == quote) quote = 0;
      if (i < args.len) continue;
    } else if (c == '\'' || c == '"') {
      quote = c;
      continue;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    }
    if (c != ';' || (depth > 0 && i < args.len)) continue;
    if (*total == kBuiltinMaxArgs) return st::SINTAXERROR;
    spans[(*total)++] = ArgSpan{static_cast<uint16_t>(start), static_cast<uint16_t>(i - start)};
    start = i + 1;
  }
  return 0;
}

}  // namespace

struct BuiltinArgCodes {
  ArgSpan spans[kBuiltinMaxArgs];  // the split of the text they were made from
  uint16_t total = 0;
  std::vector<ExpHeld> code;  // per argument as split; none for an empty one
};

namespace {

// --- The current call -----------------------------------------------------------

struct CallFrame {
  uint16_t code = 0;
  StrValue args;
  const BuiltinArgCodes* codes = nullptr;  // the arguments compiled, when the caller has them
  ArgSpan spans[kBuiltinMaxArgs];
  uint16_t total = 0;      // arguments written
  uint16_t evaluated = 0;  // leading arguments on the stack
  uint32_t base = 0;       // argument stack count at entry
  uint16_t kinds[kBuiltinMaxArgs] = {};
};

CallFrame* g_frame = nullptr;

// Errors and a cancel stop a call; soft statuses leave a value.
bool Hard(Status s) { return s >= 128 || s == st::USERCANCELED; }

// How many leading arguments the dispatcher evaluates before the handler.
uint16_t LeadingArgs(uint16_t code) {
  switch (code) {
    case kBiAcum:
    case kBiFlds: return 0;
    case kBiChkNum:
    case kBiChkStr:
    case kBiExp: return 1;
    case kBiFileRel: return 4;
    default: return kBuiltinMaxArgs;
  }
}

// The value of argument n on the stack; false when absent or null.
bool ArgValue(uint16_t n, StrValue* value) {
  const CallFrame* f = g_frame;
  if (!f || n == 0 || n > f->evaluated) return false;
  uint32_t at = f->base + n - 1;
  if (at >= DynStrCount(ArgStack)) return false;
  StrValue v = DynStrGet(ArgStack, at);
  if (v.len == 1 && v.ptr[0] == kArgNullMarker) return false;
  *value = v;
  return true;
}

uint16_t ArgKind(uint16_t n) { return g_frame->kinds[n - 1] & 1; }

// _SQLSTK, _CURROW and _IER around a SQLCHILD call, restored on every path.
class SqlChildScope {
 public:
  Status Enter() {
    depth_ = VarSysIntGet(kSysSqlStk);
    if (depth_ + 1 > kSqlMaxDepth) return st::STROUTBOUND;
    row_ = VarSysIntGet(kSysCurRow);
    ier_ = VarSysIntGet(kSysIer);
    VarSysIntSet(kSysSqlStk, static_cast<int16_t>(depth_ + 1));
    VarSysIntSet(kSysCurRow, 0);
    active_ = true;
    return 0;
  }
  ~SqlChildScope() {
    if (!active_) return;
    VarSysIntSet(kSysSqlStk, depth_);
    VarSysIntSet(kSysCurRow, row_);
    VarSysIntSet(kSysIer, ier_);
  }

 private:
  bool active_ = false;
  int16_t depth_ = 0, row_ = 0, ier_ = 0;
};

Status CallHandler(uint16_t code, const uint16_t* kinds, uint16_t count) {
  if (code <= kBiFixedCount) return kFixedHandlers[code - 1](kinds, count);
  return BuiltinCallExt(code, kinds, count);
}

Status RunCall(CallFrame& f) {
  if (f.codes) {  // split when they were made, from the same text
    std::copy(f.codes->spans, f.codes->spans + f.codes->total, f.spans);
    f.total = f.codes->total;
  } else if (Status s = SplitArgs(f.args, f.spans, &f.total)) {
    return s;
  }
  SqlChildScope sql;
  if (f.code == kBiSqlChild)
    if (Status s = sql.Enter()) return s;
  uint16_t kinds[kBuiltinMaxArgs];
  uint16_t count = 0;
  if (Status s = BuiltinArgsEval(LeadingArgs(f.code), kinds, &count)) return s;
  return CallHandler(f.code, f.kinds, f.evaluated);
}

}  // namespace

// --- Registry ---------------------------------------------------------------------

uint16_t BuiltinCode(StrValue name) {
  if (name.IsError() || name.len == 0) return 0;
  uint32_t pos = ExpListFindNoCase(NameList(), name);
  return pos <= kBiLastExt ? static_cast<uint16_t>(pos) : 0;
}

StrValue BuiltinName(uint16_t code) {
  if (code == 0 || code > kBiFixedCount + RegisteredCount()) return StrMake("", 0);
  return StrListItem(NameList(), ',', code);
}

Status BuiltinRegister(StrValue name, BuiltinHandler handler) {
  if (Status e = StrError(name)) return e;
  if (!handler || name.len == 0 || StrFindChar(name, ',', kSearchPlain) != kNotFound || BuiltinCode(name))
    return BuiltinFail(st::SINTAXERROR);
  uint16_t n = RegisteredCount();
  if (n >= kBuiltinMaxExt) return BuiltinFail(st::DATAOUTBOUND);
  const StrAreaScope scope;
  StrValue list = StrJoinSep(NameList(), ',', name);
  Status s = StrError(list);
  if (s == 0) s = DynStrSet(SettingsList, kNamesItem, list);
  if (s == 0) g_ext[n] = handler;
  ExpCacheClear();  // texts compiled before read the name as an array
  return s;
}

Status BuiltinCallExt(uint16_t code, const uint16_t* kinds, uint16_t count) {
  if (code < kBiFirstExt || code >= kBiFirstExt + RegisteredCount() || !g_ext[code - kBiFirstExt])
    return BuiltinFail(st::SINTAXERROR);
  return g_ext[code - kBiFirstExt](kinds, count);
}

uint16_t BuiltinCurrentCode() { return g_frame ? g_frame->code : 0; }

int64_t BuiltinNumToInteger(FixedNum v) { return Int64DivRound(v, Pow10(NumPrecis())); }

StrValue BuiltinNumText(FixedNum v) {
  int p = NumPrecis();
  uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  uint64_t unit = static_cast<uint64_t>(Pow10(p));
  std::string text(v < 0 ? "-" : "");
  text += std::to_string(mag / unit);
  if (p > 0) {
    std::string frac = std::to_string(mag % unit);
    text.append(1, '.').append(static_cast<size_t>(p) - frac.size(), '0').append(frac);
  }
  return StrFromView(text);
}

Status BuiltinFail(Status code) { return code >= 128 ? ErrSet(1, MOD_EXPEXEC, code, code) : code; }

// --- Dispatch -------------------------------------------------------------------------

Status BuiltinDispatch(const ExpToken& token) {
  uint16_t code = token.builtin ? token.builtin : BuiltinCode(token.CallName());
  return BuiltinCallText(code, token.CallArgs());
}

std::shared_ptr<const BuiltinArgCodes> BuiltinArgCodesMake(StrValue args) {
  if (args.IsError()) return nullptr;
  ArgSpan spans[kBuiltinMaxArgs];
  uint16_t total = 0;
  if (SplitArgs(args, spans, &total)) return nullptr;
  auto codes = std::make_shared<BuiltinArgCodes>();
  std::copy(spans, spans + total, codes->spans);
  codes->total = total;
  codes->code.reserve(total);
  for (uint16_t i = 0; i < total; ++i) codes->code.emplace_back(StrMake(args.ptr + spans[i].start, spans[i].len));
  return codes;
}

Status BuiltinCallText(uint16_t code, StrValue args) { return BuiltinCallCompiled(code, args, nullptr); }

Status BuiltinCallCompiled(uint16_t code, StrValue args, const BuiltinArgCodes* codes) {
  if (Status e = StrError(args)) return e;
  if (code == 0 || code > kBiLastExt) return BuiltinFail(st::SINTAXERROR);
  uint16_t mark = StrAreaMark(-1);
  CallFrame f;
  f.code = code;
  f.codes = codes;
  f.base = DynStrCount(ArgStack);
  // A copy: the text may be a view into the store, which evaluation changes.
  f.args = StrDup(args);
  Status s = StrError(f.args);
  CallFrame* outer = g_frame;
  g_frame = &f;
  if (s == 0) s = RunCall(f);
  g_frame = outer;
  DynStrPopTo(ArgStack, f.base);
  if (Hard(s)) return StrAreaRelease(mark, BuiltinFail(s));
  StrValue result = StrAreaMark(-1) > mark ? StrAreaTop() : StrMake("", 0);
  Status r = StrError(StrAreaReturn(mark, result));
  return r ? StrAreaRelease(mark, BuiltinFail(r)) : s;
}

Status BuiltinArgsEval(uint16_t max, uint16_t* kinds, uint16_t* count) {
  *count = 0;
  CallFrame* f = g_frame;
  if (!f) return 0;
  uint16_t upto = std::min<uint16_t>(std::min<uint16_t>(max, kBuiltinMaxArgs), f->total);
  uint16_t mark = StrAreaMark(-1);
  for (uint16_t i = f->evaluated; i < upto; ++i) {
    StrValue text = StrMake(f->args.ptr + f->spans[i].start, f->spans[i].len);
    uint16_t kind = kArgKindStr;
    ExpCompiled* compiled = f->codes && i < f->codes->code.size() ? f->codes->code[i].get() : nullptr;
    Status s = !text.len   ? StrAreaPush(StrMake(&kArgNullMarker, 1))
               : compiled ? BuiltinEvalCompiled(compiled, &kind)
                          : BuiltinEvalText(text, &kind);
    if (!Hard(s)) s = DynStrPush(ArgStack, StrAreaTop());  // a soft status keeps its value
    StrAreaMark(mark);
    if (Hard(s)) return s;
    f->kinds[i] = kind;
    f->evaluated = static_cast<uint16_t>(i + 1);
  }
  *count = f->evaluated;
  std::copy(f->kinds, f->kinds + f->evaluated, kinds);
  return 0;
}

// --- Accessors ----------------------------------------------------------------------------

Status BuiltinArgCount(uint16_t min, uint16_t max) {
  uint16_t n = BuiltinArgTotal();
  return n < min || n > max ? st::SINTAXERROR : 0;
}

uint16_t BuiltinArgTotal() { return g_frame ? g_frame->total : 0; }

StrValue BuiltinArgText(uint16_t n) {
  const CallFrame* f = g_frame;
  if (!f || n == 0 || n > f->total) return StrMake("", 0);
  return StrMake(f->args.ptr + f->spans[n - 1].start, f->spans[n - 1].len);
}

bool BuiltinArgAbsent(uint16_t n) {
  StrValue v;
  return !ArgValue(n, &v);
}

Status BuiltinArg(uint16_t n, StrValue def, uint16_t defKind) {
  StrValue v;
  if (!ArgValue(n, &v)) {
    Status s = StrAreaPush(def);
    return s ? s : defKind;
  }
  uint16_t kind = ArgKind(n);
  Status s = StrAreaPush(v);
  return s ? s : kind;
}

Status BuiltinArgNum(uint16_t n, FixedNum def, FixedNum* out) {
  StrValue v;
  *out = def;
  if (!ArgValue(n, &v)) return 0;
  if (ArgKind(n) != kArgKindNum) return st::TYPEMISMATCH;
  *out = NumFromBytes(v);
  return 0;
}

Status BuiltinArgLong(uint16_t n, int32_t def, int32_t* out) {
  *out = def;
  FixedNum v = 0;
  if (BuiltinArgAbsent(n)) return 0;
  if (Status s = BuiltinArgNum(n, 0, &v)) return s;
  *out = static_cast<int32_t>(std::clamp<int64_t>(BuiltinNumToInteger(v), INT32_MIN, INT32_MAX));
  return 0;
}

Status BuiltinArgInt(uint16_t n, int16_t def, int16_t* out) {
  int32_t v = 0;
  *out = def;
  if (Status s = BuiltinArgLong(n, def, &v)) return s;
  *out = static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX));
  return 0;
}

StrValue BuiltinArgStr(uint16_t n, StrValue def) {
  StrValue v;
  if (!ArgValue(n, &v)) return def;
  if (ArgKind(n) != kArgKindStr) return StrErr(st::TYPEMISMATCH);
  return StrDup(v);
}

StrValue BuiltinArgAsText(uint16_t n, StrValue def) {
  StrValue v;
  if (!ArgValue(n, &v)) return def;
  if (ArgKind(n) == kArgKindStr) return StrDup(v);
  return BuiltinNumText(NumFromBytes(v));
}

Status BuiltinArgsParse(const uint16_t* kinds, uint16_t max, int16_t* ints, StrValue* strs) {
  uint16_t count = g_frame ? g_frame->evaluated : 0;
  if (count > max) return st::SINTAXERROR;
  for (uint16_t n = count; n >= 1; --n) {
    if (BuiltinArgAbsent(n)) continue;
    if (kinds[n - 1] & 1) {
      strs[n - 1] = BuiltinArgStr(n, StrMake("", 0));
      if (Status e = StrError(strs[n - 1])) return e;
    } else if (Status s = BuiltinArgInt(n, 0, &ints[n - 1])) {
      return s;
    }
  }
  return 0;
}

// --- Results --------------------------------------------------------------------------------

Status BuiltinResultNum(FixedNum v) { return StrError(NumBytes(v)); }

Status BuiltinResultInt(int64_t v) { return BuiltinResultNum(Int64ToNum(v)); }

Status BuiltinResultStr(StrValue s) {
  if (Status e = StrError(s)) return e == st::STRINGTOOLONG ? st::STROUTBOUND : e;
  return StrAreaPush(s);
}

namespace {

// The kind of an argument's value from its evaluation's status.
Status ArgKindOf(Status s, uint16_t* kind) {
  if (s == 0 || s == 1) {
    *kind = s == 1 ? kArgKindStr : kArgKindNum;
    return 0;
  }
  if (!Hard(s)) *kind = StrAreaTop().len == 8 ? kArgKindNum : kArgKindStr;
  return s;
}

}  // namespace

// A soft status does not say the type of the value it leaves; a value of 8
// bytes is then taken as a number (number results are always 8 raw bytes).
Status BuiltinEvalText(StrValue text, uint16_t* kind) { return ArgKindOf(ExpExecText(text), kind); }

Status BuiltinEvalCompiled(ExpCompiled* code, uint16_t* kind) { return ArgKindOf(ExpExecCompiled(code), kind); }
