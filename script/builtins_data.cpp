// The built-ins on data files, streams, accumulation and raw field texts
// (SORT$ has its own file, builtins_sort.cpp; READ$, WRITE, FILEREL and
// EXEC$ are in builtins_files.cpp; _# and _$ in builtins_lists.cpp). The
// work on data files is done by the data layer through the DataAccess table
// (dataaccess.h).
//
//   FN#FLEN(name)           the records of a data file (name or number), or
//                           the size in bytes of any other file (0 when it
//                           cannot be read)
//   FN#ACUM(expr;cond[;while]) / FN#ACUM(expr;var;from;to)   the sum of expr
//                           while the condition holds, or for var = from..to
//   FILEFIND(key[;file[;keyno[;flags]]])   FILELOCATE([command[;file]])
//   IER([file])   KEY$([file[;key[;parts[;part]]]])   the data-file results
//   FILESEL(name;flags)     opens a stream: its number (with the quiet flag
//                           0x80 a failed open answers its code as the number)
//   FILESEL(list|'RESTORE') pushes an open state or restores the previous one
//   FILESEL(n)              closes stream n
//   FN$FLDS(ref[;part])     the raw text of a field, array term, variable or
//                           task hook 0's name
//
// Limits that keep a script from hurting the program: FN#ACUM's counted form
// answers 168 at once for `to` of 32767 or more (its 16-bit counter could
// never pass it) and both forms poll for a cancel every 256 turns (122);
// stream numbers outside 0-39 and unknown navigation words are 147.
#include <string>

#include "runtime/errors.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/strutil.h"
#include "script/builtins_int.h"
#include "script/dataaccess.h"
#include "script/evaluator.h"
#include "script/handlers.h"
#include "script/procedures.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

constexpr uint32_t kAcumPollTurns = 256;
constexpr int32_t kAcumCounterMax = 32767;

StrValue Empty() { return StrMake("", 0); }

bool IsText(const uint16_t* kinds, uint16_t count, uint16_t n) {
  return n <= count && !BuiltinArgAbsent(n) && (kinds[n - 1] & 1);
}

// An argument that names a file, a stream or a count: its integer, -1 (or
// def) when absent.
Status IntArg(uint16_t n, int32_t def, int* out) {
  int32_t v = def;
  Status s = BuiltinArgLong(n, def, &v);
  *out = v;
  return s;
}

// The status of a data-file operation as the call's number result; errors
// stop the call.
Status StatusResult(Status s) { return s >= 128 ? s : BuiltinResultInt(s); }

}  // namespace

// --- FN#FLEN -------------------------------------------------------------------

Status BiFileLen(const uint16_t* kinds, uint16_t count) {
  if (Status s = BuiltinArgCount(1, 1)) return s;
  StrValue name;
  if (IsText(kinds, count, 1)) {
    name = BuiltinArgStr(1, Empty());
  } else {
    int32_t n = 0;
    if (Status s = BuiltinArgLong(1, 0, &n)) return s;
    name = StrFromView(std::to_string(n));
  }
  if (Status e = StrError(name)) return e;
  int64_t records = 0;
  Status s = DataAccessGet().fileLen(name, &records);
  if (s == st::NOTFOUND) {
    StrValue path = PathExpand(name);
    int64_t size = path.IsError() ? -1 : FileSize(path);
    return BuiltinResultInt(size < 0 ? 0 : size);
  }
  if (s != 0) return s;
  return BuiltinResultInt(records);
}

// --- FN#ACUM -------------------------------------------------------------------

namespace {

// The text of argument n as written, trimmed, without one pair of
// parentheses around all of it.
StrValue RawArg(uint16_t n) {
  StrValue t = StrTrim(BuiltinArgText(n), 3);
  if (t.len < 2 || t.ptr[0] != '(' || t.ptr[t.len - 1] != ')') return t;
  int depth = 0;
  char quote = 0;
  for (uint16_t i = 0; i + 1 < t.len; ++i) {
    char c = t.ptr[i];
    if (quote) {
      quote = c == quote ? 0 : quote;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      return t;  // the first parenthesis closes before the end
    }
  }
  return StrMake(t.ptr + 1, t.len - 2u);
}

bool Hard(Status s) { return s >= 128 || s == st::USERCANCELED; }

// The value of an expression as a number (a string read as a number).
Status EvalNum(StrValue text, FixedNum* out) {
  const StrAreaScope scope;
  uint16_t kind = kArgKindNum;
  Status s = BuiltinEvalText(text, &kind);
  if (Hard(s)) return s;
  StrValue v = StrAreaTop();
  *out = kind == kArgKindStr ? StrToNum(v) : NumFromBytes(v);
  return 0;
}

Status EvalCond(StrValue text) {
  const StrAreaScope scope;
  return ExpEvalCond(text);
}

class AcumSum {
 public:
  explicit AcumSum(StrValue expr) : expr_(expr) {}
  // Adds the expression once; polls every few hundred turns.
  Status Add() {
    FixedNum v = 0;
    if (Status s = EvalNum(expr_, &v)) return s;
    if (__builtin_add_overflow(sum_, v, &sum_)) return st::DATAOUTBOUND;
    if (++turns_ % kAcumPollTurns == 0) return PrcPoll();
    return 0;
  }
  FixedNum Sum() const { return sum_; }

 private:
  StrValue expr_;
  FixedNum sum_ = 0;
  uint32_t turns_ = 0;
};

Status IntVar(StrValue name, int32_t* out) {
  const StrAreaScope scope;
  if (Status s = VarRead(name)) return s;
  *out = static_cast<int32_t>(BuiltinNumToInteger(NumFromBytes(StrAreaTop())));
  return 0;
}

Status AcumCounted(AcumSum& sum) {
  StrValue var = RawArg(2);
  if (VarTypeOfName(var) != kVarInt) return st::SINTAXERROR;
  FixedNum from = 0, to = 0;
  if (Status s = EvalNum(RawArg(3), &from)) return s;
  if (Status s = EvalNum(RawArg(4), &to)) return s;
  int64_t last = BuiltinNumToInteger(to);
  if (last >= kAcumCounterMax) return st::DATAOUTBOUND;
  if (Status s = VarAssignInt(var, VarNumToInt(from))) return s;
  for (;;) {
    int32_t i = 0;
    if (Status s = IntVar(var, &i)) return s;
    if (i > last) return 0;
    if (Status s = sum.Add()) return s;
    if (Status s = IntVar(var, &i)) return s;
    if (Status s = VarAssignInt(var, static_cast<int16_t>(i + 1))) return s;
  }
}

Status AcumWhile(AcumSum& sum) {
  StrValue cond = RawArg(2);
  StrValue whileText = BuiltinArgTotal() >= 3 && RawArg(3).len ? RawArg(3) : cond;
  Status c = EvalCond(cond);
  while (c == 1) {
    if (Status s = sum.Add()) return s;
    c = EvalCond(whileText);
  }
  return Hard(c) ? c : 0;
}

}  // namespace

Status BiAcum(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(2, 4)) return s;
  AcumSum sum(RawArg(1));
  Status s = BuiltinArgTotal() == 4 ? AcumCounted(sum) : AcumWhile(sum);
  if (s != 0) return s;
  return BuiltinResultNum(sum.Sum());
}

// --- Data files ------------------------------------------------------------------

Status BiFileFind(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 4)) return s;
  StrValue key = BuiltinArgAsText(1, Empty());
  int file = 0, keyNo = -1, flags = 0;
  if (Status e = StrError(key)) return e;
  if (Status s = IntArg(2, 0, &file)) return s;
  if (Status s = IntArg(3, -1, &keyNo)) return s;
  if (Status s = IntArg(4, 0, &flags)) return s;
  return StatusResult(DataAccessGet().find(key, file, keyNo <= 0 ? -1 : keyNo, flags));
}

Status BiFileLocate(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(0, 2)) return s;
  StrValue command = BuiltinArgAsText(1, StrFromC("NXT"));
  int file = 0;
  if (Status e = StrError(command)) return e;
  if (Status s = IntArg(2, 0, &file)) return s;
  return StatusResult(DataAccessGet().locate(command, file));
}

Status BiIer(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(0, 1)) return s;
  int file = 0;
  if (Status s = IntArg(1, 0, &file)) return s;
  return StatusResult(DataAccessGet().lastStatus(file));
}

Status BiKey(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(0, 4)) return s;
  int file = 0, key = -1, parts = 0, part = 1;
  if (Status s = IntArg(1, 0, &file)) return s;
  if (Status s = IntArg(2, -1, &key)) return s;
  if (Status s = IntArg(3, 0, &parts)) return s;
  if (Status s = IntArg(4, 1, &part)) return s;
  return BuiltinResultStr(DataAccessGet().keyText(file, key, parts, part));
}

// --- FILESEL -------------------------------------------------------------------------

Status BiFileSel(const uint16_t* kinds, uint16_t count) {
  if (Status s = BuiltinArgCount(1, 2)) return s;
  if (!BuiltinArgAbsent(2)) {
    StrValue name = PathExpand(BuiltinArgAsText(1, Empty()));
    int flags = 0;
    if (Status e = StrError(name)) return e;
    if (Status s = IntArg(2, 0, &flags)) return s;
    // The open records its own code; an error recorded before stays the
    // first one, but the call answers the open's code.
    const uint32_t before = ErrGet();
    ErrorKeeper keeper;
    ErrClear();
    uint16_t slot = StreamOpen(name, static_cast<uint16_t>(flags));
    Status code = static_cast<Status>(ErrGet() & 0xffff);
    if (before != 0) keeper.Restore();
    if (slot < kStreamSlots || (flags & kStreamQuiet)) return BuiltinResultInt(slot);
    return code >= 128 ? code : st::FILENOTFOUND;
  }
  if (IsText(kinds, count, 1)) {
    StrValue list = BuiltinArgStr(1, Empty());
    if (Status e = StrError(list)) return e;
    return StatusResult(RunStackOpenState(list));
  }
  int slot = 0;
  if (Status s = IntArg(1, 0, &slot)) return s;
  if (slot < 0 || slot >= kStreamSlots) return st::SINTAXERROR;
  return StatusResult(StreamClose(static_cast<uint16_t>(slot)));
}

// --- FN$FLDS ---------------------------------------------------------------------------

Status BiFlds(const uint16_t*, uint16_t) {
  if (Status s = BuiltinArgCount(1, 2)) return s;
  StrValue ref = StrTrim(BuiltinArgText(1), 3);
  int16_t part = 1;
  if (BuiltinArgTotal() == 2 && StrTrim(BuiltinArgText(2), 3).len) {
    FixedNum v = 0;
    if (Status s = EvalNum(BuiltinArgText(2), &v)) return s;
    part = VarNumToInt(v);
  }
  if (StrFindChar(ref, '{', kSearchPlain) != kNotFound) return BuiltinResultStr(DataAccessGet().fieldRaw(ref, part));
  bool element = StrFindChar(ref, '(', kSearchPlain) != kNotFound;
  if (element || VarLookup(ref).slot != kVarUndefined) {
    uint16_t kind = kArgKindStr;
    Status s = element ? BuiltinEvalText(ref, &kind) : VarRead(ref);
    if (Hard(s)) return s;
    StrValue v = StrAreaTop();
    bool number = element ? kind == kArgKindNum : VarTypeOfName(ref) != kVarStr;
    return BuiltinResultStr(number ? BuiltinNumText(NumFromBytes(v)) : v);
  }
  NameHookFn hook = TaskHookGetAs<NameHookFn>(kHookValue);
  StrValue v = hook ? hook(ref, part) : StrErr(st::SINTAXERROR);
  if (v.IsError() || v.len == 0) return st::SINTAXERROR;
  return BuiltinResultStr(v);
}
