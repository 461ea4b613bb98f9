// Record-maintenance windows.
//
// A maintenance window (window kind 3, modal) shows one record of a data
// file through a screen definition (a data screen, screens/datascreens/datascreen.h):
// the navigation bar NEW, TOP, PRV, NXT, BOT, FND, SVE, DEL at the top, the
// key button "[ n ]" (id 3101, cycles the key) and the status text (id 1481)
// at the bottom. The user types a key to look the record up, steps through
// the file by the current key, searches by field values ("Fields
// Selection"), inserts, modifies and deletes, with the questions 0018
// (possible loss of data) and 0025 (delete?) and the information boxes of
// 0024 (a changed key is not saved) and of message 0023 for the data
// layer's soft results (1 key not found, 2 end of file, 5 bad key, 6
// repeated key, 7 concurrent change ...). Errors (128 and above) come back
// to the window procedure, which shows them once.
//
// The window's state (WinRecord::state, the key-position states of
// screens/datascreens/navbuttons.h) moves 2 (key search: only the key's fields are
// enabled) -> 3 (entry: a record was found or stepped to) -> 2 after a save
// or delete; 8 marks a window without a record (after NEW, or on an empty
// file), where a new record is typed in: Enter past the last field saves it
// and starts the next one. Esc abandons the record (after asking when it
// changed) and, in key search, closes the window on the second press; the
// close box closes it at once.
//
// Command codes are the data layer's operation codes (data/store/fileaction.h
// DataFileOpCode) with the bits of the screen's VOIDMODE% cleared; SVE
// runs as NEW while the file has no current record. Commands without an
// operation (0xFF) move nothing; PRN (F5) goes to the report launch through
// a hook the devices layer registers (MantPrintHookSet; until then 148
// "ReportStart").
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/window/actions.h"

// WinRecord::flags: the record never counts as changed (no 0018 question).
constexpr uint16_t kWinNoChangeCheck = 0x8000;
// NavButtonsSet flags beyond the set bits 0-3 (screens/window/controls.h
// MantBottomBar flags).
constexpr uint16_t kNavButtonsMaintenance = 0x51;  // set 1, key button, status text

// Opens a maintenance window for the command (comma items: 1 the screen, 3
// the row, 4 the column, 7 the mode, 10 the maximum rows in `_WMAXROW`;
// items that are not numbers read as 0, and row or column 0 as the default
// place) in item 7's mode, else the default mode: the window and its data
// screen, the action chain (MantActionWin, MantNextAction), the navigation
// bar with the key button and the status text, shown, the initial state (8
// without a current record, 3 in entry mode 0x20, else 2) and the title.
// Mode 0x08 deletes the screen's layout file afterwards. 0 or the first
// error.
Status MantWindow(StrValue command, int defaultMode);
// `_WMAXROW` from item 10; without a window, a modal window of kind 3 at
// the command's row and column with the mode's low byte as style bits,
// titled by message 0022 (item 1 with mode 0x04, else item 2), made with
// proc; then the data screen (DataScreenOpen). A failed open destroys the
// window it made and answers the failure; 179 when no window can be made.
Status MantWinCreate(StrValue command, uint16_t mode, ui::Hwnd window, ui::WndProc proc);
// The bars of the top window: with flag bits 0-3 the navigation bar of set
// 1 (bit 0), 2 (bit 1) or 4 with its captions (enabled: the positions of
// the comma list `enabled`, all when empty); with 0x10, 0x20, 0x40 the
// bottom bar's key button, row caption and status text.
Status NavButtonsSet(uint16_t flags, StrValue enabled);

// The action handler of maintenance windows (the assertion
// "MantActionWin" without a current record): 95 focuses the first field of
// the window's key; other codes go to the window default, then to
// MantAction, whose 0 is followed by MantTitleSet.
Status MantActionWin(uint16_t code);
// The maintenance actions by kind (the assertion "MantAction" without a
// current record); see the table in mantwin.cpp. Unless the action set an
// answer, the key-state machine (FieldKeyState) takes the state it left.
Status MantAction(uint16_t code);
// Navigation command n (1-18): its operation code (SVE as NEW without a
// current record) through MantDeleteConfirm. *state receives the state that
// follows: 3 after a move that succeeded, 8 after NEW, 2 otherwise; 255
// when nothing ran. Answers errors (128 and above); a declined question
// and the soft results (shown already) answer 0.
Status MantNavCommand(int n, uint8_t* state);
// The save or delete of a code: DEL asks 0025 (no: 122); another code with
// a record whose key 1 changed shows 0024, puts key 1 back and writes
// nothing (code 0); the window's check before a write (event 22) must pass;
// then MantRecordWrite.
Status MantDeleteConfirm(uint16_t code);
// DataScreenStep of the window's file by the code; a soft result shows its
// item of message 0023. The fields show the record afterwards (after a
// successful step that moved or made a record), else their values again;
// a refresh error replaces the answer.
Status MantRecordWrite(uint16_t code);
// Abandons the window's record: a changed record (state 3 and above, unless
// kWinNoChangeCheck or the record equals its saved copy) asks 0018; No
// answers 1 and keeps it, Yes runs onConfirm. Then 8 (close the window)
// without a data file, in states 0 and 1, or in state 2 without a key
// number; otherwise the state becomes 0 (from 2) or 2 and the answer is 0.
Status MantNewRecord(Status (*onConfirm)());
// The window's next key (after the last, key 1) becomes the file's current
// key.
Status MantNextKey();
// Looks a typed key up by the key: an error text answers its code; an
// all-blank text moves to the next key and answers 2; a soft result shows
// its item of message 0023 and puts the key's fields back from the record
// read; a found record is shown (refresh 118).
Status MantKeyLookup(StrValue keyText, int key);
// The per-field default of an action (screens/window/actionchain.h
// FieldActionDefault) under the maintenance rules: past the last field the
// window goes to state 6 (+8 without a record), where the chooser saves; in
// state 3 a step onto the key's fields steps on, or back where it was; then
// the key-state machine. Answers the default's error (a failed condition
// was shown already: 0).
Status MantFieldDefault(uint16_t code);
// The window's title parts: the state (255 keeps the stored one), the
// navigation buttons for it, the key button "[ n ]", the status text
// (MantTitleText with the extra text), the fields enabled by the state (in
// key search the key's fields, in states 8 and above all, otherwise the
// others), the focus on the current field.
Status MantTitleSet(uint8_t state, StrValue extra);
// Item min(state, 8) + 1 of message 0027 followed by the decorated extra
// text and the decorated STATMSG$ of the screen: a four-digit message
// number is replaced by its text, [expressions] are expanded once, an error
// gives nothing, and a non-empty result becomes " [text]".
StrValue MantTitleText(uint8_t state, StrValue extra);
// The "Fields Selection" form (message 0096) over the fields of the
// window's data file, each "'NAME:':'<type><length>':NAME{}=="; confirmed,
// the file is read on from the current record to one meeting the values;
// a soft result shows its item of message 0023 and puts the file back on
// the record it was on; success shows the record found. Answers the form's
// status (122 for Esc), the seek's result, or an error.
Status MantFieldsSelect();
// With `_TRACE` bit 64: a log block "User:%s Cmd:%s IER:%s IER():%s
// Key:<%s> Keyr:<%s> Data:<%s>" for command position n of the file's
// current record. 0, or the log's error.
Status MantTraceLine(int file, int n);

// The report launch of the PRN command: the screen's DOC$ text in; a
// status out. The devices layer registers it; until then PRN answers 148
// "ReportStart". Answers the hook installed before.
using MantPrintFn = Status (*)(StrValue doc);
MantPrintFn MantPrintHookSet(MantPrintFn fn);
