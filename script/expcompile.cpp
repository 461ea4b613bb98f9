// The compiler of expression texts: the text path's precedence algorithm
// run once over the tokens, building the trees the run evaluates.
#include <string_view>

#include "script/builtins.h"
#include "script/evalint.h"
#include "script/expcode.h"
#include "script/scanner.h"
#include "script/variables.h"

namespace {

// An operand while compiling: a node and whether it is a term before "="
// (a target, not read unless no assignment takes it).
struct Item {
  uint32_t node = kExpNone;
  bool target = false;
};

class Compiler {
 public:
  explicit Compiler(ExpProgram& p) : p_(p) {}

  void Run() {
    StrValue text = StrMake(p_.text.data(), static_cast<uint32_t>(p_.text.size()));
    p_.top = List(text);
    p_.textPath = textPath_;
    const ExpList& top = p_.lists[p_.top];
    if (top.exprs.size() == 1 && Numeric(top.exprs[0].root)) p_.numeric = top.exprs[0].root;
  }

 private:
  ExpProgram& p_;
  int depth_ = 0;
  bool textPath_ = false;

  uint16_t Offset(const char* at) const { return static_cast<uint16_t>(at - p_.text.data()); }

  // A text nested deeper than any evaluation may go fails on the text path
  // (147 where the limit is passed); the compiler stops there.
  void Deeper() {
    if (++depth_ > p_.maxDepth) p_.maxDepth = static_cast<uint16_t>(depth_);
    if (depth_ > kExpMaxDepth) textPath_ = true;
  }

  uint32_t Add(const ExpNode& n) {
    bool out = n.kind == ExpNodeKind::kCall || n.kind == ExpNodeKind::kField || n.kind == ExpNodeKind::kArray;
    if (out || (n.flags & kExpNodeHookName)) p_.callsOut = true;
    p_.nodes.push_back(n);
    return static_cast<uint32_t>(p_.nodes.size() - 1);
  }

  bool Numeric(uint32_t at) const { return at != kExpNone && (p_.nodes[at].flags & kExpNodeNumeric); }

  // Marks a node whose value can only be a number made of numbers (the run
  // takes a shorter way through it).
  void MarkNumeric(uint32_t at) {
    ExpNode& n = p_.nodes[at];
    bool numeric = false;
    switch (n.kind) {
      case ExpNodeKind::kEmpty:
      case ExpNodeKind::kNumber: numeric = true; break;
      case ExpNodeKind::kVar:
        numeric = !(n.flags & kExpNodeSpecial) && (n.varType == kVarInt || n.varType == kVarNum);
        break;
      case ExpNodeKind::kBinary: numeric = Numeric(n.a) && Numeric(n.b); break;
      case ExpNodeKind::kParen: {
        if (n.a == kExpNone) break;  // not read (yet)
        const ExpList& l = p_.lists[n.a];
        numeric = l.exprs.size() == 1 && Numeric(l.exprs[0].root);
        break;
      }
      case ExpNodeKind::kAssign:
        numeric = static_cast<ExpTarget>(n.op) == ExpTarget::kVar && Numeric(n.a) && Numeric(n.b);
        break;
      default: break;
    }
    if (numeric) p_.nodes[at].flags |= kExpNodeNumeric;
  }

  ExpToken Scan(const ExpToken& state) {
    ExpToken t = ExpScanTokenQuiet(state);
    if (t.status) textPath_ = true;
    return t;
  }

  // Mirrors the text path's ExecRange.
  uint32_t List(StrValue text) {
    Deeper();
    ExpList l;
    l.start = Offset(text.ptr);
    l.len = text.len;
    l.depth = static_cast<uint16_t>(depth_);
    ExpToken state = ExpScanAt(text, 0);
    do {
      ExpExpr e;
      e.start = static_cast<uint16_t>(l.start + state.next);
      e.root = Expr(state);
      l.exprs.push_back(e);
    } while (!textPath_ && !state.AtEnd());
    --depth_;
    p_.lists.push_back(std::move(l));
    return static_cast<uint32_t>(p_.lists.size() - 1);
  }

  // Mirrors EvalExpr; kExpNone for an empty expression.
  uint32_t Expr(ExpToken& cur) {
    cur = Scan(cur);
    if (textPath_ || (cur.termLen == 0 && cur.op == kOpNone)) return kExpNone;
    Item left = Operand(cur);
    left = Prec(cur, left, 0);
    return Read(left);
  }

  // Mirrors EvalPrec.
  Item Prec(ExpToken& cur, Item left, uint16_t minClass) {
    while (!textPath_ && cur.op != kOpNone && cur.opClass >= minClass) {
      uint16_t op = cur.op;
      cur = Scan(cur);
      if (textPath_) break;
      uint16_t flags = 0;
      Item right = Right(cur, op, left, &flags);
      left = Apply(op, left, right, flags);
    }
    return left;
  }

  // Mirrors EvalRight.
  Item Right(ExpToken& cur, uint16_t op, const Item& left, uint16_t* flags) {
    bool empty = cur.termLen == 0;
    if (empty && cur.op == kOpNone) {
      ExpNode n;
      n.kind = ExpNodeKind::kError;
      n.status = st::SINTAXERROR;
      return Item{Add(n), false};
    }
    if (empty && !left.target) *flags |= kExpNodeSignCheck;
    Item right = Operand(cur);
    uint16_t cls = ExpOpClass(op);
    while (!textPath_ && cur.op != kOpNone && (cur.opClass > cls || empty || op == kOpAssign)) {
      Deeper();
      right = Prec(cur, right, cur.opClass);
      --depth_;
      empty = false;
    }
    return right;
  }

  // Mirrors Apply: a two-operand node, an assignment, or an assignment to
  // something that is not a target (147 once both sides are evaluated).
  // A string variable read without a call: no hook, not a special name.
  bool PlainString(uint32_t at) const {
    const ExpNode& n = p_.nodes[at];
    return n.kind == ExpNodeKind::kVar && n.varType == kVarStr && !(n.flags & (kExpNodeHookName | kExpNodeSpecial));
  }

  // A term whose reading changes nothing: a literal or a variable without a
  // hook.
  bool Quiet(uint32_t at) const {
    const ExpNode& n = p_.nodes[at];
    return n.kind == ExpNodeKind::kLiteral || n.kind == ExpNodeKind::kNumber ||
           (n.kind == ExpNodeKind::kVar && !(n.flags & kExpNodeHookName));
  }

  Item Apply(uint16_t op, const Item& left, const Item& right, uint16_t flags) {
    ExpNode n;
    n.op = static_cast<uint8_t>(op);
    n.flags = flags;
    n.depth = static_cast<uint16_t>(depth_);
    if (op != kOpAssign) {
      n.kind = ExpNodeKind::kBinary;
      n.a = Read(left);
      n.b = Read(right);
      if (PlainString(n.b)) n.flags |= kExpNodeRightView;
      if (op != kOpAdd && PlainString(n.a) && Quiet(n.b)) n.flags |= kExpNodeLeftView;
      uint32_t at = Add(n);
      MarkNumeric(at);
      return Item{at, false};
    }
    n.kind = ExpNodeKind::kAssign;
    n.b = Read(right);
    n.a = left.target ? left.node : Read(left);
    n.op = static_cast<uint8_t>(left.target ? TargetOf(left.node) : ExpTarget::kNotTarget);
    uint32_t at = Add(n);
    if (left.target) TargetArgs(at);
    MarkNumeric(at);
    return Item{at, false};
  }

  ExpTarget TargetOf(uint32_t term) const {
    const ExpNode& t = p_.nodes[term];
    switch (t.kind) {
      case ExpNodeKind::kVar: return ExpTarget::kVar;
      case ExpNodeKind::kField: return ExpTarget::kField;
      case ExpNodeKind::kArray: return ExpTarget::kArray;
      case ExpNodeKind::kCall: return t.code == kBiLabelArray ? ExpTarget::kLabel : ExpTarget::kBad;
      default: return ExpTarget::kBad;
    }
  }

  // The index arguments of an array or label target, evaluated when the
  // assignment is made (after the value): kept on the assignment node.
  void TargetArgs(uint32_t at) {
    ExpTarget kind = static_cast<ExpTarget>(p_.nodes[at].op);
    if (kind != ExpTarget::kArray && kind != ExpTarget::kLabel) return;
    const ExpNode& t = p_.nodes[p_.nodes[at].a];
    StrValue args = CallArgs(t);
    Args(at, args, kind == ExpTarget::kLabel ? kExpLabelArgs : kExpArrayArgs, depth_);
  }

  // A term before "=" that no assignment takes is read.
  uint32_t Read(const Item& item) {
    if (item.target) Reads(item.node);
    return item.node;
  }

  // The operand of token t (mirrors Operand).
  Item Operand(const ExpToken& t) {
    if (t.termLen == 0) {
      uint32_t empty = Add(ExpNode{});
      MarkNumeric(empty);
      return Item{empty, false};
    }
    bool target = t.op == kOpAssign;
    uint32_t node = Term(t);
    if (!target) Reads(node);
    return Item{node, target};
  }

  StrValue CallArgs(const ExpNode& n) const {
    uint32_t open = n.start + n.nameLen;
    return StrMake(p_.text.data() + open + 1, n.len - n.nameLen - 2u);
  }

  // What reading a term needs beyond the term itself: the lists of a
  // parenthesised part and of array arguments.
  void Reads(uint32_t at) {
    ExpNode& n = p_.nodes[at];
    if (n.kind == ExpNodeKind::kParen && n.a == kExpNone) {
      int saved = depth_;
      depth_ = n.depth;
      uint32_t list = List(CallArgs(n));
      depth_ = saved;
      p_.nodes[at].a = list;
      MarkNumeric(at);
    } else if (n.kind == ExpNodeKind::kArray && n.args == kExpNone) {
      Args(at, CallArgs(n), kExpArrayArgs, n.depth);
    }
  }

  // Mirrors EvalArgs: each argument a list, compiled at one level below
  // `depth`; too many arguments or an empty one is 147 after the ones
  // before it.
  void Args(uint32_t at, StrValue args, int max, int depth) {
    std::vector<uint32_t> lists;
    bool fail = false;
    int saved = depth_;
    depth_ = depth;
    for (uint32_t start = 0; !textPath_;) {
      uint32_t end = ExpArgEnd(args.ptr, args.len, start);
      if (static_cast<int>(lists.size()) == max || end == start) {
        fail = true;
        break;
      }
      lists.push_back(List(StrMake(args.ptr + start, end - start)));
      if (end >= args.len) break;
      start = end + 1;
    }
    depth_ = saved;
    ExpNode& n = p_.nodes[at];
    n.args = static_cast<uint32_t>(p_.args.size());
    n.argCount = static_cast<uint16_t>(lists.size());
    if (fail) n.flags |= kExpNodeArgFail;
    p_.args.insert(p_.args.end(), lists.begin(), lists.end());
  }

  // The node of a term, by the scanner's kind.
  uint32_t Term(const ExpToken& t) {
    ExpNode n;
    n.start = Offset(t.text.ptr + t.termStart);
    n.len = t.termLen;
    n.termKind = t.kind;
    n.depth = static_cast<uint16_t>(depth_);
    n.nameLen = static_cast<uint16_t>(t.termLen - t.parenLen);
    if ((t.kind & kTermTypeMask) == kTermStr) n.flags |= kExpNodeStr;
    StrValue term = t.Term();
    if (term.len && term.ptr[0] == '_') n.flags |= kExpNodeHookName;
    if (t.kind & kTermParen) {
      n.kind = ExpNodeKind::kParen;
    } else if (t.kind & kTermCall) {
      n.kind = ExpNodeKind::kCall;
      n.code = t.builtin;
    } else if (t.kind & kTermArray) {
      n.kind = ExpNodeKind::kArray;
    } else {
      switch (t.kind) {
        case kTermField:
        case kTermFieldText: n.kind = ExpNodeKind::kField; break;
        case kTermInt:
        case kTermNum:
        case kTermStr: Variable(n, term); break;
        case kTermLiteral: Literal(n, term); break;
        default: n.kind = ExpNodeKind::kNumber; break;
      }
    }
    uint32_t at = Add(n);
    MarkNumeric(at);
    return at;
  }

  static void Variable(ExpNode& n, StrValue name) {
    n.kind = ExpNodeKind::kVar;
    n.varType = static_cast<uint8_t>(VarTypeOfName(name));
    if (ExpIsPrecis(name)) n.flags |= kExpNodePrecis;
    StrValue special = n.termKind == kTermStr ? ExpSpecialText(name) : StrErr(st::NOTFOUND);
    if (!special.IsError()) {
      n.flags |= kExpNodeSpecial;
      n.text = special;
    }
  }

  // A literal keeps the place of its text (a = offset, b = length) or its
  // status.
  void Literal(ExpNode& n, StrValue term) const {
    n.kind = ExpNodeKind::kLiteral;
    ExpValue v;
    n.status = ExpUnquote(term, v);
    if (n.status == 0) {
      n.a = Offset(v.s.ptr);
      n.b = v.s.len;
    }
  }
};

}  // namespace

void ExpCompileProgram(StrValue text, ExpProgram& program) {
  if (ExpPreprocessQuiet(text, &program.text) != 0) {
    program.textPath = true;
    return;
  }
  Compiler(program).Run();
}
