// The progress window: one per program, shared by every piece of long work
// (scans, copies and rebuilds, transactions, reports, year-end steps,
// procedures).
//
// A small centred pop-up of window kind 7 ("Progress", modal over the window
// that was on top) showing either a bar or one line of text, with a Cancel
// button (id 1110, message 0020). Every step pumps the message queue
// (PumpMessages, screens/window/winlist.h, which keeps a quit for the loop it
// belongs to), so the program stays alive and the user can cancel: Cancel,
// Esc (on the window or on its button) and the close box set the cancel
// flag, and every later step or poll answers 122 until ProgressClose. The
// close box never destroys the window: it stays listed on WinList, its owner
// disabled, until the work closes it.
//
// Bar: the range is the total, or 200 when the total is 0 (the bar then
// cycles, starting again at 1 after 200). A range above 65535 is halved and
// the step divisor doubled (in full 64 bits) until it fits; with a divisor,
// steps gather in a signed accumulator and the bar moves by the accumulator
// divided by the divisor, halves away from zero, the rest kept. The record's
// position counts on past the range; the bar is sent at most the range, and
// only when what it shows changes.
//
// Placement: (width + 40) by (90 + two dialog frames), centred on the screen
// and never above or left of it; width 0 or below asks for 400, and a width
// beyond the work area less 40 is reduced to that.
//
// The record lives for the program; ProgressClose resets all of it.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kProgressCancelId = 1110;
constexpr int kProgressDefaultWidth = 400;
constexpr uint32_t kProgressWrap = 200;      // the cycle of a bar without total
constexpr uint64_t kProgressPumpEveryMs = 32;  // the copy pump's bar throttle

// Creates the window in bar mode unless one is open. 0, or the creation's
// error.
Status ProgressOpen(int width, uint32_t total);
// A new window (an open one is closed first), in text or bar mode, titled
// by ProgressSetTitle's text or else message 0016. 170 when its bar or text
// control cannot be made, 179 when the window cannot; else 0.
Status ProgressCreate(int width, uint32_t total, bool textMode);
// Resets the record with width, total and text and no window (an open one
// is closed first): the window opens at the first step.
void ProgressInit(int width, uint32_t total, StrValue text);
// Sets the step divisor (0: steps as they come) and clears the accumulator.
void ProgressSetDivisor(uint64_t divisor);
// Sets the range from the total when none is set, halving it into 16 bits,
// and gives it to the bar.
void ProgressRange();
// Moves the bar by n (0 counts 1), opening the window first when none is
// open. 0, or the window's creation error.
Status ProgressAdvance(uint32_t total, uint32_t n);
// One step of long work: the text in text mode, else the bar by n; then the
// poll. 0, 122 after a cancel, or an error. The progress callback handed to
// scans, copies and reports.
Status ProgressStep(uint32_t total, uint32_t n, StrValue text);
// Shows the text (a window of width 400 in text mode when none is open; a
// non-empty text switches an open bar window to text mode for good), then
// the poll.
Status ProgressText(StrValue text);
// ProgressText in the argument order of the progress callback.
Status ProgressTextHook(uint32_t total, uint32_t n, StrValue text);
// Dispatches what is pending; 122 when the cancel flag is set, else 0.
Status ProgressPoll();
// The message pump of file copies (task hook 23): dispatches what is
// pending; kind 0 restarts its clock, kind 2 moves the bar by one when 32 ms
// or more have passed since then and restarts it. Answers 0.
Status ProgressPumpHook(int kind);
// The window procedure: Cancel (command 1110), Esc and the close box set the
// cancel flag; all else goes to the default procedure. A window destroyed
// from outside (with its owner) leaves WinList and sets the flag too.
ui::LResult ProgressWndProc(ui::Hwnd window, ui::Msg msg, ui::WParam wp, ui::LParam lp);
// Destroys the window, takes it off WinList, gives the window that was on top
// its input back and resets the whole record. Answers 0.
Status ProgressClose();
bool ProgressHasTotal();
// The caption of the window, now and for a window made later.
void ProgressSetTitle(StrValue text);

// For the runner and tests: whether a window is open, whether the user asked
// to stop, the window and the bar's position as the record counts it.
bool ProgressIsOpen();
bool ProgressCancelled();
ui::Hwnd ProgressWindow();
uint32_t ProgressPosition();
uint32_t ProgressTotal();
uint32_t ProgressRangeGet();
uint64_t ProgressDivisor();
