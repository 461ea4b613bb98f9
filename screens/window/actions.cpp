#include "screens/window/actions.h"

#include <string>

#include "platform/host/env.h"
#include "platform/ui/ui.h"
#include "platform/ui/ui_types.h"
#include "runtime/dynstrings.h"
#include "runtime/fmtdate.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/window/screendef.h"
#include "screens/window/winlist.h"

namespace {

constexpr ActionCode Nav(uint8_t param) { return ActionMake(kActNavigate, param); }

// Virtual key -> key class; every other key is kKeyOther.
struct KeyEntry {
  uint16_t vk;
  uint16_t cls;
};
constexpr KeyEntry kKeyTable[] = {
    {ui::VK_RETURN, kKeyEnter}, {ui::VK_TAB, kKeyTab},     {ui::VK_ESCAPE, kKeyEsc},
    {ui::VK_UP, kKeyUp},        {ui::VK_PRIOR, kKeyPgUp},  {ui::VK_LEFT, kKeyOther},
    {ui::VK_RIGHT, kKeyOther},  {ui::VK_DOWN, kKeyDown},   {ui::VK_NEXT, kKeyPgDn},
    {ui::VK_EF, kKeyEF},
};

constexpr uint16_t kMoveSet[] = {kKeyEnter, kKeyShiftTab, kKeyTab, kKeyF1 + 8, kKeyUp,
                                 kKeyDown,  kKeyPgDn,     kKeyPgUp, kKeyCtrlEnd};
constexpr uint16_t kPageSet[] = {kKeyPgUp, kKeyPgDn};

template <size_t N>
int IndexIn(const uint16_t (&set)[N], uint16_t cls) {
  for (size_t i = 0; i < N; ++i)
    if (set[i] == cls) return static_cast<int>(i);
  return -1;
}

uint16_t MoveBitsOf(uint16_t cls) {
  switch (cls) {
    case kKeyEnter:
    case kKeyTab: return kMoveForward;
    case kKeyEsc: return kMoveEscape;
    case kKeyShiftTab: return kMoveBackward;
    case kKeyUp: return kMoveBackward | kMoveByLine;
    case kKeyPgUp: return kMoveBackward | kMoveByPage;
    case kKeyDown: return kMoveForward | kMoveByLine;
    case kKeyPgDn: return kMoveForward | kMoveByPage;
    case kKeyCtrlEnd: return kMoveToEnd;
    default: return cls >= kKeyF1 && cls <= kKeyF11 ? kMoveFunction : 0;
  }
}

// An id range and the action kind its ids translate to.
struct IdRange {
  uint32_t first, last;
  uint8_t kind;
};
constexpr IdRange kIdRanges[] = {
    {kIdMenuFirst, kIdMenuLast, kActMenuItem},
    {kIdPopupFirst, kIdPopupLast, kActPopupItem},
    {kIdNavFirst, kIdNavLast, kActNavigate},
    {kIdCommandFirst, kIdCommandLast, kActCommand},
    {kIdCommandHigh, kIdCommandHigh + 255, kActCommandHigh},
};

std::string LastComponent(const std::string& dir) {
  size_t end = dir.find_last_not_of("/\\");
  if (end == std::string::npos) return std::string();
  size_t start = dir.find_last_of("/\\", end);
  return dir.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

StrValue ItemNumText(StrValue list, uint32_t n) { return StrTrim(StrListItem(list, ',', n), 3); }

uint16_t ItemU16(StrValue list, uint32_t n) { return static_cast<uint16_t>(StrToInt(ItemNumText(list, n))); }

}  // namespace

const ActionCode KeyActionTable[kKeyMapModes][kKeyClasses] = {
    // mode 0: screens
    {1, 0, 0, 21, 0, 0, 0, 0, 2, 1, 0,
     19, 20, Nav(kNavBls), Nav(kNavNls), Nav(kNavPrn), Nav(kNavFnd), Nav(kNavImp), Nav(kNavDel),
     Nav(kNavIns), Nav(kNavDde), Nav(kNavDde),
     32, Nav(kNavPrv), 0, 0, 0, 0, 31, Nav(kNavNxt), 0, 0, 22},
    // mode 1: lines
    {1, 0, 0, 21, 0, 0, 0, 0, 2, 1, 0,
     19, 20, Nav(kNavMde), 0, Nav(kNavPrn), Nav(kNavFnd), Nav(kNavImp), Nav(kNavDel),
     Nav(kNavIns), Nav(kNavDde), Nav(kNavMde),
     32, Nav(kNavPrv), 0, 0, 0, 0, 31, Nav(kNavNxt), 0, 0, 22},
};

const char kMakerWebAddress[] = "www.fenwold.example";

uint16_t KeyClass(uint16_t vk) {
  if (vk >= ui::VK_F1 && vk <= ui::VK_F11) return static_cast<uint16_t>(kKeyF1 + (vk - ui::VK_F1));
  for (const KeyEntry& e : kKeyTable)
    if (e.vk == vk) return e.cls;
  return kKeyOther;
}

ActionCode CommandToAction(uint32_t id) {
  for (const IdRange& r : kIdRanges) {
    if (id < r.first || id > r.last) continue;
    VarSysIntSet(kSysLastKey, kKeyOther);
    return ActionMake(r.kind, static_cast<uint8_t>(id - r.first));
  }
  if (id == kIdOk || id == kIdOk2) {
    VarSysIntSet(kSysLastKey, kKeyOther);
    return Nav(static_cast<uint8_t>(kNavConfirm + (id - kIdOk)));
  }
  return kNoAction;
}

ActionCode KeyToAction(uint16_t keyClass) {
  int16_t mode = VarSysIntGet(kSysKeyMap);
  if (mode < 0 || mode >= kKeyMapModes || keyClass >= kKeyClasses) return 0;
  return KeyActionTable[mode][keyClass];
}

std::string NavButtonKeyName(ui::Hwnd button) {
  int id = ui::get_ctrl_id(button);
  if (id <= kIdNavFirst || id > kIdNavLast) return std::string();
  ui::Hwnd top = ui::get_top_level(button);
  int mode = VarSysIntGet(kSysKeyMap);
  for (int n = static_cast<int>(ScreenStackIndex(3)) - 1; n >= 0; --n) {
    const WinRecord* r = WinGet(n);
    const ScreenDesc* screen = r && r->window == top ? ScreenGet(r->screen) : nullptr;
    if (screen) {
      mode = screen->keyMap;
      break;
    }
  }
  if (mode < 0 || mode >= kKeyMapModes) return std::string();
  const ActionCode want = Nav(static_cast<uint8_t>(id - kIdNavFirst));
  const bool menuBar = ui::get_menu(top) != 0;
  for (uint16_t cls = 0; cls < kKeyClasses; ++cls) {
    if (KeyActionTable[mode][cls] != want) continue;
    if (cls >= kKeyF1 && cls <= kKeyF11) {
      if (menuBar && cls == kKeyF1 + 9) continue;
      return "F" + std::to_string(cls - kKeyF1 + 1);
    }
    if (cls == kKeyPgUp) return "PgUp";
    if (cls == kKeyPgDn) return "PgDn";
  }
  return std::string();
}

int KeyClassIsMove(uint16_t keyClass) { return IndexIn(kMoveSet, keyClass); }
int KeyClassIsPage(uint16_t keyClass) { return IndexIn(kPageSet, keyClass); }

uint16_t KeyClassMoveBits(uint16_t code) {
  return static_cast<uint16_t>((code & 0xFF00) | MoveBitsOf(code & 0xFF));
}

WinSpec WinSpecParse(StrValue text) {
  WinSpec w;
  if (text.IsError()) return w;
  StrValue first = StrListItem(text, ',', 1);
  uint16_t semi = StrListSepPos(first, ';');
  w.file = StrTrim(StrValue{first.ptr, semi}, 3);
  w.index = StrListRest(first, ';');
  if (w.index.len == 0) w.index = StrCat(first, StrListItem(text, ',', 2));
  w.row = ItemU16(text, 2);
  w.col = ItemU16(text, 3);
  w.height = ItemU16(text, 4);
  w.width = static_cast<uint8_t>(ItemU16(text, 5));
  w.item6 = StrListCount(text, ',') <= 5 ? 0xFFFF : ItemU16(text, 6);
  w.item7 = static_cast<uint8_t>(ItemU16(text, 7));
  w.title = StrListItem(text, ',', 8);
  w.text = StrListItem(text, ',', 9);
  w.number = ItemU16(text, 10);
  return w;
}

StrValue StatusLineText(StrValue text) {
  uint16_t mark = StrAreaMark(-1);
  if (text.IsError() || text.len == 0) text = DynStrGet(SettingsList, SetTitleItem);
  std::string title(text.View().substr(0, 255));
  StrValue today = FmtDate(StrMake("", 0), kDateShort);
  StrValue database = StrUnquote(StrTrim(StrListItem(DynStrGet(SettingsList, SetDatabaseItem), ',', 2), 3));
  std::string dir = LastComponent(HostCurrentDir());
  std::string templ = std::string(" %s  |  %s  |  %s %s |  ") + kMakerWebAddress + "  ";
  return StrAreaReturn(mark, StrFormat(kStrMaxLen, StrFromView(templ), title, today, database, dir));
}

Status StatusLineShow(StrValue text) {
  const StrAreaScope scope;
  StrValue line = StatusLineText(text);
  if (Status e = StrError(line)) return e;
  // The status line is the main window's (an overlapped window without a
  // caption of its own); a captioned window shown over it takes the text as
  // its title.
  ui::Hwnd top = WinTop();
  bool main = top && !(ui::get_style(top) & ui::WS_CAPTION);
  WinSetText(top, main || text.IsError() || text.len == 0 ? line : text);
  return 0;
}
