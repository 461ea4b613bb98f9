#include "screens/geometry.h"

namespace {

constexpr TextWinGeom kDefaultScreen{80, 25, 0, 0, 0, 0};

TextWinGeom g_default = kDefaultScreen;
TextWinGeom g_current{};

bool CurrentSet() { return g_current.columns != 0; }

void Keep(uint16_t& part, uint16_t value) {
  if (value != kGeomKeep) part = value;
}

}  // namespace

TextWinGeom TextWinGeomGet() { return CurrentSet() ? g_current : g_default; }

TextWinGeom TextWinGeomSet(uint16_t columns, uint16_t rows, bool toDefault) {
  if (toDefault) {
    Keep(g_default.columns, columns);
    Keep(g_default.rows, rows);
    return TextWinGeomGet();
  }
  TextWinGeom& g = g_current;
  // A fresh current geometry starts as the default; one that is set keeps
  // what it has, so a kept value is really kept.
  if (!CurrentSet() && g.originCol == 0 && g.originRow == 0 && g.spacing == 0) g = g_default;
  if (columns != kGeomKeep) {
    g.columns = columns;
    if (columns == 0) g.originCol = 0;
  }
  if (rows != kGeomKeep) {
    g.rows = rows;
    if (rows == 0) g.originRow = g.rowAdjust = g.spacing = 0;
  }
  return TextWinGeomGet();
}

void TextWinGeomSetParts(uint16_t originCol, uint16_t originRow, uint16_t rowAdjust, uint16_t spacing) {
  TextWinGeom& g = CurrentSet() ? g_current : g_default;
  Keep(g.originCol, originCol);
  Keep(g.originRow, originRow);
  Keep(g.rowAdjust, rowAdjust);
  Keep(g.spacing, spacing);
}

void TextWinGeomReset() {
  g_default = kDefaultScreen;
  g_current = TextWinGeom{};
}
