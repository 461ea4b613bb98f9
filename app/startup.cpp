#include "app/startup.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/hooks.h"
#include "data/datafile.h"
#include "data/dataui.h"
#include "data/dictionary.h"
#include "data/runstatus.h"
#include "data/selection.h"
#include "data/stgetlist.h"
#include "devices/devstack.h"
#include "devices/serial.h"
#include "platform/host/cmdline.h"
#include "platform/host/env.h"
#include "platform/host/files.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/options.h"
#include "runtime/paths.h"
#include "runtime/seam.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/choice.h"
#include "screens/fieldvalues.h"
#include "screens/fontfile.h"
#include "screens/fonts.h"
#include "screens/help.h"
#include "screens/menubar.h"
#include "screens/menuevent.h"
#include "screens/msgbox.h"
#include "screens/popup.h"
#include "screens/progress.h"
#include "screens/winlist.h"
#include "script/evaluator.h"
#include "script/expfiles.h"
#include "script/objparams.h"
#include "script/procedures.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

// SettingsList items this module reads.
StrValue SettingGet(int item) { return DynStrGet(SettingsList, static_cast<uint32_t>(item)); }

StrValue CurrentDir() {
  std::string dir = HostCurrentDir();
  return dir.empty() ? StrErr(st::DISKIO) : StrFromView(dir);
}

bool StartWantsDictionary(StrValue identity, uint8_t flags) {
  if (flags & kStartLoadDictionary) return true;
  if (!(flags & kStartDictionaryOnNewIdentity)) return false;
  return StrCompare(identity, SettingGet(SetIdentityItem)) != 0;
}

Status StartDictionary(uint8_t flags) {
  ErrDetailSet(0, StrMake("", 0), false);
  ErrClear();
  StrValue code = StrListItem(SettingGet(SetIdentityItem), ':', 1);
  Status r = st::LOADSTRERROR;
  if (code.len >= 2) {
    StrValue prefix = StrMid(code, 0, 2);
    r = DicLoad(SettingGet(SetDefaultDirItem), prefix, StrMake("", 0));
    if (r != 0) {
      // One retry after re-resolving the default directory from DPATH or "..\APPS".
      StartDataPath(2);
      r = DicLoad(SettingGet(SetDefaultDirItem), prefix, StrMake("", 0));
    }
  }
  if ((flags & kStartTolerateDictionary) && (r == st::LOADSTRERROR || r == st::FILENOTFOUND)) r = 0;
  if (r == 0) r = VarFileNumsDefine();
  return r;
}

void StartAbout() {
  int16_t trace = VarSysIntGet(kSysTrace);
  if ((trace & 0x101) == 0x101 && !(trace & 0x10)) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%d", VarSysIntGet(kSysPrecis));
    AboutShow(StrFromC(buf));
  }
}

}  // namespace

int AppMain(void* instance, const AppConstants& app, const char* commandLine) {
  MemConfigure(512, -1);
  MenuCmdHookSet(app.dispatcher);
  ScreenSizeDefault(80, 24);
  FontAdd(24, 12, 400, StrFromC("Lucida Console"));
  FrameworkInitRecord rec{instance, commandLine, StrFromC(app.identity), StrFromC(app.title),
                          app.startFlags, app.phase};
  Status init = FrameworkInit(rec);
  // A failed initialisation ends the program at once with its own result.
  if (init != 0) return init <= 255 ? init : 255;
  Status result = StartMenuRun(StrFromC(app.startMenu));
  // Output devices a procedure left open are closed, newest first, then the
  // serial ports a scanner still holds.
  DevStackCloseAll();
  ComCloseAll();
  // Every data file is closed, its index saved, before the run is marked
  // closed; a file that could not be saved leaves the run open (the next
  // start then offers the recovery) and its error becomes the exit code.
  // Selections and the list built-in's values may be left held by a script;
  // they are given back before the runtime looks for blocks still live.
  SelFreeAll();
  StGetListFree();
  Status closed = DataFileCloseAll();
  if (closed == 0) RunStatusClose();
  else if (result == 0) result = closed;
  return AppExitCode(app.phase, result);
}

int AppMainArgs(int argc, const char* const* argv, const AppConstants& app) {
  std::string line = HostCommandLineBuild(argc, argv);
  return AppMain(nullptr, app, line.c_str());
}

Status FrameworkInit(const FrameworkInitRecord& rec) {
  // A window-system setting that cannot be honoured ends the start before
  // anything is opened.
  if (Status b = AppInstanceInit(rec.instance, nullptr, nullptr)) return AppInstanceReport(b);
  // The data layer asks its questions (recovery) and shows its progress
  // and its message popup through the screens.
  DataUi ui;
  ui.ask = MsgAsk;
  ui.show = ErrShow;
  ui.choose = WinChoiceAndClose;  // the data layer cannot close the window itself
  ui.progressOpen = ProgressOpen;
  ui.progressStep = ProgressStep;
  ui.progressClose = ProgressClose;
  ui.progressPump = ProgressPumpHook;
  ui.progressText = ProgressText;
  ui.popupShow = PopupMsgShow;
  ui.popupClose = PopupMsgClose;
  DataUiSet(ui);
  const char* args[1] = {rec.commandLine};
  Status s = StartInit(kStartWholeCommandLine, args, rec.identity, rec.title, rec.startFlags, rec.phase);
  if (s > 121) ErrShow(s);
  return s;
}

Status StartInit(int count, const char* const* args, StrValue identity, StrValue title,
                 uint8_t flags, PhaseCallback phase) {
  if (Status s = StartCommandLine(count, args)) return s;
  return StartPhases(identity, title, flags, phase);
}

Status StartCommandLine(int count, const char* const* args) {
  LayerHooksRegister();
  if (Status s = VarSysInit()) return s;
  TaskHookSet(&ScreenFieldHook, kHookValue);  // scripts read and assign screen fields by name
  // EXEC$ reaches the procedure runner from the start, not only once a
  // first procedure has been compiled.
  TaskHookSet(&PrcCall, kHookPrcCall);
  const StrAreaScope scope;
  StrValue locale = StrCat(StrCat(StrCat(Msg("0019"), StrMake("\0", 1)), Msg("0117")),
                           StrMake("\0 ", 2));
  Status s = StartSetting(0, locale, true);
  if (s == 0) s = LocaleLoad();
  if (s == 0) {
    StrValue line = count == kStartWholeCommandLine ? StrFromC(args[0]) : OptJoinArgs(count, args);
    s = OptNormalise(line);
  }
  return s;
}

Status StartPhases(StrValue identity, StrValue title, uint8_t flags, PhaseCallback phase) {
  const StrAreaScope scope;
  // A failed phase 1 ends start-up: configuring a program whose application
  // layer could not register itself would only hide the first error.
  Status r = phase ? static_cast<Status>(phase(flags * 16 + 1)) : 0;
  if (r != 0) return r;
  if (SettingGet(SetLanguageItem).len == 0) LangDefault();
  r = StartConfig(identity, title);
  if (r == 0 && StartWantsDictionary(identity, flags)) r = StartDictionary(flags);
  if (r == 0) r = FontLoad();
  if (r == 0) StartAbout();
  if ((r == 0 || r == st::LOADSTRERROR) && phase) r = static_cast<Status>(phase(flags * 16 + 2));
  if (r == 0) {
    ErrDetailSet(0, StrMake("", 0), false);
    ErrClear();
  }
  return r;
}

Status StartConfig(StrValue identity, StrValue title) {
  const StrAreaScope scope;
  int16_t trace = StrToInt(OptValueByName("TRACE"));
  VarSysIntSet(kSysTrace, static_cast<int16_t>(trace | 0x01));
  StrValue apname = OptValueByName("APNAME");
  StrValue id = (!apname.IsError() && apname.len) ? apname : identity;
  StrValue family = StrListItem(SettingGet(SetIdentityItem), ':', 2);
  if (family.len) id = StrCat(StrCat(StrListItem(id, ':', 1), StrChar(':')), family);
  Status s = StartSetting(SetIdentityItem, id, true);
  if (s == 0 && title.len) s = StartSetting(SetTitleItem, title, true);
  if (s == 0) s = StartDataPath(1);
  return s;
}

Status StartDataPath(int mode) {
  const StrAreaScope scope;
  Status s = 0;
  if ((mode & 3) == 1) {
    StrValue run = AppPath(1);
    s = StrError(run);
    if (s == 0) s = StartSetting(SetDefaultDirItem, run, false);
  } else if ((mode & 3) == 2) {
    StrValue dpath = OptValueByName("DPATH");
    StrValue apps = PathResolve(CurrentDir(), StrFromC("..\\APPS"));
    StrValue dir = (!dpath.IsError() && dpath.len) ? dpath : apps;
    s = StrError(dir);
    if (s == 0) s = StartSetting(SetDefaultDirItem, dir, true);
  }
  if (s == 0) {
    StrValue help = AppPath(5);
    s = StrError(help);
    if (s == 0) s = StartSetting(SetHelpDirItem, help, (mode & 3) == 2);
  }
  if (s == 0 && (mode & 8)) {
    StrValue backups = AppPath(6);
    if (!backups.IsError() && !host::Exists(backups.View())) s = PathMakeDirs(backups);
  }
  return s;
}

Status StartSetting(int item, StrValue text, bool force) {
  if (Status e = StrError(text)) return e;
  if (!force && SettingGet(item).len != 0) return 0;
  return DynStrSet(SettingsList, static_cast<uint32_t>(item), text);
}

Status StartMenuRun(StrValue menuFile) {
  Status s = StartRun(menuFile);
  if (s == 0 && WinCount() > 0) s = WinRunModal(0);
  return s;
}

Status StartRun(StrValue menuFile) {
  const StrAreaScope scope;
  StrValue run = OptValueByName("RUN");
  bool hasRun = !run.IsError() && run.len > 0;
  Status s = 0;
  if (menuFile.len == 0 && !hasRun) s = st::BADINPUTDATA;
  if (s == 0) s = StartRunCommandFile();
  if (s == 0 && !hasRun) s = MainWindowOpen(menuFile);
  if (s == 0 && hasRun) {
    VarSysIntSet(kSysScrStat, static_cast<int16_t>(VarSysIntGet(kSysScrStat) | 8));
    s = MenuCmdRun(run, MenuCmdDispatch);
  }
  if (s != 0) ErrShow(s);
  return s;
}

Status StartRunCommandFile() {
  const StrAreaScope scope;
  StrValue input = OptValueByName("INPUT");
  Status s = 0;
  if (!input.IsError() && input.len > 0) {
    uint16_t slot = StreamOpen(input, kStreamReadOnly);
    // A batch that cannot be read has done nothing: that is its result (the
    // reader recorded the code with the file name), never a success.
    if (slot == kStreamNoSlot) {
      s = static_cast<Status>(ErrGet() & 0xFFFF);
      if (s < 128) s = st::FILENOTFOUND;
    } else {
      while (s == 0 && !StreamAtEnd(slot)) {
        VarSysIntSet(kSysInHnd, static_cast<int16_t>(slot));
        const StrAreaScope step;
        StrValue line = StreamReadLine(slot, -1);
        // A blank line is no command: skipping it keeps one empty line from
        // ending the whole batch.
        if (!line.IsError() && StrTrim(line, 3).len > 0) s = MenuCmdRun(line, MenuCmdDispatch);
      }
      StreamClose(slot);
      VarSysIntSet(kSysInHnd, 0);
    }
  }
  StrValue output = OptValueByName("OUTPUT");
  if (!output.IsError() && output.len > 0) VarSysIntSet(kSysOutHnd, 1);
  return s;
}

StrValue InputNextLine() {
  int16_t slot = VarSysIntGet(kSysInHnd);
  if (slot <= 2 || StreamAtEnd(static_cast<uint16_t>(slot))) return StrMake("", 0);
  // A line that cannot be read is its error (146 with the file name when it
  // is longer than the string area's room), never an empty answer that
  // would show the form and shift every later line.
  return StreamReadLine(static_cast<uint16_t>(slot), -1);
}

Status MainWindowOpen(StrValue menuFile) {
  VarSysIntSet(kSysScrStat, static_cast<int16_t>(VarSysIntGet(kSysScrStat) | 2));
  // The bar is built (a faulty menu shows its error now); the window that
  // will carry it is not made yet. A menu name without a menu means a main
  // window without a bar, no failure.
  if (ui::Hmenu bar = MenuLoad(menuFile)) ui::menu_destroy(bar);
  return SeamMissing("MainWindowOpen");
}
