// Field lists, stepping in edit order and the current field (fieldvalues.h).
#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actionchain.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/screenprops.h"
#include "script/macros.h"

namespace {

bool Visible(const FieldDesc& f) { return !FieldIsHidden(f) && f.editOrder != 0; }

uint16_t OrderOf(const ScreenDesc& s, uint16_t n) {
  return n >= 1 && n <= s.fieldCount ? s.fields[n - 1].editOrder : 0;
}

void FocusControl(const ScreenDesc& s, uint16_t n) {
  ui::Hwnd control = s.fields[n - 1].control;
  if (ui::is_window(control) && ui::get_focus() != control) ui::set_focus(control);
}

}  // namespace

std::vector<uint16_t> FieldList(int flags, int first, int last) {
  std::vector<uint16_t> out;
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s) return out;
  int to = last < 0 ? s->fieldCount : last;
  if (flags & kListEditOrder) {
    for (uint16_t n = 1; n <= s->fieldCount; ++n) {
      const FieldDesc& f = s->fields[n - 1];
      if (Visible(f) && (f.flags & flags) && f.editOrder >= first && f.editOrder <= to) out.push_back(n);
    }
    std::stable_sort(out.begin(), out.end(),
                     [s](uint16_t a, uint16_t b) { return OrderOf(*s, a) < OrderOf(*s, b); });
    return out;
  }
  for (int n = std::max(first, 1); n <= std::min<int>(to, s->fieldCount); ++n)
    if (flags == 0 || (s->fields[n - 1].flags & flags)) out.push_back(static_cast<uint16_t>(n));
  return out;
}

int FieldStep(int field, int step) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s) return -1;
  bool inBlock = s->linesFirst && field >= s->linesFirst && field <= s->linesLast;
  std::vector<uint16_t> all = FieldList(kListEditOrder, 1, -1), candidates;
  for (uint16_t n : all)
    if (!inBlock || (n >= s->linesFirst && n <= s->linesLast)) candidates.push_back(n);
  int pos = -1;
  if (field != 0) {
    auto it = std::find(candidates.begin(), candidates.end(), field);
    if (it == candidates.end()) return -1;
    pos = static_cast<int>(it - candidates.begin());
  }
  int to = pos + step, count = static_cast<int>(candidates.size());
  if (to < 0 || to >= count) {
    if (!inBlock || count == 0) return -1;
    to = step < 0 ? count - 1 : 0;
    VarIntSetBits(kSysScrStat, kScrStatWrapped, true);
  }
  return candidates[static_cast<size_t>(to)];
}

Status FieldSetCurrent(uint16_t n) {
  const ScreenDesc* s = ScreenGet(kCurrentIndex);
  WinRecord* w = WinGet(kCurrentIndex);
  if (!s || !w || n < 1 || n > s->fieldCount) {
    VarSysIntSet(kSysCurEdFld, static_cast<int16_t>(n));
    return 0;
  }
  uint16_t current = w->curField;
  if (current && current != n && OrderOf(*s, n) > OrderOf(*s, current)) {
    if (Status e = ScreenPropCond(kPropAlarm, current)) {
      if (e == st::BADUSERDATA) ScreenAction(kActShowFailure);
      VarSysIntSet(kSysCurEdFld, static_cast<int16_t>(current));
      return e;
    }
  }
  // The handler the check ran may have closed or switched the record.
  w = WinGet(kCurrentIndex);
  s = ScreenGet(kCurrentIndex);
  if (!w || !s || n > s->fieldCount) return 0;
  w->curField = n;
  VarSysIntSet(kSysCurEdFld, static_cast<int16_t>(n));
  FocusControl(*s, n);
  return 0;
}

StrValue FieldExprJoin(StrValue items, int n) {
  uint16_t mark = StrAreaMark(-1);
  StrValue list = MacroExpand(items, 0);
  if (list.IsError()) return StrAreaReturn(mark, list);
  StrValue op = n >= 1 ? StrListItem(StrFromC(kFieldOperators), ',', static_cast<uint32_t>(n)) : StrMake("", 0);
  std::string out;
  uint16_t field = 0;
  bool first = true;
  StrListIter it(list, ',');
  for (StrValue item; it.Next(&item);) {
    if (StrTrim(FieldValue(++field), 2).len == 0) continue;
    if (!first) out.append(op.View());
    first = false;
    out.append(item.View());
    if (out.size() > kStrMaxLen) return StrAreaReturn(mark, StrErr(st::STRINGTOOLONG));
  }
  return StrAreaReturn(mark, StrFromView(out));
}
