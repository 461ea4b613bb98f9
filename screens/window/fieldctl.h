// Field controls, labels and windows by kind.
//
// A screen window is a top-level framework window whose size follows the
// text-window geometry (screens/window/geometry.h), with one control per visible
// field of the current screen on the character grid and static labels from
// the layout. Controls and labels are children of the top window of WinList.
//
// Field control: id 2000 + field number - 1 (FieldCtlId, screens/window/actions.h),
// at WinColX(column) - a quarter cell, WinRowY(row), one cell high; an EDIT
// (WS_CHILD, WS_VISIBLE, WS_TABSTOP, ES_AUTOHSCROLL and the client edge) as
// wide as FieldPixelWidth of its display width (at least 15 pixels), limited
// to its input limit, or for a type "L" field under `_AUXSTAT` 16 a check box
// (BS_CHECKBOX) four cells wide. Read only (ES_READONLY; a check box is
// disabled instead) when the edit order is 0 or the field is the begin
// field; type "P" shows masked (ES_PASSWORD) and keeps its letter, which the
// formatting reads as "A" (so a control made again stays masked);
// numeric types "NL123456789" are right-aligned. Hidden fields get none.
// Controls take the table font (screens/window/fonttable.h). A subclassing hook
// (CtlSubclassHookSet; start-up installs CtlSubclass of screens/window/winproc.h)
// replaces the procedures of edits (kind 1) and check boxes (kind 3);
// without one the controls keep the window system's own.
//
// Label: a STATIC (0x50000002), id 4000 + row x columns + column with the
// column clipped to the text-window width (so a label past the right edge
// never takes the id of one on the next row); a label whose id would pass
// 65535 is not made. A label written again at one place replaces the first.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint32_t kEditFieldStyle = 0x50010080;  // child, visible, tab stop, auto-scroll
constexpr uint32_t kCheckFieldStyle = 0x50010002; // child, visible, tab stop, check box
constexpr uint32_t kLabelStyle = 0x50000002;
constexpr uint16_t kAuxStatCheckBoxes = 16;       // `_AUXSTAT`: logical fields as check boxes
constexpr int kSubclassEdit = 1;
constexpr int kSubclassList = 2;
constexpr int kSubclassCheck = 3;
constexpr uint8_t kScreenNoControls = 1;  // ScreenSetWin flag

// The window procedures' subclassing of controls; answers the previous hook.
using CtlSubclassFn = Status (*)(ui::Hwnd control, int kind);
CtlSubclassFn CtlSubclassHookSet(CtlSubclassFn fn);

// A top-level window of the kind (screens/window/geometry.h WinKindStyle; flags are
// style bits added to the kind's), titled, sized to the text-window geometry
// and placed at row and column (cells from the owner's corner, or the
// window system's default for -1), clipped to the work area with scroll bars
// where its client area is smaller than the geometry. Its show state is
// stored (maximised for kind 11). 0 for a kind above 11 or a window that
// cannot be made.
ui::Hwnd WinCreateKind(int kind, uint32_t flags, StrValue title, ui::Hwnd owner, int row, int column,
                       ui::WndProc proc, ui::Hmenu menu = 0);

// The window style of field n's control for the current screen.
uint32_t FieldControlStyle(uint16_t n);
// The control of field n at pixel (x, y) on the top window; grid mode makes
// it 7/8 of a cell high at x itself, on top of its siblings. 0 for a hidden
// field or a control that cannot be made.
ui::Hwnd FieldControlCreate(uint16_t n, int32_t x, int32_t y, bool gridMode);
// Controls for fields first..last (each at its row and column).
void FieldControlsCreate(uint16_t first, uint16_t last);
// Destroys the controls of fields first..last on the top window, stopping at
// the first that is missing.
void FieldControlsDestroy(uint16_t first, uint16_t last);
// The controls of the current screen (an assertion when none is current):
// flag kScreenNoControls makes none and empties string list 38; otherwise
// every field, or those outside the lines block (its grid draws the block).
// The flags are kept in the screen's control flags.
Status ScreenSetWin(uint8_t flags);

// A label; any control with its id is destroyed first. 0 when not made.
ui::Hwnd LabelCreate(ui::Hwnd window, uint16_t row, uint16_t column, StrValue text);
// A label on the top window, which is repainted; 0, or 0xFFFF when not made.
uint16_t LabelShow(uint16_t row, uint16_t column, StrValue text);

// The control's text in stored form (runtime/format.h FmtInputToStored by
// the field's type and length; a check box's mark reads "1" or "0"): the
// error string 124 when the control does not exist, the field's status when
// set.
StrValue FieldControlValue(ui::Hwnd window, uint16_t id);
// Sets the text of field n's control; with flag 0x10 its check mark follows
// flag 1. 0, or 124 when the field has no control.
Status CtlFieldShow(uint16_t n, StrValue text, uint16_t flags);
// Enables or disables navigation button 3000 + n of the top window.
void NavButtonEnable(uint16_t n, bool on);

// Closes record n (-1 the current one) with its window, when the top window
// is the current record's: the relation list is unwound to the screen's
// level, the record closed, the window taken off WinList and destroyed.
// 141 otherwise.
Status ScreenWinClose(int n);
// Where help windows open: the bottom (low 16 bits) and right edge (high 16
// bits) of the current field's control in screen coordinates; when
// `_LASTKEY` is 4 or the control does not exist, those of the focused
// control, or the top window's top and left.
uint32_t FieldHelpPoint();
