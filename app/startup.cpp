#include "app/startup.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/hooks.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/runstatus.h"
#include "data/scans/selection.h"
#include "data/scans/stgetlist.h"
#include "devices/devstack.h"
#include "devices/serial.h"
#include "platform/host/cmdline.h"
#include "platform/host/env.h"
#include "platform/host/files.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/hostenv.h"
#include "runtime/messages.h"
#include "runtime/options.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/forms/choice.h"
#include "screens/window/fieldctl.h"
#include "screens/menus/fontfile.h"
#include "screens/window/fonttable.h"
#include "screens/menus/help.h"
#include "screens/menus/menubar.h"
#include "screens/menus/menuevent.h"
#include "screens/forms/msgbox.h"
#include "screens/menus/picture.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "screens/window/winlist.h"
#include "script/evaluator.h"
#include "script/expfiles.h"
#include "script/objparams.h"
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

// The line of the INPUT file read last, by the batch or by a form's answer.
uint32_t g_inputLine = 0;

// The error detail of a failed batch line ends with the file and the line.
void BatchLineNamed(StrValue file) {
  std::string detail(ErrDetail().View());
  if (!detail.empty()) detail += ' ';
  detail.append("(").append(file.View()).append(" line ").append(std::to_string(g_inputLine)).append(")");
  ErrDetailSet(0, StrFromView(detail), false);
}

Status StartFail(Status code, const char* detail) {
  ErrSet(1, MOD_SCREENS, code, code);
  return ErrDetailSet(code, StrFromC(detail), false);
}

// The background picture: the program's own bitmap, else the picture file
// of the default directory (of one exact size), else 174 naming the file.
Status StartBackPicture(ui::Hwnd main) {
  constexpr char kLogoFile[] = "logo_partner.bmp";
  if (BackPictureResource(main) != st::BADINPUTDATA) return 0;
  const StrAreaScope scope;
  if (BackPictureFile(main, AppPathJoin(StrFromC(kLogoFile), APPPATH_DEFAULT), kBackPictureFileSize) !=
      st::BADINPUTDATA)
    return 0;
  return StartFail(st::USERCHECKFAIL, kLogoFile);
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
  ui::set_bitmap_resources(app.bitmaps, app.bitmapCount);
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
  // Every call that goes up the layers is in place before anything runs;
  // EXEC$ thus reaches the procedure runner before a first compile.
  LayerHooksRegister();
  if (Status s = VarSysInit()) return s;
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
    // A DPATH given names the application's folder: it is the default
    // directory from the start, not only when the dictionary is missing
    // from the program's own folder (the menus, screens, procedures and the
    // screen font are looked up there too).
    StrValue dpath = OptValueByName("DPATH");
    bool given = !dpath.IsError() && dpath.len;
    // The program then works in that folder, wherever it was started: data
    // files, procedures and outputs named without a folder are DPATH's, as
    // they would be when started in it. Paths on the command line keep
    // their meaning for the folder it was started in (OptPathByName).
    if (given) {
      OptCallerDirRemember();
      if (!OptPathIsAbsolute(dpath.View())) dpath = PathJoin(CurrentDir(), dpath);
    }
    StrValue dir = given ? dpath : AppPath(1);
    s = StrError(dir);
    if (s == 0) s = StartSetting(SetDefaultDirItem, dir, false);
    if (s == 0 && given) DirChange(SettingGet(SetDefaultDirItem));
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
  ErrShownReset();
  Status s = StartRun(menuFile);
  if (s == 0 && WinCount() > 0) s = WinRunModal(0);
  // A /RUN command's exit code is its final status, whatever the verb: one
  // that showed an error (a form's task that failed, a report that could
  // not run) and then ended as if nothing happened ended with that error.
  if (s == 0) {
    const StrAreaScope scope;
    StrValue run = OptValueByName("RUN");
    if (!run.IsError() && run.len > 0) s = ErrShownLast();
  }
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
  StrValue input = OptPathByName("INPUT");
  Status s = 0;
  if (!input.IsError() && input.len > 0) {
    uint16_t slot = StreamOpen(input, kStreamReadOnly);
    // A batch that cannot be read has done nothing: that is its result (the
    // reader recorded the code with the file name), never a success.
    if (slot == kStreamNoSlot) {
      s = static_cast<Status>(ErrGet() & 0xFFFF);
      if (s < 128) s = st::FILENOTFOUND;
    } else {
      g_inputLine = 0;
      while (s == 0 && !StreamAtEnd(slot)) {
        VarSysIntSet(kSysInHnd, static_cast<int16_t>(slot));
        const StrAreaScope step;
        ++g_inputLine;
        StrValue line = StreamReadLine(slot, -1);
        // A line that cannot be read (146 with the file name when it is
        // longer than the string area's room) ends the batch as its error.
        if (line.IsError()) s = StrError(line);
        // A blank line is no command: skipping it keeps one empty line from
        // ending the whole batch.
        else if (StrTrim(line, 3).len > 0) s = MenuCmdRun(line, MenuCmdDispatch);
        if (s != 0) BatchLineNamed(input);
      }
      StreamClose(slot);
      VarSysIntSet(kSysInHnd, 0);
    }
  }
  StrValue output = OptPathByName("OUTPUT");
  if (!output.IsError() && output.len > 0) VarSysIntSet(kSysOutHnd, 1);
  return s;
}

StrValue InputNextLine() {
  int16_t slot = VarSysIntGet(kSysInHnd);
  if (slot <= 2 || StreamAtEnd(static_cast<uint16_t>(slot))) return StrMake("", 0);
  ++g_inputLine;
  // A line that cannot be read is its error (146 with the file name when it
  // is longer than the string area's room), never an empty answer that
  // would show the form and shift every later line.
  return StreamReadLine(static_cast<uint16_t>(slot), -1);
}

Status MainWindowOpen(StrValue menuFile) {
  const StrAreaScope scope;
  VarSysIntSet(kSysScrStat, static_cast<int16_t>(VarSysIntGet(kSysScrStat) | 2));
  // A menu name without a menu gives a main window without a bar.
  ui::Hmenu bar = MenuLoad(menuFile);
  ui::Hwnd main = WinCreateKind(kWinKindMain, 0, StatusLineText(StrMake("", 0)), 0, -1, -1, MainWndProc, bar);
  if (!main) {
    if (bar) ui::menu_destroy(bar);
    return StartFail(st::WINCONTROLERROR, "MainWindowOpen");
  }
  WinSpec spec = WinSpecParse(menuFile);
  Status s = ScreenCreate(spec.file, spec.file, spec.row, 0, StrMake("", 0));
  bool opened = s == 0;
  // Shown (maximised) first, so the picture takes the whole client area.
  if (s == 0) WinShowState(kWinShowNow);
  if (s == 0) s = StartBackPicture(main);
  if (s == 0) {
    ScreenActionSet(MenuEvent, nullptr, nullptr);
    return 0;
  }
  // Nothing of a main window that could not be made whole stays behind: no
  // record, no window, and no quit message its destruction posted.
  if (opened) WinRecordClose(WinSelect(kCurrentIndex));
  if (ui::is_window(main)) WinDestroy(main);
  if (WinCount() == 0) PumpMessages(0);
  return s;
}
