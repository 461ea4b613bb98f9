// Tiles and option values.
//
// TileLayout sizes and places a grid of equal tiles in an area: the grids
// of option buttons (screens/window/controls.h OptionButtonsCreate) are laid out
// by it. OptionValueSpec reads the owner-drawn value an option text may
// carry as "caption/#n"; a list whose first item is only "/#n" gives n to
// every option. Both are pure arithmetic on their arguments.
#pragma once
#include <cstdint>

#include "runtime/status.h"
#include "runtime/strvalue.h"

constexpr uint16_t kTileComputed = 0xFFFF;  // columns, rows, tile width or height to compute
constexpr uint16_t kOptionNoValue = 0xFFFF;    // no owner-drawn value

// Flags of TileLayout.
enum TileFlag : uint16_t {
  kTileSpreadRows = 1,     // the rows spread over the height
  kTileSpreadColumns = 2,  // the columns spread over the width
};

struct TileLayoutRec {
  // Inputs.
  uint16_t areaWidth = 0, areaHeight = 0;
  uint16_t count = 0;
  uint16_t columns = kTileComputed, rows = kTileComputed;
  uint16_t tileWidth = kTileComputed, tileHeight = kTileComputed;  // 0 also means the default
  uint16_t flags = 0;
  // Outputs.
  uint16_t xOrigin = 0, yOrigin = 0;
  uint16_t xGap = 0, yGap = 0;
  uint16_t outColumns = 0, outRows = 0;
  uint16_t outTileWidth = 0, outTileHeight = 0;
};

// Fills the outputs and answers 0. Tiles start at 200 x 50 (or the given
// size, squeezed into the area when columns or rows are given); computed
// rows and columns leave a quarter of a tile between tiles. While the grid
// holds fewer tiles than the count, computed sizes shrink to 90 % (halves
// away from zero) and the counts are computed again; when a pass changes
// nothing the overflow is accepted. A single computed column is then
// widened to at least three quarters of the area. Spreading drops the rows (or
// columns) not needed and shares the free room out as gaps (6 pixels
// otherwise); the origin is half the gap. Nothing is spread over 0 rows or
// columns.
Status TileLayout(TileLayoutRec& t);

// The owner-drawn value of an option text: for one comma item "caption/#n"
// the caption becomes the text; for a longer list, or a text beginning with
// "/", a first item that is only "/#n" is removed. The text is narrowed in
// place (a view into the one given). 0xFFFF, the text unchanged, when there
// is no value (no "#" right after the first "/", no digit after "#", or a
// value that does not fit below 0xFFFF).
uint16_t OptionValueSpec(StrValue* text);
