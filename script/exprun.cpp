// Running a compiled expression text: the trees of expcompile.cpp evaluated
// with the text path's operations, in the text path's order, so that values,
// statuses, error details and the current result are the same.
//
// Shorter ways for the common cases, each giving what the general way
// gives: numeric subtrees (kExpNodeNumeric) are evaluated on FixedNum
// values without the string area; integer and number variables are read and
// set at the address of their value; a string is not copied onto the place
// it already has.
#include <cstring>

#include "runtime/errors.h"
#include "script/builtins.h"
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

// The variable's slot (and the address of an integer's or number's value),
// resolved on first use and again after the name lists lost names;
// kVarUndefined while the name is not defined.
uint16_t Resolve(const Runner& r, const ExpNode& n) {
  uint32_t gen = VarGeneration();
  VarRef ref = VarLookup(TermText(r, n));
  if (ref.slot != kVarUndefined) {
    n.slot = ref.slot;
    n.varGen = gen;
    n.at = n.varType == kVarInt ? static_cast<void*>(VarIntAt(ref.slot))
           : n.varType == kVarNum ? static_cast<void*>(VarNumAt(ref.slot))
                                  : nullptr;
  }
  return ref.slot;
}

inline uint16_t Slot(const Runner& r, const ExpNode& n) {
  if (n.varGen == VarGeneration() && n.slot != kVarUndefined) return n.slot;
  return Resolve(r, n);
}

// The value of an integer or number variable (0 when not defined).
FixedNum NumericVar(const Runner& r, const ExpNode& n) {
  if (Slot(r, n) == kVarUndefined || !n.at) return 0;
  if (n.varType == kVarNum) {
    FixedNum v;
    std::memcpy(&v, n.at, sizeof v);
    return v;
  }
  int16_t v;
  std::memcpy(&v, n.at, sizeof v);
  return IntToNum(v);
}

// A string left as the value of an operation: directly above lm, unless it
// is there already.
Status PlaceString(const StringAreaHeader& a, ExpValue& v, uint16_t lm) {
  if (a.top == lm + 1 && a.desc[a.top].ptr == v.s.ptr && a.desc[a.top].len == v.s.len) return 0;
  v.s = StrAreaReturn(lm, v.s);
  return StrError(v.s);
}

// Leaves res as the value of an operation (ExpPlace without a call when
// nothing is to be moved or released).
Status Place(const Runner& r, ExpValue& res, uint16_t lm) {
  res.numField = false;
  if (res.str) return PlaceString(r.area, res, lm);
  if (r.area.top != lm) StrAreaMark(lm);
  return 0;
}

Status List(Runner& r, uint32_t index, bool skipEmpty, ExpValue& out, bool top = false);
Status Node(Runner& r, uint32_t index, ExpValue& out);
Status Numeric(Runner& r, uint32_t index, FixedNum& out);

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
  switch (n.varType) {
    case kVarInt:
    case kVarNum: out = ExpNumber(NumericVar(r, n)); return 0;
    case kVarStr: {
      uint16_t slot = Slot(r, n);
      if (slot == kVarUndefined) return out = ExpString(StrMake("", 0)), 0;
      // A copy: the value in the store moves when any list changes.
      if (Status s = StrAreaPush(VarStrGet(slot))) return s;
      out = ExpString(r.area.desc[r.area.top]);
      return 0;
    }
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
    case ExpNodeKind::kField: return ExpFieldReadRef(FieldAccessResolve(TermText(r, n), n.field), kind, out);
    case ExpNodeKind::kCall: {
      StrValue args = CallArgs(r, n);
      if (!n.callArgsMade) {
        n.callArgs = BuiltinArgCodesMake(args);
        n.callArgsMade = true;
      }
      return ExpCallBuiltin(n.code, args, str, out, n.callArgs.get());
    }
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

// An integer or number variable set at its value's address: the variables
// that need neither task hook 0, the _PRECIS check nor VarIntSet (system
// variables); false for the others.
bool QuickAssign(Runner& r, const ExpNode& t, FixedNum v) {
  if ((t.flags & (kExpNodeHookName | kExpNodePrecis)) || Slot(r, t) == kVarUndefined || !t.at) return false;
  if (t.varType == kVarNum) {
    std::memcpy(t.at, &v, sizeof v);
    return true;
  }
  if (t.slot < kSysIntCount) return false;
  int16_t i = VarNumToInt(v);
  std::memcpy(t.at, &i, sizeof i);
  return true;
}

Status VariableAssign(Runner& r, const ExpNode& t, const ExpValue& value) {
  StrValue name = TermText(r, t);
  bool precis = t.flags & kExpNodePrecis;
  if (Status s = ExpVariableCheck(r.c, t.termKind == kTermStr, precis, value)) return s;
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
    case ExpTarget::kField: {
      FieldRef ref = FieldAccessResolve(TermText(r, t), t.field);
      return ref.status ? ref.status : FieldAccessAssignRef(ref, ExpAsText(r.c, value));
    }
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

// Mirrors Assign: the target set, an error naming it.
Status Assign(Runner& r, const ExpNode& n, const ExpNode& t, const ExpValue& value) {
  uint16_t m = r.area.top;
  AtDepth(r, n);
  Status s = AssignTo(r, n, t, value);
  if (r.area.top != m) StrAreaMark(m);
  return ExpHard(s) ? ExpFail(s, TermText(r, t)) : 0;
}

// Mirrors Apply for "=".
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
    uint16_t kind = ExpFieldRefKind(FieldAccessResolve(TermText(r, t), t.field));
    if (kind >= 128) return kind;
  }
  if ((s = Node(r, n.b, value)) || (s = Assign(r, n, t, value)) || (s = Place(r, value, lm))) return s;
  out = value;
  return 0;
}

// An operand: a string variable marked to be read where it lies in the
// store (kExpNodeLeftView, kExpNodeRightView), else as Node reads it.
Status Operand(Runner& r, uint32_t index, bool view, ExpValue& out) {
  if (!view) return Node(r, index, out);
  uint16_t slot = Slot(r, r.p.nodes[index]);
  out = ExpString(slot == kVarUndefined ? StrMake("", 0) : VarStrGet(slot));
  return 0;
}

// left + right written where left lies, when left is the string directly
// above lm (a copied variable or an earlier join): the value and status of
// ExpOperate and Place without moving left.
bool AppendInPlace(Runner& r, const ExpValue& left, const ExpValue& right, uint16_t lm, Status* s, ExpValue& out) {
  const StringAreaHeader& a = r.area;
  if (a.top <= lm || a.desc[lm + 1].ptr != left.s.ptr || a.desc[lm + 1].len != left.s.len) return false;
  uint32_t total = static_cast<uint32_t>(left.s.len) + right.s.len;
  if (total > kStrMaxLen) return *s = st::STRINGTOOLONG, true;
  StrAreaMark(lm);
  char* p = StrAreaAllocPtr(total, 255);  // where left starts
  if (!p) return *s = st::OUTOFMEMORY, true;
  std::memmove(p + left.s.len, right.s.ptr, right.s.len);
  out = ExpString(StrMake(p, total));
  *s = 0;
  return true;
}

// Mirrors EvalRight and Apply for the other operators.
Status BinaryNode(Runner& r, const ExpNode& n, ExpValue& out) {
  uint16_t lm = r.area.top;
  ExpValue left, right;
  if (Status s = Operand(r, n.a, n.flags & kExpNodeLeftView, left)) return s;
  if ((n.flags & kExpNodeSignCheck) && left.str) return st::SINTAXERROR;
  if (Status s = Operand(r, n.b, n.flags & kExpNodeRightView, right)) return s;
  Status s = 0;
  if (n.op == kOpAdd && left.str && right.str && AppendInPlace(r, left, right, lm, &s, out)) return s;
  if ((s = ExpOperate(r.c, n.op, left, right, out))) return s;
  return Place(r, out, lm);
}

// A variable or a literal read without a call (false for the others).
inline bool Leaf(Runner& r, const ExpNode& n, FixedNum& out) {
  if (n.kind == ExpNodeKind::kVar) {
    if (n.flags & kExpNodeHookName) return false;
    out = NumericVar(r, n);
    return true;
  }
  if (n.kind != ExpNodeKind::kNumber || n.numPrecis != r.c.precis || n.numStatus) return false;
  out = n.num;
  return true;
}

// A node marked numeric: numbers only, so no string area, no type checks,
// no field or call; the same operations as Node in the same order.
Status Numeric(Runner& r, uint32_t index, FixedNum& out) {
  const ExpNode& n = r.p.nodes[index];
  Status s = 0;
  switch (n.kind) {
    case ExpNodeKind::kNumber:
      if (n.numPrecis != r.c.precis || n.numStatus) break;
      out = n.num;
      return 0;
    case ExpNodeKind::kVar:
      if (n.flags & kExpNodeHookName) break;
      out = NumericVar(r, n);
      return 0;
    case ExpNodeKind::kEmpty: out = 0; return 0;
    case ExpNodeKind::kBinary: {
      FixedNum a = 0, b = 0;
      if (!Leaf(r, r.p.nodes[n.a], a) && (s = Numeric(r, n.a, a))) return s;
      if (!Leaf(r, r.p.nodes[n.b], b) && (s = Numeric(r, n.b, b))) return s;
      return ExpNumOp(r.c, n.op, a, b, &out);
    }
    case ExpNodeKind::kParen: {  // one expression: ExecRange and EvalTerm around it
      r.c.soft = 0;
      r.c.Precis();
      s = Numeric(r, r.p.lists[n.a].exprs[0].root, out);
      return s >= st::TYPEMISMATCH ? ExpFail(s, TermText(r, n)) : s;
    }
    case ExpNodeKind::kAssign: {
      if ((s = Numeric(r, n.b, out))) return s;
      const ExpNode& t = r.p.nodes[n.a];
      return QuickAssign(r, t, out) ? 0 : Assign(r, n, t, ExpNumber(out));
    }
    default: break;
  }
  ExpValue v;
  if ((s = Term(r, n, n.termKind, v))) return s;
  out = v.num;
  return 0;
}

Status Node(Runner& r, uint32_t index, ExpValue& out) {
  const ExpNode& n = r.p.nodes[index];
  if (n.flags & kExpNodeNumeric) {
    out = ExpValue();
    return Numeric(r, index, out.num);
  }
  switch (n.kind) {
    case ExpNodeKind::kEmpty: return out = ExpNumber(0), 0;
    case ExpNodeKind::kError: return n.status;
    case ExpNodeKind::kBinary: return BinaryNode(r, n, out);
    case ExpNodeKind::kAssign: return AssignNode(r, n, out);
    case ExpNodeKind::kField: {  // parsed by the scanner first: a status there has no detail of its own
      AtDepth(r, n);
      uint16_t kind = ExpFieldRefKind(FieldAccessResolve(TermText(r, n), n.field));
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
  ExpValue v;
  for (const ExpExpr& e : l.exprs) {
    r.c.soft = 0;
    r.c.Precis();
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
      if ((s = PlaceString(r.area, v, base))) return s;
    } else if (r.area.top != base) {
      StrAreaMark(base);
    }
    out = v;
    s = r.c.soft;
  }
  return s;
}

// The string area's header (its address never changes).
StringAreaHeader& g_area = RuntimeRecordGet()->area;

StringAreaHeader& Area() { return g_area; }

}  // namespace

Status ExpRunValue(const ExpProgram& program, bool skipEmpty, ExpValue& v) {
  Runner r(program, Area());
  uint16_t m = r.area.top;
  r.base = ExpDepth();
  Status s = 0;
  uint32_t root = program.numeric;
  if (root != kExpNone) {
    // One expression of numbers: List and Node without their general ways.
    r.c.soft = 0;
    r.c.Precis();
    v = ExpValue();
    s = Numeric(r, root, v.num);
    if (ExpHard(s)) {
      r.failStart = program.lists[program.top].exprs[0].start;
      r.failSet = true;
    } else {
      if (r.area.top != m) StrAreaMark(m);
      s = r.c.soft;
    }
  } else {
    s = List(r, program.top, skipEmpty, v, true);
  }
  ExpDepth() = r.base;
  if (ExpHard(s)) {
    ErrSet(1, MOD_EXPEXEC, s, s);
    if (r.failSet) {
      const ExpList& l = program.lists[program.top];
      ExpDetailAppend(StrMake(program.text.data() + r.failStart, l.start + l.len - r.failStart));
    }
    StrAreaMark(m);
  }
  return s;
}

Status ExpPutResult(const ExpValue& v, uint16_t mark) {
  StringAreaHeader& a = Area();
  if (v.str) {
    ExpValue placed = v;
    return PlaceString(a, placed, mark);
  }
  // The result slot often holds a number already: its 8 bytes are replaced.
  if (a.top == mark + 1 && a.desc[a.top].len == sizeof v.num) {
    std::memcpy(a.desc[a.top].ptr, &v.num, sizeof v.num);
    return 0;
  }
  StrAreaMark(mark);
  return StrError(NumBytes(v.num));
}

Status ExpRunProgram(const ExpProgram& program, bool skipEmpty) {
  uint16_t m = Area().top;
  ExpValue v;
  Status s = ExpRunValue(program, skipEmpty, v);
  if (ExpHard(s)) return s;
  if (Status e = ExpPutResult(v, m)) return e;
  return s ? s : v.str ? 1 : 0;
}
