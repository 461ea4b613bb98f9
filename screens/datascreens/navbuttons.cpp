#include "screens/datascreens/navbuttons.h"

#include <algorithm>
#include <vector>

#include "data/store/datafile.h"
#include "data/store/fileaction.h"
#include "runtime/dynstrings.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/datascreens/datascreen.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/geometry.h"
#include "screens/window/screenprops.h"

namespace {

constexpr uint32_t kSetCaptionsItem = 9;  // SettingsList: the buttons' captions
constexpr uint16_t kSymbolColumns = 30;
constexpr char kSymbolCaptions[] = "/ / /,<<,<,>,>>,?,[x],X";
constexpr uint16_t kMaskAllEntry = 0x00FF;  // disabled in states 0-7

struct NavSetDef {
  uint8_t set;
  const char* commands;
  uint16_t masks[8];
};

constexpr NavSetDef kSets[] = {
    {kNavSetMaintenance, "NEW,TOP,PRV,NXT,BOT,FND,SVE,DEL", {0, 0, 0, 0, 0, 0x0004, 0x0FF4, 0}},
    {kNavSetDocument, "NEW,FND,SVE,INS,DEL,IMP,DDE,PRN", {0, 0x0038, 0x0007, 0x002F, 0x002F, 0x002F, 0x0007, 0}},
    {kNavSetLines, "NEW,NLS,BLS,SVE,INS,DEL,IMP,MDE", {0, 0x002F, 0x002F, 0x00FF, 0x002F, 0x002F, 0x0007, 0}},
};

const NavSetDef* SetOf(uint8_t set) {
  for (const NavSetDef& d : kSets)
    if (d.set == set) return &d;
  return nullptr;
}

bool PropEmpty(int n) {
  const StrAreaScope scope;
  StrValue v = ScreenProp(n, 0);
  return v.IsError() || StrTrim(v, 3).len == 0;
}

bool LastStatusEnd() {
  const ScreenDesc s = ScreenCurrent();
  const DataFileCtrlBlock* c = s.dataFile ? DataFileCtrl(s.dataFile) : nullptr;
  return c && c->lastStatus == 2;
}

bool Contains(const std::vector<uint16_t>& list, uint16_t n) {
  return std::find(list.begin(), list.end(), n) != list.end();
}

}  // namespace

StrValue NavSetCommands(uint8_t set) {
  const NavSetDef* d = SetOf(set);
  return StrFromC(d ? d->commands : "");
}

uint16_t NavButtonMask(uint8_t set, int i) {
  const NavSetDef* d = SetOf(set);
  if (!d || i < 1 || i > 8) return 0;
  uint16_t mask = d->masks[i - 1];
  if (set != kNavSetDocument) return mask;
  switch (i) {
    case 2: return PropEmpty(kPropFastFind) ? kMaskAllEntry : mask;  // FND
    case 6: return PropEmpty(kPropLoadImport) ? kMaskAllEntry : mask;  // IMP
    case 8: return PropEmpty(kPropDoc) ? kMaskAllEntry : mask;  // PRN
    case 3:  // SVE
    case 7:  // DDE
      return LastStatusEnd() ? kMaskAllEntry : mask;
    default: return mask;
  }
}

uint8_t KeyFieldState(const ScreenDesc& screen, const WinRecord& record) {
  uint16_t c = record.curField;
  uint8_t noRecord = record.state & kKeyStateNoRecord;
  bool block = screen.linesFirst != 0;
  bool inBlock = block && c >= screen.linesFirst && c <= screen.linesLast;
  uint8_t state = kKeyStateEntry;
  if (c == 0) {
    state = kKeyStateNoField;
  } else if (c < screen.beginField) {
    state = kKeyStateHeader;
  } else if (c == screen.beginField) {
    state = kKeyStateBegin;
  } else if (block && c > screen.linesLast) {
    state = kKeyStateSummary;
  } else if (inBlock) {
    state = kKeyStateLines;
  } else if (Contains(ScreenKeyFieldList(record.keyNum), c)) {
    state = kKeyStateSearch;
  }
  return static_cast<uint8_t>(state + noRecord);
}

bool FieldKeyState(const ScreenDesc& screen, WinRecord& record, uint8_t state) {
  if (state == kKeyStateKeep) state = KeyFieldState(screen, record);
  if ((state == kKeyStateHeader || state == kKeyStateBegin) && record.state == kKeyStateEntry) state = kKeyStateEntry;
  std::vector<uint16_t> allowed;
  bool all = false;
  switch (state) {
    case kKeyStateHeader:
    case kKeyStateBegin:
    case kKeyStateEntry: allowed = NonKeyFieldList(record.keyNum); break;
    case kKeyStateSearch:
      allowed = ScreenKeyFieldList(record.keyNum);
      std::sort(allowed.begin(), allowed.end());
      break;
    case kKeyStateNoRecord:
      if (int first = FieldStep(0, 1); first > 0) allowed.push_back(static_cast<uint16_t>(first));
      break;
    default: all = true; break;
  }
  bool changed = record.state != state;
  record.state = state;
  if (!all && !allowed.empty() && !Contains(allowed, record.curField)) FieldSetCurrent(allowed.front());
  return changed;
}

void NavButtonsEnable(uint8_t state, uint8_t set) {
  const NavSetDef* d = SetOf(set);
  if (!d) return;
  const StrAreaScope scope;
  StrValue commands = StrFromC(d->commands);
  StrValue all = StrFromC(kNavCommands);
  for (int i = 1; i <= 8; ++i) {
    uint16_t mask = NavButtonMask(set, i);
    if (mask == 0) continue;
    int position = NavCmdIndex(StrListItem(commands, ',', static_cast<uint32_t>(i)), all);
    bool off = state < 16 && (mask & (1u << state));
    NavButtonEnable(static_cast<uint16_t>(position), !off);
  }
}

StrValue NavButtonCaptions(uint8_t set) {
  StrValue own = DynStrGet(SettingsList, kSetCaptionsItem);
  if (!own.IsError() && own.len) return own;
  if (set == kNavSetMaintenance)
    return TextWinGeomGet().columns <= kSymbolColumns ? StrFromC(kSymbolCaptions) : Msg("0028");
  return Msg(set == kNavSetLines ? "0030" : "0029");
}

ActionCode MantNextAction(uint8_t before, uint8_t after, ActionCode code) {
  ActionCode next = kNoAction;
  if (after == kKeyStateSearch && code == kActPrevField) {
    next = ActionMake(kActNextKey, 0);
  } else if (after == kKeyStateEntry && before == kKeyStateSearch && code < 256) {
    next = ActionMake(kActKeyTyped, 0);
  } else if (after == kKeyStateNoField || after == (kKeyStateNoField | kKeyStateNoRecord)) {
    next = ActionMake(kActSaveOrNew, 0);
  }
  return next == code ? kNoAction : next;
}
