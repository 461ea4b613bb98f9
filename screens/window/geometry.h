// Text-window geometry, window kinds and placement.
//
// Screens are laid out in character cells of the screen font, not in pixels.
// The text-window geometry (TextWinGeom) says how many columns and rows a
// window has, where its text origin lies, how many extra rows are counted at
// the top (row adjustment) and how far rows stand apart (row spacing, in
// percent of a cell height). Two instances exist: the default screen
// {80, 25, 0, 0, 0, 0}, changed only by TextWinGeomSet with its flag and by
// TextWinGeomSetParts while no current geometry is set, and the current
// geometry, which windows that need one set and unset (columns 0). Every
// pixel position of fields, labels and windows comes from the geometry in
// force (the current one when set, else the default) and the cell size of
// the screen font (screens/window/fonttable.h FontCellSize).
//
// Pixel arithmetic runs in 64 bits and answers signed 32-bit pixels (the
// window system's coordinates): nothing wraps at 16 bits, products divided by
// 100 round halves away from zero, and sizes are never negative.
//
// Window kinds 0-11 fix a top-level window's class name and style (WinKind,
// below); kind 11 is the main window. Placement acts on the top window of
// WinList (screens/window/winlist.h) and keeps windows inside the desktop's work
// area, adding scroll bars where the content does not fit.
#pragma once
#include <cstdint>

#include "platform/ui/ui_types.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint16_t kGeomKeep = 0xFFFF;  // "keep this part" in the setters

struct TextWinGeom {
  uint16_t columns = 0;
  uint16_t rows = 0;
  uint16_t originCol = 0;
  uint16_t originRow = 0;
  uint16_t rowAdjust = 0;  // extra rows at the top, counted in total heights
  uint16_t spacing = 0;    // row spacing in percent of the cell height
  bool operator==(const TextWinGeom&) const = default;
};

// The current geometry when set (columns non-zero), else the default.
TextWinGeom TextWinGeomGet();
// With the flag: the default's columns and rows. Without it: the current
// geometry, which first becomes a copy of the default when it is unset and
// its origin column, origin row and spacing are all 0; a given column count is stored (0 also
// clears the origin column, so the current geometry is unset), a given row
// count is stored (0 also clears the origin row, the adjustment and the
// spacing). kGeomKeep keeps a value. Answers TextWinGeomGet.
TextWinGeom TextWinGeomSet(uint16_t columns, uint16_t rows, bool toDefault);
// Sets the origin column and row, the row adjustment and the spacing
// (kGeomKeep keeps one) on the current geometry when it is set, else on the
// default. A caller that means a window's own geometry sets a current one
// first (TextWinGeomSet) so the default stays as it is.
void TextWinGeomSetParts(uint16_t originCol, uint16_t originRow, uint16_t rowAdjust, uint16_t spacing);
// Back to the start state: default {80, 25, 0, 0, 0, 0}, no current geometry.
void TextWinGeomReset();
// Both geometries, kept by a window that sets its own for a while (a choice
// window) and puts them back afterwards.
struct TextWinGeomState {
  TextWinGeom defaults;
  TextWinGeom current;
};
TextWinGeomState TextWinGeomSave();
void TextWinGeomRestore(const TextWinGeomState& state);

// --- Cells and pixels ----------------------------------------------------------

// A character cell of the screen font in pixels (never 0).
struct CellSize {
  int32_t width = 8;
  int32_t height = 16;
};
struct PxSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const PxSize&) const = default;
};

constexpr uint16_t kGeomAll = 0xFFFF;  // "all columns / rows", "past the last"

// Cell positions and sizes in the geometry in force with the current cell.
// WinColX(c) = (c + origin column - 1) x w + 1, kGeomAll: columns x w + 1.
int32_t WinColX(uint16_t col);
// Column c counted from the right: (columns - min(c, columns) + origin
// column - 1) x w + 1.
int32_t WinColXRight(uint16_t col);
// n x w; kGeomAll: (columns + origin column) x w.
int32_t WinColsWidth(uint16_t n);
// (r + origin row - 1) x h x (100 + spacing) / 100 + 1; kGeomAll: rows x h x
// (100 + spacing) / 100 + 1.
int32_t WinRowY(uint16_t row);
// WinRowY of row (rows + row adjustment - r).
int32_t WinRowYBottom(uint16_t row);
// n x h x (100 + spacing) / 100; kGeomAll: (rows + origin row + row
// adjustment) x h x (100 + spacing) / 100.
int32_t WinRowsHeight(uint16_t n);
// The pixel size of columns by rows (kGeomAll: the geometry's own) with the
// geometry's origin, adjustment and spacing; 0 in a direction whose count is
// 0.
PxSize TextSizePx(uint16_t columns, uint16_t rows, const TextWinGeom& geom, CellSize cell);

// --- Window kinds ------------------------------------------------------------------

enum WinKind : uint8_t {
  kWinKindApp = 0,      // the application code
  kWinKindLnMant = 1,
  kWinKindMant = 2,
  kWinKindMantDlg = 3,
  kWinKindGrid = 4,
  kWinKindDialog = 5,   // "Dialogx"
  kWinKindDevSel = 6,
  kWinKindProgress = 7,
  kWinKindApp8 = 8,
  kWinKindAppModal9 = 9,
  kWinKindAppModal10 = 10,
  kWinKindMain = 11,    // the main window
  kWinKinds = 12,
};

struct WinKindInfo {
  Status status = 0;   // 163 for kind 12 and above, or an empty class name
  uint32_t style = 0;  // window style; kWinModalStyle (screens/window/winlist.h) for modal kinds
  StrValue className;  // a new slot of the string area
};
// The class name and style of a kind: kinds 1-7 are named by their suffix,
// the others take the application code (the identity, settings item 2, up to
// its first ":") or, when that is empty, defaultName.
WinKindInfo WinKindStyle(int kind, StrValue defaultName);
// The class suffix of a kind; empty for 0 and 8-11 (and unknown kinds).
StrValue WinKindName(int kind);

// --- Placement ----------------------------------------------------------------------

// The client size of the window; for 0 the size of the desktop work area.
PxSize WinClientSize(ui::Hwnd window);
// The window size around a client size: grown for the style of kind 0, or of
// kind 5 for kind 5, with or without a menu bar.
PxSize WinSizeForClient(int32_t width, int32_t height, int kind, bool menu);
// The window's top-left corner; (0, 0) for none.
ui::Point WinPos(ui::Hwnd window);
// The corner that centres the size in the work area (never left of or above
// the area).
ui::Point WinCentre(int32_t width, int32_t height);
// The corner moved back so that the size lies inside the work area.
ui::Point WinClampToWorkArea(ui::Point corner, int32_t width, int32_t height);
// The corner for a new window: beside the focused control of the top window
// with flag kRectBesideFocus, else the top window's corner; without a top
// window the centred corner of the text window. Cascades by (100, 60) from a
// top window (or under `_SCRSTAT` bit 8); beside a control it is lifted to
// `_WMAXROW` rows below the top window's top when set.
constexpr int kRectBesideFocus = 0x40;
ui::Point WinRectGet(int flags);
// Moves and sizes the top window: x 0 centres, x kGeomAll keeps its corner
// (moved back into the work area); width kGeomAll takes its client size grown
// for kind 0. The size is clipped to the work area (SizeClipWorkArea) and
// scroll bars are shown where the content does not fit (WinScrollBars). The
// window goes on top. Answers 0, or 141 when no window is on the list.
Status WinMoveSize(int32_t x, int32_t y, int32_t width, int32_t height);
// The size clipped to the area: a height over the area's becomes it and the
// width grows by one scroll bar (24 pixels), a width over it likewise grows
// the height; each at most once. The answer never exceeds the area.
PxSize SizeClipWorkArea(PxSize size, ui::Rect area);
// Scroll bars of the window for a content size shown in a window size:
// horizontal when the content is wider by more than a cell width (range 0 to
// the excess), vertical when higher by more than half a cell height.
void WinScrollBars(ui::Hwnd window, PxSize content, PxSize window_size);
// The size reduced to what is left of the area right of and below the corner.
PxSize SizeFitArea(PxSize size, ui::Point corner, ui::Rect area);
// The geometry of an option-button choice window: origin, adjustment and
// spacing 0; columns max(text width, 12) plus a quarter; rows 3 x count;
// while the rows do not fit the work-area height, twice the columns (at most
// 65535) and half the rows (never below 1).
void ChoiceGeomFit(uint16_t textWidth, uint16_t count, CellSize cell);
