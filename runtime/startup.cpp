#include "runtime/startup.h"

#include "data/runstatus.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/format.h"
#include "runtime/messages.h"
#include "runtime/options.h"
#include "runtime/seam.h"
#include "screens/fonts.h"
#include "screens/mainwin.h"
#include "screens/msgbox.h"
#include "screens/winlist.h"
#include "script/taskhooks.h"
#include "script/variables.h"

namespace {

PhaseCallback g_phase = nullptr;

// SettingsList items this module reads.
StrValue SettingGet(int item) { return DynStrGet(SettingsList, static_cast<uint32_t>(item)); }

}  // namespace

int ExitCodeOf(unsigned finalCode) {
  if (finalCode < 128) return 0;
  return finalCode <= 255 ? static_cast<int>(finalCode) : 255;
}

Status TaskStub(int) { return st::FEATUREREMOVED; }
Status TaskClose(int) {
  ErrDetailSet(0, StrFromC("TaskClose"), false);
  return st::FEATUREREMOVED;
}
Status TaskLowLevel(int) {
  ErrDetailSet(0, StrFromC("TaskLowLevel"), false);
  return st::FEATUREREMOVED;
}

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
  RunStatusClose();
  return AppExitCode(app.phase, result);
}

Status FrameworkInit(const FrameworkInitRecord& rec) {
  AppInstanceInit(rec.instance, nullptr, nullptr);
  const char* args[1] = {rec.commandLine};
  Status s = StartInit(65535, args, rec.identity, rec.title, rec.startFlags, rec.phase);
  if (s > 121) ErrShow(s);
  return s;
}

Status StartInit(int count, const char* const* args, StrValue identity, StrValue title,
                 uint8_t flags, PhaseCallback phase) {
  if (Status s = StartCommandLine(count, args)) return s;
  return StartPhases(identity, title, flags, phase);
}

Status StartCommandLine(int count, const char* const* args) {
  if (Status s = VarSysInit()) return s;
  TaskHookSet(nullptr, 0);  // the screen-field value hook comes with the screens
  uint16_t m = StrAreaMark(-1);
  StrValue locale = StrCat(StrCat(StrCat(Msg("0019"), StrMake("\0", 1)), Msg("0117")),
                           StrMake("\0 ", 2));
  Status s = StartSetting(0, locale, true);
  if (s == 0) s = LocaleLoad();
  if (s == 0) {
    StrValue line = count == 65535 ? StrFromC(args[0]) : OptJoinArgs(count, args);
    s = OptNormalise(line);
  }
  return StrAreaRelease(m, s);
}

Status StartPhases(StrValue identity, StrValue title, uint8_t flags, PhaseCallback phase) {
  g_phase = phase;
  (void)identity;
  (void)title;
  (void)flags;
  return SeamMissing("StartPhases");
}

Status StartConfig(StrValue, StrValue) { return SeamMissing("StartConfig"); }
Status StartDataPath(int) { return SeamMissing("StartDataPath"); }
Status StartSetting(int item, StrValue, bool) {
  SettingGet(item);
  return SeamMissing("StartSetting");
}
Status FontLoad() { return SeamMissing("FontLoad"); }

Status StartMenuRun(StrValue menuFile) {
  Status s = StartRun(menuFile);
  if (s == 0 && WinCount() > 0) s = WinRunModal(nullptr);
  return s;
}

Status StartRun(StrValue menuFile) {
  (void)menuFile;
  Status s = SeamMissing("StartRun");
  ErrShow(s);
  return s;
}

Status StartRunCommandFile() { return SeamMissing("StartRunCommandFile"); }
StrValue InputNextLine() { return StrMake("", 0); }
Status MainWindowOpen(StrValue menuFile) {
  if (!MenuLoad(menuFile)) return ErrSet(1, MOD_SCREENS, st::FEATUREREMOVED, st::FEATUREREMOVED);
  return SeamMissing("MainWindowOpen");
}
