// The transaction menu: exports, imports and batch updates set up in forms,
// optionally saved under a name (screens/transactions/transsave.h), run with the
// progress window, and saved set-ups run again.
//
// The FileTrans verb's text is "mode,name,limits":
//   mode   a number (the engine's mode bits, data/transactions/trans.h), or a caption of
//          message 0111 (the menu's choices and their codes); 0 or empty
//          runs a saved configuration;
//   name   the external file offered by the target form; for mode 0 the
//          configurations file (empty: TransPpnPath);
//   limits an expression whose text is the bounds form (ACBOUND$); empty:
//          the field-limit forms ask for it.
// The set-up asks, in this order: the table (message 0085); the limits;
// with EXTERNFILE the fields (0096) and the target file and append mode
// (0088, after the file dialog unless the INPUT file answers the forms);
// without UPDATE, EXTERNFILE, DELETING and INDEXCHK the update expression
// (0099, WREXP$); with UPDATE or EXTERNFILE the relational update type
// (0087, TRIGGER$); unless BATCHMODE whether to save it. The chosen table is
// kept as FILE, so a saved set-up runs on its own table. Every form takes
// its answer from the INPUT file in batch mode. A cancel anywhere answers
// 122 with nothing saved or run.
//
// A saved set-up runs with its tag's lines as the current parameter string:
// its open state (OPEN$) is pushed and its relations (RELOPT%)
// loaded for the current file with TRIGGER$ "ENABLE", both undone after
// the run; TRANSPARMSMODE% is the mode (163 when it is not a number) and
// TARGET$ (parameter 112) the external name. A name without its tag
// answers 164 naming it.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/status.h"
#include "runtime/strvalue.h"

// The verb FileTrans: TransSelect; an error already shown in a box answers 0.
Status FileTransCommand(StrValue command);
// The set-up and run (mode not 0) or a saved configuration's run (mode 0).
Status TransSelect(StrValue text);

// The limits: item 3 of the text evaluated, else the field-limit forms;
// their form text becomes ACBOUND$ and the key led by the first limited
// field INDEX$ (left empty when no key is led by it).
Status TransTargetSetup(int file, StrValue text);
// The key whose first part starts in the field of the list's first item;
// 0 when none.
int TransListParms(int file, StrValue list);
// The fields form (message 0096); the chosen fields become STRUCT$.
Status TransFieldsChoose(int file);
// True for an answer of the fields form that chooses its field.
bool TransFieldSelect(StrValue answer);
// One "'%s:':'L1'::1" per field of the file.
StrValue TransFieldFormLines(int file);
// The names of the fields whose answer chooses them, joined by ",".
StrValue TransFieldsJoin(int file, StrValue answers);
// The target form (message 0088 over 0095, the name offered): the answer
// becomes the external name (item 0) and the APPEND bit of *mode. Outside
// batch mode the file dialog offers the name first.
Status TransTargetForm(std::string* name, uint16_t* mode);
// The relational update type (messages 0087, 0094) into TRIGGER$.
Status TransRelTypeForm();
// The update expression (messages 0099, 0100) into WREXP$.
Status TransUpdateExprForm();

// Chooses a saved configuration of the file (empty: TransPpnPath) in a
// choice window (message 0098) and runs it; message 0007 when there is
// none. 122 when nothing is chosen.
Status TransPredefined(StrValue file);
// Runs the saved configuration of that tag (its lines pushed, state and
// relations applied, run, everything undone).
Status TransRunTag(StrValue file, int tag, const std::string& name);
// Runs the current parameter set: the target asked first for an export
// without a name; the progress window (a bar over the file's size for a
// plain file import, else the keys as text) titled message 0016 and the
// name. Unless BATCHMODE or cancelled, success reports message 0101 with
// the rows and the file's name, an error is shown in an error box.
Status TransRunSaved(StrValue name, uint16_t mode);

// What TransParmGet applied, for TransStateRestore.
struct TransApplied {
  bool statePushed = false;
  int file = 0;
  int relBase = -1;  // the relation list's length before, -1: nothing loaded
};
// Applies the open state and the relations named by the two parameters of
// the current parameter string.
Status TransParmGet(StrValue stateParm, StrValue relParm, TransApplied* applied);
// Undoes TransParmGet: the state restored, the relations unwound and
// TRIGGER$ emptied.
void TransStateRestore(const TransApplied& applied);
