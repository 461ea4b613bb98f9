#include "screens/window/winrecord.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "data/dictionary/dictionary.h"
#include "data/dictionary/relations.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "runtime/valtables.h"
#include "screens/window/actions.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/window/layout.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "script/evaluator.h"
#include "script/objparams.h"

namespace {

constexpr int kDefinitionKind = 1;  // tagged lines of the definition file
constexpr uint16_t kScrStatCleared = 0xF8;  // `_SCRSTAT` bits 8-128, cleared at creation
constexpr uint16_t kScrStatCreation = 0x07; // bits 1, 2, 4: cleared when the screen is made

Status StructFail(const char* where) {
  ErrDetailSet(st::SCREENSTRUCTERR, StrFromC(where), false);
  return ErrSet(1, MOD_SCREENS, st::SCREENSTRUCTERR, st::SCREENSTRUCTERR);
}

uint16_t RecordCount() { return ScreenStackIndex(3); }

void MakeCurrent(uint16_t record) {
  WinStackSetCurrent(record);
  const WinRecord* r = WinGet(record);
  if (!r) return;
  ScreenStackSetCurrent(r->screen);
  if (const ScreenDesc* s = ScreenGet(r->screen)) VarSysIntSet(kSysKeyMap, s->keyMap);
}

// Destroys a window: its procedure (WinBaseProc) takes it off WinList and
// posts the quit of the main loop after the last. A window whose procedure
// does not end there is taken off the list here.
void WindowDrop(ui::Hwnd window) {
  if (!window || !ui::is_window(window)) return;
  ui::destroy_window(window);
  if (WinSlotFind(window) < kWinSlots && WinUnregister(window)) PostQuit(window);
}

Status CloseWithWindow(int n) {
  const WinRecord* r = WinGet(n);
  if (!r) return StructFail("WinRecordClose");
  ui::Hwnd window = r->window;
  if (const ScreenDesc* s = ScreenGet(r->screen)) RelUnwind(s->dataFile, s->relLevel);
  Status e = WinClose(n);
  WindowDrop(window);
  return e;
}

// A number item of SCREENSIZE$: absent reads as `absent`.
int32_t SizeItem(StrValue value, uint32_t n, int32_t absent) {
  if (n > StrListCount(value, ',')) return absent;
  StrValue item = StrTrim(StrListItem(value, ',', n), 3);
  return item.len ? StrToInt(item) : absent;
}

uint16_t InRange(int32_t v, int32_t low, int32_t high) {
  return v >= low && v <= high ? static_cast<uint16_t>(v) : kGeomKeep;
}

bool LabelPart(StrValue line, uint32_t from, uint16_t* out) {
  uint16_t v = 0;
  for (uint32_t i = from; i < from + 2; ++i) {
    if (line.ptr[i] < '0' || line.ptr[i] > '9') return false;
    v = static_cast<uint16_t>(v * 10 + (line.ptr[i] - '0'));
  }
  *out = v;
  return true;
}

// Makes the screen from its files; on success it is the current screen.
Status ScreenMake(StrValue layoutName, StrValue screenName, int tag, uint16_t fileAndFlags, uint16_t scrStat) {
  Status pushed = ParmStrPushOrEmpty(FileTypeName(layoutName, 1), kDefinitionKind, tag);
  if (pushed != 0) return pushed;
  bool defined = DynStrTop(ObjParamsList).len > 0;
  ScreenSizeApply(kGeomKeep, kGeomKeep);
  std::vector<FieldDesc> fields(kScreenMaxFields);
  LayoutResult layout = FieldLayoutLoad(layoutName, tag, defined ? kLayoutMissingOk : 0, fields.data(),
                                        kScreenMaxFields, ScreenLayoutLine);
  Status s = layout.status >= 128 ? layout.status : 0;
  if (s == 0) {
    ScreenDesc d;
    d.dataFile = static_cast<uint8_t>(fileAndFlags & 0xFF);
    d.docFlags = static_cast<uint8_t>((fileAndFlags >> 8) & 0x0F);
    d.createFlags = static_cast<uint8_t>(scrStat & 0xFF);
    s = ScreenDefParse(d, fields.data(), layout.fields, screenName);
  }
  ParmStrPop();
  return s;
}

}  // namespace

Status WinOpen(WinRecord& record) {
  uint16_t screen = ScreenStackIndex(0);
  ScreenDesc* s = ScreenGet(kCurrentIndex);
  if (!s) return StructFail("WinOpen");
  int16_t key = 0;
  {
    const StrAreaScope scope;
    StrValue index = StrTrim(ScreenAttrFind(kPropIndex, 0, StrValue{s->text, s->textLen}), 3);
    if (!index.IsError() && index.len) key = ExpEvalInt(index);
  }
  uint32_t recLen = s->dataFile ? DicRecLen(s->dataFile) : 0;
  uint32_t size = 2u * s->totalWidth + 2u * recLen;
  auto* buffer = static_cast<unsigned char*>(MemAlloc(MOD_SCREENS, std::max<uint32_t>(size, 1)));
  if (!buffer) return ErrSet(1, MOD_SCREENS, st::OUTOFMEMORY, st::OUTOFMEMORY);
  std::memset(buffer, ' ', size);
  record.screen = screen;
  record.dataFile = s->dataFile;
  record.keyNum = static_cast<uint16_t>(key > 0 ? key : 1);
  record.reserved = 0xFFFF;
  record.buffer = buffer;
  record.bufferLen = size;
  record.values = buffer;
  record.saved = buffer + s->totalWidth;
  record.image = recLen ? buffer + 2u * s->totalWidth : nullptr;
  record.savedImage = recLen ? record.image + recLen : nullptr;
  uint16_t count = RecordCount();
  if (Status e = ValTableSet(VtWindows, count, &record, sizeof(WinRecord))) {
    MemFree(MOD_SCREENS, buffer);
    return e;
  }
  WinStackSetCurrent(count);
  return 0;
}

Status WinOpenCurrent() {
  WinRecord r;
  CellSize cell = FontCellSize();
  r.window = WinTop();
  r.cellHeight = static_cast<uint16_t>(cell.height);
  r.cellWidth = static_cast<uint16_t>(cell.width);
  return WinOpen(r);
}

int WinSelect(int n) {
  uint16_t cur = ScreenStackIndex(2);
  if (n == kCurrentIndex) return cur == 0xFFFF ? 0 : cur;
  if (n < 0 || n >= RecordCount() || n == cur) return cur == 0xFFFF ? 0 : cur;
  if (WinRecord* left = WinGet(kCurrentIndex); left && !(left->flags & kWinHandlersLocked) && left->image) {
    StrValue images = RecBuf(left->dataFile, kRecBoth);
    uint32_t room = left->bufferLen - static_cast<uint32_t>(left->image - left->buffer);
    if (!images.IsError()) std::memcpy(left->image, images.ptr, std::min<uint32_t>(images.len, room));
  }
  MakeCurrent(static_cast<uint16_t>(n));
  return n;
}

Status WinClose(int n) {
  uint16_t cur = ScreenStackIndex(2);
  uint16_t count = RecordCount();
  uint32_t at = n == kCurrentIndex ? cur : static_cast<uint32_t>(n);
  if (cur == 0xFFFF || n < kCurrentIndex || at >= count) return StructFail("WinClose");
  WinRecord closed = *WinGet(static_cast<int>(at));
  if (closed.buffer) MemFree(MOD_SCREENS, closed.buffer);
  if (Status e = ValTableDelete(VtWindows, at)) return e;
  --count;
  if (at < cur) --cur;  // the current record moved down one place
  if (cur >= count && count > 0) cur = static_cast<uint16_t>(count - 1);
  WinStackSetCurrent(cur);

  Status answer = 0;
  ScreenDesc* s = ScreenGet(closed.screen);
  if (!s) {
    answer = StructFail("WinClose");
  } else if (s->useCount <= 1) {
    answer = ScreenRemove(closed.screen);
  } else {
    --s->useCount;
  }
  if (count > 0) MakeCurrent(cur);
  TextWinGeomSet(0, 0, false);
  return answer;
}

Status WinRecordClose(int n) {
  if (n != kCurrentIndex) return CloseWithWindow(n);
  Status first = 0;
  for (int i = RecordCount() - 1; i >= 0; --i) {
    Status e = CloseWithWindow(i);
    if (first == 0) first = e;
  }
  return first;
}

Status SelectionPush(StrValue text) {
  if (text.IsError() || text.len == 0) return 0;
  return DynStrPush(SelectionList, text);
}

Status SelectionApply(uint16_t n) {
  if (DynStrCount(SelectionList) == 0) return 0;
  const StrAreaScope scope;
  StrValue element = StrDup(DynStrTop(SelectionList));
  DynStrPop(SelectionList);
  StrValue value = ExpEvalStr(StrListItem(element, ':', 1));
  if (Status e = StrError(value)) return e;
  if (Status e = FieldPut(kCheckInput, n, value)) return e;
  std::string names(StrListItem(element, ':', 2).View());
  std::replace(names.begin(), names.end(), ';', ',');
  return FieldsFetchPut(kCheckRefresh, FieldNumList(StrFromView(names)));
}

void ScreenSizeApply(uint16_t defaultCols, uint16_t defaultRows) {
  const StrAreaScope scope;
  StrValue value = ScreenDefAttrText(kPropScreenSize, 0);
  if (value.IsError()) value = StrMake("", 0);
  TextWinGeomSet(kGeomKeep, kGeomKeep, false);  // the screen's own geometry, not the default
  int32_t cols = SizeItem(value, 1, 0), rows = SizeItem(value, 2, 0);
  if (cols != 0 || rows != 0) {
    uint16_t c = cols == 0 ? defaultCols : InRange(cols, 1, 255);
    uint16_t r = rows == 0 ? defaultRows : InRange(rows, 1, 255);
    TextWinGeomSet(c, r, false);
  }
  if (StrListCount(value, ',') > 2) {
    uint16_t parts[4];
    for (uint32_t i = 0; i < 4; ++i) parts[i] = InRange(SizeItem(value, i + 3, -1), 0, 255);
    TextWinGeomSetParts(parts[0], parts[1], parts[2], parts[3]);
  }
}

uint16_t ScreenLayoutLine(int flag, StrValue line) {
  if (flag != 0 || line.IsError()) return 0;
  uint16_t row = 0, col = 0;
  if (line.len < 6 || !LabelPart(line, 1, &row) || !LabelPart(line, 3, &col) || row == 0 || col == 0) {
    const StrAreaScope scope;
    LogError(StrCat(StrFromC("Layout line skipped: "), line), 1);
    return 0;
  }
  StrValue text{line.ptr + 5, static_cast<uint16_t>(line.len - 5)};
  constexpr char kStatusMark[] = "<?>";
  if (row == 1 && col == 1 && text.View().starts_with(kStatusMark)) {
    StrValue rest{text.ptr + 3, static_cast<uint16_t>(text.len - 3)};
    return StatusLineShow(rest) == 0 ? 0 : 0xFFFF;
  }
  return LabelShow(row, col, text);
}

Status ScreenCreate(StrValue layoutName, StrValue screenName, int tag, uint16_t fileAndFlags, StrValue selection) {
  const StrAreaScope scope;
  VarIntSetBits(kSysScrStat, kScrStatCleared, false);
  uint16_t scrStat = static_cast<uint16_t>(VarSysIntGet(kSysScrStat));
  uint16_t found = ScreenFind(screenName);
  Status s = 0;
  if (found == 0xFFFF) {
    s = ScreenMake(layoutName, screenName, tag, fileAndFlags, scrStat);
  } else {
    FieldLayoutLoad(layoutName, tag, kLayoutMissingOk, nullptr, 0, ScreenLayoutLine);
    ScreenStackSetCurrent(found);
  }
  if (s == 0) {
    ScreenDesc* screen = ScreenGet(kCurrentIndex);
    ++screen->useCount;
    s = WinOpenCurrent();
    if (s != 0 && --screen->useCount == 0) ScreenRemove(ScreenStackIndex(0));
    if (s == 0) s = SelectionPush(selection);
  }
  VarIntSetBits(kSysScrStat, kScrStatCreation, false);
  return s;
}
