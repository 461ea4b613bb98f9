// Screen output: the CON device and the "Report" window that shows it.
//
// CON does not draw as it prints: its output goes to a temporary text file,
// made exclusively (never an existing file) in the directory named by TEMP,
// and at the end of output the whole file is shown in a modal window with a
// read-only scrolling text and a row of buttons. The temporary file is
// deleted when the window has closed (or when the device closes without
// having been shown).
//
// The window doubles as a confirmation form: its buttons are the items of
// settings item 9, or message 0020 "Cancel" when that item is empty; a
// pressed button leaves its 0-based position in _CUREDFLD. With settings
// item 9 empty (a plain report) _CUREDFLD, the caller's current field, is
// kept whatever closes the window; with item 9 set Esc and close change
// nothing, so callers preset what a dismissal means. The window reads no
// line of the INPUT file: unattended runs end it by the stall policy.
//
// Errors: the stream layer's 164 or 168 when the file cannot be made (the
// device's status); 146 for output of 64 MiB or more (no window); 145 when
// the text cannot be held; a device status of 128 or more is answered at
// once. The file is closed in every case.
#pragma once
#include <cstdint>

#include "devices/device.h"
#include "platform/ui/ui_types.h"

constexpr uint64_t kReportWinMaxBytes = 64ull * 1024 * 1024;
constexpr int kReportButtonFirst = 3000;

// The printer names lp0-lp2 and usb0-usb4 become "unixprn.txt"; other names
// pass unchanged.
StrValue DevUnixName(StrValue name);

// Creates the screen-output file; the stream's code becomes the status.
Status DevScreenOpen(DevRecord& rec);
Status DevScreenWrite(DevRecord& rec, StrValue text);
// Closes the screen-output file if it is still open and deletes it.
void DevScreenClose(DevRecord& rec);

// Shows the output in the report window and runs it modally; afterwards the
// top window is enabled again and the file is gone.
Status ReportWinRun(DevRecord& rec);
// Reads the file, creates the window and shows it: the window in *window
// (0 on failure).
Status ReportWinLoad(DevRecord& rec, ui::Hwnd* window);
// Creates the window for a text of the given size in report columns and
// lines (registered in the window list, owner disabled).
ui::Hwnd ReportWinCreate(int columns, int lines);
ui::LResult ReportWinProc(ui::Hwnd h, ui::Msg m, ui::WParam wp, ui::LParam lp);
