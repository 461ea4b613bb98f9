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
  StrValue word;  // the first word of the line, a verb or not
  uint16_t Verb() const { return static_cast<uint16_t>(code >> 16); }
  Status Stat() const { return static_cast<Status>(code & 0xffff); }
};

// A menu command handler takes the 32-bit code and the rest of the line.
using MenuCmdHandler = Status (*)(int code, StrValue rest);
using PhaseCallback = int (*)(int phase);

// The Report verb belongs to the devices layer above this one, which
// registers it at start-up; until then the verb answers 148 FEATUREREMOVED
// with "ReportCommand" in the detail.
using MenuVerbFn = Status (*)(StrValue rest);
void MenuCmdReportSet(MenuVerbFn fn);

MenuCommand MenuCmdParse(StrValue line);
void MenuCmdHookSet(MenuCmdHandler handler);
MenuCmdHandler MenuCmdHookGet();
Status MenuCmdRun(StrValue line, MenuCmdHandler defaultHandler);
StrValue MenuCmdText(StrValue line, uint16_t verb);
Status MenuCmdDispatch(int code, StrValue rest);

// The answer of MenuCmdRunList for a verb of the stop set (the character
// code of "|").
constexpr Status kMenuListStopped = st::UNDEFWARNING;
// The window mode the AcceptRun verb opens its form in.
constexpr int kAcceptRunWindowMode = 82;
// Room MenuCmdText allows beyond the line for the verb it puts in front.
constexpr uint32_t kMenuCmdTextRoom = 390;

// The detail "Process not defined", followed by ": " and the name of what
// was not found when one is given, recorded with code; answers code.
Status ProcessNotDefined(Status code, StrValue name);
Status ProcessNotDefined(Status code);

// Runs the items of a comma list from *index (default 1): each is evaluated
// as a string expression and run as a command through the default verbs
// only. A word that is not a verb ends the list with 163; a verb whose number
// (as a character code) is in stopSet ends it with 124 without running. The
// first non-zero answer ends the list; *index receives the last item taken.
Status MenuCmdRunList(StrValue list, uint32_t* index, StrValue stopSet);
