#include "screens/window/fonttable.h"

#include <algorithm>
#include <cstring>

#include "platform/ui/ui.h"

namespace {

struct FontTable {
  int count = 0;
  FontEntry entries[kFontEntries];
  // The window-system font made for the current entry; made again when its
  // spec no longer matches (a new entry, or a new window system).
  ui::Hfont made = 0;
};

FontTable g_fonts;

CellSize MetricsCell() {
  ui::TextMetrics m = ui::screen_text_metrics();
  return CellSize{std::max(m.avgWidth + 1, 1), std::max(m.height + 3, 1)};
}

ui::FontSpec SpecOf(const FontEntry& e) {
  int narrower = std::max((e.width + 8) / 16, 1);  // width / 16, halves away from zero
  ui::FontSpec s;
  s.height = std::max(e.height - 3, 1);
  s.width = std::max(e.width - narrower, 1);
  s.weight = e.weight;
  s.charSet = 1;
  s.face = e.face;
  return s;
}

bool SameSpec(const ui::FontSpec& a, const ui::FontSpec& b) {
  return a.height == b.height && a.width == b.width && a.weight == b.weight && a.italic == b.italic &&
         a.underline == b.underline && a.strikeOut == b.strikeOut && a.charSet == b.charSet && a.face == b.face;
}

ui::Hfont TableFont() {
  if (g_fonts.count == 0) return ui::stock_font(ui::StockFont::OemFixed);
  ui::FontSpec want = SpecOf(g_fonts.entries[g_fonts.count - 1]);
  ui::FontSpec have;
  if (g_fonts.made && ui::font_spec(g_fonts.made, have) && SameSpec(have, want)) return g_fonts.made;
  g_fonts.made = ui::create_font(want);
  return g_fonts.made;
}

}  // namespace

void ScreenSizeDefault(int columns, int rows, int originCol, int originRow, int rowAdjust) {
  auto part = [](int v) { return static_cast<uint16_t>(std::clamp(v, 0, 0xFFFE)); };
  TextWinGeomSet(part(columns), part(rows), true);
  TextWinGeomSetParts(part(originCol), part(originRow), part(rowAdjust), kGeomKeep);
}

Status FontAdd(int height, int width, int weight, StrValue face) {
  if (g_fonts.count >= kFontEntries) return 0;
  CellSize cell = MetricsCell();
  if (height == -1) height = cell.height;
  if (width == -1) width = cell.width;
  if (height <= 0 || width <= 0 || height > 0xFFFF || width > 0xFFFF) return 0;
  FontEntry e;
  e.height = static_cast<uint16_t>(height);
  e.width = static_cast<uint16_t>(width);
  e.weight = static_cast<uint16_t>(weight == 0 ? 400 : weight == 1 ? 700 : std::clamp(weight, 0, 0xFFFF));
  if (!face.IsError() && face.len > 0 && face.len <= kFontFaceMax) std::memcpy(e.face, face.ptr, face.len);
  g_fonts.entries[g_fonts.count++] = e;
  // A terminal shows one cell of the current font as one character.
  ui::set_cell_size(e.width, e.height);
  return 0;
}

int FontCount() { return g_fonts.count; }

FontEntry FontCurrent() { return g_fonts.count ? g_fonts.entries[g_fonts.count - 1] : FontEntry{0, 0, 0, {}}; }

CellSize FontCellSize() {
  if (g_fonts.count && g_fonts.entries[g_fonts.count - 1].height) {
    const FontEntry& e = g_fonts.entries[g_fonts.count - 1];
    return CellSize{std::max<int32_t>(e.width, 1), e.height};
  }
  return MetricsCell();
}

CellSize FontSystemCell() { return MetricsCell(); }

ui::Hfont FontCreate(const FontEntry& entry) { return ui::create_font(SpecOf(entry)); }

Status FontApply(ui::Hwnd window, int choice) {
  ui::Hfont font = 0;
  switch (choice) {
    case kFontSystem: font = ui::stock_font(ui::StockFont::System); break;
    case kFontOemFixed: font = ui::stock_font(ui::StockFont::OemFixed); break;
    case kFontTable: font = TableFont(); break;
    default: return st::BADINPUTDATA;
  }
  ui::set_font(window, font, true);
  return 0;
}

void FontTableReset() { g_fonts = FontTable{}; }

