// Internal to the evaluator's files: the compiled form of an expression
// text and the two functions that make and run it.
//
// A text is scanned once (quietly) and its expressions are laid out as
// trees of nodes in the order the text path evaluates them: the compiler
// runs the text path's precedence algorithm over the tokens, so a tree's
// shape, the marks of its results and the nesting depth at each term are
// the text path's. Terms carry what the text path works out each time:
// literals converted (for the precision they were read at), built-in codes,
// the variable slot once resolved, the term's place in the text for error
// details.
//
// What the compiler leaves to the run: a field reference is parsed when it
// is first reached (its type depends on the dictionary and the current
// file) and kept in its node while the dictionary's generation holds; a
// "_" name goes through the variable module while task hook 0 is
// registered; a literal read at another precision is read again.
//
// Texts the compiler cannot take go to the text path whole (ExpProgram
// textPath): a text that does not pre-process or holds a token that does
// not scan. Nothing of a text has run when that is decided, so the result
// is the text path's by definition.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/fixednum.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/fieldaccess.h"

struct BuiltinArgCodes;

enum class ExpNodeKind : uint8_t {
  kEmpty,    // an empty operand (a sign): the number 0
  kError,    // a status found by the scan, without a detail of its own
  kNumber,   // a number literal or a ".name" constant
  kLiteral,  // a quoted literal
  kVar,      // an integer, number or string variable
  kField,    // a field reference NAME{file}
  kCall,     // a built-in call
  kArray,    // name(i;...): an array element or a "_" name of task hook 2
  kParen,    // a parenthesised list of expressions
  kBinary,   // left op right
  kAssign,   // target=value
};

// What an assignment's target is.
enum class ExpTarget : uint8_t { kVar, kField, kArray, kLabel, kBad, kNotTarget };

// Node flags.
constexpr uint16_t kExpNodeStr = 1;         // a term of string type
constexpr uint16_t kExpNodeHookName = 2;    // a name beginning with "_"
constexpr uint16_t kExpNodeSpecial = 4;     // kVar: .lf$ .tab$ .pchr$ .null$
constexpr uint16_t kExpNodeSignCheck = 8;   // kBinary: the right term is empty (a sign): 147 after a string
constexpr uint16_t kExpNodeArgFail = 16;    // kArray, target args: 147 after the arguments counted
constexpr uint16_t kExpNodeNumeric = 32;    // numbers only below: integer and number variables, literals, operators
constexpr uint16_t kExpNodePrecis = 64;     // a variable target named _PRECIS
// kBinary: an operand that is a string variable is read where it lies in
// the string-list store instead of being copied first, since nothing
// changes the store before the operator has used it: the right operand
// always, the left one when the right one is a literal or a variable.
constexpr uint16_t kExpNodeLeftView = 128;
constexpr uint16_t kExpNodeRightView = 256;

constexpr uint32_t kExpNone = 0xffffffff;

struct ExpNode {
  ExpNodeKind kind = ExpNodeKind::kEmpty;
  uint8_t op = 0;            // kBinary: the operator; kAssign: ExpTarget
  uint16_t flags = 0;
  uint8_t varType = 0;       // kVar and var targets: VarType
  uint16_t termKind = 0;     // the scanner's kind
  uint16_t start = 0;        // the term in the text
  uint16_t len = 0;
  uint16_t nameLen = 0;      // call and array terms: the name before "("
  uint16_t depth = 0;        // the text path's nesting depth where the term is read (or assigned)
  uint16_t code = 0;         // kCall and label targets: the built-in code
  uint16_t argCount = 0;     // kArray and array or label targets: argument lists
  Status status = 0;         // kError: its code; kLiteral, kNumber: a status of the term
  uint32_t a = kExpNone;     // kBinary, kAssign: left or target; kParen: list; kLiteral: text offset
  uint32_t b = kExpNone;     // kBinary, kAssign: right or value; kLiteral: text length
  uint32_t args = kExpNone;  // kArray and array or label targets: the first argument list in ExpProgram::args
  StrValue text;             // kVar special: its value

  // Filled while running.
  mutable FixedNum num = 0;  // kNumber: the value at numPrecis
  mutable Status numStatus = 0;
  mutable int8_t numPrecis = -1;
  mutable uint16_t slot = 0xffff;  // kVar and var targets: the slot at varGen
  mutable uint32_t varGen = 0;
  mutable void* at = nullptr;      // and an integer's or number's value there
  mutable FieldRefSlot field;      // kField and field targets: the reference resolved
  mutable std::shared_ptr<const BuiltinArgCodes> callArgs;  // kCall: its arguments compiled, on first use
  mutable bool callArgsMade = false;
};

// One expression of a list: where it starts and its tree (kExpNone: empty).
struct ExpExpr {
  uint16_t start = 0;
  uint32_t root = kExpNone;
};

// A list of expressions separated by "," or ";": the text given, a
// parenthesised part, an argument of an array term.
struct ExpList {
  uint16_t start = 0;  // in the text
  uint16_t len = 0;
  uint16_t depth = 0;  // the nesting depth inside it
  std::vector<ExpExpr> exprs;
};

struct ExpProgram {
  std::string text;      // the pre-processed text: every term points into it
  bool textPath = false;  // left to the text path
  bool callsOut = false;  // holds a built-in call, a field reference, an array term or a "_" name
  uint16_t maxDepth = 0;  // the deepest nesting the text path reaches on it
  std::vector<ExpNode> nodes;
  std::vector<ExpList> lists;
  uint32_t top = 0;             // the list of the whole text
  uint32_t numeric = kExpNone;  // the root of a text of one expression marked numeric
  std::vector<uint32_t> args;  // argument lists of array terms and targets, consecutive per term
};

// Compiles the text (after `text` is filled in with the original).
void ExpCompileProgram(StrValue text, ExpProgram& program);
// Runs a compiled text as ExpExecText runs it (skipEmpty: empty expressions
// are skipped); the program must not be left to the text path.
Status ExpRunProgram(const ExpProgram& program, bool skipEmpty);
// The same with the value handed back in `value` instead of being left as
// the current result (a string is in the area above the entry mark); an
// error (122, 128 and above) leaves the area as it was.
struct ExpValue;
Status ExpRunValue(const ExpProgram& program, bool skipEmpty, ExpValue& value);
// Leaves a value as the one slot above mark (a mark at or below the top):
// 8 raw bytes for a number, the text for a string.
Status ExpPutResult(const ExpValue& value, uint16_t mark);
