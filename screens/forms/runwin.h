// Run-time windows of procedure statements.
//
// Procedures open small windows of their own and talk to the user through
// them: WINOPEN opens one of a size in text cells, LOCATE and PRINT place
// text in it, COLOR sets its colour pair, ACCEPT and READ turn it into an
// input form, WAIT waits for a key or a time, WINSELECT makes an earlier one
// current and WINCLOSE closes the newest (screens/forms/runwinstmts.h holds the
// statements; this module the two stacks they work on).
//
// RunWinStack: at most kRunWinMax windows (kind 5, "Dialogx", modal over the
// window that was on top), the number open (the top) and the current level
// (1-based; 0 with none open), which WINSELECT moves.
//
// WinFrameStack: the base frame of the program (level 0) and up to
// kWinFrameLevels frames above it, one per run-time window; each holds the
// window's number, its origin in the parent frame, its cursor (LOCATE), its
// size in cells, its colour pair (COLOR, kept, not drawn) and the element
// count of string list 32 (the ACCEPT queue) when it was pushed. The frames
// in use (the depth) and the current level are kept apart, as for the
// windows: a WINSELECT moves the current level without losing the frames
// above it, and a push always goes above the highest frame in use. Windows
// 1-7 each push a frame; the eighth shares the seventh, so the depth is
// always min(windows, 7).
//
// `_LASTKEY` carries a window's outcome: 0 confirmed (Ok, or a confirmed
// form), 3 closing, 4 nothing pending, 15 cancelled after the question of
// message 0020, or the key class WAIT 'KEY' read.
//
// RunWinProc, the windows' procedure:
//   - command Ok (3100), or a close request while `_LASTKEY` is 0:
//     `_LASTKEY` 0, and a READ waiting on the window ends;
//   - Esc (on the window, or in a field of its form): the yes/no question of
//     message 0020; Yes sets `_LASTKEY` 15 and ends a READ without its
//     values; No leaves the form as it was (`_LASTKEY` 4);
//   - a close request otherwise closes the window (with `_LASTKEY` 4 it
//     becomes 3 afterwards); a window destroyed leaves WinList without
//     ending any other loop, and its slot on the stack is closed by the
//     next WINCLOSE without harm;
//   - focus and everything else: the base window procedure, but the focus
//     of a window bound to no record runs no screen action.
// The loops of READ and WAIT 'KEY' are the only ones these windows end; a
// window outside them never posts a quit, which would cancel the procedure
// that runs meanwhile.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint16_t kRunWinMax = 8;
constexpr uint16_t kWinFrameLevels = 7;  // frames above the base frame
constexpr uint16_t kRunWinCancelled = 15;  // `_LASTKEY` after Esc and Yes
constexpr uint16_t kRunWinClosing = 3;
constexpr uint16_t kRunWinCellsMax = 255;  // columns or rows of a window

struct WinFrame {
  uint16_t window = 0;     // the level it was pushed at
  uint16_t originRow = 0;  // the cursor of the frame below when pushed
  uint16_t originCol = 0;
  uint16_t cursorRow = 0;  // LOCATE
  uint16_t cursorCol = 0;
  uint16_t columns = 0;    // the window's size in cells
  uint16_t rows = 0;
  uint16_t colorFore = 0;  // COLOR
  uint16_t colorBack = 0;
  uint16_t acceptCount = 0;  // elements of string list 32 when pushed
};

// --- The window stack ----------------------------------------------------------

// A window of columns by rows cells (each clamped to 1-kRunWinCellsMax);
// text is a comma list: item 1 the title, items 2.. n labels at rows 2.. n,
// column 1. Placed at the top window's corner (cascaded by 100, 60 when that corner lies on an edge of
// the screen) plus the pixel position of the current frame's cursor (under
// `_COMPAT` 1 counted from the frame's origin inclusively; a cursor part of
// 0 stands for 100 pixels across, 60 down); as wide as the columns and as
// high as rows + 1 in cells, kept inside the work area. The text-window
// geometry takes the columns and rows. 0, or 0xFFFF when no window was made
// (also when kRunWinMax are open).
Status RunWinOpen(uint16_t columns, uint16_t rows, StrValue text);
// Closes the newest run-time window (destroyed unless it is gone already)
// and lowers the current level to the new top when above it: 0, or 168 when
// none is open.
Status RunWinClose();
// Makes window n current, raised to the top of WinList and activated, the
// text-window geometry taking the current frame's columns and rows: 0, or
// 163 when n is 0 or above the top (nothing changes then).
Status RunWinSelect(uint16_t n);
// READ: the current run-time window becomes an input form over the field
// list (screens/forms/forms.h AcceptWinRun, with this module's key handler; the
// fields of an earlier READ, controls 2000.., destroyed first), its window
// record bound to the window, the first field selected, and a loop run
// until Ok, a confirmed form, a cancel or the window's close; then the
// values are collected with `_LASTKEY` as the last key (Esc and Yes: none
// collected, `_LASTKEY` stays 15). The text-window geometry is as before
// afterwards. Answers 168 with no window open, the form's error when it is
// 128 or more, else 0.
Status RunWinRead(StrValue list);
// WAIT: with the text "KEY" (exactly) the next key press, its class left in
// `_LASTKEY` (screens/forms/forms.h WinWaitKey; a quit that ends the wait instead
// is posted again for the loop or run it belongs to); otherwise `ms`
// milliseconds of the clock (none when negative) while messages are pumped,
// ended early by a quit (posted again) or a signal. Answers 0.
Status RunWait(uint16_t count, int64_t ms, StrValue text);
ui::LResult RunWinProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp);

uint16_t RunWinCount();           // windows on the stack (the top)
uint16_t RunWinLevel();           // the current level
ui::Hwnd RunWinHandle(uint16_t n);  // window n (1-based), 0 when none or gone
ui::Hwnd RunWinCurrent();         // the window at the current level
// The frame level of window n: its own, the last frame for the eighth.
uint16_t RunWinFrameOf(uint16_t n);

// --- The frame stack -------------------------------------------------------------

WinFrame WinFrameTop();  // a copy of the frame at the current level
WinFrame WinFrameAt(uint16_t level);  // a copy of a frame; zeros above those in use
// A frame above the highest in use, made current: window number = its
// level, origin = the current frame's cursor, cursor (1, 1), size = the
// columns and rows of the text-window geometry in force, the current
// frame's colours, the element count of string list 32. 0, or 0xFFFF when
// kWinFrameLevels are in use (nothing changes).
Status WinFramePush();
// Drops the highest frame (none at level 0); the current level stays unless
// it was that frame. A copy of the frame now current.
WinFrame WinFramePop();
void WinFrameSetColor(uint16_t fore, uint16_t back);
void WinFrameSetCursor(uint16_t row, uint16_t col);
// Makes a frame in use current; a level above them makes the highest
// current.
void WinFrameSetLevel(uint16_t level);
uint16_t WinFrameLevel();  // the current level
uint16_t WinFrameDepth();  // frames in use above the base frame

// Empties both stacks and the base frame, destroying nothing (a new window
// system).
void RunWinReset();
