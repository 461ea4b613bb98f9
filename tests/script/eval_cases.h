// The evaluator's tables of cases: each row a text and its outcome, "n:"
// a number with _PRECIS decimals, "s:" a string, "e:" a status. Shared by
// the evaluator's tests and the test that runs every text both ways
// (compiled and scanned); the rows of one table run in order in one
// runtime (the quirk rows use a, b, c set first).
#pragma once

struct EvalCase {
  const char* id;
  const char* text;
  const char* want;
};

inline constexpr EvalCase kEvalNumberCases[] = {
    {"div", "7/2", "n:3.50"},
    {"div-round", "2/3", "n:0.67"},
    {"div-neg", "-7/2", "n:-3.50"},
    {"div-zero", "1/0", "n:0.00"},
    {"mul", "7*0.5", "n:3.50"},
    {"mul-round", "0.05*0.5", "n:0.03"},
    {"mul-round-neg", "-0.05*0.5", "n:-0.03"},
    {"div-half-up", "1/8", "n:0.13"},
    {"div-half-neg-divisor", "1/-8", "n:-0.13"},
    {"mul-half-up", "0.5*0.25", "n:0.13"},
    {"mul-half-neg", "-0.5*0.25", "n:-0.13"},
    {"mul-past-64-bits-fits", "92233720368547758*1", "n:92233720368547758.00"},
    {"div-past-64-bits-fits", "92233720368547758/1", "n:92233720368547758.00"},
    {"percent", "10%15", "n:1.50"},
    {"less-percent", "100\xF7" "15", "n:85.00"},
    {"scale-down", "12.34!0", "n:0.12"},
    {"scale-up", "12!3", "n:120.00"},
    {"precedence", "2+3*4", "n:14.00"},
    {"bar-above-mul", "4|3*2", "n:14.00"},
    {"bar-shared-bit", "5|3", "n:0.00"},
    {"bar", "4|3", "n:7.00"},
    {"at", "4@3", "n:7.00"},
    {"and", "6&3", "n:2.00"},
    {"disjoint", "4@@3", "n:1.00"},
    {"disjoint-shared", "5@@3", "n:0.00"},
    {"disjoint-zero", "0@@0", "n:0.00"},
    {"gt", "3>2", "n:1.00"},
    {"le", "3<=2", "n:0.00"},
    {"ne", "3<>2", "n:1.00"},
    {"logand-whole-value", "655.36&&1", "n:1.00"},
    {"logand", "0&&1", "n:0.00"},
    {"logor", "0||0.01", "n:1.00"},
    {"left-to-right", "8-2-1", "n:5.00"},
    {"compare-then-logic", "1<2&&3>4", "n:0.00"},
    {"paren", "(1+2)*3", "n:9.00"},
    {"sign", "-3+1", "n:-2.00"},
    {"literal-rounds", "1.005", "n:1.01"},
    {"constant", ".dialog+.DATEY", "n:10007.00"},
    {"last-expression", "1,2;3", "n:3.00"},
};

inline constexpr EvalCase kEvalStringCases[] = {
    {"concat", "'a'+\"b\"", "s:ab"},
    {"shorter-first", "'ab'<'abc'", "n:1.00"},
    {"bytes", "'b'>'abc'", "n:1.00"},
    {"equal", "'ab'=='ab'", "n:1.00"},
    {"prefix-pattern", "'ABCDEF'=='abc*'", "n:1.00"},
    {"prefix-too-short", "'AB'=='abc*'", "n:0.00"},
    {"substring-pattern", "'xxABCyy'=='*abc'", "n:1.00"},
    {"substring-up-to-star", "'xxABCyy'=='*abc*zz'", "n:1.00"},
    {"substring-absent", "'xxABCyy'=='*abd'", "n:0.00"},
    {"ne-is-plain", "'ABC'<>'abc*'", "n:1.00"},
    {"unclosed-quote", "'abc", "s:abc"},
};

inline constexpr EvalCase kEvalErrorCases[] = {
    {"minus-on-strings", "'a'-'b'", "e:147"},
    {"mul-on-strings", "'a'*'b'", "e:147"},
    {"string-number", "'a'+1", "e:128"},
    {"number-string", "1+'a'", "e:128"},
    {"string-to-number-var", "x$=1", "e:128"},
    {"number-to-string-var", "x#='1'", "e:128"},
    {"nothing-assigned", "a=", "e:147"},
    {"sign-after-string", "'x'+-1", "e:147"},
    {"empty-expression", "1,,2", "e:147"},
    {"literal-target", "3=4", "e:147"},
    {"paren-target", "(a)=4", "e:147"},
    {"computed-target", "a+b=4", "e:147"},
    {"product-overflow", "99999999999*99999999999", "e:168"},
    {"sum-overflow", "92233720368547758.07+1", "e:168"},
    {"literal-overflow", "99999999999999999999", "e:168"},
    {"literal-letters", "12abc", "e:147"},
    {"literal-points", "1.2.3", "e:147"},
    {"unknown-constant", ".nosuch", "e:147"},
    {"blank-between-operands", "a b", "e:147"},
    {"unbalanced", "(a", "e:129"},
    {"pair-outside-table", "a=>b", "e:147"},
    {"precis-range", "_PRECIS=10", "e:147"},
    {"precis-negative", "_PRECIS=-1", "e:147"},
    {"precis-rounds-past-range", "_PRECIS=9.5", "e:147"},
    {"precis-wraps-into-range", "_PRECIS=65538", "e:147"},
};

inline constexpr EvalCase kEvalQuirkCases[] = {
    {"sign-inside-product", "a*-b+c", "n:14.00"},  // a*(0-b+c), not a*(-b)+c
    {"leading-sign", "-b*c", "n:-30.00"},
    {"assign-from-the-right", "x=y=3,x+y", "n:6.00"},
    {"assign-negative", "n=-1,n", "n:-1.00"},
    {"int-wraps", "i=70000,i", "n:4464.00"},
    {"int-wraps-negative", "i=-32769,i", "n:32767.00"},
    {"int-rounds", "i=2.5,i", "n:3.00"},
    {"int-rounds-away", "i=-2.5,i", "n:-3.00"},
    {"string-var", "t$='abc',t$+'!'", "s:abc!"},
    {"number-var", "n#=1.25,n#*2", "n:2.50"},
    {"undefined-reads-zero", "undefined#", "n:0.00"},
    {"undefined-reads-empty", "undefined$", "s:"},
    {"special-string", ".tab$", "s:\t"},
    {"precis-rescales-stored", "m#=1.5,_PRECIS=3,m#", "n:0.150"},
    {"precis-applies-at-once", "1/3", "n:0.333"},
};

inline constexpr EvalCase kEvalArrayCases[] = {
    {"assign-before-dim", "a(2;3)=5", "e:149"},
    {"first-read-creates", "a(2;3)", "n:0.00"},
    {"assign", "a(2;3)=5,a(2;3)", "n:5.00"},
    {"row-major", "a(1;4)=7,a(2;0)", "n:7.00"},
    {"beyond", "a(2;4)", "e:168"},
    {"index-expression", "k=1,a(k+1;3)*2", "n:10.00"},
    {"string-pattern", "t$('---';2)", "s:---"},
    {"string-assign", "t$(1)='ab',t$(1)", "s:ab "},
    {"number-array", "n#(3),n#(3)=1.25,n#(3)+n#(0)", "n:1.25"},
    {"string-in-number-array", "n#(1)='x'", "e:128"},
    // An 8-byte text must not pass for the raw bytes of a number, nor a
    // number's raw bytes for a text.
    {"eight-byte-string-in-number-array", "n#(1)='abcdefgh'", "e:128"},
    {"eight-byte-string-in-integer-array", "a(1)='abcdefgh'", "e:128"},
    {"number-in-string-array", "w$('abcdefgh';1),w$(1)=5", "e:128"},
};
