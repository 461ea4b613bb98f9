// The list views that lines grids are shown on, and the column titles of a
// screen's lines block.
//
// Four slots, one per lines-grid level, each holding a list view
// (SysListView32, report mode, single selection) with control id 3200 +
// slot: its handle (0 = free), the items and columns inserted so far and
// its position in the parent. A slot whose list view was destroyed with its
// parent counts as free again. The list view is made hidden; the first item
// set shows it. Colours: black text on light blue (red 224, green 224, blue
// 255) as text background and background; grid lines, header drag and drop
// and full-row selection; the table font.
//
// Rows and columns of the list view count from 0. Pixel positions are in
// the parent's client coordinates.
//
// LinsGridTitles cuts the column titles of the current screen's lines block
// out of the label row two rows above its first field, read again from the
// screen's layout (screens/window/layout.h FieldLayoutLoad): labels are written at
// their column into a line of 384 blanks (text past it is clipped); each
// field of the block takes the text from the current position up to the next
// field's column (the last up to its display width); a slot whose text
// after its leading blanks holds no blank runs on to the first blank after
// it. Each title is trimmed and followed by ","; the position advances by
// the larger of the title's length and the slot's width.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/strvalue.h"
#include "screens/window/geometry.h"

constexpr int kGridViewSlots = 4;
constexpr int kGridViewIdFirst = 3200;
constexpr uint32_t kGridViewStyle = ui::WS_CHILD | ui::WS_DLGFRAME | ui::WS_TABSTOP | ui::LVS_REPORT | ui::LVS_SINGLESEL;
constexpr uint32_t kGridViewExStyle = ui::LVS_EX_GRIDLINES | ui::LVS_EX_HEADERDRAGDROP | ui::LVS_EX_FULLROWSELECT;
constexpr uint32_t kGridViewText = 0x000000;
constexpr uint32_t kGridViewBack = 0xFFE0E0;  // red 224, green 224, blue 255 (0x00BBGGRR)
constexpr int kGridViewMaxRow = 65535;
constexpr uint16_t kTitleLineWidth = 384;

struct GridViewSlot {
  ui::Hwnd view = 0;
  uint16_t rowCount = 0;
  uint16_t colCount = 0;
  uint16_t y = 0, x = 0;
};

// The first free slot with a new list view in it at (x, y), width x height;
// -1 when all four are in use or the list view cannot be made.
int GridViewCreate(ui::Hwnd parent, int x, int y, int width, int height);
// Destroys the slot's list view (-1: every slot's); 0, or 0xFFFF when the
// slot was empty or the window system refused.
uint16_t GridViewDestroy(int slot);
// Inserts column col: right-aligned for the types "NL123456789", the first
// column 2 pixels wider than given. 0, or 0xFFFF when it was refused.
uint16_t GridViewColumns(int slot, int col, StrValue title, char type, int width);
// Removes every item and starts one empty row.
void GridViewClear(int slot);
// Sets a cell, adding empty rows up to the row first, and shows the list
// view; a cell that already holds the text is not written again. 0xFFFF,
// nothing inserted, for a row above 65535 (or below 0) or an empty slot.
uint16_t GridViewSetItem(int slot, int row, int col, StrValue text);
// The selected row; 0xFFFF when none.
uint16_t GridViewCurRow(int slot);
// focus: the row becomes focused and selected (and is scrolled into view);
// otherwise its focus and selection are cleared.
void GridViewSelect(int slot, int row, bool focus);
// The column's width (column 0 less 2 pixels).
int GridViewColWidth(int slot, int col);
// Where a cell's text begins in the parent: its left edge + 5 (+ 2 for the
// first column) and its top, from the list view's client origin.
ui::Point GridViewCellPos(int slot, int row, int col);
// The column under the mouse cursor; the last one when it is beyond them.
int GridViewColumnAtCursor(int slot);
// own: the slot's position; otherwise the item's position in the list view.
ui::Point GridViewItemPos(int slot, int row, bool own);
// Scrolls by rows (cell heights); answers the top row afterwards.
int GridViewScroll(int slot, int rows);
// The slot of a list view; -1 when none holds it.
int GridViewSlotOf(ui::Hwnd view);
void GridViewShow(int slot);
PxSize GridViewClientSize(int slot);
// A copy of the slot (zeros for a number outside 0-3).
GridViewSlot GridViewGet(int slot);
// Forgets every slot without destroying anything (a new window system).
void GridViewReset();

// The comma list of the column titles of the current screen's lines block,
// from the labels of its layout (name and tag as the screen was made from);
// empty without a lines block or when its first field is on row 0.
StrValue LinsGridTitles(StrValue layoutName, int tag);
