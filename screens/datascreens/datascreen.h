// Data screens: screen windows bound to a data file, stepped and written
// record by record.
//
// A data screen shows the current record of its data file (the screen's
// data-file number, screens/window/screendef.h) in its fields. DataScreenOpen makes
// the screen and its window record for the top window, creates the field
// controls, optionally opens the screen's files for its lifetime (mode
// kDataModeOpenFiles: the open list is pushed on the open-state stack,
// data/store/openstate.h, and popped by DataScreenClose), loads the file's
// relations, runs item 1 of SET$ and puts the file on its first record (or a
// new blank one). The record-maintenance, document and navigation windows
// are built on it.
//
// Stepping flags (u16) of DataScreenStep and ScreenRecordWrite:
//
//   | bits    | meaning                                                        |
//   |---------|----------------------------------------------------------------|
//   | 0x00FF  | the move of the data layer (datastore.h dfmove): 0x01 a new    |
//   |         | blank record, then SET$ item 2; 0x10 next, 0x14 previous, 0x20 |
//   |         | last, 0x24 first; 0x02 read on "not found" too; 0 or 4 stay    |
//   | 0x0700  | the write first (data/store/fileaction.h): 0x500 insert, 0x600       |
//   |         | delete, 0x700 update (an update of an unchanged record writes  |
//   |         | nothing)                                                       |
//   | 0x0200  | the write wants a current record (else 5) ...                  |
//   | 0x0100  | ... unless this lifts the demand                               |
//   | 0x0800  | key check before writing                                       |
//
// The navigation commands' operation codes (data/store/fileaction.h
// DataFileOpCode) are such flags.
//
// Key prefix: a screen whose IK$(1) evaluates to a non-empty text shows only
// the records whose key 1 begins with it. On key 1 the first and the last
// record of the range are found by key (TOP: the first key not below the
// prefix; BOT: the last key that begins with it); stepping out of the range
// answers 2 (end of file), like the end of the file. On another key the walk
// steps past the records outside the range (KeyPrefixCheck answers 124,
// "move on").
//
// Statuses: the data layer's (0, soft results 1-9, errors); 5 when a write
// that wants a current record has none; 131 when the file cannot be opened
// again after a write. `_IER` mirrors the last data result of a step or
// find.
//
// Everything acts on the current screen and its current window record.
#pragma once
#include <cstdint>
#include <vector>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/window/screendef.h"

// Window mode flags of a data screen (the low byte also goes to the control
// builder and the window's creation).
enum DataScreenMode : uint16_t {
  kDataModeMaintenance = 0x04,  // titled "File Maintenance"; opens on the first record
  kDataModeOpenFiles = 0x10,    // OPEN$ pushed on the open-state stack while it is open
  kDataModeEntry = 0x20,        // new records are typed in: key state 3
};

// Stepping flags beyond the data layer's move and action bits.
namespace dstep {
constexpr uint16_t kMoveMask = 0x00FF;
constexpr uint16_t kNewRecord = 0x01;
constexpr uint16_t kNext = 0x10;
constexpr uint16_t kEnds = 0x20;     // first or last
constexpr uint16_t kFirst = 0x24;
constexpr uint16_t kOpMask = 0x0700;
constexpr uint16_t kAnyRecord = 0x0100;   // lifts kNeedRecord
constexpr uint16_t kNeedRecord = 0x0200;  // the write wants a current record
constexpr Status kMoveOn = 124;           // KeyPrefixCheck: the record is outside the range
}  // namespace dstep

// Refresh modes of a data screen's fields (screens/window/fieldvalues.h flags):
// from the data file's record (ASSIGN$ and checks included), and the values
// as they are shown.
constexpr int kRefreshRecord = 230;  // kPutAlways | kPutUpdFields | kPutPerform | kPutAssign | kPutFromFile
constexpr int kRefreshShown = 1;     // kPutRaw: the current values again

// WinRecord::flags of a data screen: it pushed its open list (restored by
// DataScreenClose).
constexpr uint16_t kWinOpenedFiles = 0x1000;

// Key-position states (WinRecord::state) that the screens name.
enum KeyState : uint8_t {
  kKeyStateHeader = 0,    // before the begin field
  kKeyStateBegin = 1,     // the begin field
  kKeyStateSearch = 2,    // a key field: the key is typed
  kKeyStateEntry = 3,     // another field: the record is edited
  kKeyStateLines = 4,     // inside the lines block
  kKeyStateSummary = 5,   // after the lines block
  kKeyStateNoField = 6,   // no current field
  kKeyStateNoRecord = 8,  // bit: the data file has no current record
  kKeyStateKeep = 255,    // passed to FieldKeyState: compute it
};

// Opens the data screen of the window spec (item 1: the screen, whose
// definition and layout are read under tag 1) with the mode: screen and
// record for the top window, field controls, the open list (kDataModeOpenFiles;
// its status in `_IER`), the relations of the screen's data file (RELOPT%
// "NONE" loads none), SET$ item 1, the initial key state in the record,
// then, with kDataModeMaintenance and without kDataModeEntry, the first
// record of the window's key (a new blank one on an empty file) shown in the
// fields; with kDataModeEntry the fields are refreshed. The barcode scanner
// starts (its 148 counts as "none configured"); one that cannot start (172)
// is shown in the error box and the screen opens without it, the recorded
// error left as it was. Any final status above 121
// undoes the whole open (relations unwound, the open list restored, the
// record closed) and is answered, else 0.
Status DataScreenOpen(StrValue spec, uint16_t mode);
// Unwinds the relation list to the screen's level; when that succeeds and
// the screen pushed its open list, restores the open state before it and
// stops the scanner (its answer ignored); then closes window record n (-1
// the current one). The first failure is answered.
Status DataScreenClose(int n);
// The initial key state: 8 when the screen's data file has a non-zero last
// status (no current record), else 3 with kDataModeEntry, else 2.
uint8_t DataScreenKeyMode(uint16_t mode);
// The open list of the screen of the spec: OPEN$, and when item 5 of the
// spec names a defined data file other than the one of OPEN$'s last item,
// that file with ";2" after it. With neither, the screen's own data file (so
// a screen without OPEN$ still opens its file). An error string when OPEN$
// cannot be read.
StrValue DataScreenOpenText(StrValue spec);
// Item 1 or 2 of SET$ (unquoted, [expressions] expanded; a SET$ of one item
// serves both): item 1 runs as a screen assignment (FieldAssignRun with
// save), its status answered; item 2 is evaluated and only an error (128 and
// above) answered.
Status ScreenSetRun(const ScreenDesc& screen, int item);

// Writes with the flags' operation (ScreenRecordWrite), then moves by their
// low byte inside the key-prefix range, or, for an operation alone, takes
// the record as saved; with kNewRecord SET$ item 2 runs after the move and
// what it sets becomes the new record's saved copy (a new record nobody
// typed into counts as unchanged). A
// write status of 5 and above is answered (after the new-record move when
// the flags ask for one); an error of 122 and above ends at once. Otherwise
// a result below 5 is answered for moves of kNext or kEnds, 0 for others.
// Flags 0: the file's last status.
Status DataScreenStep(int file, uint16_t flags);
// The write of a step: with kNeedRecord and a last status above 1 it
// answers 5 unless kAnyRecord lifts the demand; an operation (bits 8-10)
// runs through DataFileAction with the screen's RELOPT% relations and item 1
// of IK$(1) as key check, where a save whose key fields are blank answers 5
// (an update runs only when the record differs from its saved copy); after a
// write the file is opened again (131 when that fails) and, when all went
// well, SAVED$ is evaluated (its error answered).
Status ScreenRecordWrite(int file, uint16_t flags, Status last);
// Only for status 0: the screen's key prefix (IK$(1) of the current screen)
// against key 1 of the current record. Outside the range: without flags 1;
// with kEnds in *flags the direction turns inwards (first goes on with next,
// last with previous) and the answer is 124; else 2 on key 1 and 124 on
// another key. Inside, or without a prefix: the status unchanged.
Status KeyPrefixCheck(int file, Status status, uint16_t* flags);
// Reads the screen's data file by the key: the record whose key begins with
// the text (cut to the key's length), else the next greater one (answer 1);
// the result passed through KeyPrefixCheck and stored in `_IER`.
Status DataScreenFind(StrValue keyText, int key);

// The screen fields bound to the fields of the data file's key, in key-part
// order (a part without a screen field is left out).
std::vector<uint16_t> ScreenKeyFieldList(int key);
// The editable visible fields in edit order without the fields of the key
// and of key 1.
std::vector<uint16_t> NonKeyFieldList(int key);
// The key text of the screen for a key: IK$(key) (keys 1-3) evaluated and
// joined; when empty, the values of the key's fields joined at their full
// lengths, right-trimmed for a key above 1 made of one field.
StrValue DataScreenKeyText(int key);
