// Object parameters of definition files.
//
// Menus, screens, documents, input forms, reports, print jobs and import jobs
// are described by definition files: text files whose lines carry a numeric
// tag and NAME:value items. Every subsystem reads those items by number:
// parameter n has one fixed name (ParmNameBase), and its value is looked up in
// the current parameter string, the top of string list 31, which holds the
// tagged lines of one definition joined by ":".
//
// Events: while the system integer `_AUX` is non-zero an event is current;
// its name is item `_AUX` of the comma list in SystemTextList item 8. A
// parameter is then looked up as EVENT.NAME first and, when the definition
// has no such item, as the plain NAME, so a job attaches per-step values to
// a common definition.
//
// Tagged lines (ParmLineTag / ParmLineContent): by line kind, the tag is the
// text at a fixed place of the line with blanks read as "0"; the content is
// the line from a fixed column. A line shorter than its content column gives
// an empty content; a tag holding anything but digits and blanks matches no
// tag. Kinds 0, 5 and above 6 have no tag (every line is tag 0).
//
// Stack discipline: ParmStrPush pushes exactly one string on success and
// nothing otherwise; ParmStrPushOrEmpty always pushes one unless the store is
// full; ParmStrPop pops one. Line reading pushes all of a file's matching
// lines or, when they do not fit, none.
//
// Results in the string area follow the mark/return idiom; error strings
// pass through. Errors: 159 STROUTBOUND when joined lines exceed 65535 bytes
// or the string-list store is full (never a cut text); 146 from the stream
// reader for an over-long line; 168 when no stream slot is free; 163
// BADINPUTDATA for an event state shorter than 2 bytes; 141 INTERNALERROR
// for a pop with no parameter string pushed.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// Parameter numbers: band start + position in the band's list of names. This
// is the one table of them; script/objparams.cpp pairs each with its name, and
// the screens' property numbers (screens/window/screenprops.h) are these.
enum ObjectParm : int {
  // Menus (band 0).
  kParmModules = 1, kParmMenu, kParmCaller, kParmSubMenu, kParmLoad, kParmExec, kParmCounter,
  kParmMaxIdsAttr, kParmStatMsg,
  // Screens (band 10).
  kParmScreenSize = 11, kParmSet, kParmOpen, kParmEdit, kParmNoEdit, kParmWrite, kParmDoc,
  kParmDocSets, kParmHelp, kParmSaved, kParmHidden, kParmRelOpt, kParmUnicNdx, kParmAutoNdx,
  kParmKeyMap, kParmScanDef, kParmScanWin, kParmScanSet, kParmVoidMode,
  // Documents (band 30).
  kParmNumCab = 31, kParmWriteCab0, kParmWriteCabs, kParmWriteLins, kParmFitClc, kParmFtClc,
  kParmReadCabs, kParmReadLins, kParmLnIns, kParmLnDel, kParmAlarmLins, kParmBounds,
  kParmDocTypeTxt, kParmMode, kParmFastFind, kParmFldUpdate, kParmBeginFld, kParmMaxLin,
  // Input forms (band 50).
  kParmFd = 51, kParmAlarm, kParmAssign, kParmLnAssign, kParmFileDef, kParmPerform,
  kParmUpdFields, kParmWidths, kParmTypes, kParmWindows, kParmClear, kParmOnConfirm,
  kParmOnCancel, kParmUsrCond, kParmIk1, kParmIk2, kParmIk3,
  // Reports (band 70).
  kParmAtEnd = 71, kParmBrkEnd, kParmBreak, kParmCond, kParmMaxLine, kParmLineStep,
  kParmTotalBase, kParmContinue, kParmExtraStep, kParmTitle, kParmWd,
  // Print jobs (band 90).
  kParmDevice = 91, kParmDocName, kParmAcBound, kParmIndex, kParmLimits, kParmAuxLoad,
  kParmReset, kParmSteps, kParmPrcName,
  // Import jobs (band 100).
  kParmAcceptPrc = 101, kParmWinName, kParmProgMode, kParmParmFile, kParmParmFileWrite,
  kParmSourceFile, kParmImpMode, kParmRdExp, kParmWrExp, kParmEotExp, kParmRdCond,
  kParmTarget, kParmLoadImport, kParmMnuImport, kParmAutoImport, kParmStruct,
};

constexpr uint16_t kParmStack = 31;     // string list of parameter strings
constexpr uint16_t kParmLineQueue = 37;  // the line queue of file readers
constexpr int32_t kParmMissing = -1;     // file missing, or no line of the tag

// --- Parameter names and values ------------------------------------------

// The plain name of parameter n (view of a static text); empty for band
// starts (0, 10, 30, ...), numbers past a band's list and negative numbers.
StrValue ParmNameBase(int n);
// EVENT.NAME while an event is current, else NAME; empty when the name is.
StrValue ParmName(int n);
// Normalised value (trimmed, unquoted, upper-cased unless quoted) of NAME
// in the current parameter string, found as NAME: or NAME=; empty when
// absent or when no parameter string is pushed.
StrValue ParmValue(StrValue name);
// Parameter n: EVENT.NAME while an event is current, then the plain NAME.
StrValue ParmValueByNum(int n);

// --- Event state ------------------------------------------------------------

// Sets `_AUX` (unless index is -1) and, when the list is non-empty, the
// event list.
Status ParmEventSet(int index, StrValue list);
// `_AUX` as 2 bytes (low byte first) followed by the event list.
StrValue ParmEventSave();
// Restores a saved state exactly; 163 for a text shorter than 2 bytes.
Status ParmEventRestore(StrValue text);

// --- Tagged lines of definition files ---------------------------------------

// The tag of a line: a non-negative integer, or -1 when its tag text holds
// anything but digits and blanks.
int32_t ParmLineTag(int kind, StrValue line);
// The content kept of a line (a view into it).
StrValue ParmLineContent(int kind, StrValue line);
// Pushes the content of every line of the given tag onto string list
// `list`. The file is opened read-only; a name without drive or directory
// that cannot be opened is searched along the default directory list
// (SettingsList item 5). Answers the number of lines pushed; kParmMissing
// when the file cannot be opened or no line matched; minus a status code
// (-159, -146, -168) when the lines could not be read or did not fit, in
// which case none of them stays on the list.
int32_t ParmLinesRead(StrValue file, int kind, int tag, uint16_t list);
// ParmLinesRead onto the line queue.
int32_t ParmLinesLoad(StrValue file, int kind, int tag);
// Takes up to n lines (n < 0: all) from the front of the line queue, joined
// by the separator. The lines are taken even when the joined text would
// exceed 65535 bytes; the answer is then the error string 159.
StrValue ParmLinesJoin(int32_t n, StrValue separator);
// Drops up to `count` lines from the front of the line queue, then queues
// every line of the file again (as ParmLinesLoad with kind 0).
int32_t ParmLinesReload(StrValue file, uint32_t count);

// --- The parameter-string stack -----------------------------------------------

// Joins the file's lines of the tag with ":" and pushes the result as the
// current parameter string. 0; 65535 (-1) when the file is missing or holds
// no line of the tag, with nothing pushed; 159, 146 or 168 as above. Lines
// already queued on the line queue are not touched.
Status ParmStrPush(StrValue file, int kind = 0, int tag = 0);
// As ParmStrPush, but a missing file pushes an empty parameter string.
Status ParmStrPushOrEmpty(StrValue file, int kind = 0, int tag = 0);
Status ParmStrPop();

// --- Definition files by type ---------------------------------------------------

// name "." item n of "PPN,PAN,STP,DAT,DAT,PDC,PRX,KXA,PMT,PDF,TXT,PDI,HLP,CFG";
// the name alone when n names no type.
StrValue FileTypeName(StrValue name, int n);
// For each file of a comma list, joined to the default directory: its
// title, quoted, the titles joined by ",". The title is the first line
// without a leading ";", or the value of its TITLE$ item when it has one;
// a missing or empty file is shown by its name.
StrValue ParmTitlesOfFiles(StrValue list);
