// The text path of the evaluator: a text is scanned and evaluated token by
// token, every time. It is the reference the compiled path is checked
// against (tests switch to it with ExpUseTextPath), and it runs the texts
// the compiled path leaves to it: texts that do not scan, texts that nest
// deeper than the depth left, texts compiled before a built-in registration.
#include "runtime/errors.h"
#include "script/arrays.h"
#include "script/evalint.h"
#include "script/fieldaccess.h"
#include "script/scanner.h"
#include "script/variables.h"

namespace {

// A value while an expression is evaluated, or a term before "=" that is
// not read (it may be assigned).
struct Val : ExpValue {
  bool target = false;
  ExpToken tok;  // that term
};

struct Ctx : ExpCtx {
  StrValue failRest;  // the rest of the text from the failing expression
  bool failRestSet = false;
};

Val Number(FixedNum v) {
  Val r;
  r.num = v;
  return r;
}

// The depth counter around one recursion: 147 past the limit.
class DepthStep {
 public:
  DepthStep() : over_(++ExpDepth() > kExpMaxDepth) {}
  ~DepthStep() { --ExpDepth(); }
  bool Over() const { return over_; }

 private:
  bool over_;
};

// --- Terms -------------------------------------------------------------------

Status ExecRange(Ctx& c, StrValue text, bool skipEmpty, ExpValue& out);

// The arguments of a call term, split at ";" outside quotes and parentheses,
// each evaluated.
Status EvalArgs(Ctx& c, StrValue args, ExpValue* vals, int max, int* count) {
  *count = 0;
  for (uint32_t start = 0;;) {
    uint32_t end = ExpArgEnd(args.ptr, args.len, start);
    if (*count == max || end == start) return st::SINTAXERROR;
    Status s = ExecRange(c, StrMake(args.ptr + start, end - start), false, vals[*count]);
    if (ExpHard(s)) return s;
    ++*count;
    if (end >= args.len) return 0;
    start = end + 1;
  }
}

StrValue ArrayName(const ExpToken& t) { return StrMake(t.text.ptr + t.termStart, t.termLen - t.parenLen + 1u); }

// name(i;...) as an array element, or a "_" name that task hook 2 answers.
Status ArrayTerm(Ctx& c, const ExpToken& t, ExpValue& out) {
  ExpValue args[kExpArrayArgs];
  int count = 0;
  if (Status s = EvalArgs(c, t.CallArgs(), args, kExpArrayArgs, &count)) return s;
  return ExpArrayRead(c, t.CallName(), ArrayName(t), (t.kind & kTermTypeMask) == kTermStr, args, count, out);
}

Status TermValue(Ctx& c, const ExpToken& t, ExpValue& out) {
  if (t.kind & kTermParen) return ExecRange(c, t.CallArgs(), false, out);
  if (t.kind & kTermCall) return ExpCallBuiltin(t.builtin, t.CallArgs(), (t.kind & kTermTypeMask) == kTermStr, out);
  if (t.kind & kTermArray) return ArrayTerm(c, t, out);
  switch (t.kind) {
    case kTermField:
    case kTermFieldText: return ExpFieldRead(t.Term(), t.kind, out);
    case kTermInt:
    case kTermNum:
    case kTermStr: return ExpVarRead(t.Term(), t.kind == kTermStr, out);
    case kTermLiteral: return ExpUnquote(t.Term(), out);
    default: return ExpConstantOrNumber(c, t.Term(), out);
  }
}

Status EvalTerm(Ctx& c, const ExpToken& t, Val& out) {
  Status s = TermValue(c, t, out);
  if (s >= st::TYPEMISMATCH) return ExpFail(s, t.Term());
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

Status LabelAssign(Ctx& c, const ExpToken& t, const ExpValue& value) {
  ExpValue args[kExpLabelArgs];
  int count = 0;
  if (Status s = EvalArgs(c, t.CallArgs(), args, kExpLabelArgs, &count)) return s;
  return ExpLabelAssign(c, args, count, value);
}

Status ArrayAssign(Ctx& c, const ExpToken& t, const ExpValue& value) {
  ExpValue args[kExpArrayArgs];
  int count = 0;
  if (Status s = EvalArgs(c, t.CallArgs(), args, kExpArrayArgs, &count)) return s;
  return ExpArrayAssign(ArrayName(t), (t.kind & kTermTypeMask) == kTermStr, args, count, value);
}

Status VariableAssign(Ctx& c, const ExpToken& t, const ExpValue& value) {
  bool precis = ExpIsPrecis(t.Term());
  if (Status s = ExpVariableCheck(c, t.kind == kTermStr, precis, value)) return s;
  Status s = VarAssign(t.Term(), ExpRaw(value));
  if (precis) c.Precis();
  return s;
}

Status AssignTo(Ctx& c, const ExpToken& t, const ExpValue& value) {
  if (t.kind & kTermCall) return t.builtin == 1 ? LabelAssign(c, t, value) : st::SINTAXERROR;
  if (t.kind & (kTermArray | kTermParen)) return t.kind & kTermArray ? ArrayAssign(c, t, value) : st::SINTAXERROR;
  switch (t.kind) {
    case kTermField:
    case kTermFieldText: return FieldAccessAssign(t.Term(), ExpAsText(c, value));
    case kTermInt:
    case kTermNum:
    case kTermStr: return VariableAssign(c, t, value);
    default: return st::SINTAXERROR;
  }
}

Status Assign(Ctx& c, const Val& target, const ExpValue& value) {
  if (!target.target) return st::SINTAXERROR;
  uint16_t m = StrAreaMark(-1);
  Status s = AssignTo(c, target.tok, value);
  StrAreaMark(m);
  if (ExpHard(s)) return ExpFail(s, target.tok.Term());
  return 0;
}

// --- Precedence --------------------------------------------------------------

// Applies op to left and right; the result replaces left, kept directly
// above mark lm.
Status Apply(Ctx& c, uint16_t op, Val& left, Val& right, uint16_t lm) {
  Status s = 0;
  if (op != kOpAssign) {
    ExpValue res;
    if ((s = Materialize(c, left)) || (s = Materialize(c, right)) || (s = ExpOperate(c, op, left, right, res)) ||
        (s = ExpPlace(res, lm)))
      return s;
    static_cast<ExpValue&>(left) = res;
    return 0;
  }
  if ((s = Materialize(c, right)) || (s = Assign(c, left, right))) return s;
  ExpValue res = right;
  if ((s = ExpPlace(res, lm))) return s;
  left = Val();
  static_cast<ExpValue&>(left) = res;
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
    DepthStep step;
    s = step.Over() ? st::SINTAXERROR : EvalPrec(c, cur, right, rm, cur.opClass);
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
Status ExecRange(Ctx& c, StrValue text, bool skipEmpty, ExpValue& out) {
  DepthStep step;
  if (step.Over()) return st::SINTAXERROR;
  uint16_t base = StrAreaMark(-1);
  ExpToken state = ExpScanAt(text, 0);
  Status s = 0;
  out = ExpNumber(0);
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
    if (ExpHard(s)) {
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
  return s;
}

}  // namespace

Status ExpExecTextPath(StrValue text, bool skipEmpty) {
  uint16_t m = StrAreaMark(-1);
  ExpToken start = ExpScanStart(text);
  if (start.status) {
    ErrSet(1, MOD_EXPEXEC, start.status, start.status);
    return StrAreaRelease(m, start.status);
  }
  Ctx c;
  ExpValue v;
  Status s = ExecRange(c, start.text, skipEmpty, v);
  if (ExpHard(s)) {
    ErrSet(1, MOD_EXPEXEC, s, s);
    if (c.failRestSet) ExpDetailAppend(c.failRest);
    return StrAreaRelease(m, s);
  }
  StrValue result = StrAreaReturn(m, ExpRaw(v));
  if (Status e = StrError(result)) return e;
  return s ? s : v.str ? 1 : 0;
}
