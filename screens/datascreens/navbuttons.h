// Navigation buttons of data screens and the key-position state behind
// them.
//
// The key-position state of a data screen's window record (WinRecord::state,
// screens/datascreens/datascreen.h KeyState) says where the current field c stands,
// tested in this order:
//
//   | state | condition                                                   |
//   |-------|-------------------------------------------------------------|
//   | 0     | c lies before the screen's begin field                      |
//   | 1     | c is the begin field                                        |
//   | 6     | there is no current field                                   |
//   | 5     | the screen has a lines block and c lies after it            |
//   | 2     | c lies outside the lines block and is a field of the key    |
//   | 3     | c lies outside the lines block and is another field         |
//   | 4     | c lies inside the lines block                               |
//
// plus 8 while the record's state carries the no-record bit (the data file
// had no current record), so states 8-14 mean "no record" at a position.
// The state decides which fields may be current (FieldKeyState) and which
// navigation buttons are enabled (NavButtonsEnable).
//
// Command sets of the navigation bar (ids 3000 + the command's position in
// data/store/fileaction.h kNavCommands), with a mask per button: a button is
// enabled when the bit of the state is clear in its mask and disabled when
// it is set; a mask of 0 leaves the button as it is:
//
//   | set          | commands                          | masks                    |
//   |--------------|-----------------------------------|--------------------------|
//   | 1 maintenance| NEW,TOP,PRV,NXT,BOT,FND,SVE,DEL   | FND 0x04, SVE 0xFF4      |
//   | 2 document   | NEW,FND,SVE,INS,DEL,IMP,DDE,PRN   | FND 0x38, SVE 0x07,      |
//   |              |                                   | INS/DEL/IMP 0x2F, DDE 7  |
//   | 4 lines      | NEW,NLS,BLS,SVE,INS,DEL,IMP,MDE   | NLS/BLS/INS/DEL 0x2F,    |
//   |              |                                   | SVE 0xFF, IMP 0x07       |
//
// In the document set FND takes 0xFF (disabled in states 0-7) when the
// screen's FASTFIND$ is empty, IMP when LOAD_IMPORT$ is empty, PRN when DOC$
// is empty, and SVE and DDE when the screen's data file's last status is 2.
// A state of 16 and above has no bit in a mask: every masked button is
// enabled.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/window/actions.h"
#include "screens/window/screendef.h"

// Action kinds of data screens (beside screens/window/actions.h ActionKind): the
// follow-up chooser names them.
enum DataActionKind : uint8_t {
  kActNextKey = 27,    // the next key of the file
  kActKeyTyped = 41,   // a key was typed: look the record up
  kActSaveOrNew = 42,  // save the record, or start a new one without a record
};

// The sets' window flags.
enum NavSet : uint8_t {
  kNavSetMaintenance = 1,
  kNavSetDocument = 2,
  kNavSetLines = 4,
};

// The commands of a set, as NavBarCreate lays them out (empty for another
// flag).
StrValue NavSetCommands(uint8_t set);
// The mask of command i (1-based) of the set for the current screen, with
// the document set's substitutions; 0 for none.
uint16_t NavButtonMask(uint8_t set, int i);

// The key-position state of the record's current field on the screen.
uint8_t KeyFieldState(const ScreenDesc& screen, const WinRecord& record);
// Takes the state (255: KeyFieldState) into the current record: states 0
// and 1 count as 3 while the record is in state 3. The fields the state
// allows may be current: for 0, 1 and 3 NonKeyFieldList of the record's
// key, for 2 ScreenKeyFieldList of it in field order, for 8 the first field in
// edit order only, for the others every field; when the current field is
// not allowed, the first allowed one becomes current (screens/window/fieldvalues.h
// FieldSetCurrent). True when the stored state changed.
bool FieldKeyState(const ScreenDesc& screen, WinRecord& record, uint8_t state);
// Enables and disables the buttons of the set (1, 2 or 4; any other flag
// touches nothing) on the top window by the state.
void NavButtonsEnable(uint8_t state, uint8_t set);
// The captions of a set's buttons: SettingsList item 9 when set; else for
// the maintenance set message 0028, or the symbols "/ / /,<<,<,>,>>,?,[x],X"
// when the text window has 30 columns or fewer; for the lines set message
// 0030; otherwise message 0029.
StrValue NavButtonCaptions(uint8_t set);

// The follow-up chooser of maintenance windows (screens/window/actionchain.h): by
// the record's state before the action and after it, and the action code:
//   after 2, code 2 (Shift+Tab in key search)          -> 27 the next key
//   after 3, before 2, code without parameter (< 256)  -> 41 look the key up
//   after 6 or 14 (past the last field)                -> 42 save, or new
// any other case stops (0xFFFF), and so does a next code equal to the code
// just handled.
ActionCode MantNextAction(uint8_t before, uint8_t after, ActionCode code);
