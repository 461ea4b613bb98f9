// Action codes, control ids, key classes and key mapping.
//
// Every input that reaches a framework window (a key in a field, a button, a
// menu item, a close request, a device message) becomes one 16-bit
// ActionCode before any screen logic sees it: low byte the kind, high byte a
// parameter. Command ids of buttons and menus translate through
// CommandToAction; keys go through their key class (KeyClass, the small
// number every window procedure and `_LASTKEY` use) and the key-map table of
// the mode in `_KEYMAP` (KeyToAction). A parameter never passes 255: an id
// whose parameter would not fit answers kNoAction, so no late command ever
// runs an early one.
//
// This module also parses the ten-item window spec of several openers
// (WinSpecParse) and builds the status line of the main window.
#pragma once
#include <cstdint>
#include <string>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

using ActionCode = uint16_t;
constexpr ActionCode kNoAction = 0xFFFF;

constexpr ActionCode ActionMake(uint8_t kind, uint8_t param) {
  return static_cast<ActionCode>(kind | (param << 8));
}
constexpr uint8_t ActionKindOf(ActionCode code) { return static_cast<uint8_t>(code & 0xFF); }
constexpr uint8_t ActionParamOf(ActionCode code) { return static_cast<uint8_t>(code >> 8); }

// Action kinds (the low byte).
enum ActionKind : uint8_t {
  kActNextField = 1,     // Enter, Tab
  kActPrevField = 2,     // Shift+Tab
  kActPopupItem = 15,    // popup menu item: id - 1700
  kActMenuItem = 16,     // menu item: id - 1500
  kActMainClose = 17,    // close request of the main window
  kActScanField = 18,    // scanner data for a field (private message 0x88E1)
  kActHelp = 19,         // F1
  kActFieldAgain = 20,   // F2: put the current field's text again
  kActCancel = 21,       // Esc
  kActToEntry = 22,      // Ctrl+End: first editable field after the key
  kActDeviceData = 23,   // private message 0x88E0: device number
  kActWedgeEnd = 24,     // end of a keyboard-wedge scan capture
  kActNavigate = 25,     // navigation command: parameter below
  kActCloseRequest = 28, // WM_CLOSE of a screen window
  kActCloseWindow = 29,  // close the window
  kActShowFailure = 30,  // show a failed field condition (126)
  kActLineDown = 31,     // Down
  kActLineUp = 32,       // Up
  kActFieldEntered = 38, // the focus entered an editable field after a passed check
  kActCommand = 43,      // command id 3600-3649: id - 3600
  kActCommandHigh = 44,  // command id 3650 and above: id - 3650
  kActFocusIn = 91,      // '[' a control gained the focus
  kActFocusOut = 92,     // '\' a control lost the focus
  kActComboChange = 94,  // combo box selection changed
  kActFirstFocus = 95,   // a screen window gained the focus for the first time
};

// Parameters of kActNavigate: 1-18 the 1-based position in kNavCommands
// (data/store/fileaction.h), and the two confirm buttons.
enum NavParam : uint8_t {
  kNavNew = 1, kNavTop, kNavPrv, kNavRld, kNavNxt, kNavBot, kNavFnd, kNavSve, kNavIns,
  kNavDel, kNavLst, kNavNls, kNavBls, kNavImp, kNavMde, kNavDde, kNavPrn, kNavTsl,
  kNavConfirm = 100,  // OK, id 3100
  kNavConfirm2 = 101, // id 3101
};
constexpr ActionCode kActionConfirm = ActionMake(kActNavigate, kNavConfirm);  // 0x6419

// Fixed control and command ids of framework windows.
enum CtlId : uint16_t {
  kIdBottomField1 = 1480,  // the maintenance bottom bar's read-only fields
  kIdBottomField2 = 1481,
  kIdMenuFirst = 1500,     // menu items (and choice-window option buttons)
  kIdMenuLast = 1699,
  kIdPopupFirst = 1700,    // popup menu items: 1700 + position
  kIdPopupLast = 1949,
  kIdFieldFirst = 2000,    // field controls: 2000 + field number - 1
  kIdFieldLast = 2999,
  kIdNavFirst = 3000,      // navigation buttons: 3000 + command position
  kIdNavLast = 3020,
  kIdOk = 3100,
  kIdOk2 = 3101,
  kIdGridViewFirst = 3200, // lines-grid list views, one per level
  kIdGridViewLast = 3203,
  kIdListBoxFirst = 3350,  // list boxes: 3350 + n
  kIdListBoxLast = 3499,
  kIdComboFirst = 3500,    // combo boxes: 3500 + slot
  kIdCommandFirst = 3600,  // further commands 3600-3649
  kIdCommandLast = 3649,
  kIdCommandHigh = 3650,   // and from 3650 (parameter at most 255: up to 3905)
  kIdLabelFirst = 4000,    // labels: 4000 + row x columns + column
};
constexpr uint16_t FieldCtlId(uint16_t field) { return static_cast<uint16_t>(kIdFieldFirst + field - 1); }

// Key classes (KeyClass of a virtual key; the edit procedure adds Shift+Tab
// and Ctrl+End itself).
enum KeyClassCode : uint16_t {
  kKeyEnter = 0,
  kKeyEsc = 3,
  kKeyOther = 4,  // Left, Right, unlisted keys; also commands and clicks
  kKeyEF = 6,
  kKeyShiftTab = 8,
  kKeyTab = 9,
  kKeyF1 = 11,    // F1-F11 are 11-21
  kKeyF11 = 21,
  kKeyUp = 22,
  kKeyPgUp = 23,
  kKeyDown = 28,
  kKeyPgDn = 29,
  kKeyCtrlEnd = 32,
};
constexpr int kKeyClasses = 33;  // classes 0-32
constexpr int kKeyMapModes = 2;  // 0 screens, 1 lines

// The key-map table: mode x class -> action code (0 no action).
extern const ActionCode KeyActionTable[kKeyMapModes][kKeyClasses];

// Move bits of KeyClassMoveBits.
enum KeyMoveBit : uint16_t {
  kMoveFunction = 1,
  kMoveForward = 2,
  kMoveBackward = 4,
  kMoveByLine = 8,
  kMoveByPage = 16,
  kMoveEscape = 32,
  kMoveToEnd = 64,
};

// The key class of a virtual-key code (platform/ui/ui_types.h).
uint16_t KeyClass(uint16_t vk);
// The action of a command id; kNoAction for any other id. A recognised id
// sets `_LASTKEY` to kKeyOther, so the chain treats it as a command.
ActionCode CommandToAction(uint32_t id);
// KeyActionTable[_KEYMAP][class]; 0 for a mode other than 0 and 1 or a class
// above 32.
ActionCode KeyToAction(uint16_t keyClass);
// The key a person presses for a navigation button's command (id 3001-3020)
// in the key-map mode of its window's screen (the newest record on the
// window; `_KEYMAP` for a window without one): "F3"-"F11", "PgUp" or "PgDn",
// the first key of the table that gives the command; F10 is passed over on a
// window with a menu bar, which F10 opens. Empty for any other button or a
// command no key gives. The window system shows it with the caption.
std::string NavButtonKeyName(ui::Hwnd button);
// Index in the move set {Enter, Shift+Tab, Tab, F9, Up, Down, PgDn, PgUp,
// Ctrl+End}, or -1.
int KeyClassIsMove(uint16_t keyClass);
// Index in the page set {PgUp, PgDn}, or -1.
int KeyClassIsPage(uint16_t keyClass);
// The move bits of the class in the low byte of code, the high byte kept.
uint16_t KeyClassMoveBits(uint16_t code);

// A window or browse spec of ten comma items.
struct WinSpec {
  StrValue file;      // item 1 up to ";"
  StrValue index;     // the rest of item 1; item 1 and item 2 joined when empty
  uint16_t row = 0;   // item 2
  uint16_t col = 0;   // item 3
  uint16_t height = 0;  // item 4
  uint8_t width = 0;    // item 5, low 8 bits
  uint16_t item6 = 0;   // 0xFFFF when the spec has 5 items or fewer
  uint8_t item7 = 0;
  StrValue title;     // item 8
  StrValue text;      // item 9
  uint16_t number = 0;  // item 10
};
// Missing or non-numeric items read 0; items past the tenth are ignored.
// The texts are views into the spec (the index, when joined, a new slot of
// the string area).
WinSpec WinSpecParse(StrValue text);

// The maker's web address at the end of the status line.
extern const char kMakerWebAddress[];
// " text  |  date  |  database directory |  " + the maker's address and two
// blanks: the text (the title, settings item 3, when empty; cut to 255
// bytes), today in date mode 1, the second item of the database setting
// (settings item 11) unquoted, the last component of the current directory.
StrValue StatusLineText(StrValue text);
// Sets StatusLineText(text) as the text of the top window.
Status StatusLineShow(StrValue text);
