// Start-up and shutdown: the spine of both programs.
//
// AppMain runs the whole life of a program: runtime creation, the command
// line, phase 1 of the application, configuration, the dictionary, the
// screen font, phase 2, the INPUT command file, the RUN option's command or
// the main window with its message loop, the close of every data file (its
// index saved) before the run is marked closed, and the shutdown with the
// exit code
// (0 when the final code is below 128, else the code; 255 when it does not fit
// in 8 bits). The two programs differ only in the AppConstants they pass.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/ui/ui.h"
#include "runtime/status.h"
#include "runtime/strvalue.h"
#include "screens/menus/menucmd.h"

// StartFlags bits.
constexpr uint8_t kStartLoadDictionary = 2;
constexpr uint8_t kStartTolerateDictionary = 4;
constexpr uint8_t kStartDictionaryOnNewIdentity = 8;

struct AppConstants {
  const char* identity;   // application code, ":" and the family word
  const char* title;      // window title
  const char* startMenu;  // start menu file name
  uint8_t startFlags;
  PhaseCallback phase;        // the application's phase callback
  MenuCmdHandler dispatcher;  // the application's menu-command dispatcher
  // The program's compiled-in pictures (app/resources.h); none when null.
  const ui::BitmapResource* bitmaps = nullptr;
  size_t bitmapCount = 0;
};

struct FrameworkInitRecord {
  void* instance;
  const char* commandLine;
  StrValue identity;
  StrValue title;
  uint8_t startFlags;
  PhaseCallback phase;
};

// The program entry: answers the process exit code.
int AppMain(void* instance, const AppConstants& app, const char* commandLine);
// The Linux entry: rebuilds the Windows-style command line from argv, then
// runs AppMain.
int AppMainArgs(int argc, const char* const* argv, const AppConstants& app);
Status FrameworkInit(const FrameworkInitRecord& rec);
// StartInit's count when args[0] is the whole command line.
constexpr int kStartWholeCommandLine = 65535;
Status StartInit(int count, const char* const* args, StrValue identity, StrValue title,
                 uint8_t flags, PhaseCallback phase);
Status StartCommandLine(int count, const char* const* args);
Status StartPhases(StrValue identity, StrValue title, uint8_t flags, PhaseCallback phase);
Status StartConfig(StrValue identity, StrValue title);
Status StartDataPath(int mode);
Status StartSetting(int item, StrValue text, bool force);
Status StartMenuRun(StrValue menuFile);
Status StartRun(StrValue menuFile);
Status StartRunCommandFile();
StrValue InputNextLine();
Status MainWindowOpen(StrValue menuFile);
