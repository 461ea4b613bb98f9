// Message boxes and the error display: every message to the user and every
// yes/no question of the programs.
//
// Texts and captions are message references (runtime/messages.h), so they
// follow the language catalogue; so do the answers: OK, Retry and Yes give
// the yes letter (first character of item 1 of message 0011 "Yy,Nn"), No the
// no letter (item 2). A catalogue whose 0011 has an empty item, or the same
// letter twice, cannot turn No into Yes: the built-in "Yy,Nn" is taken then.
//
// Boxes are the window system's modal message box, owned by the top window
// of WinList; with no framework window open, whatever is queued belongs to
// nobody and is dropped first. Texts of any length are handed over whole.
//
// On the headless back end the error display also writes its text to
// standard error ("Error <code>: <text>"), so unattended runs tell why they
// failed.
#pragma once
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Box kinds of MsgBox.
enum MsgBoxKind : int {
  kBoxInfo = 0,         // OK, information icon; caption 0014
  kBoxWarning = 1,      // OK, exclamation icon; caption 0012
  kBoxOkCancel = 2,     // OK and Cancel, information icon; caption 0014
  kBoxError = 3,        // OK, stop icon; caption 0013
  kBoxRetryCancel = 4,  // Retry and Cancel, stop icon; caption 0012
  kBoxYesNo = 5,        // Yes and No, information icon; caption 0014
  kBoxYesNoCancel = 6,  // Yes, No and Cancel, information icon; caption 0014
};                      // any other kind: OK alone, no icon; caption 0014

constexpr int kBoxCancelled = 3;  // the answer of Cancel, Abort and Ignore

// Shows a box of the kind; an empty caption takes the kind's default.
// Answers the yes letter, the no letter, kBoxCancelled, or 0 for anything
// else. The string area is left at its entry mark.
int MsgBox(StrValue text, StrValue caption, int kind);
// A yes/no question (kind 5, default caption): 1 when Yes was pressed, else
// 0. Decided from the button, never by comparing letters.
int MsgAsk(StrValue text);
// The same with Cancel (kind 6): 1 Yes, 0 No, kBoxCancelled for Cancel or a
// closed box.
int MsgAskCancel(StrValue text);
// MsgBox of kind 0.
int InfoBox(StrValue caption, StrValue text);
// Shows the full error text of the code (runtime/errors.h ErrText) in a
// warning box captioned 0012 for codes below 128, else in an error box
// captioned 0013. The recorded module is named only when the recorded code
// is the code shown; afterwards the recorded error is cleared and the error
// detail emptied. Answers 0, so callers that pass the answer on answer 0 once
// the box has been shown.
Status ErrShow(Status code);
// The assertion box: the text under the given caption with the stop icon
// (runtime/log.h AssertBoxHookSet).
void AssertBox(StrValue text, StrValue caption);
