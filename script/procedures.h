// Procedures: the programs of the script language, compiled and run.
//
// A procedure file holds one statement per line: "KEYWORD text", or an
// expression statement when the first word (up to a blank or a TAB) is no
// keyword. Keywords match in any letter case. Lines beginning with ";", "#"
// or "/" and empty lines are remarks; ":name" is a label for GOTO and GOSUB
// (the rest of its line is ignored); "DEF_FN name" is an entry point for CALL
// and EXEC$. Labels, entries and remarks are not statements, so statement
// numbers (the "line" of every message, "(+ remmarks)") count statements
// only. Label and entry names compare exactly; a duplicate is ignored (the
// first wins). A CR is dropped from the end of a line.
//
// Compiling (PrcCompile) makes one PrcProgram in one memory block of the
// compiler's owner (EXEC_COMPILER): statement codes with resolved jump
// targets, the statement texts, the entry names and positions, the GOSUB
// stack. Programs are registered in value table 10 (newest last) by a handle
// to their block, so a program never moves while it runs, and a program that
// is running cannot be freed (141). Blocks pair by nesting only: any closer
// (ENDIF, LOOP, LOOP_WHILE, LOOP_UNTIL, ELSE) closes the innermost opener (IF,
// IF_TRUE, IF_FALSE, DO_WHILE, DO_UNTIL, DO, ELSE).
//
// Running (PrcRun) goes statement by statement. Before each statement the
// trace line is written when _TRACE has the bit of value 8 ("PrcLog.txt")
// and [expression] segments of the text are expanded. Pending window
// messages are dispatched (a quit message taken there is a cancel: the run
// ends with 122 and the quit is posted again for the loop that owns it)
// before the statement after a handler statement, CALL or LOCALVARS, and
// otherwise every 1024 statements or once 20 ms have passed, so a cancel is
// seen within 20 ms and one statement. Expression statements and conditions
// are compiled with the program (the texts with [expression] segments when
// they run, through the evaluator's cache).
// Control and expression statements run here; statements of codes 19-53 go
// to the statement-handler chain (handlers.h) with their comma-separated
// arguments evaluated. A cancel (122) and any status of 128 or more stop a
// run; lower statuses of expressions and conditions do not (a condition then
// counts as false). A handler's non-zero status ends the run with it.
//
// Activations: every run (PrcCall: CALL, EXEC$, task hook 1, PrcRunSpec)
// keeps its own position, GOSUB stack and flags, so a CALL into the running
// file returns to the right place; nesting is limited to kPrcMaxDepth. The
// argument stack (string list 35) is cut back to its count before a CALL's
// arguments whatever the call's outcome.
//
// Errors (compile errors recorded with module 7, run errors with module 8):
//   164 procedure file missing (the name);
//   145 more than 128 labels or entries, more than 16 open blocks, statement
//       texts over 65535 bytes, a GOSUB past 64 levels, calls nested past
//       kPrcMaxDepth (the entry name);
//   147 an undefined label, a closer without opener, an opener without closer,
//       a line holding a NUL byte, an unknown entry (its name), a callee that
//       left arguments on the stack ("LOCALVARS"), a CALL without file and
//       entry;
//   148 a handler statement when no handler is registered;
//   128 LOCALVARS naming something that is not an integer, number or string,
//       or a name given an argument of the other kind (a number for a string,
//       a text for a number);
//   122 a cancel.
// A run error appends "Line: n (+ remmarks):\r\nKEYWORD text" to the error
// detail (the keyword only for handler statements).
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Statement codes: 1-based positions in kPrcKeywords; 0 is an expression
// statement.
enum PrcCode : uint16_t {
  kPrcExpr = 0,
  kPrcGoto = 1,
  kPrcGosub,
  kPrcCall,
  kPrcReturn,
  kPrcEndif,
  kPrcLoop,
  kPrcLoopWhile,
  kPrcLoopUntil,
  kPrcElse,
  kPrcIf,
  kPrcIfTrue,
  kPrcDoWhile,
  kPrcIfFalse,
  kPrcDoUntil,
  kPrcDo,
  kPrcDefFn,
  kPrcLocalVars,
  kPrcEnd = 18,
  kPrcFirstHandler = 19,
  kPrcLastHandler = 53,
};

extern const char kPrcKeywords[];

constexpr uint16_t kPrcMaxLabels = 128;
constexpr uint16_t kPrcMaxEntries = 128;
constexpr uint16_t kPrcMaxBlocks = 16;
constexpr uint16_t kPrcGosubDepth = 64;
constexpr uint16_t kPrcMaxDepth = 32;  // nested CALL / EXEC$ / hook runs

// Run flags of a program.
constexpr uint8_t kPrcRunRestore = 1;  // started without an entry: unwind at the end
constexpr uint8_t kPrcRunExec = 2;     // started by EXEC$: END hands the result back

// PrcCall flags.
constexpr int kPrcCallLocal = 1;  // drop the variables created by the call
constexpr int kPrcCallExec = 2;   // EXEC$: END pushes the current result on list 30

struct PrcItem {
  uint16_t code;
  uint16_t target;
};

struct ExpCompiled;

// One compiled procedure: a header at the start of its block; every array
// lies in the same block.
struct PrcProgram {
  PrcItem* items;
  uint16_t* gosub;       // kPrcGosubDepth return positions
  uint16_t* defPos;      // statement of each entry
  uint16_t* textOffset;  // start of statement n's text in `texts`
  ExpCompiled** exprs;   // statement n's expression or condition compiled (null: none, or macros)
  char* defNames;        // entry names, a comma list
  char* texts;           // statement texts, each followed by a NUL
  uint32_t blockSize;
  uint16_t textLen;
  uint16_t count;        // statements
  uint16_t position;     // 0-based index of the next statement
  uint16_t gosubDepth;
  uint16_t defCount;
  uint16_t defNamesLen;
  uint16_t error;        // the first error of compiling or running
  uint16_t running;      // activations running it now
  uint8_t runFlags;
};

// --- Compiling and the table of programs ------------------------------------

// Resolves the file along the default directory list, reads its lines onto
// the line queue and compiles them; answers the new program's index in value
// table 10 (the newest), or an error code of 122 and above.
Status PrcCompileFile(StrValue name);
// Compiles the lines at the head of the line queue (from index `first` on)
// and consumes them; *out receives the new program (not yet in the table).
Status PrcCompile(StrValue keywords, uint32_t first, PrcProgram** out);
// Registers a program as the newest of value table 10; answers its index.
Status PrcAdd(PrcProgram* program);
// Frees the program at index with the given owner and deletes it from the
// table; 141 when there is none or it is running; an index above 121 is an
// error code and comes back unchanged.
Status PrcFree(uint16_t index, uint16_t owner);
Status PrcRelease(uint16_t index);  // PrcFree with owner EXEC_COMPILER
// Frees a program wherever it now stands in the table.
Status PrcReleaseProgram(PrcProgram* program);
uint16_t PrcCount();
PrcProgram* PrcAt(uint16_t index);
// The statement text n (1-based) as compiled.
StrValue PrcText(const PrcProgram* program, uint16_t n);
// The keyword of a code (empty for 0 and unknown codes).
StrValue PrcKeyword(uint16_t code);
// The statement of an entry name in the program, 0xffff when absent.
uint16_t PrcEntryFind(const PrcProgram* program, StrValue entry);

// --- Running ---------------------------------------------------------------

// The statement loop from the program's position; answers the final status.
Status PrcRun(PrcProgram* program);
// Runs control and expression statements until a statement of code 18 or
// above, or an error; answers that code or the error.
Status PrcControlStep(PrcProgram* program);
// Statement text n with its [expression] segments expanded.
StrValue PrcLineText(const PrcProgram* program, uint16_t n);
// Task hook 1: compiles `file` first when given, finds `entry` (empty: the
// newest program from its position), runs it, releases a program compiled
// here; flags kPrcCallLocal drops the variables created meanwhile,
// kPrcCallExec hands END's result back on list 30.
Status PrcCall(StrValue entry, StrValue file, int flags);
// Puts PrcCall in task hook 1. Start-up calls it (app/hooks.cpp) and so does
// every compile (PrcCompile), because a program may have put its own hook
// there since; nothing else sets task hook 1.
void PrcCallHookSet();
// The procedure side of EXEC$: runs the entry (in `file`, compiled first
// when given) through task hook 1 with kPrcCallExec and answers END's value
// (a number as its text) as a new slot of the string area; an error string
// on failure, 148 with the detail "EXEC$()" when no hook is registered. The
// results stack is back at its count afterwards.
StrValue PrcExecResult(StrValue entry, StrValue file);
// The CALL statement: "label,file[,local] arguments".
Status PrcCallStatement(StrValue text);
// The LOCALVARS statement: "a,b,c".
Status PrcLocalVars(StrValue text);
// A run spec "files,label,varfile,...": the variable files are run, the
// procedure files of item 1 (";" list) compiled, the first one's entry
// `label` run; everything compiled here is released.
Status PrcRunSpec(StrValue spec);
// The trace line of statement n when _TRACE has the bit of value 8.
void PrcLog(const PrcProgram* program, uint16_t n);
// Dispatches pending window messages: 122 when a quit message was taken or
// the user cancelled in the progress window (RunProgressSet).
Status PrcPoll();
// Activations running now (0 outside any procedure).
uint16_t PrcDepth();
