// Screen properties by number, conditions and key texts.
//
// A property is object parameter n (script/objparams.h ParmName): 11-29 the
// screen band (SCREENSIZE$ ... VOIDMODE%), 31-48 the document band (BOUNDS$
// 42, BEGINFLD% 47), 51-67 the form band (FD$ ... IK$(3)), 94 INDEX%. While
// an event is current (`_AUX`) a property is looked up as EVENT.NAME first,
// then as NAME. Per-field properties (ALARM$, ASSIGN$, PERFORM$, UPDFIELDS$,
// WINDOWS$, WIDTHS$, TYPES$, CLEAR$, FILEDEF$) are comma lists whose item n
// belongs to field n.
//
// A property the text does not hold reads the script variable of the same
// name (its "%" dropped, so INDEX% reads the integer variable INDEX); names
// holding "(" (IK$(1) ...) read empty. Values come back with one pair of
// enclosing quotes stripped, except for "%" names, which stay raw.
//
// Results are new slots of the string area (or views of the definition
// text); an evaluation error comes back as the error string carrying its
// code, recorded by the evaluator.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "script/objparams.h"

// Property numbers the screens read: a property is the object parameter of
// the same number (script/objparams.h holds the numbers), read from the
// current screen's definition.
enum ScreenProperty : int {
  kPropMaxIdsAttr = kParmMaxIdsAttr,
  kPropStatMsg = kParmStatMsg,
  kPropScreenSize = kParmScreenSize,
  kPropSet = kParmSet,
  kPropOpen = kParmOpen,
  kPropEdit = kParmEdit,
  kPropNoEdit = kParmNoEdit,
  kPropDoc = kParmDoc,
  kPropDocSets = kParmDocSets,
  kPropHelp = kParmHelp,
  kPropSaved = kParmSaved,
  kPropHidden = kParmHidden,
  kPropRelOpt = kParmRelOpt,
  kPropUnicNdx = kParmUnicNdx,
  kPropAutoNdx = kParmAutoNdx,
  kPropKeyMap = kParmKeyMap,
  kPropScanDef = kParmScanDef,
  kPropScanWin = kParmScanWin,
  kPropScanSet = kParmScanSet,
  kPropVoidMode = kParmVoidMode,
  kPropNumCab = kParmNumCab,
  kPropWriteCab0 = kParmWriteCab0,
  kPropWriteCabs = kParmWriteCabs,
  kPropWriteLins = kParmWriteLins,
  kPropFtClc = kParmFtClc,
  kPropReadCabs = kParmReadCabs,
  kPropReadLins = kParmReadLins,
  kPropLnIns = kParmLnIns,
  kPropLnDel = kParmLnDel,
  kPropAlarmLins = kParmAlarmLins,
  kPropBounds = kParmBounds,
  kPropMode = kParmMode,
  kPropFastFind = kParmFastFind,
  kPropFldUpdate = kParmFldUpdate,
  kPropBeginFld = kParmBeginFld,
  kPropMaxLin = kParmMaxLin,
  kPropFd = kParmFd,
  kPropAlarm = kParmAlarm,
  kPropAssign = kParmAssign,
  kPropLnAssign = kParmLnAssign,
  kPropFileDef = kParmFileDef,
  kPropPerform = kParmPerform,
  kPropUpdFields = kParmUpdFields,
  kPropWidths = kParmWidths,
  kPropTypes = kParmTypes,
  kPropWindows = kParmWindows,
  kPropClear = kParmClear,
  kPropOnConfirm = kParmOnConfirm,
  kPropOnCancel = kParmOnCancel,
  kPropUsrCond = kParmUsrCond,
  kPropIk1 = kParmIk1,
  kPropIndex = kParmIndex,
  kPropReset = kParmReset,
  kPropSteps = kParmSteps,
  kPropPrcName = kParmPrcName,
  kPropAcBound = kParmAcBound,
  kPropAcceptPrc = kParmAcceptPrc,
  kPropWrExp = kParmWrExp,
  kPropEotExp = kParmEotExp,
  kPropRdCond = kParmRdCond,
  kPropLoadImport = kParmLoadImport,
  kPropMnuImport = kParmMnuImport,
  kPropAutoImport = kParmAutoImport,
};

constexpr int kPropWhole = 0;  // m of 0 or -1: the whole value

// The common lookup: property n in text, item m of its comma list (0 or -1
// the whole value).
StrValue ScreenAttrFind(int n, int m, StrValue text);
// Property n of the current screen; empty when no screen is current.
StrValue ScreenProp(int n, int m);
// The same with its [expression] segments expanded.
StrValue ScreenPropExpand(int n, int m);
// CondCheck of the property.
Status ScreenPropCond(int n, int m);
// The value of any NAME in the current screen's definition; empty when absent.
StrValue ScreenDefLookup(StrValue name);
// The lookups on the parameter string at the top of string list 31, before a
// screen is pushed; Num evaluates the text as an integer expression (an
// empty text is 0).
StrValue ScreenDefAttrText(int n, int m);
int16_t ScreenDefAttrNum(int n, int m);

// Items of a ";"-separated spec: n > 0 item n normalised (trimmed,
// unquoted, upper-cased unless quoted); -1 the
// last item when it is not quoted, else empty; 0 the spec without an
// unquoted last item (the whole spec when the last item is quoted).
StrValue SpecItem(StrValue spec, int n);

// A condition text: its first expression is the condition, what follows the
// first separator is the detail. Answers 0 when the condition holds (any
// non-zero number; an empty text holds), 126 when it fails (the detail,
// evaluated as a string and with its [expressions] expanded, becomes the
// error detail), or the evaluation status of 122 and above.
Status CondCheck(StrValue text);

// The key text of document and navigation lines: the items of IK$(n) (n 1-3)
// each evaluated as a string and joined; an evaluation error as its error
// string.
StrValue ScreenKeyText(int n);
