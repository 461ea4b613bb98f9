#include "screens/window/tiles.h"

#include <algorithm>
#include <cstdlib>

#include "runtime/strlist.h"

namespace {

constexpr int64_t kDefaultTileWidth = 200;
constexpr int64_t kDefaultTileHeight = 50;
constexpr int64_t kDefaultGap = 6;

bool Given(uint16_t v) { return v != kTileComputed; }

int64_t SizeOrDefault(uint16_t v, int64_t def) { return v == kTileComputed || v == 0 ? def : v; }

// 90 % of a size, halves away from zero (sizes are never negative).
int64_t Shrunk(int64_t v) { return (v * 9 + 5) / 10; }

// a / b to the nearest integer, halves away from zero.
int64_t DivRound(int64_t a, int64_t b) {
  int64_t q = (2 * std::abs(a) + b) / (2 * b);
  return a < 0 ? -q : q;
}

uint16_t U16(int64_t v) { return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 0xFFFF)); }

struct Grid {
  int64_t width, height, columns, rows;
  bool operator==(const Grid&) const = default;
};

// Rows and columns that are not given follow from the area and the tile
// size, a quarter of a tile between tiles.
void Fit(const TileLayoutRec& t, Grid& g) {
  if (!Given(t.rows)) g.rows = t.areaHeight / (g.height + g.height / 4);
  if (!Given(t.columns)) g.columns = std::max<int64_t>(t.areaWidth / (g.width + g.width / 4), 1);
}

}  // namespace

Status TileLayout(TileLayoutRec& t) {
  const int64_t aw = t.areaWidth, ah = t.areaHeight, count = t.count;
  const bool rowsComputed = !Given(t.rows), columnsComputed = !Given(t.columns);
  Grid g{SizeOrDefault(t.tileWidth, kDefaultTileWidth), SizeOrDefault(t.tileHeight, kDefaultTileHeight),
         columnsComputed ? 0 : t.columns, rowsComputed ? 0 : t.rows};
  if (!columnsComputed && aw < g.width * g.columns) g.width = (aw - aw / 16) / g.columns;
  if (!rowsComputed && ah < g.height * g.rows) g.height = (ah - ah / 64) / g.rows;
  Fit(t, g);
  // Shrink what is computed until the count fits; a pass that changes
  // nothing (small tiles stop shrinking) accepts the overflow.
  while (g.rows * g.columns != 0 && g.rows * g.columns < count && (rowsComputed || columnsComputed)) {
    Grid before = g;
    if (columnsComputed) g.width = Shrunk(g.width);
    if (rowsComputed) g.height = Shrunk(g.height);
    Fit(t, g);
    if (g == before) break;
  }
  // Widened only once the grid is settled: a column widened while shrinking
  // would never make room for a second one.
  if (columnsComputed && g.columns == 1) g.width = std::max(g.width, aw * 3 / 4);
  if ((t.flags & kTileSpreadRows) && rowsComputed)
    while (g.rows > 0 && g.columns * (g.rows - 1) >= count) --g.rows;
  if ((t.flags & kTileSpreadColumns) && columnsComputed && count != 0)
    while (g.columns > 0 && (g.columns - 1) * g.rows >= count) --g.columns;
  int64_t xGap = kDefaultGap, yGap = kDefaultGap;
  if ((t.flags & kTileSpreadColumns) && g.columns > 0) xGap = std::max<int64_t>(DivRound(aw - g.columns * g.width, g.columns), 0);
  if ((t.flags & kTileSpreadRows) && g.rows > 0) yGap = std::max<int64_t>(DivRound(ah - g.rows * g.height, g.rows), 0);
  t.xGap = U16(xGap);
  t.yGap = U16(yGap);
  t.xOrigin = U16(xGap / 2);
  t.yOrigin = U16(yGap / 2);
  t.outColumns = U16(g.columns);
  t.outRows = U16(g.rows);
  t.outTileWidth = U16(g.width);
  t.outTileHeight = U16(g.height);
  return 0;
}

namespace {

// The number of "#digits..." at the start of s (at least one digit), the
// rest after the digits in *rest; -1 when s does not start so or the value
// reaches 0xFFFF.
int32_t HashNumber(std::string_view s, std::string_view* rest) {
  if (s.size() < 2 || s[0] != '#' || s[1] < '0' || s[1] > '9') return -1;
  int64_t v = 0;
  size_t i = 1;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v >= kOptionNoValue) return -1;
  }
  *rest = s.substr(i);
  return static_cast<int32_t>(v);
}

}  // namespace

uint16_t OptionValueSpec(StrValue* text) {
  if (!text || text->IsError()) return kOptionNoValue;
  std::string_view t = text->View();
  std::string_view rest;
  if (StrListCount(*text, ',') == 1 && (t.empty() || t[0] != '/')) {
    size_t slash = t.find('/');
    if (slash == std::string_view::npos) return kOptionNoValue;
    int32_t v = HashNumber(t.substr(slash + 1), &rest);
    if (v < 0) return kOptionNoValue;
    *text = StrMake(text->ptr, static_cast<uint32_t>(slash));
    return static_cast<uint16_t>(v);
  }
  std::string_view first = StrListItem(*text, ',', 1).View();
  if (first.empty() || first[0] != '/') return kOptionNoValue;
  int32_t v = HashNumber(first.substr(1), &rest);
  if (v < 0 || !rest.empty()) return kOptionNoValue;
  *text = StrListRest(*text, ',');
  return static_cast<uint16_t>(v);
}
