// Input forms and batch mode.
//
// An input form is a title and an accept field list (screens/forms/acceptlist.h)
// run as a modal "Dialogx" window (kind 5) with a label per prompt, the
// fields' starting values and an "Ok" button; its answers come back as an
// AcceptResult. A definition file may describe a form (ACBOUND$ the list,
// WINNAME$ the title, ACCEPT_PRC% the task hook that receives the result):
// the AcceptRun verb and the BOUNDS statement run forms.
//
// Batch mode is `_INHND` non-zero: the INPUT command file is running, and
// each form takes its answer from the file's next line instead of a person:
//   - a line of values (a quoted comma list) answers the form without a
//     window: status 0, the line as the value list, and the collection steps
//     of a confirmed form run over its items (targets assigned, the answers
//     and the condition remembered);
//   - a line holding only the ESC byte (kBatchCancelLine) cancels it (122);
//   - an empty line or the end of the file shows the form as usual;
//   - a line that cannot be read (longer than the string area's room: 146
//     with the file name) is the form's status, which ends the batch.
// A screen opened by an accept command is filled field by field from one
// line (InputFillScreen). With an OUTPUT file (`_OUTHND` 1, set after the
// INPUT file ran) each confirmed interaction appends one line in the same
// form: a form's value list (or the cancel line), a confirmed screen's
// values; a line whose values cannot all be quoted is not written (163).
//
// The INPUT file's lines come through a hook that start-up registers
// (InputLineHookSet); without it a batch form answers 148 naming
// InputNextLine.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/forms/acceptlist.h"
#include "screens/window/actions.h"
#include "screens/window/screendef.h"

// AcceptWinRun flag: the form gets its own window and the current
// text-window geometry is unset at the end.
constexpr int kAcceptOwnWindow = 0x40;
// AcceptSpecRun hook number: take it from ACCEPT_PRC%.
constexpr uint8_t kAcceptHookFromForm = 0xFF;

// --- Forms ---------------------------------------------------------------------

// The callback of AcceptFormThen: the last key class in, a status out.
using AcceptCallback = Status (*)(uint32_t lastKey);

// AcceptFormRun with the values always collected.
AcceptResult AcceptForm(StrValue title, StrValue list);
// Runs the form without collecting after Enter; when its status is 0 or 122
// and a callback is given, the list is pushed on string list 32 for the
// callback's time and the callback's status is the answer (a callback
// collects through AcceptCollectNext; for a batch answer, a cancelled form or
// one a command ended that gives the answer already in hand). Without a
// callback the values are collected and the window record closed. Otherwise
// the form's status.
Status AcceptFormThen(StrValue title, StrValue list, AcceptCallback callback);
// The form: in batch mode answered by the INPUT line as above; otherwise
// AcceptWinRun (own window), run modally over the caller, `_LASTKEY` taken as
// the last key, and the values collected when the flag is set or the last
// key is not 0. `_CUREDFLD` is the same afterwards.
AcceptResult AcceptFormRun(StrValue title, StrValue list, bool collect);
// Builds the form's window: kind 5 with the dialog procedure unless an owner
// is given (0xFFFF when none can be made), the title set when non-empty, the
// geometry's origin column 2, origin row 1 and row adjustment 2 on a current
// geometry, the record and fields from the list, the controls, the starting
// values, the key handler (null: AcceptKeyDefault), the size of the text
// window and the "Ok" button. A failed step closes what was made and answers
// its status. `_LASTKEY` is 4 afterwards.
Status AcceptWinRun(StrValue title, StrValue list, int flags, ui::Hwnd owner, ActionHandler handler);
// The action handler of forms: the window default, then the screen default
// (bit 0x10 of an answer below 128 cleared); after 0 the current field has
// the focus again.
Status AcceptKeyDefault(uint16_t code);
// Collects the form one window record above the current one with the current
// `_LASTKEY`; during AcceptFormThen's callback the answer it has in hand
// instead (see there), without touching any record.
AcceptResult AcceptCollectNext(StrValue list);
// The form of a window spec: the definition of item 2's tag in the file of
// item 1 (type PPN), ACBOUND$ (163 naming it when empty), WINNAME$, then
// AcceptForm. With answers, the task hook (kAcceptHookFromForm: ACCEPT_PRC%,
// 163 naming it when 0) receives them: a task is called with the execute
// event and finds them in AcceptResultLast (and SystemTextList items 7 and
// 1), a text hook is called with the value list; its status is the answer,
// 0 when no such hook is registered. Without answers, the form's status. The
// parameter string is popped on every path.
Status AcceptSpecRun(StrValue spec, uint8_t hook);
// The result of the last form run through AcceptSpecRun.
const AcceptResult& AcceptResultLast();

// --- Batch ---------------------------------------------------------------------

using InputLineFn = StrValue (*)();
void InputLineHookSet(InputLineFn fn);
// True while the INPUT command file runs (`_INHND` non-zero).
bool BatchMode();
// The INPUT file's next line in batch mode, else empty; an error string when
// it cannot be read.
StrValue BatchInputLine();
// Batch input of the current screen (a window an accept command opened): the
// next line's items (quote-aware, one pair of quotes stripped) are put into
// fields 1 .. count with check 118, a missing item as empty, stopping at the
// first error; then the screen is confirmed (its answer through CloseOnBit8)
// and, after 0, a window still open gets the close event 29. The cancel line
// cancels the screen (122). 0 when not in batch mode.
Status InputFillScreen(ui::Hwnd window);
// Appends the text and CR LF to the OUTPUT file (created when missing) when
// `_OUTHND` is set; 0, or the file's error.
Status OutputLineAppend(StrValue text);
// The current screen's values, each quoted (text types right-trimmed) and
// joined by ",", as one OUTPUT line (called when a screen is confirmed);
// nothing for a form's record (its value collection writes the line), for a
// screen without fields or without `_OUTHND`. A value holding both quote
// characters writes nothing and answers 163 naming the field.
Status OutputScreenLine();

// --- Waiting for a key -----------------------------------------------------------

// Waits for the next key press: its key class, the key-down neither
// translated nor dispatched (it reaches no window and types nothing); every
// other message is dispatched. 0xFFFF when a quit message came first (it is
// consumed).
uint16_t WinWaitKey();

// Registers the BOUNDS statement (an input form over its field list with an
// empty title; the form's status is the statement's).
void FormStatementsRegister();
