#include "screens/menus/menubar.h"

#include <string>
#include <vector>

#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/paths.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/menus/menutree.h"
#include "screens/forms/msgbox.h"
#include "script/objparams.h"

namespace {

// A menu being filled: the bar (level -1) or a popup opened by a line of
// `level`, with the caption it will hang under.
struct OpenMenu {
  ui::Hmenu menu = 0;
  int level = -1;
  std::string caption;
};

struct BarBuild {
  std::vector<OpenMenu> open;
  int level = 0;  // the level of the line being read
  int nextId = kMenuFirstId;
  Status error = 0;  // the first error; ends the build
  bool capped = false;
};

Status Record(Status code, StrValue detail) {
  ErrDetailSet(code, detail, false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

// The caption of a line: up to the first comma outside quotes, one pair of
// quotes removed.
StrValue Caption(StrValue text) { return StrUnquote(StrTrim(StrListItem(text, ',', 1), 3)); }

// Hangs the innermost open popup under its caption in the menu below it.
void CloseOne(BarBuild& b) {
  OpenMenu done = b.open.back();
  b.open.pop_back();
  const StrAreaScope scope;
  StrValue caption = StrFromView(done.caption);
  if (MenuAppend(b.open.back().menu, 0, done.menu, caption, StrMake("", 0)) != 0) {
    ui::menu_destroy(done.menu);
    if (b.error == 0) b.error = Record(st::WINCONTROLERROR, caption);
  }
}

void CommandItem(BarBuild& b, StrValue caption, StrValue command, StrValue menuName) {
  if (b.nextId - kMenuFirstId >= kMenuMaxCommands) {
    // The menu event carries the item number in 8 bits: a later item would
    // run an earlier one's command.
    if (!b.capped) Record(st::DATAOUTBOUND, StrListItem(menuName, ',', 1));
    b.capped = true;
    return;
  }
  Status s = MenuAppend(b.open.back().menu, b.nextId, 0, caption, command);
  if (s == 0) ++b.nextId;
  else b.error = s == 0xFFFF ? Record(st::WINCONTROLERROR, caption) : s;
}

void Item(BarBuild& b, const MenuFileStep& step, StrValue menuName) {
  b.level += step.levelStep;
  while (b.open.size() > 1 && b.open.back().level >= b.level) CloseOne(b);
  if (b.error) return;
  StrValue caption = Caption(step.item.text);
  if (step.item.commandFlag) {
    CommandItem(b, caption, StrTrim(StrListRest(step.item.text, ','), 3), menuName);
  } else {
    ui::Hmenu popup = ui::menu_create_popup();
    b.open.push_back(OpenMenu{popup, b.level, std::string(caption.View())});
  }
}

}  // namespace

Status MenuAppend(ui::Hmenu menu, int id, ui::Hmenu popup, StrValue caption, StrValue command) {
  if (caption.IsError()) caption = StrMake("", 0);
  if (popup) return ui::menu_append_popup(menu, popup, caption.View()) ? 0 : 0xFFFF;
  if (!ui::is_menu(menu)) return 0xFFFF;
  Status s = DynStrSet(MenuCommandsList, static_cast<uint32_t>(id - kMenuFirstId),
                       command.IsError() ? StrMake("", 0) : command);
  if (s != 0) return s;
  return ui::menu_append_item(menu, id, caption.View()) ? 0 : 0xFFFF;
}

ui::Hmenu MenuBarBuild(StrValue menuName, MenuSourceOpen open, MenuItemRead first, MenuItemRead next) {
  const StrAreaScope scope;
  if (open) {
    Status s = open(menuName);
    if (s != 0) {
      if (s > 121 && s != 0xFFFF) ErrShow(s);
      return 0;
    }
  }
  BarBuild b;
  b.open.push_back(OpenMenu{ui::menu_create_bar(), -1, {}});
  DynStrClear(MenuCommandsList);
  uint16_t mark = StrAreaMark(-1);
  for (MenuFileStep step = first(); step.end != -1 && b.error == 0; step = next()) {
    Item(b, step, menuName);
    StrAreaMark(mark);  // the item's text is done with
    if (b.error == 0 && StrAreaRoom(kMenuAreaRoom) != 0) b.error = Record(st::OUTOFMEMORY, StrListItem(menuName, ',', 1));
  }
  while (b.open.size() > 1) CloseOne(b);
  // A build that stopped early leaves no lines behind for the next load.
  if (b.error) MenuReaderDrain();
  Status shown = b.error ? b.error : b.capped ? st::DATAOUTBOUND : 0;
  if (shown > 121) ErrShow(shown);
  return b.open.front().menu;
}

ui::Hmenu MenuLoad(StrValue menuName) {
  const StrAreaScope scope;
  StrValue name = StrTrim(StrListItem(menuName, ',', 1), 3);
  if (name.len > 0) {
    StrValue dirs = StrDup(DynStrGet(SettingsList, SetDefaultDirItem));
    if (FileSearch(dirs, FileTypeName(name, 9)).len > 0)
      return MenuBarBuild(menuName, MenuFileOpen, MenuFileItem, MenuFileNext);
    if (FileSearch(dirs, FileTypeName(name, 1)).len > 0)
      return MenuBarBuild(menuName, MenuFileCallback, MenuFileItem, MenuFileNext);
  }
  if (MenuReaderQueued() > 0) return MenuBarBuild(menuName, nullptr, MenuFileItem, MenuFileNext);
  return 0;
}
