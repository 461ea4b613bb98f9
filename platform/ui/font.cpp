// Fonts and text metrics, and recorded painting.
#include <cstdlib>

#include "platform/ui/core_internal.h"

namespace ui {

using namespace detail;

namespace {

FontRec* font_of(Hfont f) { return lookup(core().fonts, f); }

}  // namespace

Hfont stock_font(StockFont which) {
  Core& c = core();
  int i = which == StockFont::System ? 0 : 1;
  if (c.stockFonts[i]) return c.stockFonts[i];
  const Profile& p = profile();
  FontSpec s;
  s.height = i == 0 ? p.textHeight : p.oemHeight;
  s.width = i == 0 ? p.textAvgWidth : p.oemAvgWidth;
  s.weight = i == 0 ? 700 : 400;
  s.face = i == 0 ? "System" : "Terminal";
  Hfont f = c.nextFont++;
  c.fonts[f] = FontRec{s, true};
  c.stockFonts[i] = f;
  return f;
}

Hfont create_font(const FontSpec& spec) {
  Core& c = core();
  Hfont f = c.nextFont++;
  c.fonts[f] = FontRec{spec, false};
  return f;
}

bool delete_font(Hfont font) {
  FontRec* r = font_of(font);
  if (!r || r->stock) return false;
  core().fonts.erase(font);
  return true;
}

bool font_spec(Hfont font, FontSpec& out) {
  FontRec* r = font_of(font);
  if (!r) return false;
  out = r->spec;
  return true;
}

TextMetrics screen_text_metrics() { return TextMetrics{profile().textAvgWidth, profile().textHeight}; }

TextMetrics font_metrics(Hfont font) {
  FontRec* r = font_of(font);
  if (!r) return screen_text_metrics();
  int height = std::abs(r->spec.height);
  int width = r->spec.width > 0 ? r->spec.width : std::max(1, height / 2);
  return TextMetrics{width, height};
}

void fill_rect(Hwnd h, Rect, int) {
  if (Window* w = find(h)) {
    w->painted.clear();
    notify(EventKind::Paint, h);
  }
}

void draw_text(Hwnd h, std::string_view text, Rect, uint32_t) {
  if (Window* w = find(h)) {
    w->painted.emplace_back(text);
    notify(EventKind::Paint, h);
  }
}

std::vector<std::string> painted_texts(Hwnd h) {
  Window* w = find(h);
  return w ? w->painted : std::vector<std::string>();
}

}  // namespace ui
