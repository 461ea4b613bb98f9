// Report launch, the limits form and the Device Selection window.
//
// Between a menu command (verb Report), a statement (REPORT, DEVICE '') or
// a screen's print and the report engine (devices/report.h) stands the
// launch: it takes a print job's object parameters, compiles an optional
// procedure, pushes the open state of the data files, asks the report
// limits in the "Report Limits Capture" form, builds the record filter,
// seeks the first record of the key range, lets the user choose a device,
// loads auxiliary parameter lines, runs the report and restores the data
// state. While the print job has a limits form (ACBOUND$) the launch asks
// again after each report, so a user prints several ranges in one go; a
// cancelled form or a cancelled device choice ends it, a range without
// records is said in the status box and the form asks again.
//
// Print-job parameters (ReportParmGet; object parameters of the definition
// file, or with kLaunchFromScreen the current screen's properties):
//   7 COUNTER$   copies of the run            evaluated when an expression
//   12 SET$      statement run at the launch  [expression] segments expanded
//   13 OPEN$     files to open ("file[;flags],...")   evaluated when an expression
//   18 DOCSETS$  the run's limits text        as written
//   74 COND$     record condition             expanded, then evaluated when an expression
//   91 DEVICE$   device string                evaluated, then each "," made " /"
//   92 DOCNAME$  "report[;procedure]"         evaluated when an expression
//   93 ACBOUND$  field list of the limits form   as written (expanded per round)
//   94 INDEX%    key of the range (default 1)    evaluated when an expression
//   95 LIMITS$   from and to expressions      as written
//   96 AUXLOAD$  "file;type,..." lines for the run   evaluated when an expression
//   103 PROG_MODE$ progress option of the run as written
// Without LIMITS$ the range is the first two answers of the last limits
// form (with kLaunchFromScreen: screen fields 1 and 2), each trimmed on the
// right.
//
// The device selection (DevSelect) sets bit 128 of `_SYSCOMPAT` (printer
// names become devices) for the parse of the string it answers; whoever
// asks it puts the previous value back after that parse (SysCompatKeep).
// In batch mode (`_INHND` non-zero) the next line of the INPUT file is the
// device string and no window opens; an empty line, the ESC line or the end
// of the file is a cancel, and a batch never asks twice. With OUTPUT the
// answer is recorded, a cancel as the ESC line.
//
// Errors: 147 a spec whose second item is a non-zero number (the spec in
// the detail); 164 a print job whose definition file or tag is missing (the
// name), a missing AUXLOAD$ file; a failed push of OPEN$ (128 and above)
// stops the launch with nothing pushed; a procedure's compile error stops
// it. No record in the range is 127 shown in the status box, after which the
// round answers 0. A cancel (122) of the form or of the device choice ends a
// launch as a success.
#pragma once
#include <cstdint>

#include "devices/device.h"
#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/forms/acceptlist.h"

// Launch flags.
enum ReportLaunchFlag : int {
  kLaunchFromScreen = 1,  // parameters from the current screen's properties
  kLaunchNoLimits = 2,    // no limits form, no repeat
  kLaunchFormFirst = 4,   // ReportLaunch: the limits form first, the job in its callback
};

constexpr uint32_t kDevSelAnswerItem = 5;   // SystemTextList item of the chosen device string
constexpr int16_t kSysCompatPrinters = 128;  // `_SYSCOMPAT`: printer names become devices

// The limits form of a launch (AcceptForm): its result.
using ReportLimitsDialog = AcceptResult (*)(StrValue title, StrValue list);
// The device chooser of a launch (DevSelect): the chosen device string,
// empty when cancelled.
using ReportDevChooser = StrValue (*)(StrValue current);

// Keeps `_SYSCOMPAT` and puts it back when the scope ends.
class SysCompatKeep {
 public:
  SysCompatKeep();
  ~SysCompatKeep();
  SysCompatKeep(const SysCompatKeep&) = delete;
  SysCompatKeep& operator=(const SysCompatKeep&) = delete;

 private:
  int16_t kept_;
};

// --- The launch ------------------------------------------------------------------

// The Report verb: ReportLaunch(spec, 0).
Status ReportCommand(StrValue spec);
// A spec "file,tag" whose file (type PPN) holds the tag: its parameter lines
// become the current object parameters, SET$ runs, then the job runs
// (ReportLaunchRun) or, with kLaunchFormFirst, OPEN$'s first file is made
// current and the limits form asks first, the job running from its callback
// when the form is confirmed; the parameters are popped afterwards. A spec
// of 5 items or more goes to the accept-form command; "file,n" without such
// a file or tag is 164 naming it; another spec whose second item is a
// non-zero number 147; anything else is a report spec (ReportLaunchSpec). A
// cancel answers 0.
Status ReportLaunch(StrValue spec, int flags);
// The job of the current print-job parameters: ReportStart with DEVICE$,
// DOCNAME$, DOCSETS$ and OPEN$, the limits form and DevSelect. 122 counts
// as success.
Status ReportLaunchRun(int flags);
// A report spec "report[;procedure],from,to[ FILE:n]": ReportStart with the
// spec's range, DOCSETS$ as the limits text and FILE:n as the file to open.
// 122 counts as success.
Status ReportLaunchSpec(StrValue spec, int flags);
// The print of a screen (the PRN command of a maintenance window): its DOC$
// spec with the screen's own parameters and no limits form; an empty DOC$
// is 164 "Not defined" and asks nothing.
Status ReportScreenPrint(StrValue doc);
// The document exit of an accept window (screens/forms/accept.h AcceptDocHookSet),
// given the form's DOCNAME$: the job of the form's own print-job parameters
// (ReportLaunchRun from the screen: DOCNAME$, DEVICE$, OPEN$, COND$...), its
// fields 1 and 2 the range when it has no LIMITS$. An empty DOCNAME$ is 164
// "Not defined" and asks nothing.
Status ReportAcceptLaunch(StrValue doc);
// Starts a report: the procedure of the spec's second ";" item compiled, the
// files pushed, then rounds of limits form, range seek, device choice and
// report while the print job has a limits form, none of them failed and
// kLaunchNoLimits is clear; the data state restored, the procedure released.
// `range` is the key range "from,to" (empty: LIMITS$ or the form's answers);
// `limits` the report's limits text; `dev` an open device to print on (null:
// the device string, else the chooser).
Status ReportStart(StrValue device, StrValue spec, StrValue limits, StrValue files, StrValue range, int flags,
                   DevRecord* dev, ReportLimitsDialog dialog, ReportDevChooser chooser);
// ReportStart with the limits form and DevSelect and no open device: the
// launch as the screens call it (screens/datascreens/reportcalls.h).
Status ReportStartAsked(StrValue device, StrValue spec, StrValue limits, StrValue files, StrValue range, int flags);
// Print-job parameter n, taken as the table above says; a new slot of the
// string area (an error string when an evaluation fails).
StrValue ReportParmGet(int n, int flags);

// What ReportStart was given, for its steps.
struct ReportLaunchJob {
  StrValue device, name, limits, range;
  int flags = 0;
  DevRecord* dev = nullptr;
  ReportLimitsDialog dialog = nullptr;
  ReportDevChooser chooser = nullptr;
  StrValue confirmedCond;  // the condition of a limits form confirmed before the job
};
// One round: the limits form (when the field list is not empty, a dialog is
// given and kLaunchNoLimits is clear; its non-zero status is the answer),
// then ReportFilterSeek with the form's search condition (without a form:
// the job's confirmed condition).
Status ReportLimitsAsk(const ReportLaunchJob& job, StrValue acbound);
// The callback of the limits form asked first (kLaunchFormFirst): the form
// is collected and, when it was confirmed, the job runs without asking it
// again; any other end runs nothing.
Status ReportLimitsCallback(uint32_t lastKey);
// The record filter (the form's condition, COND$ and the job's own joined
// by "&&", outside FILESCAN mode), the first record of the range read with
// key INDEX% and the first one meeting the filter sought up to the to-limit
// (progress shown, a cancel answers 0 quietly), then DevChooseAndRun; no
// record: the status box of 127, and 0. Selections opened meanwhile are
// released.
Status ReportFilterSeek(const ReportLaunchJob& job, StrValue formCond);
// A device string with a name, or an open device, is used as it is; else
// the chooser asks (a cancel answers 122), or "CON" is put in front. Then
// AUXLOAD$ is loaded, the report runs (key text default the byte 0xFF,
// progress PROG_MODE$, copies COUNTER$) and the loaded lines are dropped.
Status DevChooseAndRun(StrValue device, StrValue report, StrValue limits, StrValue cond, StrValue key, int flags,
                       DevRecord* dev, ReportDevChooser chooser);
// AUXLOAD$: for each item "file;n" the definition lines of tag n of the
// file, all joined by ":" and pushed on string list 31 as one parameter
// string; nothing pushed when AUXLOAD$ is empty. *pushed tells how many
// strings went on the list. 164 naming a missing file.
Status ReportAuxLoad(int flags, uint32_t* pushed);

// --- The device selection -------------------------------------------------------

// Asks for a device string (the window, or the INPUT file's next line in
// batch mode); the DEV entry asks for a free device string in a form. The
// chosen string, empty when cancelled, an error string when the INPUT file
// cannot be read. Sets bit 128 of `_SYSCOMPAT`.
StrValue DevSelect(StrValue current);
// One answer: the batch line, or the window run modally; kept in system text
// list item 5 and recorded in the OUTPUT file (a cancel as the ESC line).
StrValue DevSelectShow(StrValue current);
// The "Device Selection" window (kind 6) with its controls, the lines, width
// and step edits filled from the current device string's options; listed on
// WinList, owner disabled. 0 when it cannot be made.
ui::Hwnd DevSelectWinDraw(StrValue current);
// The window's procedure: Ok (3100) and Enter build the device string into
// system text list item 5 and close the window, a double click on the
// device list likewise; nothing selected shows message 0084. "Lpt Config"
// (3102) edits the selected port's printer table. A new device enables its
// fields. Esc and the close box cancel. Everything else goes to the dialog
// procedure of the screens.
ui::LResult DevSelWinProc(ui::Hwnd window, ui::Msg m, ui::WParam wp, ui::LParam lp);
