// Menu command lines and the menu command verbs.
//
// Every menu entry, every line of the INPUT command file, the RUN option and
// several form exits carry a command line: a verb followed by its arguments.
// A line parses into a MenuCommand (verb number and status in one 32-bit
// code, plus the rest of the line); it goes to the application's dispatcher,
// which passes what it does not own to the framework's default verbs
// (MenuCmdDispatch). A word not in the verb table answers 163.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Verb numbers: 1-based positions in the verb table.
enum MenuVerb : uint16_t {
  kVerbMenu = 1,
  kVerbAccept,
  kVerbAcceptRun,
  kVerbMantAux,
  kVerbMantMain,
  kVerbMantAuto,
  kVerbMantMovs,
  kVerbLnManMain,
  kVerbLnNavMain,
  kVerbPrcExec,
  kVerbReport,
  kVerbReorg,
  kVerbCopy,
  kVerbFileTrans,
  kVerbHelp,
  kVerbPerform,
  kVerbFontSet,
  kVerbWizzSelect,
  kVerbExpEval,
};
extern const char kMenuVerbs[];

// The parse result: code = verb << 16 | status (0 a listed verb, 163 not).
struct MenuCommand {
  uint32_t code = 0;
  StrValue rest;
  uint16_t Verb() const { return static_cast<uint16_t>(code >> 16); }
  Status Stat() const { return static_cast<Status>(code & 0xffff); }
};

// A menu command handler takes the 32-bit code and the rest of the line.
using MenuCmdHandler = Status (*)(int code, StrValue rest);
using PhaseCallback = int (*)(int phase);

MenuCommand MenuCmdParse(StrValue line);
void MenuCmdHookSet(MenuCmdHandler handler);
MenuCmdHandler MenuCmdHookGet();
Status MenuCmdRun(StrValue line, MenuCmdHandler defaultHandler);
StrValue MenuCmdText(StrValue line, uint16_t verb);
Status MenuCmdDispatch(int code, StrValue rest);
// Calls the phase callback with 3, frees the runtime and answers the exit
// code: 0 when the final code is below 128, else the code.
// Verb PrcExec: a spec runs as a procedure; a spec with "*" is a file
// pattern whose files are offered in a choice window until none is chosen.
using PrcExecCallback = Status (*)(StrValue spec);
Status PrcExec(StrValue spec, PrcExecCallback callback);
// The application's menu-item and close tasks; 148 (or none set) means the
// item or task is not the application's own.
using MenuItemTask = Status (*)(StrValue command);
using CloseTask = Status (*)();
void MenuAppTasksSet(MenuItemTask itemTask, CloseTask closeTask);
// The main window's action handler: 16 menu item n, 17 close, 19 help.
Status MenuEvent(uint16_t action);
// 1 close the program, 0 stay open.
int ExitConfirm();

// --- Menu files -------------------------------------------------------
// One item per line; the number of TABs gives the level; a caption alone, or
// a caption, a comma and a command line.
struct MenuItemRec {
  StrValue text;            // the line from its first non-TAB character
  int16_t commandFlag = 0;  // -1 when the text is a caption, a comma and a command
};
struct MenuFileStep {
  int levelStep = 0;  // level minus the previous level
  int end = 0;        // -1 when no line is left
  MenuItemRec item;
};
// Queues the lines of the menu file (item 1 of a comma list, extension PMT)
// on the line queue; 0, 0xffff when the file is missing, or the error that
// kept its lines from being queued (159, 146).
Status MenuFileOpen(StrValue name);
MenuFileStep MenuFileItem();
MenuFileStep MenuFileNext();

int AppExitCode(PhaseCallback callback, Status finalStatus);

// The configuration files both applications run in start phase 2, later
// files overriding earlier ones; ";1" marks a file that must exist.
// Runs the items of a comma list from *index (default 1): each is evaluated
// as a string expression and run as a command through the default verbs
// only. A word that is not a verb ends the list with 163; a verb whose number
// (as a character code) is in stopSet ends it with 124 without running. The
// first non-zero answer ends the list; *index receives the last item taken.
Status MenuCmdRunList(StrValue list, uint32_t* index, StrValue stopSet);
extern const char kAppConfigFiles[];
// The configuration step both applications take at start phase 2: their
// configuration-file list, then RLV=1. Other phases answer 0.
Status AppConfigPhase(int phase);
// Runs each "file;flag" item of a comma list as an expression file
// (ExpExecFile with that flag), stopping at the first non-zero answer, which
// is returned; when all succeed, reloads the language variables and answers
// that.
Status PrcRunList(StrValue list);
