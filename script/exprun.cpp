// Running a compiled expression text: the trees of expcompile.cpp evaluated
// with the text path's operations, in the text path's order, so that values,
// statuses, error details and the current result are the same.
#include "runtime/errors.h"
#include "script/arrays.h"
#include "script/evalint.h"
#include "script/expcode.h"
#include "script/fieldaccess.h"
#include "script/scanner.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

struct Runner {
  Runner(const ExpProgram& program, StringAreaHeader& stringArea) : p(program), area(stringArea) {}
  const ExpProgram& p;
  StringAreaHeader& area;
  ExpCtx c;
  int base = 0;  // the nesting depth at entry
  uint16_t failStart = 0;
  bool failSet = false;
};

StrValue TermText(const Runner& r, const ExpNode& n) { return StrMake(r.p.text.data() + n.start, n.len); }

StrValue CallName(const Runner& r, const ExpNode& n) { return StrMake(r.p.text.data() + n.start, n.nameLen); }

// The array's name with its "(" ("a(").
StrValue ArrayName(const Runner& r, const ExpNode& n) { return StrMake(r.p.text.data() + n.start, n.nameLen + 1u); }

StrValue CallArgs(const Runner& r, const ExpNode& n) {
  return StrMake(r.p.text.data() + n.start + n.nameLen + 1, n.len - n.nameLen - 2u);
}

// Anything a term calls out to (built-ins, hooks, the data layer) sees the
// depth the text path would be at there.
void AtDepth(const Runner& r, const ExpNode& n) { ExpDepth() = r.base + n.depth; }

bool HookTakesNames(const ExpNode& n) {
  return (n.flags & kExpNodeHookName) && TaskHookGetAs<NameHookFn>(kHookValue) != nullptr;
}

// The variable's slot, resolved on first use and again after the name lists
// lost names; kVarUndefined while the name is not defined.
uint16_t Slot(const Runner& r, const ExpNode& n) {
  uint32_t gen = VarGeneration();
  if (n.varGen == gen && n.slot != kVarUndefined) return n.slot;
  VarRef ref = VarLookup(TermText(r, n));
  if (ref.slot != kVarUndefined) {
    n.slot = ref.slot;
    n.varGen = gen;
  }
  return ref.slot;
}

Status List(Runner& r, uint32_t index, bool skipEmpty, ExpValue& out, bool top = false);
Status Node(Runner& r, uint32_t index, ExpValue& out);

// --- Terms -------------------------------------------------------------------

Status NumberValue(Runner& r, const ExpNode& n, ExpValue& out) {
  if (n.numPrecis != r.c.precis) {
    ExpValue v;
    n.numStatus = ExpConstantOrNumber(r.c, TermText(r, n), v);
    n.num = v.num;
    n.numPrecis = static_cast<int8_t>(r.c.precis);
  }
  if (n.numStatus) return n.numStatus;
  out = ExpNumber(n.num);
  return 0;
}

Status VarValue(Runner& r, const ExpNode& n, ExpValue& out) {
  if (n.flags & kExpNodeSpecial) return out = ExpString(n.text), 0;
  bool str = n.flags & kExpNodeStr;
  if (HookTakesNames(n)) return ExpVarRead(TermText(r, n), str, out);
  uint16_t slot = Slot(r, n);
  bool defined = slot != kVarUndefined;
  switch (n.varType) {
    case kVarInt: out = ExpNumber(defined ? IntToNum(VarIntGet(slot)) : 0); return 0;
    case kVarNum: out = ExpNumber(defined ? VarNumGet(slot) : 0); return 0;
    case kVarStr:
      if (!defined) return out = ExpString(StrMake("", 0)), 0;
      // A copy: the value in the store moves when any list changes.
      if (Status s = StrAreaPush(VarStrGet(slot))) return s;
      out = ExpString(StrAreaTop());
      return 0;
    default: return ExpVarRead(TermText(r, n), str, out);
  }
}

// The arguments of an array term or target (mirrors EvalArgs).
Status Args(Runner& r, const ExpNode& n, ExpValue* vals, int* count) {
  *count = 0;
  for (uint16_t k = 0; k < n.argCount; ++k) {
    Status s = List(r, r.p.args[n.args + k], false, vals[k]);
    if (ExpHard(s)) return s;
    ++*count;
  }
  return n.flags & kExpNodeArgFail ? st::SINTAXERROR : 0;
}

Status TermValue(Runner& r, const ExpNode& n, uint16_t kind, ExpValue& out) {
  bool str = n.flags & kExpNodeStr;
  switch (n.kind) {
    case ExpNodeKind::kNumber: return NumberValue(r, n, out);
    case ExpNodeKind::kLiteral:
      if (n.status) return n.status;
      out = ExpString(StrMake(r.p.text.data() + n.a, n.b));
      return 0;
    case ExpNodeKind::kVar: return VarValue(r, n, out);
    case ExpNodeKind::kField: return ExpFieldRead(TermText(r, n), kind, out);
    case ExpNodeKind::kCall: return ExpCallBuiltin(n.code, CallArgs(r, n), str, out);
    case ExpNodeKind::kParen: return List(r, n.a, false, out);
    case ExpNodeKind::kArray: {
      ExpValue args[kExpArrayArgs];
      int count = 0;
      if (Status s = Args(r, n, args, &count)) return s;
      AtDepth(r, n);
      return ExpArrayRead(r.c, CallName(r, n), ArrayName(r, n), str, args, count, out);
    }
    default: return st::SINTAXERROR;
  }
}

// Mirrors EvalTerm: errors name the term, soft statuses are kept.
Status Term(Runner& r, const ExpNode& n, uint16_t kind, ExpValue& out) {
  AtDepth(r, n);
  Status s = TermValue(r, n, kind, out);
  if (s >= st::TYPEMISMATCH) return ExpFail(s, TermText(r, n));
  if (s == st::USERCANCELED) return s;
  if (s) r.c.soft = s;
  return 0;
}

// --- Assignment --------------------------------------------------------------

Status VariableAssign(Runner& r, const ExpNode& t, const ExpValue& value) {
  StrValue name = TermText(r, t);
  bool precis = false;
  if (Status s = ExpVariableCheck(r.c, name, t.termKind == kTermStr, value, &precis)) return s;
  uint16_t slot = HookTakesNames(t) ? kVarUndefined : Slot(r, t);
  Status s = 0;
  if (slot == kVarUndefined) s = VarAssign(name, ExpRaw(value));
  else if (t.varType == kVarInt) s = VarIntSet(slot, VarNumToInt(value.num));
  else if (t.varType == kVarNum) s = VarNumSet(slot, value.num);
  else if (t.varType == kVarStr) s = VarStrSet(slot, value.s);
  else s = VarAssign(name, ExpRaw(value));
  if (precis) r.c.Precis();
  return s;
}

Status AssignTo(Runner& r, const ExpNode& n, const ExpNode& t, const ExpValue& value) {
  ExpValue args[kExpArrayArgs];
  int count = 0;
  switch (static_cast<ExpTarget>(n.op)) {
    case ExpTarget::kVar: return VariableAssign(r, t, value);
    case ExpTarget::kField: return FieldAccessAssign(TermText(r, t), ExpAsText(r.c, value));
    case ExpTarget::kArray:
      if (Status s = Args(r, n, args, &count)) return s;
      AtDepth(r, n);
      return ExpArrayAssign(ArrayName(r, t), t.flags & kExpNodeStr, args, count, value);
    case ExpTarget::kLabel:
      if (Status s = Args(r, n, args, &count)) return s;
      AtDepth(r, n);
      return ExpLabelAssign(r.c, args, count, value);
    default: return st::SINTAXERROR;
  }
}

// Mirrors Apply for "=" and Assign.
Status AssignNode(Runner& r, const ExpNode& n, ExpValue& out) {
  uint16_t lm = r.area.top;
  Status s = 0;
  ExpValue value;
  if (static_cast<ExpTarget>(n.op) == ExpTarget::kNotTarget) {
    ExpValue left;
    if ((s = Node(r, n.a, left)) || (s = Node(r, n.b, value))) return s;
    return st::SINTAXERROR;
  }
  const ExpNode& t = r.p.nodes[n.a];
  if (t.kind == ExpNodeKind::kField) {  // the scanner parses it before the value is read
    AtDepth(r, t);
    uint16_t kind = ExpTermKind(TermText(r, t));
    if (kind >= 128) return kind;
  }
  if ((s = Node(r, n.b, value))) return s;
  uint16_t m = r.area.top;
  AtDepth(r, n);
  s = AssignTo(r, n, t, value);
  StrAreaMark(m);
  if (ExpHard(s)) return ExpFail(s, TermText(r, t));
  if ((s = ExpPlace(value, lm))) return s;
  out = value;
  return 0;
}

// Mirrors EvalRight and Apply for the other operators.
Status BinaryNode(Runner& r, const ExpNode& n, ExpValue& out) {
  uint16_t lm = r.area.top;
  ExpValue left, right;
  if (Status s = Node(r, n.a, left)) return s;
  if ((n.flags & kExpNodeSignCheck) && left.str) return st::SINTAXERROR;
  if (Status s = Node(r, n.b, right)) return s;
  Status s = ExpCombine(r.c, n.op, left, right, lm);
  out = left;
  return s;
}

Status Node(Runner& r, uint32_t index, ExpValue& out) {
  const ExpNode& n = r.p.nodes[index];
  switch (n.kind) {
    case ExpNodeKind::kEmpty: return out = ExpNumber(0), 0;
    case ExpNodeKind::kError: return n.status;
    case ExpNodeKind::kBinary: return BinaryNode(r, n, out);
    case ExpNodeKind::kAssign: return AssignNode(r, n, out);
    case ExpNodeKind::kField: {  // parsed by the scanner first: a status there has no detail of its own
      AtDepth(r, n);
      uint16_t kind = ExpTermKind(TermText(r, n));
      if (kind >= 128) return kind;
      return Term(r, n, kind, out);
    }
    default: return Term(r, n, n.termKind, out);
  }
}

// Mirrors ExecRange; the top list notes where the failing expression starts.
Status List(Runner& r, uint32_t index, bool skipEmpty, ExpValue& out, bool top) {
  const ExpList& l = r.p.lists[index];
  uint16_t base = r.area.top;
  Status s = 0;
  out = ExpNumber(0);
  for (const ExpExpr& e : l.exprs) {
    r.c.soft = 0;
    r.c.Precis();
    ExpValue v;
    if (e.root != kExpNone) {
      s = Node(r, e.root, v);
    } else if (skipEmpty) {
      s = 0;
      StrAreaMark(base);
      continue;
    } else {
      s = st::SINTAXERROR;
    }
    if (ExpHard(s)) {
      if (top) {
        r.failStart = e.start;
        r.failSet = true;
      }
      return s;
    }
    if (v.str) {
      v.s = StrAreaReturn(base, v.s);
      if (v.s.IsError()) return StrError(v.s);
    } else if (r.area.top != base) {
      StrAreaMark(base);
    }
    out = v;
    s = r.c.soft;
  }
  return s;
}

}  // namespace

Status ExpRunProgram(const ExpProgram& program, bool skipEmpty) {
  Runner r(program, RuntimeRecordGet()->area);
  uint16_t m = StrAreaMark(-1);
  r.base = ExpDepth();
  ExpValue v;
  Status s = List(r, program.top, skipEmpty, v, true);
  ExpDepth() = r.base;
  if (ExpHard(s)) {
    ErrSet(1, MOD_EXPEXEC, s, s);
    if (r.failSet) {
      const ExpList& l = program.lists[program.top];
      ExpDetailAppend(StrMake(program.text.data() + r.failStart, l.start + l.len - r.failStart));
    }
    return StrAreaRelease(m, s);
  }
  StrValue result = StrAreaReturn(m, ExpRaw(v));
  if (Status e = StrError(result)) return e;
  return s ? s : v.str ? 1 : 0;
}
