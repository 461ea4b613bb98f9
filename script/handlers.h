// Statement handlers: the 16 slots (ExecHandlerSlots) that run the procedure
// statements of codes 19-53, and the argument convention of those statements.
//
// The runner calls the first registered slot from 0; a handler runs the
// codes it owns and passes any other one on with ExecHandlerNext, which calls
// the first registered slot above its own. A code that reaches the end of the
// chain is 147 SINTAXERROR; 148 FEATUREREMOVED comes only when no handler is
// registered at all.
//
// Arguments: the statement text is split at commas (outside quotes and
// parentheses); each part is evaluated and its value pushed on the argument
// stack (string list 35: 8 raw bytes for a number, the text for a string),
// then popped back, last first, into the arrays a handler receives: for a
// number the integer array holds its value rounded half away from zero (low
// 16 bits) and the string array its text with _PRECIS decimals; for a string
// the integer is 0. An absent argument reads as 0 or the empty text. At most
// 16 arguments: more is 147 with the text as detail, and the stack is cut
// back to its count before the statement whatever happens.
//
// Statements whose work lies above the script layer (data files, screens,
// devices, reports) run through an implementation that layer registers at
// start-up (ExecStatementSet, from app/hooks.cpp); the slot handler that owns
// the code calls it (script/statements.h).
//
// Run state: a run started without an entry notes the depth of the
// open-file states and of the FILESTRUCT levels, whether a progress window
// is open, how many run-time windows are open and how many ACCEPT fields
// are queued at its start (PrcStateNote), and unwinds to that at its end
// (PrcRestoreState), errors included. The data layer keeps both stacks and
// lends them through RunStacksSet; the screens lend the progress window
// through RunProgressSet and the run-time windows through RunWindowsSet.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint16_t kExecSlots = 16;
constexpr uint16_t kExecMaxArgs = 16;

struct ExecArgs {
  uint16_t count = 0;
  uint16_t kinds[kExecMaxArgs] = {};  // 0 number, 1 string
  int16_t ints[kExecMaxArgs] = {};
  StrValue strs[kExecMaxArgs] = {};
};

using ExecHandler = Status (*)(uint16_t code, uint16_t count, const uint16_t* kinds, const int16_t* ints,
                               const StrValue* strs);

// Stores the handler of a slot (null empties it); answers the handler, or
// null for a slot of 16 or more (nothing changes).
ExecHandler ExecHandlerSet(uint16_t slot, ExecHandler handler);
// The handler of the slot or of the first registered slot above it; null
// when none.
ExecHandler ExecHandlerFind(uint16_t slot);
// The slot a handler is registered in, 0xffff when none.
uint16_t ExecHandlerSlotOf(ExecHandler handler);
// Runs a statement through the chain from slot 0: 148 when no handler is
// registered, else the chain's answer.
Status ExecHandlerCall(uint16_t code, const ExecArgs& args);
// Passes a code on from a handler's own slot: 147 when no slot above is
// registered.
Status ExecHandlerNext(uint16_t slot, uint16_t code, const ExecArgs& args);
// Empties every slot (a new runtime). Statement implementations stay: they
// are wiring, registered once per run.
void ExecHandlersReset();
// The arguments a handler received, whole again, to pass its code on.
ExecArgs ExecArgsOf(uint16_t count, const uint16_t* kinds, const int16_t* ints, const StrValue* strs);

// The work of one statement, whichever layer does it.
using ExecStatement = Status (*)(uint16_t code, const ExecArgs& args);
// Stores the implementation of a statement code (19-53; null removes it);
// 147 for another code, nothing changed.
Status ExecStatementSet(uint16_t code, ExecStatement fn);
ExecStatement ExecStatementFind(uint16_t code);  // null when none

// The length of the argument at `from`: up to a separator outside quotes
// and parentheses, or the end.
uint32_t ExecArgLength(StrValue text, uint32_t from, char sep);
// Evaluates each argument of the text (split at `separator`) onto the
// argument stack; kinds[i] receives each kind and *count their number. More
// than 16 arguments or an evaluation error (122 and above) cuts the stack
// back and answers the error.
Status ExecArgsEval(StrValue text, char separator, uint16_t* kinds, uint16_t* count);
// Pops `count` values (last first) into the arrays; strings are copies in
// the string area.
Status ExecArgsFetch(ExecArgs& args);
// ExecArgsEval and ExecArgsFetch together.
Status ExecArgsRead(StrValue text, ExecArgs& args);

// --- Run state -------------------------------------------------------------

// The stacks a run may leave pushed, kept by the data layer. Until it lends
// them, the open-state push answers 148 naming DataFileStatePush and there
// are no FILESTRUCT levels.
struct RunStacks {
  Status (*openStatePush)(StrValue listOrRestore);  // a push, or "RESTORE" pops
  uint16_t (*contextDepth)();                       // FILESTRUCT levels
  Status (*contextRestore)();                       // pops one level and its definitions
};
void RunStacksSet(const RunStacks& stacks);  // a null entry keeps its stand-in
// The open-state stack: an open-state list is pushed and applied, "RESTORE"
// pops it.
Status RunStackOpenState(StrValue listOrRestore);

// The progress window, kept by the screens: the runner's poll answers its
// cancel, and a run closes a window it opened. Until the screens lend it
// there is no window and nothing to cancel.
struct RunProgress {
  bool (*cancelled)();  // the user asked to stop
  bool (*open)();       // a window is open
  Status (*close)();
};
void RunProgressSet(const RunProgress& progress);  // a null entry keeps its stand-in
bool RunProgressCancelled();

// The run-time windows of WINOPEN, kept by the screens: a run closes those
// it opened, newest first, with their frames. Until the screens lend them
// there are none.
struct RunWindows {
  uint16_t (*count)();                   // windows open
  Status (*closeTo)(uint16_t count);     // closes the newest down to count
};
void RunWindowsSet(const RunWindows& windows);  // a null entry keeps its stand-in

struct PrcStateMark {
  uint32_t openStates = 0;    // elements of list 33
  uint16_t contextDepth = 0;  // FILESTRUCT levels
  bool progressOpen = false;  // a progress window was open
  uint16_t runWindows = 0;    // run-time windows open
  uint32_t acceptQueue = 0;   // elements of list 32 (queued ACCEPT fields)
};
PrcStateMark PrcStateNote();
// Restores every open state and pops every FILESTRUCT level pushed since the
// mark (a LOADSTRUCT outside such a level stays), closes a progress window
// and the run-time windows opened since and drops the ACCEPT fields queued
// since; the first error.
Status PrcRestoreState(const PrcStateMark& mark);
