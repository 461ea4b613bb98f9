#include "screens/forms/accept.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/seam.h"
#include "runtime/strformat.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "runtime/sysvars.h"
#include "screens/forms/acceptlist.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/window/controls.h"
#include "screens/datascreens/datascreen.h"
#include "screens/window/fieldvalues.h"
#include "screens/forms/forms.h"
#include "screens/window/geometry.h"
#include "screens/menus/help.h"
#include "screens/datascreens/mantwin.h"
#include "screens/menus/menucmd.h"
#include "screens/forms/msgbox.h"
#include "screens/forms/popup.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "script/evaluator.h"
#include "script/expfiles.h"
#include "script/objparams.h"

namespace {

constexpr uint32_t kSimpleItems = 4;   // fewer items: the simple form
constexpr uint8_t kSimpleMode = 8;     // item 7 asking for the simple form

constexpr int kRefreshSources = kPutFromFile | kPutAssign;  // refresh mode 6
constexpr int kPutEmpty = kPutRaw | kPutSetFile;            // put mode 17
constexpr uint32_t kWinTitleItem = 9;                      // a window command's title

// The built-in field windows: a value typed into the first field is added
// to the total (the second field, out of the tab order), which the form
// answers last; the adding applet then clears the value for the next one.
// The procedure of the first field (the key of its name and "$") does the
// adding, once per value entered; the form remembers its answers, so the
// total runs on from one use to the next.
struct Template {
  std::string_view name;  // as a WINDOWS$ item names it (any case), and its title
  std::string_view command;
};
constexpr Template kTemplates[] = {
    {"Calculator",
     "Accept 'Kgs:':'26','Tot:':'26' /FD$=\"_SUM#,_TOT#\":_SUM#$=_TOT#=_SUM#+_TOT#:NOEDIT$=\"_TOT#\""},
    {"Add_Applet",
     "Accept 'Kgs:':'26':,'Tot:':'26' /_SCRF1#$=_SCRF2#=_SCRF1#+_SCRF2#,_SCRF1#=0:NOEDIT$=\"_SCRF2#\":"
     "WRITE$=\"_clc#=_SCRF2#\""},
};

AcceptDocFn g_docLaunch = nullptr;
int g_auxPushes = 0;  // MantAux pushes not yet taken off

Status Fail(Status code, std::string_view detail) {
  ErrDetailSet(code, StrMake(detail.data(), static_cast<uint32_t>(detail.size())), false);
  return ErrSet(1, MOD_SCREENS, code, code);
}

bool IsSet(StrValue v) { return !v.IsError() && StrTrim(v, 3).len > 0; }

// A form parameter: the current screen's, else the current object
// parameters'.
StrValue FormProp(int n) {
  return ScreenGet(kCurrentIndex) ? ScreenProp(n, kPropWhole) : ScreenDefAttrText(n, kPropWhole);
}

// The exit handler of a slot: the task registered under it now.
template <int N>
Status SlotExit(uint8_t kind) {
  TaskFn task = TaskHookGet(N);
  return task ? ScreenTaskRun(task, kind) : TaskStub(kind);
}

template <size_t... N>
constexpr std::array<ExitHandler, sizeof...(N)> SlotExits(std::index_sequence<N...>) {
  return {&SlotExit<static_cast<int>(N)>...};
}
constexpr auto kSlotExits = SlotExits(std::make_index_sequence<kTaskHooks>());

// The close step of the exits: a window that pushed its open list restores
// it when it closes (a restore without a push would take the caller's).
Status ExitClose(int event, Status status) {
  const WinRecord* r = WinGet(kCurrentIndex);
  int restore = r && (r->flags & kWinOpenedFiles) ? 0x10 : 0;
  return ScreenCloseRestore(event, status, restore);
}

// The built-in form a window item names, or null.
const Template* TemplateOf(StrValue item) {
  std::string_view name = StrTrim(item, 3).View();
  for (const Template& t : kTemplates)
    if (name.size() == t.name.size() &&
        std::equal(name.begin(), name.end(), t.name.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
        }))
      return &t;
  return nullptr;
}

// A field's WINDOWS$ item: a ';' list (quoted in the comma list when its
// commands hold commas).
StrValue FieldWindowSpec(uint16_t field) {
  StrValue spec = ScreenProp(kPropWindows, field);
  if (spec.IsError()) return spec;
  return StrTrim(StrUnquote(StrTrim(spec, 3)), 3);
}

// Its window commands (the condition removed).
StrValue FieldWindows(uint16_t field) {
  StrValue spec = FieldWindowSpec(field);
  return spec.IsError() ? spec : SpecItem(spec, 0);
}

// The help command of field n: "Help" with HELP$ and the field number, after
// a comma when HELP$ is one item, else formatted "00" after it.
std::string HelpCommand(StrValue help, uint16_t field) {
  std::string text = "Help " + std::string(StrTrim(help, 3).View());
  if (StrListCount(help, ',') <= 1) return text + "," + std::to_string(field);
  std::string n = std::to_string(field);
  return text + (n.size() < 2 ? "0" + n : n);
}

// Help of a field: the section of the help file, else an information box
// naming what was asked for.
Status FieldHelpShow(StrValue spec) {
  const StrAreaScope scope;
  ErrorKeeper kept;
  Status s = HelpTextShow(spec);
  kept.Restore();
  if (s == 0) return 0;
  std::string text(Msg("0072").View());
  text += "\r\n";
  text += spec.View();
  InfoBox(Msg("0071"), StrFromView(text));
  return 0;
}

// The input form of an Accept command; its last value goes into the field.
Status FieldAccept(uint16_t field, StrValue list) {
  AcceptResult r = AcceptForm(StrMake("", 0), list);
  if (r.status) return r.status;
  if (r.values.empty()) return 0;
  const StrAreaScope scope;
  StrValue values = StrFromView(r.values);
  StrValue last = StrUnquote(StrTrim(StrListItem(values, ',', StrListCount(values, ',')), 3));
  return FieldPut(kCheckInput, field, last);
}

// A command chosen from the field help menu.
Status FieldCommandRun(uint16_t field, StrValue command) {
  MenuCommand cmd = MenuCmdParse(command);
  if (cmd.Verb() == 0) return cmd.Stat() ? cmd.Stat() : st::BADINPUTDATA;
  if (cmd.Verb() == kVerbAccept) return FieldAccept(field, cmd.rest);
  if (cmd.Verb() == kVerbHelp) return FieldHelpShow(cmd.rest);
  Status s = MantVerbDispatch(field, command, kVerbMantMain);
  return s == 0 ? kFieldCommandDone : s;
}

}  // namespace

AcceptDocFn AcceptDocHookSet(AcceptDocFn fn) {
  AcceptDocFn old = g_docLaunch;
  g_docLaunch = fn;
  return old;
}

// --- Accept windows -------------------------------------------------------------

Status AcceptCommand(StrValue command, int windowMode, int exitSlot) {
  if (Status e = StrError(command)) return e;
  WinSpec spec = WinSpecParse(command);
  if (StrListCount(command, ',') < kSimpleItems || spec.item7 == kSimpleMode)
    return AcceptSpecRun(command, kAcceptHookFromForm);
  Status s = AcceptWinCommand(command, spec.item7 ? spec.item7 : windowMode, exitSlot);
  // The simple form has taken its answer line already; a window is filled
  // from the next one.
  if (s == 0) s = InputFillScreen(WinTop());
  return s;
}

Status AcceptWinCommand(StrValue command, int windowMode, int exitSlot) {
  if (Status e = StrError(command)) return e;
  const StrAreaScope scope;
  // The form's parts, on a geometry of the window's own.
  TextWinGeomSet(kGeomKeep, kGeomKeep, false);
  TextWinGeomSetParts(2, 1, 2, kGeomKeep);
  Status s = MantWinCreate(command, static_cast<uint16_t>(windowMode), 0, ScreenWndProc);
  if (s != 0) {
    TextWinGeomSet(0, 0, false);
    return s;
  }
  int slot = AcceptExitSlot(exitSlot);
  TaskFn task = slot >= 0 && slot < kTaskHooks ? TaskHookGet(slot) : nullptr;
  if (!task) s = Fail(st::BADINPUTDATA, "ACCEPT_PRC%");
  if (s == 0 && slot == kHookExitParmFile) {
    const StrAreaScope inner;
    StrValue file = StrTrim(FormProp(kParmParmFile), 3);
    s = StrError(file);
    if (s == 0 && file.len) s = ExpExecFile(file, 0);
  }
  if (s == 0) {
    ScreenActionSet(AcceptKeyDefault, nullptr, kSlotExits[static_cast<size_t>(slot)]);
    OkButtonAdd(WinTop());
    Status f = FieldsRefresh(kRefreshSources, 1, -1);
    if (f >= st::USERCANCELED) s = f;
  }
  TextWinGeomSet(0, 0, false);
  if (s == 0) {
    WinShowState(kWinShowNow);
    return 0;
  }
  // The window goes with its screen (its relations and open list undone);
  // the error stays the answer.
  ErrorKeeper kept;
  ui::Hwnd window = WinTop();
  DataScreenClose(kCurrentIndex);
  if (ui::is_window(window)) {
    WinDestroy(window);
    if (WinCount() == 0) PumpMessages(0);
  }
  kept.Restore();
  return s;
}

int AcceptExitSlot(int slot) {
  if (slot != kAcceptExitFromForm) return slot;
  const StrAreaScope scope;
  StrValue prc = FormProp(kParmAcceptPrc);
  if (IsSet(prc)) {
    int16_t n = ExpEvalInt(StrTrim(prc, 3));
    if (n != 0) return n;
  }
  const std::pair<int, int> byParameter[] = {{kParmSteps, kHookExitStatSteps},
                                             {kParmPrcName, kHookExitSteps},
                                             {kParmDocName, kHookExitDocument},
                                             {kParmParmFile, kHookExitParmFile}};
  for (const auto& [parm, exitSlot] : byParameter)
    if (IsSet(FormProp(parm))) return exitSlot;
  return kAcceptExitFromForm;
}

// --- Commands of maintenance windows ---------------------------------------------

Status MantVerbDispatch(uint16_t field, StrValue command, uint16_t defaultVerb) {
  if (Status e = StrError(command)) return e;
  const StrAreaScope scope;
  StrValue text = MenuCmdText(StrTrim(command, 3), defaultVerb);
  if (Status e = StrError(text)) return e;
  MenuCommand cmd = MenuCmdParse(text);
  switch (cmd.Verb()) {
    case kVerbAccept:
    case kVerbAcceptRun: {
      if (Status c = ScreenPropCond(kPropAlarm, field)) return c;
      return AcceptCommand(cmd.rest, kAcceptFieldMode, kAcceptExitFromForm);
    }
    case kVerbMantMain: return MantWindow(cmd.rest, kMantFieldMode);
    case kVerbExpEval: return ExpEvalStatus(StrListItem(cmd.rest, ',', 1));
    default: return Fail(st::SINTAXERROR, text.View());
  }
}

Status MantAux(StrValue args) {
  if (Status e = StrError(args)) return e;
  const StrAreaScope scope;
  StrValue first = StrTrim(StrListItem(args, ',', 1), 3);
  int op = first.len ? ExpEvalInt(first) : -1;
  if (op == 0) return ParmFileWrite();
  if (op != 1) return Fail(st::BADINPUTDATA, "MantAux " + args.Str());
  StrValue second = StrTrim(StrListItem(args, ',', 2), 3);
  if (second.len && ExpEvalInt(second) != 0) {
    const ScreenDesc* screen = ScreenGet(kCurrentIndex);
    if (!screen) return Fail(st::SCREENSTRUCTERR, "MantAux");
    if (Status e = DynStrPush(ObjParamsList, StrValue{screen->text, screen->textLen})) return e;
    ++g_auxPushes;
    return 0;
  }
  // Only what such a push left is taken off: the caller's own object
  // parameters stay.
  if (g_auxPushes == 0) return Fail(st::BADINPUTDATA, "MantAux " + args.Str());
  --g_auxPushes;
  return DynStrPop(ObjParamsList);
}

Status ParmFileWrite() {
  const StrAreaScope scope;
  StrValue file = StrTrim(FormProp(kParmParmFile), 3);
  StrValue names = StrTrim(FormProp(kParmParmFileWrite), 3);
  if (Status e = StrError(file) ? StrError(file) : StrError(names)) return e;
  if (file.len == 0 || names.len == 0) return 0;
  return ExpVarsSaveFile(file, names);
}

// --- The exits -------------------------------------------------------------------

Status AcceptParmExit(int event) {
  Status s = 0;
  if (event == kTaskExecute) {
    s = ParmFileWrite();
    if (s == 0) s = kActCloseBit;
  }
  return ExitClose(event, s);
}

Status AcceptDocExit(int event) {
  Status s = 0;
  if (event == kTaskExecute) {
    const StrAreaScope scope;
    StrValue doc = StrTrim(FormProp(kParmDocName), 3);
    s = StrError(doc);
    if (s == 0) s = g_docLaunch ? g_docLaunch(doc) : SeamMissing("ReportLaunch");
    // A launch that failed is shown here and takes the window with it.
    if (s >= st::USERCANCELED) {
      ErrShow(s);
      s = kActCloseBit;
    }
  }
  Status r = ExitClose(event, s);
  return r < 128 ? r & ~0x10 : r;
}

// A task run for a screen (a form's exit, a document window's event) reads
// the screen's definition as the current object parameters, as it reads
// those of a definition file made current (the invoicing run reads its
// events so, the document actions their list).
Status ScreenTaskRun(TaskFn task, int arg) {
  uint32_t before = DynStrCount(ObjParamsList);
  const ScreenDesc* screen = ScreenGet(kCurrentIndex);
  bool pushed = screen && DynStrPush(ObjParamsList, StrValue{screen->text, screen->textLen}) == 0;
  Status s = task(arg);
  if (pushed && DynStrCount(ObjParamsList) > before) DynStrPopTo(ObjParamsList, before);
  return s;
}

Status AcceptStepsExit(int event) {
  Status s = 0;
  if (event == kTaskExecute) {
    const StrAreaScope scope;
    StrValue cond = FormProp(kParmCond);
    StrValue steps = StrTrim(FormProp(kParmSteps), 3);
    s = StrError(cond) ? StrError(cond) : StrError(steps);
    if (s == 0) s = DynStrSet(SystemTextList, kSysLastCondItem, cond);
    if (s == 0 && steps.len) {
      s = MenuCmdRunList(steps, nullptr, StrMake("", 0));
    } else if (s == 0) {
      // A form with a procedure and no steps calls the procedure, as
      // document events do: "entry" or "entry,file".
      StrValue prc = StrTrim(FormProp(kParmPrcName), 3);
      PrcCallFn call = TaskHookGetAs<PrcCallFn>(kHookPrcCall);
      s = StrError(prc);
      if (s == 0 && prc.len)
        s = call ? call(StrTrim(StrListItem(prc, ',', 1), 3), StrTrim(StrListItem(prc, ',', 2), 3), 0)
                 : SeamMissing("PrcCall");
    }
  }
  return ExitClose(event, s);
}

// --- Field windows ---------------------------------------------------------------

Status FieldHelpMenu(void* window, HelpPointFn point) {
  auto* record = static_cast<WinRecord*>(window);
  if (!record) return 0;
  uint16_t field = record->curField;
  VarSysIntSet(kSysCurEdFld, static_cast<int16_t>(field));
  const StrAreaScope scope;
  StrValue help = StrTrim(ScreenProp(kPropHelp, kPropWhole), 3);
  StrValue windows = FieldWindows(field);
  if (Status e = StrError(help) ? StrError(help) : StrError(windows)) return e;
  std::vector<std::string> commands, titles;
  if (help.len) {
    commands.push_back(HelpCommand(help, field));
    titles.emplace_back(Msg("0070").View());
  }
  uint32_t count = StrTrim(windows, 3).len ? StrListCount(windows, ';') : 0;
  for (uint32_t i = 1; i <= count; ++i) {
    const StrAreaScope each;
    StrValue item = StrTrim(StrUnquote(StrTrim(StrListItem(windows, ';', i), 3)), 3);
    const Template* builtin = TemplateOf(item);
    if (builtin) {
      commands.emplace_back(builtin->command);
    } else {
      StrValue text = MenuCmdText(item, kVerbMantMain);
      if (Status e = StrError(text)) return e;
      commands.emplace_back(text.View());
    }
    StrValue title = StrTrim(StrListItem(item, ',', kWinTitleItem), 3);
    if (title.len) {
      titles.emplace_back(title.View());
    } else if (builtin) {
      titles.emplace_back(builtin->name);
    } else {
      StrValue untitled = StrFormat(64, Msg("0073"), std::to_string(i));
      titles.emplace_back(untitled.IsError() ? "" : untitled.View());
    }
  }
  if (commands.empty()) return 0;
  size_t chosen = 0;
  if (commands.size() > 1) {
    std::string items;
    for (const std::string& t : titles) {
      if (!items.empty()) items += ',';
      items += StrQuote(StrFromView(t), '\'').View();
    }
    int n = PopupMenuTrack(record->window, StrFromView(items), point);
    if (n <= 0 || static_cast<size_t>(n) > commands.size()) return 0;
    chosen = static_cast<size_t>(n - 1);
  }
  // A command the user cancelled leaves the field's window as it was: 122
  // would close the window the field is on.
  Status s = FieldCommandRun(field, StrFromView(commands[chosen]));
  return s == st::USERCANCELED ? 0 : s;
}

Status MantFieldCommand(void* window) {
  auto* record = static_cast<WinRecord*>(window);
  if (!record) return Fail(st::SCREENSTRUCTERR, "MantFieldCommand");
  uint16_t field = record->curField;
  const StrAreaScope scope;
  StrValue spec = FieldWindowSpec(field);
  if (Status e = StrError(spec)) return e;
  StrValue cond = SpecItem(spec, -1);
  Status s = cond.len ? CondCheck(cond) : 0;
  if (s == 0) {
    record->pending = field;
    StrValue first = StrTrim(StrUnquote(StrTrim(StrListItem(SpecItem(spec, 0), ';', 1), 3)), 3);
    s = MantVerbDispatch(field, first, kVerbAcceptRun);
    return s < st::USERCANCELED ? kFieldCommandDone : s;
  }
  if (s != st::BADUSERDATA) return s;
  Status e = FieldPut(kPutEmpty, field, StrMake("", 0));
  return e ? e : st::BADUSERDATA;
}
