// The window list, window classes and the message loop.
//
// WinList keeps the framework's top-level windows: 32 slots (window handle,
// the number of the window record it shows, show state) and a z-order stack
// of slot numbers whose top is the active window of the whole system. New
// windows are owned by the top, window geometry and control operations act on
// it, and a modal loop ends when its window is no longer on top. The list
// starts uninitialised and sets itself up on the first lookup.
//
// WinClassCreate registers a window class on first use and creates a top-level
// window owned by the top; style bit kWinModalStyle disables that owner while
// the new window is open. A window that cannot be entered in a full list is
// destroyed again and the owner re-enabled: the creator gets 0 and answers
// its own code.
//
// The message loop (WinRunModal) serves the main window (argument 0) and every
// modal window. It pumps the queue, ends on a quit message, on an empty list
// or, for a modal window, when that window leaves the top, then dispatches
// what is still pending. When a pump has nothing to do the loop waits for
// input or the next timer. A quit message ends only the innermost running
// loop; a pump that is not a loop (PumpMessages called by a long piece of
// work) keeps a quit it meets for that innermost loop instead of losing it.
//
// Signals: AppInstanceInit installs handlers for SIGINT and SIGTERM that only
// note the signal. The next pump turns it into a close request (WM_CLOSE)
// posted to the top window, and to each window that comes on top after it,
// until the list is empty; a window that refuses the close ends the request
// (a later signal asks again). So a signal ends the program through its
// normal shutdown, never from inside the handler. A signal that comes while
// the one before is still being answered, or was never taken up because the
// program does not pump, ends the program the default way. Signals ignored
// at start stay ignored.
//
// One user-interface thread; dispatch re-enters window procedures (and
// through them any module) from inside the pumps.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kWinSlots = 32;
constexpr uint16_t kWinNoRecord = 0xFFFF;
// In the class-specific low word of a window style: the window is modal over
// its owner.
constexpr uint32_t kWinModalStyle = 0x80;
// Show states kept per slot, and the requests WinShowState takes besides them.
constexpr uint16_t kWinShowNormal = 0;
constexpr uint16_t kWinShowMaximized = 4;
constexpr uint16_t kWinShowNow = 0xFFFF;     // show and repaint the top window
constexpr uint16_t kWinShowRestore = 2;      // normal size and position, state kept
constexpr uint16_t kWinShowReset = 1;        // store kWinShowNormal
// Size or position 0xFFFF in WinClassCreate: the window system's default.
constexpr uint16_t kWinDefault = 0xFFFF;

using AppInitCallback = Status (*)();

// Slot 0-31 holding the window (a null handle finds the first free slot); 32
// when none. Initialises the list on first use.
int WinSlotFind(ui::Hwnd window);
// Enters a window on top, or raises a listed one, with its record number.
// Answers the handle, 0 when the list is full (nothing changes then).
ui::Hwnd WinRegister(ui::Hwnd window, uint16_t record);
// Removes a listed window (an unlisted one changes nothing). When the top
// changed, or the focus lies outside the top window, the top is activated.
// True when no window is left.
bool WinUnregister(ui::Hwnd window);
ui::Hwnd WinTop();  // 0 when the list is empty
// The record number registered with a listed window, else kWinNoRecord.
uint16_t WinTopId(ui::Hwnd window);
int WinCount();  // windows in the list
// Enables the window and gives it the focus; nothing for 0.
void WinActivate(ui::Hwnd window);
// kWinShowNow shows the top window (maximised when its state is
// kWinShowMaximized) and repaints it; kWinShowRestore shows it in its normal
// size; kWinShowReset stores kWinShowNormal; any other value is stored as its
// state. Nothing when the list is empty.
void WinShowState(uint16_t value);
// Creates a top-level window of the class (registered now with proc, or the
// default procedure, when it is new), owned by the top, with the dialog
// modal frame, and lists it with kWinNoRecord. Answers 0 on failure.
ui::Hwnd WinClassCreate(StrValue className, StrValue title, uint32_t style, uint16_t x, uint16_t y,
                        uint16_t width, uint16_t height, ui::Hmenu menu, ui::WndProc proc);
// 0 when destroyed, 0xFFFF when the window system refuses.
uint16_t WinDestroy(ui::Hwnd window);
void WinSetText(ui::Hwnd window, StrValue text);  // nothing for 0

// Stores the instance and chooses the window-system back end from the
// environment (KX_UI and friends), installs the signal handlers, runs the
// init callback and stores the command line (each `"  "` made `" "`) as
// settings item 1. Answers the status of the last of these steps that ran;
// when that is 0, the back end's status (a setting that could not be honoured
// leaves a working headless back end; AppInstanceReport tells the reason).
Status AppInstanceInit(void* instance, const char* commandLine, AppInitCallback init);
void* AppInstance();
// Tells standard error why the back-end settings were refused (the runtime
// that shows errors does not exist yet at that point) and answers code.
Status AppInstanceReport(Status code);
// The last signal the handlers noted, 0 for none: a close handler may skip
// its questions when it is set.
int AppCloseSignalled();
// Puts back the signal handlers found by AppInstanceInit.
void AppSignalsRestore();

// Dispatches what is pending (for the window and its children only when a
// filter is given). True when a quit message was met or no window is left.
bool PumpMessages(ui::Hwnd filter);
void PostQuit(ui::Hwnd window);  // a quit message for the thread's loop
// Runs the loop of a window, or the main loop with 0. Answers 0.
Status WinRunModal(ui::Hwnd window);
// WinRunModal on the modal window, then WinActivate on the caller.
Status WinModalReturn(ui::Hwnd caller, ui::Hwnd modal);

// Back to the uninitialised list, no held quit and no pending signal: for a
// fresh window system (tests).
void WinListReset();
