#include "screens/menucmd.h"

#include <string>
#include <vector>

#include "data/rebuild.h"
#include "data/transsetup.h"
#include "devices/reportlaunch.h"
#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/startup.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/accept.h"
#include "screens/choice.h"
#include "screens/fonts.h"
#include "screens/msgbox.h"
#include "screens/winrecord.h"
#include "script/evaluator.h"
#include "script/macros.h"
#include "script/objparams.h"
#include "script/procedures.h"
#include "script/valtables.h"
#include "script/variables.h"

const char kMenuVerbs[] =
    "Menu,Accept,AcceptRun,MantAux,MantMain,MantAuto,MantMovs,LnManMain,LnNavMain,PrcExec,"
    "Report,Reorg,Copy,FileTrans,Help,Perform,FontSet,WizzSelect,ExpEval";

namespace {

MenuCmdHandler g_handler = nullptr;
MenuItemTask g_itemTask = nullptr;
CloseTask g_closeTask = nullptr;

// Exact (case as written) position of a word in the verb table; 0 when absent.
uint16_t VerbNumber(StrValue word) {
  if (word.IsError() || word.len == 0) return 0;
  uint32_t n = StrListFind(StrFromC(kMenuVerbs), ',', word);
  return n == 0 || n > kVerbExpEval ? 0 : static_cast<uint16_t>(n);
}

// The detail "Process not defined" with the given answer.
Status ProcessNotDefined(Status code) {
  uint16_t m = StrAreaMark(-1);
  ErrDetailSet(code, Msg("0031 Process not defined"), false);
  return StrAreaRelease(m, code);
}

}  // namespace

MenuCommand MenuCmdParse(StrValue line) {
  MenuCommand cmd;
  StrValue text = MacroExpand(line, 1);
  if (text.IsError()) {
    cmd.code = StrError(text);
    return cmd;
  }
  char sep = StrFindCharAt(text, 0, ' ', true) != 65535 ? ' ' : ',';
  uint16_t at = StrFindCharAt(text, 0, sep, true);
  StrValue word = at == 65535 ? text : StrMid(text, 0, at);
  uint16_t verb = VerbNumber(word);
  if (verb == 0) {
    cmd.code = st::BADINPUTDATA;
    cmd.rest = StrMake("", 0);
    return cmd;
  }
  cmd.code = static_cast<uint32_t>(verb) << 16;
  cmd.rest = at == 65535 ? StrMid(text, static_cast<int32_t>(text.len), 0) : StrMid(text, at + 1, 65535);
  return cmd;
}

void MenuCmdHookSet(MenuCmdHandler handler) { g_handler = handler; }
MenuCmdHandler MenuCmdHookGet() { return g_handler; }

Status MenuCmdRun(StrValue line, MenuCmdHandler defaultHandler) {
  if (!g_handler) g_handler = defaultHandler;
  uint16_t m = StrAreaMark(-1);
  MenuCommand cmd = MenuCmdParse(line);
  Status s = g_handler ? g_handler(static_cast<int>(cmd.code), cmd.rest) : st::BADINPUTDATA;
  return StrAreaRelease(m, s);
}

StrValue MenuCmdText(StrValue line, uint16_t verb) {
  if (Status e = StrError(line)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  if (MenuCmdParse(line).Verb() != 0) return StrAreaReturn(m, line);
  StrValue name = StrListItem(StrFromC(kMenuVerbs), ',', verb);
  StrValue text = StrFormat(static_cast<uint32_t>(line.len) + 390, StrFromC("%s %s"), name.View(), line.View());
  return StrAreaReturn(m, text);
}

Status MenuCmdDispatch(int code, StrValue rest) {
  uint16_t verb = static_cast<uint16_t>(static_cast<uint32_t>(code) >> 16);
  if ((code & 0xffff) != 0) verb = 0;
  switch (verb) {
    case kVerbAcceptRun:
      return AcceptCommand(rest, 82);
    case kVerbMantAux:
      return MantAuxCommand(rest);
    case kVerbPrcExec:
      return PrcExec(rest, nullptr);
    case kVerbReport:
      return ReportCommand(rest);
    case kVerbReorg:
      return ReorgCommand(rest);
    case kVerbCopy:
      return CopyCommand(StrToInt(rest));
    case kVerbFileTrans:
      return FileTransCommand(rest);
    case kVerbHelp:
      HelpShow(rest);
      return 0;
    case kVerbFontSet:
      FontSelect();
      return 0;
    case kVerbExpEval:
      return ExpEvalStatus(rest);
    default:
      return ProcessNotDefined(st::BADINPUTDATA);
  }
}

Status PrcExec(StrValue spec, PrcExecCallback callback) {
  if (Status e = StrError(spec)) return e;
  if (StrFindChar(spec, '*', 1) == 65535) return PrcRunSpec(spec);
  uint16_t m = StrAreaMark(-1);
  StrValue pattern = PathJoin(AppPath(2), spec);
  std::vector<std::string> names;
  if (pattern.IsError() || host::List(pattern.View(), &names) != 0 || names.empty()) {
    ProcessNotDefined(st::FILENOTFOUND);
    return StrAreaRelease(m, ErrSet(1, MOD_SCREENS, st::FILENOTFOUND, st::FILENOTFOUND));
  }
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "" : ",") + n;
  Status s = 0;
  while (s == 0) {
    uint16_t lm = StrAreaMark(-1);
    StrValue titles = ParmTitlesOfFiles(StrFromView(list));
    Status cs = 0;
    int choice = WinChoice(Msg("0088 Target File"), titles, 3, &cs);
    if (cs != 0 || choice <= 0) {
      StrAreaMark(lm);
      s = cs;
      break;
    }
    WinChoiceClose();
    StrValue chosen = StrListItem(StrFromView(list), ',', static_cast<uint32_t>(choice));
    s = callback ? callback(chosen) : PrcRunSpec(chosen);
    StrAreaMark(lm);
  }
  return StrAreaRelease(m, s);
}

void MenuAppTasksSet(MenuItemTask itemTask, CloseTask closeTask) {
  g_itemTask = itemTask;
  g_closeTask = closeTask;
}

Status MenuEvent(uint16_t action) {
  uint16_t m = StrAreaMark(-1);
  Status s = 0;
  switch (action & 0xff) {
    case 16: {
      StrValue cmd = StrDup(DynStrGet(MenuCommandsList, action >> 8));
      s = g_itemTask ? g_itemTask(cmd) : st::FEATUREREMOVED;
      if (s == st::FEATUREREMOVED) s = MenuCmdRun(cmd, MenuCmdDispatch);
      break;
    }
    case 17:
      if (ExitConfirm()) s = WinRecordClose(-1);
      break;
    case 19:
      s = HelpShow(StrMake("", 0));
      break;
    default:
      break;
  }
  if (s >= 122) s = ErrShow(s);
  return StrAreaRelease(m, s);
}

int ExitConfirm() {
  uint16_t m = StrAreaMark(-1);
  Status task = g_closeTask ? g_closeTask() : st::FEATUREREMOVED;
  uint32_t screens = task == st::FEATUREREMOVED ? ValTableInfo(4, 0) : task;
  uint32_t windows = task == st::FEATUREREMOVED ? ValTableInfo(5, 0) : task;
  bool openWork = task != st::FEATUREREMOVED && task != 0;
  int answer = 0;
  if (screens > 1 || windows > 1 || openWork) {
    StrValue text = StrFormat(200, Msg("0032 There are windows open (%i Screens, %i Windows)"), screens, windows);
    MsgBox(text, StrMake("", 0), 1);
  } else if (VarSysIntGet(kSysAuxStat) & 32) {
    answer = 1;
  } else {
    StrValue text = StrFormat(400, Msg("0033"), screens, windows);
    answer = MsgAsk(text);
  }
  StrAreaMark(m);
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

Status MenuCmdRunList(StrValue list, uint32_t* index, StrValue stopSet) {
  if (Status e = StrError(list)) return e;
  uint16_t m = StrAreaMark(-1);
  uint32_t start = index && *index > 0 ? *index : 1;
  uint32_t n = 0;
  Status s = 0;
  StrListIter it(list, ',');
  StrValue item;
  while (s == 0 && it.Next(&item)) {
    if (++n < start) continue;
    if (index) *index = n;
    StrValue text = ExpEvalStr(item);
    if (text.IsError()) {
      s = StrError(text);
    } else {
      MenuCommand cmd = MenuCmdParse(text);
      if (cmd.Verb() == 0) {
        s = cmd.Stat() ? cmd.Stat() : st::BADINPUTDATA;
      } else if (!stopSet.IsError() && StrFindChar(stopSet, static_cast<char>(cmd.Verb()), 1) != 65535) {
        s = '|';
      } else {
        s = MenuCmdDispatch(static_cast<int>(cmd.code), cmd.rest);
      }
    }
    StrAreaMark(m);
  }
  return StrAreaRelease(m, s);
}

const char kAppConfigFiles[] =
    "%APPPATH_DATA%\\%APNAME%CLCUSR.%DATABASE_HOST%.%DATABASE_DBNAME%.DAT,%APNAME%CLCUSR.DAT,"
    "%APPPATH_DATA%\\%APNAME%PARINI.DAT,%APNAME%CLCFIX.DAT;1,KXCLCUSR.DAT,%APPPATH_DATA%\\KXCLCUSR.DAT";

Status AppConfigPhase(int phase) {
  if ((phase & 15) != 2) return 0;
  Status s = PrcRunList(StrFromC(kAppConfigFiles));
  if (s == 0) s = ExpEvalStatus(StrFromC("RLV=1"));
  return s;
}

Status PrcRunList(StrValue list) {
  if (Status e = StrError(list)) return e;
  uint16_t m = StrAreaMark(-1);
  StrListIter it(list, ',');
  StrValue item;
  while (it.Next(&item)) {
    uint16_t lm = StrAreaMark(-1);
    StrValue name = StrListItem(item, ';', 1);
    int flags = StrListItemInt(item, ';', 2);
    Status s = name.len ? ExpExecFile(name, flags) : 0;
    StrAreaMark(lm);
    if (s) return StrAreaRelease(m, s);
  }
  return StrAreaRelease(m, LangVarsLoad());
}
