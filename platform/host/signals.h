// Interrupt and termination signals (SIGINT, SIGTERM).
//
// The handlers only note a signal: its number and a count. What a signal
// means (cancel the running procedure, close the windows) is decided by the
// code that takes the notes up, never inside the handler. One exception is
// decided in the handler itself: a signal that comes while the one before is
// still being answered (not taken up yet, or its close still under way) finds
// the program not answering, and ends it the default way.
//
// A signal ignored when the program started (a background job) stays ignored.
#pragma once

namespace host {

// Installs the handlers (once; later calls do nothing).
void SignalsInstall();
// Puts back the handlers found by SignalsInstall.
void SignalsRestore();
// Forgets every note (a fresh window system).
void SignalsReset();

// The last signal noted, 0 for none.
int SignalLast();
// The number of signals noted so far.
int SignalCount();
// The taker has taken up the signals up to count, and is (answering) or is
// no longer answering them; a signal noted meanwhile ends the program.
void SignalTakenUp(int count);
void SignalAnswering(bool answering);
// True once for each signal noted since the last call (long work cancels on
// it, while the window loop still answers the same signal afterwards).
bool SignalCancelTake();
// A function safe in a signal handler, run before a signal ends the program
// the default way (the terminal back end puts the terminal back); nullptr
// for none.
void SignalOnDefaultEnd(void (*restore)());

}  // namespace host
