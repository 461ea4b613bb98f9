// Combo boxes addressed by slot.
//
// A table of kComboSlots combo-box handles; the combo box of slot s has the
// control id 3500 + s (kIdComboFirst, screens/window/actions.h). A slot is free
// when it holds no handle or the handle's window is gone (a combo box dies
// with its parent window), so closed windows never use the table up.
//
// ComboCreate makes a visible tab-stop COMBOBOX child with a vertical
// scroll bar: with the drop-down flag CBS_DROPDOWN and five cells high,
// without it CBS_SIMPLE and one cell per item; as wide as the longest item
// in cells plus 20 pixels, 20 more with the flag; both clamped to the work
// area. The items of the comma list are added without one pair of quotes;
// the control takes the table font and is subclassed as a list control
// (screens/window/winproc.h ListWndProc): Enter is OK, Esc the key map's Esc, and
// an accepted selection reaches a dialog window's action chain as kind 94.
//
// Errors: ComboCreate answers 0xFFFF when every slot is in use or the window
// system refuses the control; the other operations answer 163 (ComboGetSel
// -1) for a slot outside 0-79 or a free one.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr int kComboSlots = 80;
constexpr uint16_t kComboNone = 0xFFFF;
constexpr int kComboRowsDropDown = 5;
constexpr int kComboMargin = 20;  // pixels beyond the longest item (twice with the flag)

// Slot 0-79 of the new combo box at (x, y) of the parent's client area, or
// kComboNone.
uint16_t ComboCreate(ui::Hwnd parent, int32_t y, int32_t x, StrValue items, uint8_t dropDown);
Status ComboDestroy(uint16_t slot);
// The selected item (from 0), -1 when none is selected or the slot is free.
int ComboGetSel(uint16_t slot);
Status ComboSetSel(uint16_t slot, int index);
Status ComboFocus(uint16_t slot);
// The handle of a slot, 0 when free.
ui::Hwnd ComboHandle(uint16_t slot);
// Forgets every slot (a new window system, tests).
void ComboTableReset();
