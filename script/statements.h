// The framework's statement handlers: the six handlers of the chain, each
// in its slot with the statement codes it owns, and the statements that run
// in the script layer itself.
//
//   slot 0 ExecRunDevices  DEVICE DLOCATE DPRINT ENDDEVICE KILL SYSTEM
//   slot 1 ExecRunStruct   LOADSTRUCT RC_DELETE RC_INSERT RC_UPDATE RC_WRITE FILESTRUCT
//   slot 2 ExecRunScreen   ACCEPT BOUNDS COLOR LOCATE MESSAGE PRINT READ WAIT
//                          WINMENU WINOPEN WINCLOSE WINSELECT WINPROG
//   slot 3 ExecRunReport   REPORT DOCPRINT
//   slot 4 ExecRunTrans    CONNECT EXPORT IMPORT REMOTE
//   slot 5 ExecRunUtils    FILESELECT SHELL FILESCAN STATSTEPS
//
// A handler runs the codes it owns through their implementations
// (handlers.h ExecStatementSet) and passes any other code up the chain. A
// code without an implementation answers 148 FEATUREREMOVED with the detail
// "<handler> <KEYWORD>" ("ExecRunTrans REMOTE"): CONNECT, REMOTE and SHELL
// always, the others until the layer that does their work registers it.
//
// Statements that run here:
//   KILL file            deletes the file (name-expanded); _STAT = 0 or 65535
//   SYSTEM command       runs "%SystemRoot%\system32\cmd.exe /C command",
//                        name-expanded, as a hidden child (/bin/sh -c on this
//                        system): _STAT = 0, or 173 when it exits with another
//                        status (the command and status in the error detail)
//   SYSTEM kind,file     shows the file in the outside viewer of the kind
//                        without waiting; _STAT = 0 or the viewer's error
//   FILESELECT list      pushes an open-file state; FILESELECT 'RESTORE' pops
//   FILESELECT type[,flags]  (a number, or a text of one character) the file
//                        dialog of that kind: the chosen name is pushed on list
//                        30 when it is empty, else replaces its top; a cancel
//                        changes nothing
// Too few arguments are 147. Statements answer 0 and leave their outcome in
// _STAT, except for errors of the open-state stack and the dialog, which
// stop the run.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/handlers.h"

// Statement codes of the handlers (positions in kPrcKeywords).
enum StmtCode : uint16_t {
  kStmtAccept = 19, kStmtBounds, kStmtColor, kStmtConnect, kStmtDevice, kStmtDLocate, kStmtDPrint,
  kStmtEndDevice, kStmtExport, kStmtFileSelect, kStmtImport, kStmtKill, kStmtLoadStruct, kStmtLocate,
  kStmtMessage, kStmtPrint, kStmtShell, kStmtRead, kStmtRemote, kStmtReport, kStmtDocPrint, kStmtWait,
  kStmtWinMenu, kStmtWinOpen, kStmtWinClose, kStmtWinSelect, kStmtWinProg, kStmtRcDelete, kStmtRcInsert,
  kStmtRcUpdate, kStmtRcWrite, kStmtFileStruct, kStmtFileScan, kStmtStatSteps, kStmtSystem,
};

enum ExecSlot : uint16_t {
  kSlotDevices = 0, kSlotStruct, kSlotScreen, kSlotReport, kSlotTrans, kSlotUtils,
};

// Registers the six handlers, slot 5 first and slot 0 last, and the
// statements of this layer. The programs call it in start phase 1.
void ExecRunUtilsInit();

// The six handlers differ only by the slot whose codes they own.
template <uint16_t Slot>
Status ExecRunSlot(uint16_t code, uint16_t count, const uint16_t* kinds, const int16_t* ints, const StrValue* strs);
inline constexpr ExecHandler ExecRunDevices = &ExecRunSlot<kSlotDevices>;
inline constexpr ExecHandler ExecRunStruct = &ExecRunSlot<kSlotStruct>;
inline constexpr ExecHandler ExecRunScreen = &ExecRunSlot<kSlotScreen>;
inline constexpr ExecHandler ExecRunReport = &ExecRunSlot<kSlotReport>;
inline constexpr ExecHandler ExecRunTrans = &ExecRunSlot<kSlotTrans>;
inline constexpr ExecHandler ExecRunUtils = &ExecRunSlot<kSlotUtils>;

// Runs a command the way SYSTEM does; 0, or the error of the run (173 for
// an exit status other than 0, 164 a command that cannot be started).
Status ExecSystemCmd(StrValue command);
// 147 (recorded) unless the statement has at least `min` arguments.
Status ExecArgsAtLeast(const ExecArgs& args, uint16_t min);
