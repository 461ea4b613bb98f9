#include "screens/menus/menucmd.h"

#include "data/store/rebuild.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/seam.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/forms/accept.h"
#include "screens/menus/fontfile.h"
#include "screens/menus/help.h"
#include "screens/menus/prcexec.h"
#include "screens/transactions/transmenu.h"
#include "script/evaluator.h"
#include "script/macros.h"

const char kMenuVerbs[] =
    "Menu,Accept,AcceptRun,MantAux,MantMain,MantAuto,MantMovs,LnManMain,LnNavMain,PrcExec,"
    "Report,Reorg,Copy,FileTrans,Help,Perform,FontSet,WizzSelect,ExpEval";

namespace {

MenuCmdHandler g_handler = nullptr;
MenuVerbFn g_report = nullptr;

// Exact (case as written) position of a word in the verb table; 0 when absent.
uint16_t VerbNumber(StrValue word) {
  if (word.IsError() || word.len == 0) return 0;
  uint32_t n = StrListFind(StrFromC(kMenuVerbs), ',', word);
  return n == 0 || n > kVerbExpEval ? 0 : static_cast<uint16_t>(n);
}

}  // namespace

Status ProcessNotDefined(Status code) { return ProcessNotDefined(code, StrMake("", 0)); }

Status ProcessNotDefined(Status code, StrValue name) {
  const StrAreaScope scope;
  StrValue text = Msg("0031 Process not defined");
  if (!name.IsError() && name.len > 0) text = StrCat(StrCat(text, StrFromC(": ")), name);
  ErrDetailSet(code, text, false);
  return code;
}


MenuCommand MenuCmdParse(StrValue line) {
  MenuCommand cmd;
  StrValue text = MacroExpand(line, 1);
  if (text.IsError()) {
    cmd.code = StrError(text);
    return cmd;
  }
  char sep = StrFindCharAt(text, 0, ' ', true) != kNotFound ? ' ' : ',';
  uint16_t at = StrFindCharAt(text, 0, sep, true);
  StrValue word = at == kNotFound ? text : StrMid(text, 0, at);
  cmd.word = word;
  uint16_t verb = VerbNumber(word);
  if (verb == 0) {
    cmd.code = st::BADINPUTDATA;
    cmd.rest = StrMake("", 0);
    return cmd;
  }
  cmd.code = static_cast<uint32_t>(verb) << 16;
  cmd.rest = at == kNotFound ? StrMid(text, static_cast<int32_t>(text.len), 0) : StrMid(text, at + 1, kStrMaxLen);
  return cmd;
}

void MenuCmdReportSet(MenuVerbFn fn) { g_report = fn; }

void MenuCmdHookSet(MenuCmdHandler handler) { g_handler = handler; }
MenuCmdHandler MenuCmdHookGet() { return g_handler; }

Status MenuCmdRun(StrValue line, MenuCmdHandler defaultHandler) {
  if (!g_handler) g_handler = defaultHandler;
  const StrAreaScope scope;
  MenuCommand cmd = MenuCmdParse(line);
  Status s = g_handler ? g_handler(static_cast<int>(cmd.code), cmd.rest) : st::BADINPUTDATA;
  // A word that is no verb is named in the detail.
  if (s == st::BADINPUTDATA && cmd.Verb() == 0 && cmd.Stat() == st::BADINPUTDATA) ProcessNotDefined(s, cmd.word);
  return s;
}

StrValue MenuCmdText(StrValue line, uint16_t verb) {
  if (Status e = StrError(line)) return StrErr(e);
  uint16_t m = StrAreaMark(-1);
  if (MenuCmdParse(line).Verb() != 0) return StrAreaReturn(m, line);
  StrValue name = StrListItem(StrFromC(kMenuVerbs), ',', verb);
  StrValue text = StrFormat(static_cast<uint32_t>(line.len) + kMenuCmdTextRoom, StrFromC("%s %s"), name.View(), line.View());
  return StrAreaReturn(m, text);
}

Status MenuCmdDispatch(int code, StrValue rest) {
  uint16_t verb = static_cast<uint16_t>(static_cast<uint32_t>(code) >> 16);
  if ((code & 0xffff) != 0) verb = 0;
  switch (verb) {
    case kVerbAcceptRun:
      return AcceptCommand(rest, kAcceptRunWindowMode);
    case kVerbMantAux:
      return MantAux(rest);
    case kVerbPrcExec:
      return PrcExec(rest, nullptr);
    case kVerbReport:
      return g_report ? g_report(rest) : SeamMissing("ReportCommand");
    case kVerbReorg:
      return ReorgCommand(rest);
    case kVerbCopy:
      return CopyCommand(StrToInt(rest));
    case kVerbFileTrans:
      return FileTransCommand(rest);
    case kVerbHelp:
      return HelpShow(rest);
    case kVerbFontSet:
      return FontSelect();
    case kVerbExpEval:
      return ExpEvalStatus(rest);
    default:
      return ProcessNotDefined(st::BADINPUTDATA, verb ? StrListItem(StrFromC(kMenuVerbs), ',', verb) : StrMake("", 0));
  }
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
        if (s == st::BADINPUTDATA) ProcessNotDefined(s, cmd.word);
      } else if (!stopSet.IsError() && StrFindChar(stopSet, static_cast<char>(cmd.Verb()), 1) != kNotFound) {
        s = kMenuListStopped;
      } else {
        s = MenuCmdDispatch(static_cast<int>(cmd.code), cmd.rest);
      }
    }
    StrAreaMark(m);
  }
  return StrAreaRelease(m, s);
}

