// Choice windows.
//
// A choice window offers the items of a comma list, as a list box or as a
// grid of option buttons (screens/window/controls.h OptionButtonsCreate, ids from
// 1500), and answers the 1-based position chosen; the answer is also left
// in `_STAT`. It is modal: its owner, the top window of WinList, is
// disabled while it is open, and its own message loop (WinRunModal) runs
// until a choice or Esc posts the quit that ends it.
//
// Answers: 0 nothing chosen (Esc, or the window was closed), n the n-th
// item, 0xFFFF (kChoiceEmpty) for an empty title or list, or a window that
// cannot be made (no loop runs then). After a choice the window is still
// open, so a caller can act before it goes: the caller destroys it with
// WinChoiceClose. Esc has closed it already, and a caller destroys nothing
// then (it would take the window below).
//
// Sizes: a list box shows at most the text window's rows of items, at least
// 15 columns (or the longest item + 5, or the title) wide, items one cell
// less 3 pixels high; an option grid is sized by ChoiceGeomFit
// (screens/window/geometry.h) in cells of the system font. Sizes are computed in
// 32 bits and the window kept inside the work area. More than
// kChoiceListLimit items are always offered in a list box, so no option id
// reaches the popup-menu ids from 1700. The text-window geometry is put
// back as it was once the loop ends.
//
// ChoiceWndProc, the window's procedure: Esc sets `_STAT` 0, asks the window
// to close and posts the quit; Enter answers the highlighted option button
// (the one with the focus; 0 when none) or the list box's caret + 1 and
// posts the quit unless that is 0; Up and Down move the highlight among the
// option buttons with wrap (with none highlighted Up goes to the first,
// Down to the last); a double click in the list box, or a click on an
// option button, answers its position. Option buttons hand their keys
// (but Space) to the window. WM_DESTROY takes the window off WinList and
// gives its owner the focus back.
//
// WINMENU title,list runs a choice in its own window of option buttons and
// destroys the window after a choice; `_STAT` holds the answer.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

// Choice flags.
enum ChoiceFlag : int {
  kChoiceWindow = 1,  // create the choice window (else the top window's controls are used)
  kChoiceList = 2,    // a list box (else option buttons)
  kChoiceBeside = 4,  // beside the focused control
};
constexpr uint16_t kChoiceEmpty = 0xFFFF;
constexpr uint32_t kChoiceListLimit = 200;

// The choice over the comma list; errors (an error string given, 179 for
// a window that cannot be made) in *status, the answer as above.
int WinChoice(StrValue title, StrValue items, int option, Status* status);
// The choice with the window at the position given (null: placed by
// WinRectGet, beside the focused control with kChoiceBeside).
uint16_t WinChoiceEx(StrValue title, StrValue items, int flags, const ui::Point* position);
// Destroys the top framework window (the choice window after a choice).
// 0, or 0xFFFF when the window system refuses; nothing when no window is
// listed.
Status WinChoiceClose();
// WinChoice, then the window destroyed after a choice: for callers that
// have nothing to do before it goes (WINMENU, the data layer's choices).
// Answers the position, 0 when nothing was chosen (0xFFFF included).
int WinChoiceAndClose(StrValue title, StrValue items, int option, Status* status);

ui::LResult ChoiceWndProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp);

// Registers the WINMENU statement.
void ChoiceStatementsRegister();

// The pixel width of a field of n characters with the current cell width w:
// n x w less (r - 1) x half a cell, r being n / 10 plus one when n mod 10 is
// above 5. Signed: below 6 characters it adds half a cell.
int32_t FieldPixelWidth(int32_t n);
