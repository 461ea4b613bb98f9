// The expression scanner of the script language.
//
// An expression text holds one or more expressions separated by ";" or ","
// (outside quotes and parentheses). Each expression is terms joined by
// operators. The scanner cuts a text into tokens: one term and the operator
// (or separator) after it.
//
// Before scanning, a text is pre-processed (ExpScanStart):
//   - parentheses must pair up in order, quoted parts not counted, else 129
//     "Loop Failure" with the text as detail;
//   - a blank outside quotes must stand next to an operator character
//     (after a run of blanks, or at either end of the text), else 147 with
//     the text from that blank as detail; then every such blank is removed;
//   - the dialog shorthands _ACCEPT$(args) and _ACCEPT#(args) outside quotes
//     become FN$TRIM(FN$PARM(_$(.envvar;.dialog);args);'FIT'), the second
//     wrapped in FN#VALN(...): the value of a field of the last dialog answer;
//   - a text that would pass 65535 bytes is 147.
//
// Term kinds: the first mark found decides, in the order quote, "$", "#",
// "{": 1 quoted literal, 3 string variable, 6 number variable, 8 numeric
// field reference NAME{file} (types N, L, 1-9) and 9 a text field; a term
// followed by "(" is a call: 32 for a built-in name, 16 for an array element
// or a "_" name answered by task hook 2, 64 for an empty name (a parenthesised
// sub-expression); call and array terms also carry the type of their name
// (kTermTypeMask: 3 string, 6 number, 2 integer), so FN$TRIM(a$) is a string
// term (kind 35). Without marks: 2 integer variable when the first byte is
// "A" or above ("_" included), else 0 (a number or a ".name" constant).
// Bit value 1 of a kind means "a string term".
//
// Operators (index, text, class; a higher class binds tighter):
//   1 *  2 /  3 !  4 %  5 ÷ (byte 0xF7): class 4;  6 +  7 -: class 3;
//   8 =: class 0;  9 >  10 <  11 ==  12 >=  13 <=  14 <>: class 2;
//   15 &: class 1;  16 |: class 5;  17 @  18 &&  19 ||  20 @@: class 1.
// A second character "=", ">", "<", "&", "@" or "|" after an operator
// character makes a two-character operator; a pair that is not in the table
// ("=>", "&|") and ":" are 147.
//
// Errors carry the offending text in the error detail; they are recorded by
// the evaluator, which owns module 11. Positions are 16-bit.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/status.h"
#include "runtime/strvalue.h"

enum ExpOp : uint16_t {
  kOpNone = 0,
  kOpMul = 1,
  kOpDiv,
  kOpScale,
  kOpPercent,
  kOpLessPercent,
  kOpAdd,
  kOpSub,
  kOpAssign,
  kOpGt,
  kOpLt,
  kOpEq,
  kOpGe,
  kOpLe,
  kOpNe,
  kOpAnd,
  kOpBar,
  kOpAt,
  kOpLogAnd,
  kOpLogOr,
  kOpDisjoint,
  kOpCount = 21
};

enum ExpTermKind : uint16_t {
  kTermNumber = 0,  // number literal or .name constant (also the empty term)
  kTermLiteral = 1,
  kTermInt = 2,
  kTermStr = 3,
  kTermNum = 6,
  kTermField = 8,
  kTermFieldText = 9,
  kTermArray = 16,
  kTermCall = 32,
  kTermParen = 64,
  kTermTypeMask = 7,
};

constexpr char kExpOpChars[] = "*/!%\xF7+-(;,:)=><&@|";
constexpr char kExpOperators[] = "*,/,!,%,\xF7,+,-,=,>,<,==,>=,<=,<>,&,|,@,&&,||,@@";

struct ExpToken {
  StrValue text;              // the (pre-processed) text being scanned
  uint16_t op = 0;            // operator index; 0 at a separator or the end
  uint16_t kind = 0;          // term kind
  uint16_t termStart = 0;
  uint16_t termLen = 0;
  uint16_t next = 0;          // where the next token starts
  uint16_t parenLen = 0;      // a call term: length of "(...)" with both parentheses
  uint16_t opClass = 0;
  uint16_t builtin = 0;       // a built-in call: its code
  Status status = 0;          // 0 or an error code

  StrValue Term() const { return StrMake(text.ptr + termStart, termLen); }
  // The name of a call term (the text before "(") and its arguments (the
  // text between the parentheses).
  StrValue CallName() const { return StrMake(text.ptr + termStart, termLen - parenLen); }
  StrValue CallArgs() const {
    return StrMake(text.ptr + termStart + termLen - parenLen + 1, parenLen >= 2 ? parenLen - 2u : 0u);
  }
  bool AtEnd() const { return next >= text.len; }
};

bool ExpIsOpChar(char c);
uint16_t ExpOpClass(uint16_t op);

// Pre-processes the text (into a new slot of the string area) and answers the
// scan state before the first token (status set on failure).
ExpToken ExpScanStart(StrValue text);
// The token after the state's position. A text that is already pre-processed
// (or a part of one, such as a parenthesised sub-expression) can be scanned
// from a state made with ExpScanAt.
ExpToken ExpScanToken(const ExpToken& state);
inline ExpToken ExpScanAt(StrValue text, uint16_t position) {
  ExpToken t;
  t.text = text;
  t.next = position;
  return t;
}
// Pre-processes and reads the first token.
ExpToken ExpScanFirst(StrValue text);

// For the compiler of expression texts, which scans a text once ahead of
// running it: the same pre-processing and tokens without side effects. No
// error detail is written, and a field reference is not parsed: its kind is
// kTermField until ExpTermKind parses it when the term is reached.
Status ExpPreprocessQuiet(StrValue text, std::string* out);
ExpToken ExpScanTokenQuiet(const ExpToken& state);
// The kind of a term without parentheses, a field reference parsed (a
// status of 128 and above when it does not parse).
uint16_t ExpTermKind(StrValue term);
// The kind of a field term by its parsed reference (its status when the
// parse failed).
struct FieldRef;
uint16_t ExpFieldRefKind(const FieldRef& ref);
// The term of the token that starts at a position of a pre-processed text
// (a view into it; an error string when the token cannot be read).
StrValue ExpScanTokenText(StrValue text, uint16_t position);
// 1 when the text must be evaluated, 0 when it is plain text, or the scan
// error: the first token that carries an operator (or ends the text) decides;
// a string term followed by no operator, "+" or "=" makes an expression.
Status ExpClassify(StrValue text);

// 1-based position of a name in a comma list: an exact match first, then a
// match in any letter case; 0 when absent.
uint32_t ExpScanNameIndex(StrValue list, StrValue name);
// 1-based position of the first item equal to name in any letter case.
uint32_t ExpListFindNoCase(StrValue list, StrValue name);
// True when the n bytes at a and b are equal in any (ASCII) letter case.
bool ExpSameNoCase(const char* a, const char* b, size_t n);

// --- Texts built for evaluation ----------------------------------------------

// An expression that evaluates to the text: quoted with ' (or " when the text
// holds '), and pieces joined by "+" where the text holds both quote
// characters or line ends (.lf$ for CR LF, FN$CHRS(13) and FN$CHRS(10) for a
// lone CR or LF), so that any text survives being written and read back.
StrValue ExpQuoteText(StrValue text);
// "target=value": the value quoted (ExpQuoteText) when the target is a
// string; for a number target an empty value becomes "0" and anything but a
// number text (sign, digits, one point) is 163.
StrValue ExpAssignText(StrValue target, StrValue value);
// "field op value", op 1-6 of "==,>,>=,<,<=,<>" (others 147); the value is
// quoted unless the type letter is one of "NL123456789", where it is checked
// as in ExpAssignText.
StrValue ExpBuildCompare(StrValue field, int op, StrValue value, char type);
// For each field reference of the comma list: field==from, or
// (field>=from&&field<=to) when `to` is given and from sorts before it; the
// parts joined by "||". References that do not parse are skipped.
StrValue ExpBuildFilter(StrValue fields, StrValue from, StrValue to);
