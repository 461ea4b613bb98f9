// Internal to the evaluator's files: what the text path (evaltext.cpp, the
// reference) and the compiled path (expcompile.cpp, exprun.cpp) share, so
// that both give the same values, statuses and error details by running
// the same operations.
//
// Values: a number stays a FixedNum in an ExpValue; a string is a view into
// the string area above the expression's mark, into the expression text or
// into a constant. Only the final result of a text goes to the string area
// as 8 raw bytes (the current result).
//
// Depth: one counter for the whole evaluation, nested evaluations (built-in
// arguments, procedures run from an expression) included, so that no chain
// of nested texts can exhaust the C stack; past kExpMaxDepth it is 147.
#pragma once
#include <cstdint>
#include <string_view>

#include "runtime/fixednum.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/evaluator.h"

struct ExpValue {
  bool str = false;
  bool numField = false;  // read straight from a numeric field reference
  FixedNum num = 0;
  StrValue s;
};

inline ExpValue ExpNumber(FixedNum v) {
  ExpValue r;
  r.num = v;
  return r;
}

inline ExpValue ExpString(StrValue s) {
  ExpValue r;
  r.str = true;
  r.s = s;
  return r;
}

// The precision of one expression and the soft status of its last term.
struct ExpCtx {
  int precis = 2;
  int64_t pow = 100;  // 10^precis
  Status soft = 0;

  void Precis() {
    int p = NumPrecis();
    if (p != precis) pow = Pow10(precis = p);
  }
};

// Errors and a cancel stop a text; soft statuses leave a value.
inline bool ExpHard(Status s) { return s >= st::TYPEMISMATCH || s == st::USERCANCELED; }

// A condition from an evaluation's status and, for 0, its number: true for
// a non-zero number; a string and statuses 1-121 are false, 122 and above
// are answered.
inline Status ExpCondOf(Status s, FixedNum number) {
  if (s >= st::USERCANCELED) return s;
  return s == 0 && number != 0 ? 1 : 0;
}

// The nesting depth of the evaluation now running (0 outside any).
inline int g_expDepth = 0;
inline int& ExpDepth() { return g_expDepth; }

// Evaluates a text by scanning it token by token (the reference path); the
// result and status as ExpExecText answers them (skipEmpty: empty
// expressions are skipped, as in expression files).
Status ExpExecTextPath(StrValue text, bool skipEmpty);

// Records code with module 11 and appends the detail (unless the error
// detail already ends with it); answers code.
Status ExpFail(Status code, StrValue detail);
void ExpDetailAppend(StrValue text);

// --- Terms -------------------------------------------------------------------

// A number literal (digits with at most one point) at the precision, or a
// ".name" constant.
Status ExpConstantOrNumber(const ExpCtx& c, StrValue term, ExpValue& out);
// A quoted literal without its quotes (a view into the term).
Status ExpUnquote(StrValue term, ExpValue& out);
// The special read-only string names (.lf$ ...): their text, or an error
// string when the name is not one of them.
StrValue ExpSpecialText(StrValue name);
// Reads the current result pushed above mark m as a value of the given type.
Status ExpTakeResult(uint16_t m, bool str, ExpValue& out);
// A value text (of a field or a hook) as a value of the term's type.
ExpValue ExpFromText(StrValue text, bool str);
// A variable read through VarRead (hooks, special names, any name).
Status ExpVarRead(StrValue name, bool str, ExpValue& out);
// A field reference NAME{file} of the given scanner kind.
Status ExpFieldRead(StrValue term, uint16_t kind, ExpValue& out);
// The same for a reference already parsed.
struct FieldRef;
Status ExpFieldReadRef(const FieldRef& ref, uint16_t kind, ExpValue& out);
// A built-in call: the arguments' text is evaluated by the dispatcher.
// With codes, the arguments' compiled forms (BuiltinArgCodesMake of args).
struct BuiltinArgCodes;
Status ExpCallBuiltin(uint16_t code, StrValue args, bool str, ExpValue& out, const BuiltinArgCodes* codes = nullptr);
// name(i;...) once its arguments are evaluated: a "_" name task hook 2
// answers, else an array element.
Status ExpArrayRead(const ExpCtx& c, StrValue name, StrValue arrayName, bool str, const ExpValue* args, int count,
                    ExpValue& out);

// The end of the argument that starts at `start` of a call's argument text:
// the next ";" outside quotes and parentheses, or n.
uint32_t ExpArgEnd(const char* p, uint32_t n, uint32_t start);
// The most arguments of an array term (its indexes and a pattern), and of
// the label array.
constexpr int kExpArrayArgs = 5;
constexpr int kExpLabelArgs = 2;

// --- Operators and assignment ------------------------------------------------

// Applies a two-operand operator other than "=" (a numeric field on the
// left reads a string on the right as a number); a string result is a new
// slot of the area, to be placed (ExpPlace) by the caller.
Status ExpOperate(const ExpCtx& c, uint16_t op, const ExpValue& left, ExpValue& right, ExpValue& res);
// A two-operand operator other than "=" on two numbers.
Status ExpNumOp(const ExpCtx& c, uint16_t op, FixedNum a, FixedNum b, FixedNum* out);
// Leaves res as the value of an operation: a string directly above lm.
Status ExpPlace(ExpValue& res, uint16_t lm);

// The value as a current result (8 raw bytes or the text) and as a text.
StrValue ExpRaw(const ExpValue& v);
StrValue ExpAsText(const ExpCtx& c, const ExpValue& v);

// The assignment targets, once the value (and the target's arguments) are
// evaluated.
Status ExpLabelAssign(const ExpCtx& c, const ExpValue* args, int count, const ExpValue& value);
Status ExpArrayAssign(StrValue arrayName, bool strArray, const ExpValue* args, int count, const ExpValue& value);
// Checks an assignment to a variable of the given kind (string or not):
// 128 for the other kind, 147 for _PRECIS (precis) outside 0-9.
Status ExpVariableCheck(const ExpCtx& c, bool strVar, bool precis, const ExpValue& value);
inline bool ExpIsPrecis(StrValue name) { return name.View() == "_PRECIS"; }
