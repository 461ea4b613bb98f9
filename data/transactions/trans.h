// The import and export engine: transactions between a data file and an
// external file, and the batch operations over a data file.
//
// A transaction is a mode (TransMode bits, tmode below) and 23 named
// parameters in string list 10 (item 0 the external file name). The EXPORT
// and IMPORT statements (modes 0x104 and 0x105), the transaction menu and
// saved configurations drive it:
//   TransStatement -> TransRun -> TransSetup (parameters, SET$, FILE)
//                             -> TransExec (bounds form, count or engine)
//                                -> FileTransLow (the engine)
//
// External layouts of a record (STRUCT$ items, all fields when empty):
//   Relative   (EXTERNFILE)                    the stored bytes of the items,
//              no separator, no line end, fitted to BUFFSIZE when given
//   Secuential (+STREAM)                       the same and CR LF
//   Delimited  (+STREAM+DELIMITED, or +STREAM+IS_SQL)  values trimmed, texts
//              (every value under IS_SQL) in quotes: the double quote, the
//              single one under IS_SQL, the other one for a value holding
//              it (both: 163 naming the record's key); a numeric value of
//              zero is empty; joined by FLDELIM$ (evaluated, default ","); CR LF
//   List       (+STREAM+HUMAN_READ)            fields of type letters up to
//              "8" formatted to their display width, others as stored;
//              columns separated by one blank; CR LF; a two-line header
//              (titles, "=" lines) unless HEADER$ is given
// An item that is a field of the file or a field reference NAME{file}
// gives the field; any other item is an expression whose result is written
// (on import: run with the value read on string list 30). On import an
// item may begin with a width and ";".
//
// Imports are all or nothing. The external file is read whole into a work
// copy (a fresh temporary file) first: every line or record converted into
// the data file's current record, tested, and its image written to the work
// copy. Any error there leaves the data files untouched and names the file
// and the line (the record number for Relative): 146 a line beyond the
// limit (1024 bytes, or four record lengths when longer), 163 an empty line
// followed by more data, a trailing partial Relative record, a value the
// field's input conversion rejects (with the field). Trailing empty lines
// and an ESC line end the file. Only then, after the confirmation, is the
// work copy merged, inside a run of the journal (journal.h): an error or a
// cancel undoes every record the merge and its relation statements wrote.
// A replace import (IMPORT+EXTERNFILE+DELETING) sets the old data and index
// files aside as a journal entry just before the merge.
//
// Refused before anything is opened (148 naming the mode): RELATIONAL_RESET,
// mode 11, USR_UPDATE, IS_SQL and EXTERN_INDEXED imports, mode bit 0x8000,
// EXTERN_INDEXED without STREAM or STRUCT$ (no external hook is built).
// An external name that is the transaction's own data, index or work file
// is 163. A failed export leaves its target as it was (written beside and
// renamed over it; an APPEND cut back); the standard streams excepted.
// `_UPSTAT` comes back as it was on every path.
//
// Results: the first error; 127 when no row was written (the statements
// turn 122 and 127 into 0). `_COUNT` (with `_HCOUNT` above it) holds the
// rows written: exported, updated or deleted, or merged by an import.
#pragma once
#include <cstdint>
#include <string>

#include "data/store/datafile.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

namespace tmode {
constexpr uint16_t kImport = 0x1;
constexpr uint16_t kUpdate = 0x2;
constexpr uint16_t kExternFile = 0x4;
constexpr uint16_t kDeleting = 0x8;
constexpr uint16_t kStream = 0x10;
constexpr uint16_t kDelimited = 0x20;
constexpr uint16_t kAppend = 0x40;
constexpr uint16_t kIndexChk = 0x80;
constexpr uint16_t kBatchMode = 0x100;
constexpr uint16_t kOverwrite = 0x200;
constexpr uint16_t kRelationalReset = 0x400;
constexpr uint16_t kExternIndexed = 0x800;
constexpr uint16_t kIsSql = 0x1000;
constexpr uint16_t kUsrUpdate = 0x2000;
constexpr uint16_t kHumanRead = 0x4000;
constexpr uint16_t kTables = 0x8000;  // character tables on import (not given)
// Bit i is item i + 1.
constexpr const char* kNames =
    "IMPORT,UPDATE,EXTERNFILE,DELETING,STREAM,DELIMITED,APPEND,INDEXCHK,BATCHMODE,OVERWRITE,"
    "RELATIONAL_RESET,EXTERN_INDEXED,IS_SQL,USR_UPDATE,HUMAN_READ";
constexpr uint16_t kExport = 0x104;     // the EXPORT statement
constexpr uint16_t kImportStmt = 0x105;  // the IMPORT statement
}  // namespace tmode

// The items of string list 10 (TransParamsList).
enum TransItem : uint32_t {
  kTrName = 0, kTrFile, kTrBuffSize, kTrSet, kTrMerge, kTrCond, kTrUnicKey, kTrUnicCri, kTrStruct,
  kTrResets, kTrInics, kTrFins, kTrRstCris, kTrFlDelim, kTrRcDelim, kTrWrExp, kTrTrigger, kTrAcBound,
  kTrAcConfirm, kTrHeader, kTrSqlTable, kTrTarPath, kTrLimits, kTrIndex,
  kTrCount
};
constexpr const char* kTransParmNames =
    "FILE,BUFFSIZE,SET$,MERGE$,COND$,UNICKEY$,UNICCRI$,STRUCT$,RESETS$,INICS$,FINS$,RSTCRIS$,FLDELIM$,"
    "RCDELIM$,WREXP$,TRIGGER$,ACBOUND$,ACCONFIRM$,HEADER$,SQLTABLE$,TARPATH$,LIMITS$,INDEX$";

// --- Parameters -------------------------------------------------------------------

// Item n of the parameter list (a copy).
std::string TransParmText(uint32_t item);
Status TransParmSet(uint32_t item, StrValue value);
// Empties the parameter list.
void TransParmsClear();
// The value of a parameter among the current object parameters: first
// qualified by the external file's name and extension ("CUST.TXT.STRUCT$"),
// then alone.
StrValue TransExtName(StrValue name, StrValue external);
// The mode of the names whose parameter (TransExtName) reads 1.
uint16_t TransModeParse(StrValue external);
// The mode of a comma list of mode names (any letter case); unknown names
// are 163 naming them.
Status TransModeFromNames(StrValue names, uint16_t* mode);
// Item 0 becomes the name; each empty item takes its parameter
// (TransExtName), then, unless BATCHMODE, its default ("1{}" for ACBOUND$
// and ACCONFIRM$).
Status TransParmsReset(StrValue name, uint16_t mode);
// The stream open flags of a mode: import 8 with STREAM, else 9; export 4
// with EXTERNFILE and APPEND, else 2.
uint16_t TransOpenMode(uint16_t mode);
// 148 (recorded, the mode's name in the detail) for a mode the engine
// refuses; 0 otherwise.
Status TransRefused(uint16_t mode);

// --- Running ----------------------------------------------------------------------------

// The per-record routine of a transaction: the current key text (or the
// row count while merging) in, an error string stops the run.
using TransRoutine = DataFileRoutine;

// EXPORT and IMPORT: a1 the external name, a2 the mode added to the
// statement's (a number, or a comma list of mode names; 0 or absent: the
// names the object parameters set), a3 non-zero opens the progress window
// titled message 0016 and the name. `_STAT` = the result, 122 and 127 as 0.
Status TransStatement(uint16_t count, const uint16_t* kinds, const int16_t* ints, const StrValue* strs,
                      uint16_t mode);
// TransSetup, then TransExec.
Status TransRun(StrValue name, uint16_t mode, TransRoutine routine);
// Resets the parameters, runs SET$, makes FILE the current file (151 naming
// it when unknown).
Status TransSetup(StrValue name, uint16_t mode);
// Refused modes; TRIGGER$ "DISABLE"; unless BATCHMODE the file name asked
// when needed (TransConfirm stage 0) and the bounds form; then INDEXCHK
// counts (TransCount), any other mode runs the engine. The parameter list
// is emptied afterwards.
Status TransExec(StrValue name, uint16_t mode, TransRoutine routine);
// The engine over the current file; bounds is the key range as a quoted
// comma list of two texts (TransLimits).
Status FileTransLow(StrValue name, uint16_t mode, StrValue bounds, TransRoutine routine);

// --- Bounds and counts ---------------------------------------------------------------

// The key range: the two LIMITS$ expressions evaluated, or two empty
// bounds, as a quoted comma list.
StrValue TransLimits();
// The key number of the range: INDEX$ (163 naming it when the file has no
// such key), else under BATCHMODE the first key led by a date field, else
// the current key.
Status TransIndexParm(uint16_t mode, int* key);
// The rows within the bounds that meet COND$; reports message 0101 with the
// count and the file's name unless BATCHMODE. `_COUNT` = the count.
Status TransCount(StrValue bounds, uint16_t mode, uint32_t* count);
// Counts and asks "%s records. Proceed?": 0 on yes, 122 on no.
Status TransCountProceed(StrValue bounds, uint16_t mode);

// Registers EXPORT and IMPORT with the statement handlers.
void TransStatementsRegister();
