// Data-file actions: insert, update or delete a record together with its
// relation statements, the append loop, and the table that maps navigation
// commands to move flags and action modes.
//
// Action mode (16 bits):
//
//   | bits   | meaning                                                     |
//   |--------|-------------------------------------------------------------|
//   | 0x700  | operation: 0x500 insert, 0x600 delete, 0x700 update         |
//   | 0x100  | run the relation statements over the new image (_SGN 1)     |
//   | 0x200  | run them over the old image (_SGN -1); 0x600 deletes        |
//   | 0x800  | key check before writing                                    |
//   | 0x1000 | no relation statements                                      |
//
// The operation bits overlap the run bits: insert runs over the new image,
// delete over the old one, update over the old image and then the new one,
// so a total kept by a statement such as TOTAL=TOTAL+_SGN*AMOUNT follows
// every write. Statements run only while `_UPSTAT` has bit 1 (the default);
// while they run `_SGN` is 1 or -1 and `_UPSTAT` bit 32 mirrors `_AUXSTAT`
// bit 0x800. A file's relations are loaded on the first action that needs
// them.
//
// Results: 0; the soft data-file results (5 bad key, 6 repeated key, 7
// concurrent change); or an error. A repeated key (6) leaves the record in
// the file, so its statements run as for 0. Statements run after the write,
// and the write with its statements is one run of the journal (a record
// run, data/store/journal.h; inside a run in progress, part of it): an error in a
// statement (122 and above) is answered with its code and the record and
// everything the statements wrote are put back; killed in the middle, the
// next start puts them back.
//
// Callers: screens and documents, the RC_INSERT/RC_WRITE/RC_DELETE
// statements, transactions, imports and both application layers.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

namespace dfact {
constexpr uint16_t kOpMask = 0x700;
constexpr uint16_t kInsert = 0x500;
constexpr uint16_t kDelete = 0x600;
constexpr uint16_t kUpdate = 0x700;
constexpr uint16_t kRunNew = 0x100;
constexpr uint16_t kRunOld = 0x200;
constexpr uint16_t kKeyCheck = 0x800;
constexpr uint16_t kNoStatements = 0x1000;
// DataFileAppendRow: the write condition was false, the loop ends.
constexpr Status kRowDeclined = 2;
}  // namespace dfact

// What a failed key check answers. A document line whose key fields are
// blank is skipped in silence; a maintenance save must not look saved when
// nothing was written, so it answers 5 "Bad Key".
enum class KeySkip { Silent, BadKey };

// Insert, update or delete the current record of file with its relation
// statements: list is the relation-list text (RelExprGet), keyCheck the
// key-check text. A failed key check skips the whole action. With the key
// check, an insert (or the update of a new blank record, which inserts)
// whose key-1 text is already in the file answers 5 and writes nothing.
Status DataFileAction(uint16_t mode, int file, StrValue list, StrValue keyCheck,
                      KeySkip skip = KeySkip::Silent);
// 1 when the action must be skipped: key 1 of the current record is blank,
// or the check text has the same value over a blank record as over the real
// one (the key fields were not filled); 0 otherwise; or an error.
Status DataFileActionKeyCheck(int file, StrValue text);
// Runs statements over the new (0x100) or old (0x200) image of file's
// current record; 0 or the first error.
Status DataFileActionStmt(uint16_t which, int file, StrValue statements);

// The append loop. Conditions are expressions (an empty one is true).
using AppendRowFn = Status (*)(int file);
using AppendStepFn = Status (*)();
struct AppendLoopSpec {
  StrValue start, row, write, until, list;
  AppendRowFn perRow = nullptr;  // after each inserted row
  AppendStepFn step = nullptr;   // after each pass
  bool insert = true;  // false: a row the write condition lets through is only counted and handed to perRow
};
// When the start condition holds, repeats passes: when the row condition
// holds, the write condition decides: true inserts the current record
// (mode 0x500 with the list text), false ends the loop. Each pass polls for
// a cancel, then calls the step routine; the loop ends at a code above 121
// or when the until condition holds. *count receives the inserted rows. The
// answer is 0, 122 for a cancel, or the error.
Status DataFileAppendLoop(int file, const AppendLoopSpec& spec, uint32_t* count);
// One insertion of the loop: 0 or a soft result when a row was offered to
// the file, kRowDeclined when the write condition is false, or an error.
Status DataFileAppendRow(int file, StrValue write, StrValue list);

// The poll that lets a long loop be cancelled: 122 when the user asked to
// stop, else 0. The screens install the progress window's poll; without one
// nothing can ask to stop.
using CancelPollFn = Status (*)();
CancelPollFn DataFileCancelPollSet(CancelPollFn poll);
// The installed poll's answer; 0 when none is installed.
Status DataFileCancelPoll();

// Navigation commands, in ActionCode order.
extern const char kNavCommands[];  // "NEW,TOP,PRV,RLD,NXT,BOT,FND,SVE,INS,DEL,LST,NLS,BLS,IMP,MDE,DDE,PRN,TSL"
// The operation code of the command at 1-based position n: low byte move
// flags, high byte action mode; 0xFF for commands without one.
uint16_t DataFileOpCode(int n);
// 1-based position of a command word in a comma list (any letter case; NEXT,
// PREVIOUS and BOTTOM stand for NXT, PRV and BOT); 0 when absent.
int NavCmdIndex(StrValue word, StrValue commands);
