// The statements of procedures that work on data definitions and records,
// and the run-time context stack of FILESTRUCT.
//
//   LOADSTRUCT prefix     loads the dictionary of the prefix from the data
//                         directories (SettingsList item 5)
//   RC_DELETE 'file,list' the data-file action (fileaction.h) with mode
//   RC_INSERT 'file,list' 0x600, 0x500 or 0x700 on the current record of the
//   RC_WRITE  'file,list' file (an empty item 1: the current file); item 2 is
//                         the relation-list text
//   RC_UPDATE file,text,flags  RelRecordStore (relations.h); _STAT = its
//                         answer unless 0xffff
//   FILESTRUCT name,fields,keys  pushes a context level, defines the file,
//                         each field "name;length;type" of the comma list
//                         (the length an expression giving an integer, the
//                         type its first character) and each key-part text of
//                         the comma list ("<" optional); without keys the file
//                         gets the default key; the file becomes current
//   FILESTRUCT 'RESTORE'  pops a level and removes what was defined since
// Each leaves its answer in _STAT; an error (128 and above) also stops the
// run. A FILESTRUCT that fails unwinds its own level first, so nothing
// half-defined stays: 163 naming the item for a length that is not a number
// or too large a record, a field without a type, a bad key text.
//
// Context levels: at most 7 (the 8th push is 168 DATAOUTBOUND); each keeps
// the counts of files, fields and keys and the current file. A pop removes
// every file above its saved count with their fields, keys, names and
// buffers (DicTruncate), then makes the saved file current. A pop with no
// level is refused (141 INTERNALERROR, detail "FILESTRUCT RESTORE") and
// every definition stays. The stack belongs to the runtime it was pushed in.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint16_t kRunContextMax = 7;

struct RunContextLevel {
  uint8_t files = 0;
  uint16_t fields = 0;
  uint16_t keys = 0;
  uint8_t current = 0;
};

// push: a new level with the counts now (168 when 7 are kept). Otherwise
// the top level is taken off into *popped (141 when none).
Status RunContextPushPop(bool push, RunContextLevel* popped = nullptr);
// Pops a level and removes the definitions made since it.
Status RunContextRestore();
uint16_t RunContextDepth();
// FILESTRUCT: "RESTORE" in name (any letter case) restores; otherwise a
// level is pushed and the file defined.
Status FILESTRUCT(StrValue name, StrValue fields, StrValue keys);
// RC_DELETE, RC_INSERT, RC_WRITE: "file,list".
Status ExecRcOperation(uint16_t mode, StrValue text);

// Registers the statements above with the statement handlers and lends the
// open-state stack and the context stack to the procedure runner.
void DataStatementsRegister();
