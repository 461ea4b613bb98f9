// Fonts (help and the About box are in screens/menus/help.h).
//
// The font table holds at most kFontEntries screen fonts; the last entry
// added is the current font, and its cell (width, height) is the character
// cell from which every pixel position of the screens is computed
// (screens/window/geometry.h). Start-up adds the program's screen font and then the
// one of "KXFONT.PPN" (screens/menus/fontfile.h). With an empty table the cell
// comes from the screen's text metrics (average width + 1, height + 3).
//
// An entry becomes a window-system font by fixed rules (FontCreate): 3
// pixels less high, narrower by its width / 16 (at least 1). The font of the
// current entry is made once and kept while the entry is current.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/window/geometry.h"

constexpr int kFontEntries = 7;
constexpr int kFontFaceMax = 31;

struct FontEntry {
  uint16_t height = 0;
  uint16_t width = 0;
  uint16_t weight = 400;
  char face[kFontFaceMax + 1] = {};
};

// Font choices of FontApply.
enum FontChoice : int { kFontSystem = 0, kFontOemFixed = 1, kFontTable = 2 };

// Sets the default text-window geometry to columns by rows, then its origin
// column, origin row and row adjustment (start-up passes 80 by 24).
void ScreenSizeDefault(int columns, int rows, int originCol = 0, int originRow = 0, int rowAdjust = 0);
// Appends an entry: height or width -1 takes the screen's cell height or
// width, weight 0 becomes 400 and 1 becomes 700, a face of 32 characters or
// more (or none) stays empty. An eighth entry, or one whose height or width
// is 0 or less after the substitutions, leaves the table as it was. Answers 0.
Status FontAdd(int height, int width, int weight, StrValue face);
// Entries in the table (0 when empty).
int FontCount();
// The current entry; zeros when the table is empty.
FontEntry FontCurrent();
// The cell of the current entry when it has a height, else from the screen's
// text metrics; at least 1 x 1.
CellSize FontCellSize();
// The cell of the system font (the screen's text metrics, average width + 1
// by height + 3), which option buttons are laid out in.
CellSize FontSystemCell();
// A window-system font for the entry: height - 3, width - max(width / 16
// rounded half away from zero, 1), each at least 1; the entry's weight and
// face, character set 1.
ui::Hfont FontCreate(const FontEntry& entry);
// Sends the chosen font to the window (WM_SETFONT with redraw): the system
// font, the OEM fixed font, or the current table font (the OEM fixed font
// when the table is empty). 163 for other choices, nothing sent.
Status FontApply(ui::Hwnd window, int choice);
// Empties the table (a fresh start, for tests).
void FontTableReset();
