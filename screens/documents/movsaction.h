// Document windows: the commands of a window that edits one document (a
// header record and its lines, screens/documents/docengine.h) in two areas, the index
// area where the document key is typed and the line area where the lines are
// edited in the window's lines grid (screens/documents/docgrid.h).
//
// MovsAction is the action handler behind the window-level handler
// (screens/documents/movswin.h MovsActionWin): it turns the navigation commands and
// the screen events into document operations, runs the document events
// "INIT,LOAD,CHECK,SAVE,DELETE" through the screen's procedure PRCNAME$, and
// keeps the mode words in the status text. Codes it does not take go to the
// maintenance handler (screens/datascreens/mantwin.h MantAction).
//
// The window record (screens/window/screendef.h WinRecord) keeps the area in its
// state (below 3 the index area, 2 key entry, 4 the line area) and the
// document's mode in its flags, named by kMovs* below. `_DOCST` holds
// kDocStHeader once a header was read and kDocStLoaded once the document
// was loaded; `_SCRSTAT` kScrStatGridNotify is set when the lines were
// entered or loaded.
//
// Saving (MovsSaveCmd) commits the line being edited, refuses a changed
// read-only document (item 7 of message 0023 "Concurrent Change. Update
// canceled"), skips an unchanged one, runs FTCLC$ and event CHECK (a
// non-zero answer stops the save), saves (screens/documents/docengine.h MovsDocSave),
// and only after a save answering 0 runs event SAVE, the print (DOC$ with
// the device selection of DOCSETS$, when printing is switched on) and clears
// the screen for the next document. A soft result keeps the screen and the
// lines for another try; it is shown as item n of message 0023, or the
// status text of n when that item is empty.
//
// A stored document with more lines than the grid holds (MAXLIN%) is loaded
// up to what fits, the error shown (168 naming the document) and opened read
// only, so no save can drop its other lines.
//
// A document stored without a header record (the lines alone, as a run over
// the data writes them) opens with its first line as header.
//
// Answers: 127 OUTOFDATA for commands outside their area (dropped without a
// word); 124 end of a move; soft data results (shown already); errors of
// 122 and above go back to the action chain, which shows them.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/window/actions.h"
#include "screens/grids/gridbuf.h"

// WinRecord::flags of a document window.
constexpr uint16_t kMovsPrint = 0x01;        // print after a save
constexpr uint16_t kMovsMaintenance = 0x02;  // maintenance mode (else insert mode)
constexpr uint16_t kMovsExisting = 0x04;     // a stored document is shown (Modify, else New)
constexpr uint16_t kMovsReadOnly = 0x20;     // the document cannot be saved
constexpr uint16_t kMovsKeptOnClear = kMovsPrint | kMovsMaintenance;
// `_DOCST` values.
constexpr int16_t kDocStHeader = 2;  // the header was read
constexpr int16_t kDocStLoaded = 4;  // the document was loaded
// VOIDMODE% bit that opens every loaded document read only.
constexpr int kVoidModeReadOnly = 0x400;

// Document events, the 1-based positions in kMovsEvents.
enum MovsEvent : int { kMovsEvInit = 1, kMovsEvLoad, kMovsEvCheck, kMovsEvSave, kMovsEvDelete };
constexpr char kMovsEvents[] = "INIT,LOAD,CHECK,SAVE,DELETE";

// The action handler; the assertion "MovsAction" without a current record
// or without a lines grid. By kind: 21 MovsNew; 25 the navigation command
// of the parameter (MovsCommand; its 127 outside the line area becomes 0);
// 28, 29 the parameter file saved and the lines closed (4; 29 answers 8
// when the close fails softly); 36 MovsSummaryRefresh(116); 38 in the line
// area `_SCRSTAT` kScrStatGridNotify, then MantAction; 41 MovsKeyRead (163
// clears the screen); 42 MovsSaveCmd; others MantAction.
Status MovsAction(ActionCode code);
// NEW 1, TOP/PRV/NXT/BOT 2/3/5/6 MovsMove, FND 7, SVE 8, INS 9, DEL 10, IMP
// 14, DDE 16, PRN 17 (switches printing); the others do nothing.
Status MovsCommand(int command);
// Abandons the document (the question 0018 when it changed; No answers 1):
// in key entry the screen is cleared; otherwise the fields before the lines
// are shown again and the key-state machine takes the state.
Status MovsNew();
// In the line area moves the grid's current row (TOP the first, BOT the
// last, PRV and NXT one row) and answers 0; elsewhere there is no move of
// its own (124): in key entry the fast-find list goes on (MovsFastFindRepeat).
Status MovsMove(int command);
// FASTFIND$ run as an accept command (mode 2, exit slot 8); 0 becomes 1.
// Without FASTFIND$ an information box "Not defined" and 0.
Status MovsFastFind();
// When the last accepted form (SystemTextList item 6) is the screen's
// FASTFIND$, the next document of its list (item 7: key number, the key
// value last shown, the to-limit, the condition, the first from-limit): the
// first one after the value shown, or past the last the first of the list
// again; its key value is kept in item 7 and it is shown (MovsFastFindShow).
Status MovsFastFindRepeat();
// Shows the file's current record as the document to load: the fields up to
// the lines refreshed, the key fields put, the last one current, the
// key-state machine, the file's selection released, Enter through the
// action chain (which looks the key up). The assertion "MovsFastFindShow".
Status MovsFastFindShow();
// Opens a selection on the key from `from` (mode: data/scans/selection.h
// SelKeyPrefix) to `to` under the condition and reads its first row into
// the record; soft results 1-2 show item n of message 0023 and are
// answered. The selection stays open.
Status MovsSelectFirst(int file, int key, StrValue from, StrValue to, int mode, StrValue cond);
// Loads the document of the key typed (above).
Status MovsKeyRead();
// FTCLC$ with flag 0x20, the fields after the lines refreshed with the
// flags, and with 0x20 the condition ALARMLINS$ item 2 (its failure shown).
Status MovsSummaryRefresh(int flags);
// Saves the document (above).
Status MovsSaveCmd();
// With printing on, DOC$ set and the document found by its prefix on key 1:
// the report of DOC$ on the device the selection chooses with DOCSETS$.
Status MovsPrintAfterSave(int file);
// DDE: outside the line area or for a new document 127; otherwise the
// question 0025; yes runs event DELETE, deletes the document and clears the
// screen; no answers 0.
Status MovsDeleteCmd();
// Clears the window for the next document (the record buffers as
// MovsBuffersReset, the grid, `_DOCST`, the key fields shown, SET$ item 2,
// key entry).
Status MovsClear();
// IMP: outside the line area 127; the import chosen from MNU_IMPORT$ (a
// popup) among LOAD_IMPORT$, its ACBOUND$ form when set, then its lines
// appended (MovsImportRun) and the grid repainted. 1 after an import, 0
// when nothing was chosen.
Status MovsImport();
// The chosen item (1-based) of LOAD_IMPORT$, "file[;tag]", pushed as the
// current parameter string: 1 when loaded, 0 when there is no such item, or
// an error. The caller pops it.
Status ImportSpecLoad(int item);
// AUTO_IMPORT$ once per document, on the first entry into the lines.
Status MovsAutoImport();
// The import of the parameter string on top: SET$ run, then while RD_COND$
// holds WR_EXP$ decides per pass (true appends the current record of the
// window's file as a line through the lines read hook, false ends), until
// EOT_EXP$ holds, with progress; the file's buffers are put back after,
// `_UPSTAT` 1 set when its relations are loaded, the progress closed.
// *rows receives the lines appended.
Status MovsImportRun(uint32_t* rows);
// Runs event n through PRCNAME$ (when USR_COND$ holds), then, unless that
// failed, the task hook that ACCEPT_PRC% names for the event (its answer when
// not 0; a number with no task registered is 163 "ACCEPT_PRC%"); the previous
// event is current again afterwards. Answers the procedure's status.
Status MovsEventRun(int event);
// The post-processing of the window handler: for results 0 and 1 the row
// caption into control 1480, the grid reloaded, the mode words into the
// status text; answers 2 then. Other results unchanged.
Status MovsAfterAction(Status result);
// The mode words of the window: "New", "Modify" or "Read Only", "/" and the
// print word for a DOCUMENT buffer; "Maintenance Mode" or "Insert Mode" for
// a NAVIGATION one; nothing else.
StrValue MovsModeText();
// Fields from..to refreshed (mode 1) and each key field of key 1 in the
// range (mode 244); mode 1 makes the first field of the range current, mode
// 2 the field after the key fields.
Status MovsKeyFieldsRefresh(int from, int to, int mode);
// Clears the record buffers of every data file that no other window record
// shows and recomputes the key state.
Status MovsBuffersReset();

// The key value of the document shown, as the fast-find list keeps it: on
// the window's own key the document prefix, else the record's key value.
std::string MovsFindShownKey(int file, int key);
