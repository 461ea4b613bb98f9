// Window procedures and control subclassing.
//
// The framework's windows share a small family of window procedures that
// turn window messages into action codes (screens/window/actions.h) and hand them
// to the action chain (screens/window/actionchain.h ScreenActionCtl). Each ends in
// the next one down:
//
//   WinBaseProc    every framework window: WM_DESTROY takes the window off
//                  WinList (the last one posts the quit of the main loop);
//                  WM_SETFOCUS selects and raises the window's record, then
//                  95 on the window's first activation, else 91; Esc asks
//                  the window to close; device data (MSG_DEVICE_DATA, port
//                  slots 0-3) becomes slot x 256 + 23.        -> the default
//   ScreenWndProc  screen windows: WM_CLOSE runs 28 and an answer of 0 keeps
//                  the window; button and menu commands (notification 0)
//                  their action; scroll bars scroll the content.
//                                                              -> WinBaseProc
//   DialogWndProc  forms, grids, device selection: a list double click is
//                  OK (command 3100); an accepted combo selection is 94.
//                                                              -> ScreenWndProc
//   MainWndProc    the main window: WM_CLOSE runs 17 and an answer whose low
//                  byte is 0 keeps the window; menu commands 1500-1699 are
//                  kind 16 (other ids do nothing).             -> WinBaseProc
//
// Field controls are subclassed (CtlSubclass, installed at start-up as the
// field controls' hook) so that keys, focus changes and scanner input reach
// the chain before the control sees them; `_COMPAT` kNoSubclass leaves them
// alone. The edit procedure turns each key into its key class (Shift+Tab 8,
// Ctrl+End 32, else KeyClass), stores it in `_LASTKEY` and runs the key
// map's action; keys of class 4 (letters, Left, Right ...) reach the edit.
// Shift and Ctrl are read from the modifier bits every key message carries,
// so a key-up missed elsewhere never leaves one held.
//
// Keyboard-wedge scanners type character 29 (GS), the code and a control
// character: the characters are captured (and also reach the edit), and at
// the end the code is pushed on string list 30 and action 24 runs. At most
// kScanMax characters are kept; a longer scan is dropped whole when it ends
// (nothing pushed, no action).
//
// One user-interface thread: the keyboard state and the scan buffer are
// shared by every edit control.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"

constexpr uint16_t kScanMax = 20;
constexpr char kScanStart = 29;  // GS

ui::LResult WinBaseProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp);
ui::LResult ScreenWndProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp);
ui::LResult DialogWndProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp);
ui::LResult MainWndProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp);
// Field EDIT controls: focus (91, 92; a failed check of the field left
// swallows the focus and gives it back to that field), keys, scanner
// characters, and MSG_SCAN_FIELD (18).
ui::LResult EditWndProc(ui::Hwnd control, ui::Msg m, ui::WParam wp, ui::LParam lp);
// List-box fields: Enter is OK (command 3100 to the parent), Esc the key
// map's action of Esc.
ui::LResult ListWndProc(ui::Hwnd control, ui::Msg m, ui::WParam wp, ui::LParam lp);
// Check-box fields: losing the focus validates (92); Esc, Enter, Tab and
// Shift+Tab run the key map's action of their class; Space or a click
// toggles the mark (CheckToggle).
ui::LResult CheckWndProc(ui::Hwnd control, ui::Msg m, ui::WParam wp, ui::LParam lp);

// Replaces the control's procedure by the one of its kind (kSubclassEdit,
// kSubclassList, kSubclassCheck of screens/window/fieldctl.h), keeping the
// procedure it had for that kind; nothing under `_COMPAT` kNoSubclass or for
// another kind. Answers 0.
Status CtlSubclass(ui::Hwnd control, int kind);
// Scrolls the window's content for a scroll-bar request (the low word of
// the message's wp): 2 pixels a line, one cell (height or width) a page,
// the track position while the thumb is dragged, the range ends for top and
// bottom; other requests do nothing. The position stays in the bar's range;
// the children move by the difference.
void WinScroll(ui::Hwnd window, ui::Msg message, uint16_t request);
// Marks an unmarked check box (its caption the locale's word for yes) or
// clears a marked one (and its caption).
void CheckToggle(ui::Hwnd control);
// A scanned character: 32 and above is kept, a control character ends the
// scan; 1 when a scan ended with its code pushed on string list 30, else 0.
int ScanCharCapture(char ch);
// True when the window is not yet bound to a record (WinTopId answers
// kWinNoRecord) while a record is current; it is then bound to that record.
bool FirstActivation(ui::Hwnd window);
// A listed window bound to a record: the record is selected and the window
// raised to the top of WinList.
void WinRaise(ui::Hwnd window);
// Forgets the keyboard state, the scan buffer and the kept procedures (a new
// window system).
void WinProcReset();
