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
// Run state: a run started without an entry notes the open-file states,
// the data files and the progress window at its start (PrcStateNote) and
// puts them back at its end (PrcRestoreState), errors included.
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
// Empties every slot (a new runtime).
void ExecHandlersReset();

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

struct PrcStateMark {
  uint32_t openStates = 0;  // elements of list 33
  uint32_t dataFiles = 0;   // data files defined
};
PrcStateMark PrcStateNote();
// Unwinds what a run left behind since the mark.
Status PrcRestoreState(const PrcStateMark& mark);
