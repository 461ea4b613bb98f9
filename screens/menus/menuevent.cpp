#include "screens/menus/menuevent.h"

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/strformat.h"
#include "runtime/strutil.h"
#include "runtime/valtables.h"
#include "screens/menus/help.h"
#include "screens/forms/msgbox.h"
#include "screens/window/winlist.h"
#include "screens/window/winrecord.h"
#include "script/variables.h"

namespace {

MenuItemTask g_itemTask = nullptr;
CloseTask g_closeTask = nullptr;

}  // namespace

void MenuAppTasksSet(MenuItemTask itemTask, CloseTask closeTask) {
  g_itemTask = itemTask;
  g_closeTask = closeTask;
}

Status MenuEvent(uint16_t action) {
  const StrAreaScope scope;
  Status s = 0;
  switch (action & 0xff) {
    case kMenuActionItem: {
      StrValue cmd = StrDup(DynStrGet(MenuCommandsList, action >> 8));
      s = g_itemTask ? g_itemTask(cmd) : st::FEATUREREMOVED;
      if (s == st::FEATUREREMOVED) s = MenuCmdRun(cmd, MenuCmdDispatch);
      break;
    }
    case kMenuActionClose:
      if (ExitConfirm()) s = WinRecordClose(-1);
      break;
    case kMenuActionHelp:
      s = HelpShow(StrMake("", 0));
      break;
    default:
      break;
  }
  if (s >= 122) s = ErrShow(s);
  return s;
}

int ExitConfirm() {
  const StrAreaScope scope;
  Status task = g_closeTask ? g_closeTask() : st::FEATUREREMOVED;
  uint32_t screens = task == st::FEATUREREMOVED ? ValTableInfo(4, 0) : task;
  uint32_t windows = task == st::FEATUREREMOVED ? ValTableInfo(5, 0) : task;
  bool openWork = task != st::FEATUREREMOVED && task != 0;
  bool allowed = screens <= 1 && windows <= 1 && !openWork;
  // A close asked by SIGINT or SIGTERM waits for nobody: it goes on only when
  // nothing is left open, and then without a question.
  if (AppCloseSignalled()) return allowed ? 1 : 0;
  int answer = 0;
  if (!allowed) {
    StrValue text = StrFormat(200, Msg("0032 There are windows open (%i Screens, %i Windows)"), screens, windows);
    MsgBox(text, StrMake("", 0), 1);
  } else if (VarSysIntGet(kSysAuxStat) & 32) {
    answer = 1;
  } else {
    StrValue text = StrFormat(400, Msg("0033"), screens, windows);
    answer = MsgAsk(text);
  }
  return answer;
}

int AppExitCode(PhaseCallback callback, Status finalStatus) {
  Status status = finalStatus;
  int phase3 = callback ? callback(3) : 0;
  if (status == 0) status = static_cast<Status>(phase3);
  uint16_t freed = VarsFreeAll();
  if (status == 0) status = freed;
  return ExitCodeOf(status);
}

int ExitCodeOf(unsigned finalCode) {
  if (finalCode < 128) return 0;
  return finalCode <= 255 ? static_cast<int>(finalCode) : 255;
}
