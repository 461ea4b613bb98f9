// The standard controls of framework windows.
//
// Every framework window is built from a few child controls: edit fields
// and check boxes, push, picture and owner-drawn buttons, list boxes,
// static texts, the "Ok" button, the navigation bar of data screens and the
// bottom bar of maintenance windows. All are visible tab stops
// (WS_CHILD | WS_VISIBLE | WS_TABSTOP) of their parent; positions and sizes
// are pixels, computed by the callers or here from the text-window geometry
// (screens/window/geometry.h) and the cell of the screen font (screens/window/fonttable.h).
//
// Ids (screens/window/actions.h CtlId): navigation buttons 3000 + the command's
// position in kNavCommands (data/store/fileaction.h; NEXT, PREVIOUS and BOTTOM
// stand for NXT, PRV and BOT), "Ok" 3100, the bottom bar's button 3101 and
// its read-only fields 1480 and 1481, list boxes 3350 + their number.
//
// Creation answers the control's handle, 0 when the window system refuses
// (a dead parent, an error string for a text). Texts are read and set
// through CtlTextGet and CtlTextSet, which are bounded and never overrun.
//
// Option buttons: a push button, an owner-drawn button when the text
// carries a value ("caption/#n", screens/window/tiles.h OptionValueSpec) that the
// window's screen can keep in its owner-drawn value table (the two
// MAX_IDS_ATTR% arrays: ids, values), or a picture button. Picture options:
// with option flag 2 and `_SYSCOMPAT` bit 32 an option text is looked up as
// the file name pattern text + "*" in the default directory, and the first
// match makes the option a picture button. A text holding a path
// separator, a drive colon or ".." is never looked up, so an option cannot
// reach outside that directory; a picture that cannot be loaded leaves a
// push button with the text.
#pragma once
#include <cstdint>
#include <string_view>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

struct FieldDesc;

// Flags of EditCreate.
enum EditFlag : uint16_t {
  kEditMultiLine = 0x01,  // vertical and horizontal scroll bars, Enter breaks the line
  kEditDisabled = 0x02,   // disabled after creation
  kEditSystemFont = 0x04, // keeps the system font (else the table font)
  kEditNumeric = 0x08,    // digits only, right-aligned
  kEditCheckBox = 0x10,   // a check box (BUTTON, BS_CHECKBOX) instead of an edit
};

// Flags of MantBottomBar.
enum BottomBarFlag : uint16_t {
  kBarButton = 0x10,  // button 3101, 60 pixels wide
  kBarField1 = 0x20,  // read-only field 1480, 7 columns
  kBarField2 = 0x40,  // read-only field 1481, to the right edge
};

// Layout flags of NavBarCreate: bits 2-3 choose the button width (0 the
// window width / enabled buttons, 1 / all commands, 2 60 pixels); any flag
// centres the row. The maintenance window passes 6.
constexpr uint16_t kNavBarMaintenance = 6;

// Option-button flags (a byte; 0xFF stands for kOptionDefault). Bits 1 and
// 2 are also the spread flags of the grid's tile layout (screens/window/tiles.h:
// rows, columns).
enum OptionFlag : uint8_t {
  kOptionPicture = 2,   // picture options
  kOptionNoOrigin = 4,  // not moved by the text-window origin
  kOptionOneRow = 8,    // all options in one row
};
constexpr uint8_t kOptionDefault = 3;
constexpr uint16_t kSysCompatPictures = 32;  // `_SYSCOMPAT`: option texts name picture files
constexpr uint16_t kCtlTextDefaultMax = 384;  // CtlTextGet's maximum for 0xFFFF

// A child window of the class with its text, its whole style and extended
// style, place and size in pixels (a negative size as 0) and id; 0 without
// a parent or when the window system refuses. The creations below and the
// other windows' own controls use it.
ui::Hwnd ChildCreate(ui::Hwnd parent, std::string_view cls, std::string_view text, uint32_t style, uint32_t exStyle,
                     int32_t x, int32_t y, int32_t width, int32_t height, uint16_t id);
// An EDIT with the client edge (or a check box with kEditCheckBox).
ui::Hwnd EditCreate(ui::Hwnd parent, int32_t x, int32_t y, int32_t width, int32_t height, uint16_t id,
                    uint16_t flags);
// A push button with the caption.
ui::Hwnd ButtonCreate(ui::Hwnd parent, int32_t x, int32_t y, int32_t width, int32_t height, StrValue caption,
                      uint16_t id);
// A LISTBOX (border, notifications, key reports to the parent) of id 3350 +
// number, holding the items of the comma list, each without one pair of
// quotes; table font.
ui::Hwnd ListBoxCreate(ui::Hwnd parent, int32_t x, int32_t y, int32_t width, int32_t height, uint16_t number,
                       StrValue items);
// One option button (value kOptionNoValue for none): with kOptionPicture a
// picture button showing the bitmap file the text names (a push button with
// the text when it cannot be loaded); else, with a value the screen of the
// window keeps for the id, an owner-drawn button; else a push button with
// the text unquoted.
ui::Hwnd OptionButtonCreate(ui::Hwnd parent, int32_t x, int32_t y, int32_t width, int32_t height, StrValue text,
                            uint16_t id, uint16_t value, uint8_t flags);
// The buttons of the comma list laid out by TileLayout in the parent's
// client area less the text-window origin (the buttons moved by it unless
// kOptionNoOrigin): tiles the longest item + 5 columns wide and 2 rows high
// of the system font, filled row by row, ids from firstId; one row with
// kOptionOneRow, otherwise as many columns as fit (one for a window sized
// to the list); system font. Answers 0, or 179 when a button cannot be
// made.
Status OptionButtonsCreate(ui::Hwnd parent, StrValue items, uint16_t firstId, uint8_t flags);
// A STATIC text at a pixel position (note the order: y before x).
ui::Hwnd StaticTextCreate(ui::Hwnd parent, int32_t y, int32_t x, int32_t width, int32_t height, StrValue text);
// "Ok" (id 3100) at column 14 from the right, half a cell above the bottom
// row, 12 columns wide and one cell high, table font; a window that has a
// control 3100 already gets nothing. Answers the window's Ok button.
ui::Hwnd OkButtonAdd(ui::Hwnd window);
// The navigation buttons: one per command of the comma list whose 1-based
// position is enabled (the comma list of numbers; empty enables all), with
// the caption of the same position, at y 2 and the given height, from x 2
// or, with any layout flag, centred in the text window's width. A command
// that is no navigation command gets no button. No command, or none
// enabled, creates nothing. Answers 0, or 179 when a button cannot be made.
Status NavBarCreate(ui::Hwnd parent, uint16_t layout, StrValue commands, StrValue captions, int32_t height,
                    StrValue enabled);
// The bottom bar of a maintenance window along the text window's bottom
// row: the button, then the read-only fields, each after the one before it
// (the first at x 0 for the button, 1 for a field). Table font. Answers 0,
// or 179 when a control cannot be made.
Status MantBottomBar(ui::Hwnd parent, uint16_t flags);

// The window style of a field's edit control: auto-scrolling visible tab
// stop, right-aligned for type 'L'; a field that is not updatable, or
// readOnly, adds ES_READONLY and nothing else; type 'P' adds ES_PASSWORD
// and the field's type becomes 'A'; otherwise a numeric type
// ("NL123456789") adds ES_RIGHT. (Field controls of screens take their
// style from FieldControlStyle, screens/window/fieldctl.h.)
uint32_t FieldCtlStyle(FieldDesc& field, bool readOnly);

// The text of the window's control: at most max bytes (kCtlTextDefaultMax
// for 0xFFFF), a new slot of the string area; the error string 163 when
// the window has no such control.
StrValue CtlTextGet(ui::Hwnd window, uint16_t id, uint16_t max);
// 0, or 179 "Windows Control Error" (recorded) when the control is missing
// or refuses the text; an error string passes through as its code.
Status CtlTextSet(ui::Hwnd window, uint16_t id, StrValue text);
// CtlTextSet on the top window of WinList.
Status CtlTextSetById(uint16_t id, StrValue text);
