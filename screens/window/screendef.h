// Screen definitions, the stacks of open screens and window records.
//
// A screen is a definition text of NAME:value properties (the current object
// parameter string, top of string list 31, script/objparams.h) plus a layout
// of fields (screens/window/layout.h). ScreenDefParse turns both into a ScreenDesc
// with its table of FieldDesc records and pushes it on the stack of open
// screens, where it becomes current. A window opened on a screen is a
// WinRecord (screens/window/winrecord.h opens, selects and closes them); a screen
// lives while a record uses it.
//
// Storage: screens are the elements of value table 4 (VtScreens), window
// records those of table 5 (VtWindows); the newest is current unless
// WinSelect chose an older record. Each screen owns one memory block of
// owner 20 (MOD_SCREENS) holding its field table, its two MAX_IDS_ATTR%
// word arrays, its name and its definition text; the slices of a screen and
// its fields are offsets into that text. A window record owns its value
// buffer, a block of the same owner.
//
// Fields are numbered from 1. Edit order: 0 not editable, 1 and up the
// field's place in the tab order (its position in EDIT$, else its own
// number), kEditHidden for a field named in HIDDEN$. Hidden is the flag
// kFieldHidden: a field numbered 81 or more that EDIT$ does not name keeps
// its own number and stays visible, so every "is hidden" test uses the flag.
//
// Limits checked at parse (168 DATAOUTBOUND, the screen name in the detail):
// at most kScreenMaxFields fields (their control ids 2000-2999 stay below the
// navigation ids), a total value width of at most 65535 bytes (value offsets
// never wrap), MAX_IDS_ATTR% at most kScreenMaxIdsAttr. A definition text
// with an unterminated quote, or a malformed FILEDEF$ item, answers 163
// BADINPUTDATA with the text in the detail. Errors are recorded with module
// 20 (Screens).
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint16_t kScreenMaxFields = 1000;
constexpr uint16_t kScreenMaxIdsAttr = 1024;
constexpr uint16_t kEditHidden = 81;
constexpr int kCurrentIndex = -1;  // "the current one" for ScreenGet, WinGet, WinClose

// Flag bits of a field (FieldDesc::flags).
enum FieldFlag : uint16_t {
  kFieldUpdatable = 0x0001,     // cleared when the field's CLEAR$ item is non-zero
  kFieldKeyBound = 0x0002,      // bound to a key file
  kFieldHasAssign = 0x0004,     // has an ASSIGN$ item
  kFieldOwnFile = 0x0010,       // bound to the screen's own data file
  kFieldHasPerform = 0x0020,    // has a PERFORM$ item (or a NAME$ procedure)
  kFieldHasUpdFields = 0x0040,  // has an UPDFIELDS$ item
  kFieldSelectWin = 0x0100,     // its WINDOWS$ item has a last part
  kFieldEditable = 0x0200,      // edit order non-zero
  kFieldHasAlarm = 0x0400,      // has an ALARM$ item
  kFieldHidden = 0x4000,        // named in HIDDEN$: no control, never shown
};

// Creation flags of a screen (the low bits of `_SCRSTAT` when it was made).
enum ScreenCreateFlag : uint8_t {
  kCreateSoftFieldNum = 0x02,  // FieldGet of a bad number answers 124, not 168
  kCreateBindByName = 0x04,    // fields without FILEDEF$ bind to the data file by name
};

// Bits of the system integer `_SCRSTAT`.
enum ScrStatBit : uint16_t {
  kScrStatCascade = 0x08,    // new windows cascade from the top window
  kScrStatWrapped = 0x10,    // field stepping wrapped inside a lines block
  kScrStatGridNotify = 0x20, // lines-grid notifications on
  kScrStatPageCheck = 0x40,  // a field check runs for a page key
};

// A piece of the definition text: offset and length (length 0: absent).
struct TextSlice {
  uint16_t off = 0;
  uint16_t len = 0;
};

struct FieldDesc {
  Status status = 0;  // 0; a copy for a bad field number carries 124 or 168
  uint16_t row = 0, col = 0;
  uint16_t length = 0;     // storage width
  uint16_t limit = 0;      // input limit
  uint16_t width = 0;      // display width
  uint16_t editOrder = 0;  // 0 not editable, 1.. tab order, kEditHidden
  uint8_t keyFile = 0;
  uint16_t keyField = 0;
  uint16_t flags = 0;  // FieldFlag bits
  // Slices of the field's items in the definition text.
  TextSlice name, assign, alarm, perform, updFields, windows;
  uint16_t valueOffset = 0;  // in each value area of the window record
  char type = 0;             // 'A' text, 'D' date, 'L' logical, 'N' number, ...
  ui::Hwnd control = 0;
};

struct ScreenDesc {
  uint16_t useCount = 0;  // window records open on it
  uint16_t fieldCount = 0;
  uint16_t linesFirst = 0, linesLast = 0;  // lines block, 0 = none
  uint16_t beginField = 0;                 // BEGINFLD% - 1, at least 0
  uint16_t relLevel = 0;                   // relation-list length at parse time
  uint16_t totalWidth = 0;                 // sum of the field lengths
  uint8_t dataFile = 0;
  uint8_t indexFlag = 0;  // 2 when UNICNDX% or AUTONDX% is non-zero
  uint8_t createFlags = 0;
  uint8_t ctlFlags = 0;   // set by the control builder
  uint8_t keyMap = 0;     // KEYMAP%, also stored in `_KEYMAP`
  uint8_t docFlags = 0;
  unsigned char* block = nullptr;  // owner 20
  char* name = nullptr;
  uint16_t nameLen = 0;
  char* text = nullptr;  // the definition text with its field names completed
  uint16_t textLen = 0;
  FieldDesc* fields = nullptr;  // fields[0] is field 1
  TextSlice set, ik1, relOpt;   // SET$, item 1 of IK$(1), RELOPT%
  uint16_t maxIdsAttr = 0;
  uint16_t* ids[2] = {nullptr, nullptr};  // MAX_IDS_ATTR% words each
};

// The action chain of a window record.
using ActionHandler = Status (*)(uint16_t code);
// (state before the action, state after it, code) -> next code, 0xFFFF none.
using FollowUpChooser = uint16_t (*)(uint8_t before, uint8_t after, uint16_t code);
using ExitHandler = Status (*)(uint8_t kind);

constexpr uint16_t kWinHandlersLocked = 0x80;  // WinRecord::flags
constexpr uint8_t kWinStateLineArea = 4;       // WinRecord::state of a document's lines

struct WinRecord {
  uint16_t screen = 0;  // index in the screen stack
  uint8_t dataFile = 0;
  uint16_t cellHeight = 0, cellWidth = 0;  // font cell when opened
  uint16_t curField = 0;                   // 0 none
  uint16_t keyNum = 0;                     // INDEX%, default 1
  uint16_t gridIndex = 0;
  uint16_t pending = 0;
  uint8_t state = 0;
  uint16_t flags = 0;  // kWinHandlersLocked; other bits belong to the families
  uint16_t reserved = 0;
  ui::Hwnd window = 0;
  ActionHandler action = nullptr;
  FollowUpChooser chooser = nullptr;
  ExitHandler onExit = nullptr;
  // The value buffer (owner 20, blanks when opened): current and saved field
  // values (total value width each), then the data file's record image and
  // its saved copy (record length each; absent without a data file).
  unsigned char* buffer = nullptr;
  uint32_t bufferLen = 0;
  unsigned char* values = nullptr;
  unsigned char* saved = nullptr;
  unsigned char* image = nullptr;
  unsigned char* savedImage = nullptr;
};

// --- The stacks ------------------------------------------------------------

// Screen n (kCurrentIndex: the current one); null when it does not exist.
// The pointer stays valid until a screen below it is removed.
ScreenDesc* ScreenGet(int n);
WinRecord* WinGet(int n);
// Copies of the current screen and record: zeros when none, the record with
// flags kWinHandlersLocked.
ScreenDesc ScreenCurrent();
WinRecord WinCurrent();
// Word i of the stack state: 0 current screen, 1 screen count, 2 current
// window record, 3 record count; 0xFFFF (-1) for 0 or 2 when none is current.
uint16_t ScreenStackIndex(int i);
// Makes screen n or record n current (nothing for an index not below the
// count); the stack operations of the window records use them.
void ScreenStackSetCurrent(uint16_t screen);
void WinStackSetCurrent(uint16_t record);
// Index of the open screen of that name, searched from the top; 0xFFFF when
// none.
uint16_t ScreenFind(StrValue name);

// A copy of field n of the current screen. For 0, a number above the count
// or no current screen the copy's status is 124 when the screen's creation
// flags hold kCreateSoftFieldNum, else 168.
FieldDesc FieldGet(int n);
// The text of a slice of the screen's definition (a view into its block).
StrValue ScreenSliceText(const ScreenDesc& screen, TextSlice slice);
inline bool FieldIsHidden(const FieldDesc& f) { return (f.flags & kFieldHidden) != 0; }

// --- Parsing ---------------------------------------------------------------

// Parses the current object parameter string into desc (whose data-file
// number, lines block and creation flags the creator may have set) with the
// layout's fields (count of them, possibly 0), and pushes it as the current
// screen under screenName. On failure nothing is pushed and no block is
// left allocated.
Status ScreenDefParse(ScreenDesc& desc, const FieldDesc* layout, uint16_t count, StrValue screenName);
// Per field in order: key binding, edit order, flag bits, display width clip
// and value offset; the total value width. 168 when it passes 65535.
Status ScreenFieldFlags(ScreenDesc& desc);
// Binds field n by its FILEDEF$ item (NAME{file}, or key file ";" key field)
// or, without one and under kCreateBindByName, by its name among the fields
// of the screen's data file. 163 for a malformed item.
Status FieldBindKey(ScreenDesc& desc, uint16_t n);
// The edit order of field n and its hidden flag.
void FieldEditState(ScreenDesc& desc, uint16_t n);
// Frees the screen's block, removes it from the stack and makes the screen
// below current when the current one is no longer there.
Status ScreenRemove(uint16_t index);
