// Documents: one header record and its line records in one data file, the
// lines kept in a line buffer (screens/grids/gridbuf.h) while the document is
// edited, and the openers and follow-up chooser of navigation windows.
//
// Storage. A document lives in the data file of its screen (the current
// screen's data-file number). Its line records share the header's key up to
// the field N_LINE and carry their line number in it, formatted by type
// letter "N" to N_LINE's width; the header records have N_LINE blank, so
// they sort before the lines. The document prefix is the current record's
// key value, for the window's key number (INDEX%, default 1), cut before
// N_LINE when N_LINE is the last part of that key (MovsLineKey(-1)). In a
// file without N_LINE a document is one key: its full key value.
//
//   | record | key                                 |
//   |--------|-------------------------------------|
//   | header | prefix + N_LINE blank (NUMCAB$ many) |
//   | line n | prefix + n formatted to N_LINE's width |
//
// Parameters of the screen definition read here: NUMCAB$ (31, header
// passes), WRITECAB0$ (32) and WRITECAB<J>$, WRITECABS$ (33: pre-statement,
// condition, after-statement, key condition), WRITELINS$ (34, run for each
// stored line), READCABS$ (37: per-record statement, after-read statement),
// READLINS$ (38: before-row and after-row statements, [expressions]
// expanded), MAXLIN% (48), LNASSIGN$ (54, the columns past the line fields),
// SAVED$ (20, run after a save), RELOPT% (the relations of every write).
//
// System integers: `_LNUM` (current line), `_LLST` (line count), `_HNUM`
// (header pass), `_LMAX` (maximum lines of a navigation screen), `_IER`
// (last data result below 128), `_SCRSTAT` (bits 16 and 32 steer the
// navigation chooser).
//
// Columns. A document's line buffer has one column per line field of the
// screen (the lines block, or every field when the screen has none), then
// one per LNASSIGN$ item; a column bound to a field of the screen's data
// file (GridBuffer::fields) copies to and from that record field.
//
// Saving (MovsDocSave) deletes the stored document and writes it again,
// headers first, then the lines numbered 1 to n, as one run of the journal
// (data/store/journal.h; it joins a run in progress): on any failure the run is
// undone, every file the save and its relation statements wrote back as it
// was, and the line buffer stays changed for another try; killed in the
// middle, the next start undoes it. A rollback that fails answers its own
// error and leaves the journal for the next start. MovsDocDeleteCurrent is
// one run too.
//
// Errors: codes of 128 and above stop every sequence and are answered; soft
// results (1-121) of reads go to `_IER`. Particular answers:
//   2    an empty or blank document prefix: nothing read or deleted
//   124  no row to show (MovsLinesWrite and the grid functions)
//   129  LOOPFAILURE  header passes past kMovsHeaderPassMax, or a delete
//                     that leaves its record in place (the same record found
//                     again)
//   168  DATAOUTBOUND more rows than N_LINE's width can number (nothing
//                     deleted); a load finding more stored lines than the
//                     buffer holds (the rows that fit are loaded)
//   177  ScreenStructErr no current screen, record or data file
// Errors the engine raises itself are recorded with module 20 (Screens).
//
// Everything acts on the current screen and its current window record.
// Callers: document windows, the navigation window of the accounting
// layer, the lines grids (paging), imports into a document.
#pragma once
#include <cstdint>
#include <vector>

#include "data/store/fileaction.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/grids/gridbuf.h"
#include "script/taskhooks.h"

// Header passes of one save at most; the next answers 129.
constexpr int kMovsHeaderPassMax = 999;
// The line-key argument that asks for the document prefix alone.
constexpr int kMovsPrefix = -1;

// --- Keys --------------------------------------------------------------------

// The key of line n of the current document (above): the prefix followed by
// n formatted by type "N" to N_LINE's width; n of 0 or kMovsPrefix gives the
// prefix alone. N_LINE present but not the last key part: the key value as
// it is; no N_LINE: the key value right-trimmed. An error string without a
// current record or data file.
StrValue MovsLineKey(int n);

// --- Loading -----------------------------------------------------------------

// Reads the header of the document whose prefix is keyText on the key
// (0: the window's key). With READCABS$ item 1: a selection from keyText to
// keyText followed by N_LINE's width of blanks (the header records), each
// row read in turn (into both parts for the first, into the saved copy for
// the others, item 1 run after each further one); a row that answers a soft
// result is skipped, none is read twice; a result of 122 or more stops;
// then the selection is released and the current record copied into the
// saved copy. Without item 1 the header is read by its key. After a result
// of 0-2 READCABS$ item 2 runs; its error of 128 or more replaces the
// result. The result (below 128) is left in `_IER`.
Status MovsHeaderRead(int file, int key, StrValue keyText);
// Loads the lines between the keys (empty: the key of line 1 and the
// document prefix) into the buffer from its current row (at least 1), each
// row filled by MovsLineAppend with READLINS$; the current row and `_LNUM`
// return to where the load began, the lines-changed flag is cleared, and a
// result below 128 goes to `_IER`. At most the rows the buffer has free
// from its current row are loaded; in a navigation grid's buffer at most
// the grid's visible rows (a page). A document holding more lines than
// that answers 168 (detail naming the document) after loading what fits.
Status MovsLinesLoad(GridBuffer& buffer, StrValue fromKey, StrValue toKey);
// Runs fn on each row of the file's current selection in order, the row's
// record read into both parts first; stops at the first non-zero answer.
Status MovsSelectionEach(int file, AppendRowFn fn);
// Inserts a blank row at the buffer's current row, fills it (MovsLineFill)
// and advances the current row and `_LNUM`. 168 with nothing inserted when
// the current row is past the maximum rows, or, outside NAVIGATION mode,
// when the buffer is full (an insert would drop its last row).
Status MovsLineAppend(int file, GridBuffer& buffer, StrValue rowStatements);
// Fills the buffer's current row from the file's current record: `_LNUM` =
// the row; item 1 of the row statements runs; column i takes the record
// value of line field i (value source 6: the bound field, else ASSIGN$),
// a later column the string value of its LNASSIGN$ item; item 2 runs last.
// The first failure (122 and above) stops.
Status MovsLineFill(int file, GridBuffer& buffer, StrValue rowStatements);
// The per-record routine of a lines load into the current window's grid
// (imports): READLINS$ with its [expressions] expanded, then MovsLineAppend.
// 177 when the current window has no lines grid.
Status MovsLineReadHook(int file);

// --- Writing -----------------------------------------------------------------

// Copies the buffer's current row into the file's current record: `_LNUM` =
// the row; every column bound to a field of the file sets that field from
// its cell; then the statement runs. The first failure stops.
Status MovsLineToRecord(int file, GridBuffer& buffer, StrValue statement);
// For rows 1 to the row count: `_LNUM` = the row; with write, N_LINE takes
// the row number; MovsLineToRecord with the line statement; with write the
// record is inserted (action 0x500 with the relation text). Stops at the
// first result of 128 or more. When recs is given, the record number of each
// insert is appended to it.
Status MovsLinesStore(int file, GridBuffer& buffer, bool write, StrValue lineStatement, StrValue relations,
                      std::vector<int64_t>* recs = nullptr);
// Deletes every record whose key (on key number `key`) begins with keyText
// (action 0x600 with the relation text; keyCheck is the action's key-check
// text). Answers the read that found no further record (1 or 2), the first
// non-zero answer of a delete, or 129 when a delete left its record in
// place. A blank keyText answers 2 and deletes nothing. When kept is given,
// each record's image is appended to it before it is deleted.
Status MovsDocDelete(int file, int key, StrValue keyText, StrValue relations, StrValue keyCheck,
                     std::vector<std::string>* kept = nullptr);
// Deletes the current document: the window's record image is pushed
// (screens/window/fieldvalues.h kBufImagePush), the records of the document prefix
// deleted on key 1 with the screen's relations and IK$(1) check, the file
// reopened, the image popped back (on every path), as one run: a delete
// that fails is undone. Answers as MovsDocDelete; a file without N_LINE
// deletes by its full key.
Status MovsDocDeleteCurrent();
// Writes the header records: the pre-statement runs; N_LINE is blanked;
// passes J = 1, 2, ... (`_HNUM` = J) up to count (at least 1) and past it
// while the pass's condition holds: without a key condition the condition
// is the screen's WRITECAB<J>$ ([expressions] expanded), else the pre-
// statement; with one, the condition given. A pass whose condition holds, or
// the last counted pass when nothing was written, inserts the current record
// (action 0x500 with the screen's relations) and runs the after-statement.
// 129 past kMovsHeaderPassMax passes. recs as MovsLinesStore.
Status MovsHeaderWrite(int count, StrValue pre, StrValue cond, StrValue after, StrValue keyCond,
                       std::vector<int64_t>* recs = nullptr);
// Saves the buffer as the current document (above): trailing blank rows
// dropped; 168 when N_LINE cannot number the rows; the stored copy deleted
// and kept; the headers (WRITECAB0$ with NUMCAB$ passes, else WRITECABS$
// items 1-4 with count 0); the lines (WRITELINS$ whole, for each line); the
// file reopened; the run committed; then the lines-changed flag cleared and
// SAVED$ run. Any failure before SAVED$ puts the stored document back and
// is answered.
Status MovsDocSave(GridBuffer& buffer);

// --- One row between the buffer, the line fields and the record ----------------

// Direction 1: the line fields' current values (later columns: their
// LNASSIGN$ values) into the buffer's current row (appending it when it is
// the row after the last). Direction 0: the row into the line fields with
// check 118 (FieldPut); a row past the row count is new: fields named in
// some field's ASSIGN$ (MovsFieldList) get an empty value, the others their
// initial value (ASSIGN$); a later column whose LNASSIGN$ item is a field
// reference NAME{file} of the screen's data file sets that record field.
// Nothing without a current row; the first failure stops.
Status MovsLinesWrite(int direction, GridBuffer& buffer);
// The line fields whose name appears in the ASSIGN$ item of some field of
// the screen: a new row starts them empty, so what is computed from them
// starts from nothing.
std::vector<uint16_t> MovsFieldList();
// The check before writing (the current field's typed text validated into
// the field), then MovsLinesWrite direction 1: 1 when the row's text
// changed (both changed flags are set), else 0, or the failure.
Status MovsLineCommit(GridBuffer& buffer);
// MovsLineCommit on grid n's buffer; a changed row is shown again in the
// list view.
Status MovsLineCommitRefresh(int grid);
// With a current row in grid n's buffer: the row into the line fields
// (MovsLinesWrite direction 0), then the grid's visible rows refreshed.
Status MovsLinesFlushRefresh(int grid);
// MovsLineToRecord of grid n's current row, then the file read by key 1 with
// the record's key value: the read's result, also in `_IER`.
Status MovsLineRead(int file, int grid);
// Puts the fields of key 1 again from their values (check 118), resetting
// the buffer first when one is given, then refreshes the fields after the
// key (mode 17).
Status MovsKeyFieldsShow(GridBuffer* buffer);

// The lines grid of the current window record (its level), -1 when it has
// none.
int MovsWinGrid();
// Task hook 2 (registered at start-up): the cell of row `row` (-1 the current one) of the current
// window's grid in the column the name stands for ("_GRID" and a column
// number, or a line field's name; a "$" or "#" at its end is ignored);
// empty when the window has no grid. Any other name answers the error
// string 163, so arrays of that name are read instead.
StrValue GridLineTextHook(StrValue name, int row);
// Task hook 2 while a window with a lines grid is open (a grid pad, a
// document or navigation window): GridTextHookTake puts GridLineTextHook in
// place and answers the hook it replaced, which the window keeps and hands to
// GridTextHookGive when it closes. Apart from start-up, which registers
// GridLineTextHook (app/hooks.cpp), these two are what changes task hook 2.
HookEntry GridTextHookTake();
void GridTextHookGive(const HookEntry& saved);

// --- Navigation windows ------------------------------------------------------

// Opens a navigation screen from the window spec: the data screen of the
// spec with its files opened (OPEN$ pushed, result in `_IER`), its
// relations, SET$ item 1 and its field controls (screens/datascreens/datascreen.h);
// `_LMAX` from MAXLIN% (default 100); all fields refreshed (mode 17); the
// scanner started. A result of 122 or more closes the window record again
// and is answered.
Status NavScreenOpen(StrValue spec);
// The follow-up chooser of navigation windows (screens/window/actionchain.h), by
// the record's state when the action entered the chain and after it:
//
//   | after | condition                                        | next      |
//   |-------|--------------------------------------------------|-----------|
//   | 0     | before 1                                         | 34        |
//   | 1     | before not 1                                     | 33        |
//   | 2     | before 1                                         | 34        |
//   | 3     | before 2, code 0x0519 (NXT)                      | stop      |
//   | 3     | before 2, code not 41                            | 41        |
//   | 4     | before 2, code not 41 or 35, `_SCRSTAT` 32 clear | 41        |
//   | 4     | (before 4 or code 35) and `_SCRSTAT` 16 set      | 31 on the |
//   |       |   (bit 16 is cleared)                            | block's first field, else 32 |
//   | 4     | otherwise: code 1 or 31                          | 35, 37 with 32 |
//   | 4     | otherwise: code 2 or 32 / 41 / any other         | 37 / 35 / stop |
//   | 5     | before 4                                         | 36        |
//
// Other cases ask the maintenance chooser (MantNextAction), whose 27 stops.
// A next code equal to the code just handled stops (0xFFFF).
uint16_t NavNextAction(uint8_t before, uint8_t after, uint16_t code);
