// Built-in functions of the script language: the registry, the call
// dispatch and the argument accessors every built-in uses (an application's
// registered ones included).
//
// A call is written NAME(arg;arg;...). The names are the 33 fixed built-ins
// (codes 1-33 in the order of kBuiltinNames) followed by up to 16 names an
// application registers (codes 34-49); the whole list is SettingsList item 8,
// filled from the fixed names on first use, so a fresh string-list store
// starts with no registered built-in. Names match in any letter case (ASCII).
// The suffix of a name gives its result: "$" a string, otherwise a number.
//
// Arguments: a call holds at most 16; they are split at ";" outside quotes
// and parentheses. Before the handler runs the dispatcher evaluates them in
// order (none for FN#ACUM and FN$FLDS, the first only for CHK#, CHK$ and
// EXP$, four for FILEREL) and pushes each value on the argument stack (string
// list 35): 8 raw bytes for a number, the text for a string, the one-byte
// text 27 (ESC) for a null argument (an empty text between separators). The
// accessors read a null argument, and an argument whose value is that one
// byte, as absent, so it takes its default. Whatever happens, the dispatcher
// cuts the stack back to its count at entry.
//
// A handler gets the kinds of the evaluated arguments (bit 0 set: a string)
// and their count, leaves its value as the current result (the top slot of
// the string area: 8 raw bytes for a number, the text for a string) and
// answers a status. The dispatcher copies that value down to one slot above
// the caller's mark; on an error (128 and above) nothing is left.
//
// Errors: 147 SINTAXERROR for a wrong argument count or mode, more than 16
// arguments, or a call of an unregistered extension code; 128 "Type
// Mismatch" for a string where a number is wanted or the reverse; 168
// DATAOUTBOUND for a 17th registration; 159 STROUTBOUND for a result over
// 65535 bytes and SQLCHILD nested deeper than 7. Errors are recorded with
// module 11 (ExpExec); the evaluator adds the call's text to the detail.
#pragma once
#include <cstdint>
#include <memory>

#include "runtime/fixednum.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

struct ExpToken;

// The fixed names, codes 1-33 by position.
extern const char kBuiltinNames[];

enum BuiltinCodeId : uint16_t {
  kBiLabelArray = 1,  // _#
  kBiFileLen,         // FN#FLEN
  kBiStrLen,          // FN#SLEN
  kBiParmNum,         // FN#PARM
  kBiValN,            // FN#VALN
  kBiAcum,            // FN#ACUM
  kBiChkNum,          // CHK#
  kBiFileFind,        // FILEFIND
  kBiFileRel,         // FILEREL
  kBiFileLocate,      // FILELOCATE
  kBiFileSel,         // FILESEL
  kBiChng,            // FN$CHNG
  kBiChrs,            // FN$CHRS
  kBiDate,            // FN$DATE
  kBiFlds,            // FN$FLDS
  kBiMask,            // FN$MASK
  kBiMids,            // FN$MIDS
  kBiParmStr,         // FN$PARM
  kBiTrim,            // FN$TRIM
  kBiEnvelop,         // ENVELOP$
  kBiChkStr,          // CHK$
  kBiSort,            // SORT$
  kBiExec,            // EXEC$
  kBiRead,            // READ$
  kBiWrite,           // WRITE
  kBiMacro,           // MACRO$
  kBiEnvron,          // ENVRON$
  kBiList,            // _$
  kBiKey,             // KEY$
  kBiTime,            // TIME$
  kBiIer,             // IER
  kBiExp,             // EXP$
  kBiSqlChild,        // SQLCHILD
  kBiFixedCount = 33,
  kBiFirstExt = 34,
  kBiLastExt = 49,
};

constexpr uint16_t kBuiltinMaxArgs = 16;
constexpr uint16_t kBuiltinMaxExt = 16;
constexpr uint16_t kArgKindNum = 0;
constexpr uint16_t kArgKindStr = 1;
constexpr char kArgNullMarker = 27;

using BuiltinHandler = Status (*)(const uint16_t* kinds, uint16_t count);

// --- Registry --------------------------------------------------------------

// 1-49 by position in the name list (any letter case), 0 when the name is
// not a built-in.
uint16_t BuiltinCode(StrValue name);
// The name of a code (a view into the store; empty for an unknown code).
StrValue BuiltinName(uint16_t code);
// Appends the name and stores the handler under the next code from 34; 168
// when 16 are registered already, 147 for an empty name, one holding "," or
// one that is a built-in already.
Status BuiltinRegister(StrValue name, BuiltinHandler handler);
// Calls extension handler code - 34; 147 when none is registered there.
Status BuiltinCallExt(uint16_t code, const uint16_t* kinds, uint16_t count);

// --- Dispatch --------------------------------------------------------------

// Evaluates the arguments of the call term, calls the handler and leaves its
// value as the current result; answers the handler's status.
Status BuiltinDispatch(const ExpToken& token);
// The same for a code and the text between the call's parentheses.
Status BuiltinCallText(uint16_t code, StrValue args);
// The arguments of a call text compiled once, for a call that is made again
// and again (a compiled expression's call term): each argument the
// dispatcher evaluates runs its compiled form instead of being looked up by
// its text. Null when the text does not split into arguments (the call then
// goes the text's way and fails there as before).
struct BuiltinArgCodes;
std::shared_ptr<const BuiltinArgCodes> BuiltinArgCodesMake(StrValue args);
// BuiltinCallText with the arguments' compiled forms (made from args).
Status BuiltinCallCompiled(uint16_t code, StrValue args, const BuiltinArgCodes* codes);
// Evaluates up to max (at most 16) leading arguments of the current call that
// are not evaluated yet onto the argument stack; kinds receives the kind of
// each evaluated argument, *count their number.
Status BuiltinArgsEval(uint16_t max, uint16_t* kinds, uint16_t* count);

// --- Accessors of the current call ----------------------------------------

// 147 when the number of arguments written in the call is outside min..max.
Status BuiltinArgCount(uint16_t min, uint16_t max);
// Arguments written in the call (evaluated or not).
uint16_t BuiltinArgTotal();
// The raw text of argument n (1-based) as written; empty when absent.
StrValue BuiltinArgText(uint16_t n);
// True when argument n is absent, null or not evaluated.
bool BuiltinArgAbsent(uint16_t n);
// Pushes argument n (or def when it is absent) as the current result and
// answers its kind (0 number, 1 string; the kind of def is given) or an
// error.
Status BuiltinArg(uint16_t n, StrValue def, uint16_t defKind);
// Argument n as an integer rounded half away from zero, saturated to the
// 16-bit range (so a huge count or position never wraps); 128 for a string.
Status BuiltinArgInt(uint16_t n, int16_t def, int16_t* out);
// The same without the 16-bit bound (saturated at 32 bits).
Status BuiltinArgLong(uint16_t n, int32_t def, int32_t* out);
// Argument n as a FixedNum; 128 for a string.
Status BuiltinArgNum(uint16_t n, FixedNum def, FixedNum* out);
// Argument n as a string (a copy in the string area); the error string 128
// when it is a number.
StrValue BuiltinArgStr(uint16_t n, StrValue def);
// Argument n as a string, a number given as its text with _PRECIS decimals.
StrValue BuiltinArgAsText(uint16_t n, StrValue def);
// Every evaluated argument, from the last to the first, into ints (numbers,
// rounded and saturated) or strs (texts, copies in the area) by kind; the
// other array's entry is left as it was. More than max arguments is 147.
Status BuiltinArgsParse(const uint16_t* kinds, uint16_t max, int16_t* ints, StrValue* strs);

// --- Results ---------------------------------------------------------------

// Push a number or a text as the current result; a text longer than 65535
// bytes (or an error string) answers its error.
Status BuiltinResultNum(FixedNum v);
Status BuiltinResultInt(int64_t v);
Status BuiltinResultStr(StrValue s);
