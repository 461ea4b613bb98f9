// The message popup and popup menus.
//
// Message popup: at most one at a time, a top-most STATIC pop-up with a
// dialog frame and no owner, centred on the work area, grey with the text in
// white. It is shown without taking the focus (the field being typed in
// keeps it and is not checked for leaving) and is never the active window.
// Its size: the longest line in cells by the lines + 3 cells, the width at
// most the work area's less 10 pixels, the height at most the work area's.
// The text is also the window's text. The data layer shows it through its
// hook (data/bridges/dataui.h), registered at start-up: StGetList shows one while it
// builds its list.
//
// Popup menu: the items of a comma list (without one pair of quotes) with
// the ids 1700 + their 0-based position, at most kPopupMaxItems of them (the
// ids the action codes decode, 1700-1949); further items are left out and
// logged. It opens at the point a callback gives, or at the mouse cursor;
// without an owner a top-most invisible STATIC pop-up owns it for the time
// it is open. Answers the chosen 1-based position, 0 for none.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr Status kPopupShown = 0xFFFF;  // PopupMsgShow: a popup was up already
constexpr int kPopupMaxItems = 250;
constexpr int kPopupGreyBrush = 2;      // the grey stock brush

// A screen point packed as CursorPos gives it: x in the high half, y in the
// low half.
using PopupPosFn = uint32_t (*)();

// Shows the text (lines separated by CR LF): 0 when the popup was created,
// kPopupShown when one was up already (its text is painted again).
Status PopupMsgShow(StrValue text);
// Destroys the popup (nothing when none is up). Answers 0.
Status PopupMsgClose();
// The popup's window, 0 when none is up.
ui::Hwnd PopupMsgWindow();
// Paints the window's client area grey with the text in white, centred: the
// block of lines starts at max(0, client height / 2 - cell height x lines
// / 2).
void PaintCentredText(ui::Hwnd window, StrValue text);

// The 1-based position chosen in a popup menu of the comma list, 0 = none.
int PopupMenuTrack(ui::Hwnd owner, StrValue items, PopupPosFn position);
// The mouse cursor's screen position, x in the high half, y in the low half
// (each cut to 16 bits, negative values to 0).
uint32_t CursorPos();
