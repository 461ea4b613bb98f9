#include "screens/forms/combo.h"

#include <algorithm>

#include "platform/ui/ui.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/window/actions.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fonttable.h"
#include "screens/window/winproc.h"

namespace {

ui::Hwnd g_combos[kComboSlots] = {};

constexpr uint32_t kComboStyle = ui::WS_CHILD | ui::WS_VISIBLE | ui::WS_VSCROLL | ui::WS_TABSTOP;

// The live handle of a slot, 0 for a free or bad one.
ui::Hwnd Live(uint16_t slot) {
  if (slot >= kComboSlots) return 0;
  if (g_combos[slot] && !ui::is_window(g_combos[slot])) g_combos[slot] = 0;
  return g_combos[slot];
}

int FreeSlot() {
  for (uint16_t s = 0; s < kComboSlots; ++s)
    if (!Live(s)) return s;
  return -1;
}

}  // namespace

uint16_t ComboCreate(ui::Hwnd parent, int32_t y, int32_t x, StrValue items, uint8_t dropDown) {
  if (items.IsError()) return kComboNone;
  int slot = FreeSlot();
  if (slot < 0) return kComboNone;
  int64_t longest = 0, count = 0;
  StrListIter it(items, ',');
  for (StrValue item; it.Next(&item); ++count) longest = std::max<int64_t>(longest, StrUnquote(item).len);
  bool flag = dropDown != 0;
  CellSize cell = FontCellSize();
  ui::Rect area = ui::work_area();
  int64_t width = longest * cell.width + kComboMargin * (flag ? 2 : 1);
  int64_t height = static_cast<int64_t>(cell.height) * (flag ? kComboRowsDropDown : count);
  ui::CreateSpec spec;
  spec.cls = "COMBOBOX";
  spec.style = kComboStyle | (flag ? ui::CBS_DROPDOWN : ui::CBS_SIMPLE);
  spec.x = x;
  spec.y = y;
  spec.width = static_cast<int>(std::clamp<int64_t>(width, 0, area.Width()));
  spec.height = static_cast<int>(std::clamp<int64_t>(height, 0, area.Height()));
  spec.parent = parent;
  spec.id = kIdComboFirst + slot;
  ui::Hwnd h = ui::create_window(spec);
  if (!h) return kComboNone;
  FontApply(h, kFontTable);
  StrListIter add(items, ',');
  for (StrValue item; add.Next(&item);) ui::combo_add(h, StrUnquote(item).View());
  CtlSubclass(h, kSubclassList);
  g_combos[slot] = h;
  return static_cast<uint16_t>(slot);
}

Status ComboDestroy(uint16_t slot) {
  ui::Hwnd h = Live(slot);
  if (!h) return st::BADINPUTDATA;
  g_combos[slot] = 0;
  ui::destroy_window(h);
  return 0;
}

int ComboGetSel(uint16_t slot) {
  ui::Hwnd h = Live(slot);
  return h ? ui::combo_get_sel(h) : -1;
}

Status ComboSetSel(uint16_t slot, int index) {
  ui::Hwnd h = Live(slot);
  if (!h) return st::BADINPUTDATA;
  ui::combo_set_sel(h, index);
  return 0;
}

Status ComboFocus(uint16_t slot) {
  ui::Hwnd h = Live(slot);
  if (!h) return st::BADINPUTDATA;
  ui::set_focus(h);
  return 0;
}

ui::Hwnd ComboHandle(uint16_t slot) { return Live(slot); }

void ComboTableReset() { std::fill(std::begin(g_combos), std::end(g_combos), 0); }
