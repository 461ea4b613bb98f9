// The document engine, navigation windows: their screen opener and their
// follow-up chooser.
#include <algorithm>
#include <string>

#include "runtime/errors.h"
#include "runtime/fixednum.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/datascreens/datascreen.h"
#include "screens/documents/docinternal.h"
#include "screens/documents/docengine.h"
#include "screens/window/fieldvalues.h"
#include "screens/datascreens/navbuttons.h"
#include "screens/window/screenprops.h"

using namespace docint;

namespace {

constexpr uint16_t kStop = kNoAction;
constexpr ActionCode kCodeNext = ActionMake(kActNavigate, kNavNxt);  // 0x0519
// Follow-up codes of the navigation chooser.
constexpr ActionCode kFollowIndex = 33, kFollowHeader = 34, kFollowLineShow = 35, kFollowSummary = 36,
                     kFollowLineAgain = 37;
// Codes the table tests.
constexpr ActionCode kCodeEnter = kActNextField, kCodeBack = kActPrevField, kCodeDown = kActLineDown,
                     kCodeUp = kActLineUp, kCodeKeyTyped = kActKeyTyped;

bool ScrStat(uint16_t bit) { return VarIntTestBits(kSysScrStat, bit); }

// The next code after the line area was reached or left (state after 4).
ActionCode LineAreaNext(uint8_t before, ActionCode code) {
  if (before == kKeyStateSearch && code != kCodeKeyTyped && code != kFollowLineShow && !ScrStat(kScrStatGridNotify))
    return kCodeKeyTyped;
  if ((before == kKeyStateLines || code == kFollowLineShow) && ScrStat(kScrStatWrapped)) {
    VarIntSetBits(kSysScrStat, kScrStatWrapped, false);
    const ScreenDesc* s = Screen();
    const WinRecord* r = Record();
    bool first = s && r && r->curField == s->linesFirst;
    return first ? kCodeDown : kCodeUp;
  }
  if (code == kCodeEnter || code == kCodeDown) return ScrStat(kScrStatGridNotify) ? kFollowLineAgain : kFollowLineShow;
  if (code == kCodeBack || code == kCodeUp) return kFollowLineAgain;
  if (code == kCodeKeyTyped) return kFollowLineShow;
  return kStop;
}

// The table's answer; kNoAction when no row applies (0xFFFE), so the
// maintenance chooser is asked.
constexpr ActionCode kNoRow = 0xFFFE;

ActionCode TableNext(uint8_t before, uint8_t after, ActionCode code) {
  switch (after) {
    case kKeyStateHeader: return before == kKeyStateBegin ? kFollowHeader : kNoRow;
    case kKeyStateBegin: return before != kKeyStateBegin ? kFollowIndex : kNoRow;
    case kKeyStateSearch: return before == kKeyStateBegin ? kFollowHeader : kNoRow;
    case kKeyStateEntry:
      if (before != kKeyStateSearch) return kNoRow;
      if (code == kCodeNext) return kStop;
      return code != kCodeKeyTyped ? kCodeKeyTyped : kNoRow;
    case kKeyStateLines: return LineAreaNext(before, code);
    case kKeyStateSummary: return before == kKeyStateLines ? kFollowSummary : kNoRow;
    default: return kNoRow;
  }
}

}  // namespace

uint16_t NavNextAction(uint8_t before, uint8_t after, uint16_t code) {
  ActionCode next = TableNext(before, after, code);
  if (next == kNoRow) {
    next = MantNextAction(before, after, code);
    if (next == ActionMake(kActNextKey, 0)) next = kStop;
  }
  return next == code ? kStop : next;
}

Status NavScreenOpen(StrValue spec) {
  if (Status e = StrError(spec)) return e;
  Status s = DataScreenOpen(spec, kDataModeOpenFiles);
  if (s != 0) return s;
  {
    const StrAreaScope scope;
    StrValue max = StrTrim(ScreenProp(kPropMaxLin, 0), 3);
    int64_t lines = max.IsError() || max.len == 0 ? 0 : StrToLong(max);
    if (lines <= 0) lines = kGridDefaultRows;
    if (lines > 65535) s = Fail(st::DATAOUTBOUND, "NavScreenOpen: MAXLIN% " + std::to_string(lines));
    else VarSysIntSet(kSysLMax, static_cast<int16_t>(static_cast<uint16_t>(lines)));
  }
  if (s == 0) {
    Status r = FieldsRefresh(kPutRaw | kPutSetFile, 1, -1);
    if (r >= st::USERCANCELED) s = r;
  }
  if (s >= st::USERCANCELED) {
    DataScreenClose(kCurrentIndex);
    return s;
  }
  return 0;
}
