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
// the screen font (screens/fonts.h FontCellSize).
#pragma once
#include <cstdint>

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
