// The action chain: how an action code of a window becomes screen work.
//
// Every ActionCode (screens/window/actions.h) a window produces runs through the
// chain of the current window record (screens/window/screendef.h WinRecord): its
// action handler, then its follow-up chooser, which may name the next code,
// and on confirmation or cancel its exit handler. The screen families
// (maintenance, document and navigation windows, input forms, grid pads)
// install their handlers with ScreenActionSet right after the record is
// opened. A handler offers each code to the shared defaults first, in this
// order: ScreenActionWinDefault, ScreenActionDefault (which itself ends in
// the per-field FieldActionDefault); a default answers 163 for a code that
// is not its own, so the next layer takes it.
//
// Statuses of handlers: 0 done; 2 done, ask the chooser (the caller sees 0);
// other values below 122 are soft results, of which the value 8 asks to
// close the window (below 128 only, CloseOnBit8); 64 from the per-field
// default means the screen is complete and is confirmed; 126 a field's
// condition failed; 163 not handled; 122 and above errors.
//
// ScreenActionCtl is the entry of the window procedures. It holds the focus
// protocol of field controls: the field being left is validated (its text
// put into the field) when the focus leaves it, unless the last key moves
// (then the action that follows validates it first) or was Esc; a field
// entered by the focus checks the ALARM$ condition of the field left. Every
// answer above 121 is shown once, here, in the error box (or by the caller
// that runs ScreenAction directly).
//
// A record with flag kWinHandlersLocked keeps its handlers and runs none;
// the copy of "no record" (WinCurrent) carries that flag, so with no record
// current only the per-field default runs.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "screens/window/actions.h"
#include "screens/window/screendef.h"

// Statuses of the chain.
constexpr Status kActAskChooser = 2;   // done; the chooser names what follows
constexpr Status kActCloseBit = 8;     // done; close the top window
constexpr Status kActConfirmed = 64;   // the screen is complete: confirm it
constexpr uint16_t kChooserRounds = 64;  // handler runs of one ScreenAction at most

// Replaces the three handlers of the current record, unless it is locked.
// With no record current the assertion "ScreenActionSet" fails.
void ScreenActionSet(ActionHandler action, FollowUpChooser chooser, ExitHandler onExit);
// Runs the chain for the code: with no action handler (or a locked record)
// only FieldActionDefault, answering 0. Otherwise the handler; an answer
// below 122 becomes the result with the value 2 cleared, and after 0 or 2 an
// installed chooser names the next code (given the record's state before
// the first action and the state of the record current now); this repeats
// while the result is 0 and the code is not kNoAction. Answers of 122 and
// above end it. A chooser that keeps naming codes past kChooserRounds
// handler runs is stopped with 141 INTERNALERROR (the last two codes in the
// detail).
Status ScreenAction(ActionCode code);
// The per-field default for codes 1-32 with parameter 0 (163 for the rest):
// 1 and 31 clear the record's pending word and step to the next field (past
// the last: the ALARM$ condition of the current field, 64 when it holds);
// 2 and 32 step back; 20 puts the current field's value again (check 118);
// 22 in a document's line area goes to the first field after the begin
// field in edit order (64 when there is none or outside the line area). A
// field stepped to becomes current (FieldSetCurrent); a failed condition
// (126) is shown through ScreenAction(kActShowFailure).
Status FieldActionDefault(ActionCode code, const WinRecord& record);
// The window default every family handler tries first: 29 closes the top
// window (answers 0); 95 makes the first field current and focuses it (the
// assertion "ScreenActionWinDefault" without a current record); 163 for
// other codes.
Status ScreenActionWinDefault(ActionCode code);
// The screen default: 19 help (task hook 22 when an application registered
// it, else the HELP$ text with the current field's number); 25 confirm for
// parameter 100, otherwise after PgUp or PgDn the check of a current field
// that has UPDFIELDS$ (with `_SCRSTAT` kScrStatPageCheck set meanwhile);
// 28 close (Esc unless the last key moved forward or to the end), 21
// cancel: ScreenConfirm; 30 shows the failed condition (126); 91 applies a
// pending selection result to the current field; anything else goes to
// FieldActionDefault, whose 64 confirms (kActionConfirm) and whose 163
// becomes 0.
Status ScreenActionDefault(ActionCode code);
// Confirms (kActionConfirm: `_LASTKEY` 0, ON_CONFIRM$ run with the SCRBACK
// save, the batch output line) or cancels (kinds 21 and 28: ON_CANCEL$, a
// SCRBACK there restoring the saved values) the screen, then calls the exit
// handler with the kind. Answers the status of ON_CONFIRM$ / ON_CANCEL$ when
// non-zero, else the exit handler's answer, else 4 for kind 28 and 24 for
// the others.
Status ScreenConfirm(ActionCode code);
// The closing result of exit handlers: a status above 121 is the answer;
// for kind 25 the status stays, for kind 28 it becomes 4, for the others
// 24. Only 4 closes: with mode flag 0x10 the saved open-file state is
// restored first (its error is the answer), then the current window record
// is closed (WinClose; its error or 4 is the answer).
Status ScreenCloseRestore(int kind, Status status, int modeFlags);
// The entry of the window procedures; `window` is the window or control the
// message came to. 91 (focus gained): a control checks the field left
// (FieldEnterCheck), the window itself runs ScreenAction(91); 92 (focus
// lost): FieldLeaveValidate(window, false); any other code validates the
// control first when the last key moves, then runs ScreenAction and
// CloseOnBit8. An answer above 121 is shown once and returned.
Status ScreenActionCtl(ui::Hwnd window, ActionCode code);
// Validates field control `controlId` (2000-2999; others answer 0) unless
// the last key was Esc: its text in stored form is put into the field with
// check 118. Answers an error of 128 and above, else 0.
Status FieldValidate(uint16_t controlId);
// The focus entered control `controlId`: 0 when the record is locked, no
// field is current or the control is the current field's own. Otherwise the
// ALARM$ condition of the current field: a failure is shown
// (ScreenAction(kActShowFailure)) and answers 126; a pass on an editable
// field makes it current, focuses the control, selects its text and answers
// ScreenAction(kActFieldEntered).
Status FieldEnterCheck(ui::Hwnd window, uint16_t controlId);
// Validates the window's control when the last key moves (beforeAction) or
// when it does not (focus lost).
Status FieldLeaveValidate(ui::Hwnd window, bool beforeAction);
// A status below 128 with the value 8 sends WM_CLOSE to the top window and
// answers the status without the values 4, 8 and 16; others are answered
// unchanged.
Status CloseOnBit8(Status status);
// Maintenance windows: for code 1 after Enter, on a current field with a
// selection window (kFieldSelectWin) that is not the record's pending field,
// the field's control is validated: 1 when it is then not blank, the
// validation's error, else 0.
Status FieldValidateOnEnter(ActionCode code, const WinRecord& record);
