// The accounting layer's points of contact: phases 1 and 2, the menu
// dispatcher, the file kinds and field names, the opening date.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "apps/accounting/labels.h"
#include "apps/accounting/layer.h"
#include "apps/accounting/tasks.h"
#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/runstatus.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "screens/forms/accept.h"
#include "screens/menus/menucmd.h"
#include "screens/window/winlist.h"
#include "script/arrays.h"
#include "script/builtins.h"
#include "script/evaluator.h"
#include "script/statements.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

namespace {

StrValue Sv(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

// A runtime of the accounting program in a private current directory (the
// run status file lies there) whose sibling "data" is the data directory.
class LayerTest : public RuntimeTest {
 protected:
  TempDir root;
  std::string app, data;
  char old[4096] = {};

  void SetUp() override {
    RuntimeTest::SetUp();
    TaskHooksReset();
    ASSERT_EQ(VarSysInit(), 0);
    app = root.File("app");
    data = root.File("data");
    std::filesystem::create_directories(app);
    std::filesystem::create_directories(data);
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(app.c_str()), 0);
    RunStatusReset();
    Set(SetIdentityItem, "COVCQT24:Orbisquale");
    Set(SetDefaultDirItem, app);
  }
  void TearDown() override {
    ExecHandlersReset();
    RunStatusReset();
    // The menu actions open windows; closing the last one posts a quit, which
    // a later test's progress poll would take as the user's cancel.
    ui::shutdown();
    WinListReset();
    EXPECT_EQ(chdir(old), 0);
    TaskHooksReset();
    RuntimeTest::TearDown();
  }
  static void Set(uint16_t item, const std::string& v) { ASSERT_EQ(DynStrSet(SettingsList, item, Sv(v)), 0); }
  void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  static int64_t Num(const char* text) { return ExpEvalNum(StrFromC(text)); }
  bool StatusFileExists() const { return std::filesystem::exists(app + "/COFSTAT.DAT"); }
  static int Verb(MenuVerb v) { return static_cast<int>(static_cast<uint32_t>(v) << 16); }
};

// Phase 1 registers the task hooks of the program's table, makes the label
// array and registers the statement handlers; other phases do nothing.
TEST_F(LayerTest, PhaseOneRegistersTheTasks) {
  ASSERT_EQ(AcAppCallback(2 * 16 + 1), 0);
  struct Row {
    int id;
    TaskFn fn;
  } rows[] = {{4, AcceptParmExit}, {5, AcceptDocExit},        {6, AcceptStepsExit},     {10, AcCloseYear},
              {11, AcUncloseYear}, {12, AcTaskRunProcedure}, {13, AcRegistryOperDev}, {14, AcRegistryOperDev},
              {15, AcTaskRenumber}, {16, AcTaskBalanceMaint}, {17, AcTaskEntryWindow}, {23, TaskLowLevel}};
  for (const Row& r : rows) EXPECT_EQ(TaskHookGet(r.id), r.fn) << r.id;
  EXPECT_EQ(TaskHookGetAs<FieldHelpFn>(kHookFieldHelp), FieldHelpMenu);
  EXPECT_NE(TaskHookGet(7), nullptr);
  EXPECT_EQ(TaskHookGet(8), nullptr);
  EXPECT_NE(ArrLookup(StrFromC("_#(")), nullptr);
  EXPECT_EQ(ExecHandlerFind(0), ExecRunDevices);
  EXPECT_EQ(ExecHandlerFind(5), ExecRunUtils);
  // The procedure task runs: without a screen naming the procedure it says so.
  EXPECT_EQ(TaskHookRun(12, kTaskExecute), st::BADINPUTDATA);
  EXPECT_EQ(ErrDetail().Str(), "WINDOWS$");
  EXPECT_EQ(AcAppCallback(3), 0);
}

// Phase 2 registers the built-ins (the list built-in first), sets the help
// directory, runs the configuration files (the fixed one must exist, later
// files override earlier ones, the parameter file of the data directory
// included), sets RLV and marks the run open.
TEST_F(LayerTest, PhaseTwoRunsTheConfigurationAndMarksTheRunOpen) {
  Write(app + "/KXCLCUSR.DAT", "b=2\r\n");
  Write(data + "/COPARINI.DAT", "FAPE$='20240101'\r\nb=3\r\n");
  EXPECT_EQ(AcAppCallback(2 * 16 + 2), st::FILENOTFOUND);  // no COCLCFIX.DAT
  EXPECT_FALSE(StatusFileExists());
  Write(app + "/COCLCFIX.DAT", "a=1\r\nb=1\r\n");
  EXPECT_EQ(AcAppCallback(2 * 16 + 2), 0) << ErrText(-1).Str();
  EXPECT_EQ(Num("a*100+b*10+RLV"), 12100);
  EXPECT_EQ(ExpEvalStr(StrFromC("FAPE$")).Str(), "20240101");
  std::ifstream status(app + "/COFSTAT.DAT");
  EXPECT_EQ(status.get(), '1');
  const char* names[] = {"StGetList",    "AcFitEntry",     "AcFullBalance", "AcGetAccount$",
                         "AcGetBalance", "AcGetEntry",     "AcGetEntryNum", "AcGetPerAcum",
                         "AcGetPAccount$", "AcBLabel",     "Import",        "PayDate$"};
  for (uint16_t i = 0; i < std::size(names); ++i)
    EXPECT_EQ(BuiltinCode(StrFromC(names[i])), kBiFirstExt + i) << names[i];
  std::string help = app + "\\Help";
  std::replace(help.begin(), help.end(), '/', '\\');
  EXPECT_EQ(DynStrGet(SettingsList, SetHelpDirItem).Str(), help);
}

// A configuration file that fails answers its error; the run is not marked.
TEST_F(LayerTest, PhaseTwoStopsAtAFailingFile) {
  Write(app + "/COCLCFIX.DAT", "a=1\r\nb=(1\r\n");
  EXPECT_EQ(AcAppCallback(2 * 16 + 2), st::LOOPFAILURE);
  EXPECT_FALSE(StatusFileExists());
}

// Every command first asks the run status file: a file changed behind the
// program's back answers 139 and the verb does not run. Then verb 8 does
// nothing, 5 opens the maintenance window, 9 the navigation window, the
// others go to the framework's verbs.
TEST_F(LayerTest, MenuActionChecksTheRunStatusFirst) {
  Write(app + "/COCLCFIX.DAT", "x=0\r\n");
  ASSERT_EQ(AcAppCallback(2), 0) << ErrText(-1).Str();
  EXPECT_EQ(AcMenuAction(Verb(kVerbLnManMain), StrFromC("")), 0);
  // The maintenance window looks for the screen's layout.
  EXPECT_EQ(AcMenuAction(Verb(kVerbMantMain), StrFromC("ACCOUNTS")), st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().Str(), "ACCOUNTS.PAN");
  ErrClear();
  ErrClear();
  // So does the navigation window.
  EXPECT_EQ(AcMenuAction(Verb(kVerbLnNavMain), StrFromC("ENTRIES")), st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().Str(), "ENTRIES.PAN");
  EXPECT_EQ(AcMenuAction(Verb(kVerbExpEval), StrFromC("x=7")), 0);
  EXPECT_EQ(Num("x"), 700);
  auto file = std::filesystem::path(app) / "COFSTAT.DAT";
  std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(5));
  EXPECT_EQ(AcMenuAction(Verb(kVerbLnManMain), StrFromC("")), st::NETACCESERROR);
  EXPECT_EQ(AcMenuAction(Verb(kVerbExpEval), StrFromC("x=9")), st::NETACCESERROR);
  EXPECT_EQ(Num("x"), 700);
}

TEST_F(LayerTest, FileKindsAndFieldNames) {
  const int want[] = {3, 6, 7, 8, 9, 10};
  for (int kind = 0; kind < 6; ++kind) EXPECT_EQ(AcFileNum(kind), want[kind]);
  EXPECT_EQ(AcFileNum(0x0204), 0x0209);
  EXPECT_EQ(AcFileNum(6), 0);
  const char* names[] = {"", "CODE", "CUR_PASSIVE", "CUR_ASSETS", "DATE", "ENTRY", "TYPE", "PASS_ACC",
                         "ASSET_ACC", "AMOUNT", "ACC.", "DATE", "P_EXPIRED", "A_EXPIRED", "ACC_ID{%s}",
                         "CHK#(PASS_ACC{}>'0';-DSC1#;DSC1#)", "ACCOUNT.%s{3}",
                         "'.,CODE{6}, ,SUBACC{6},_,SUBACC{6}'", ""};
  for (int n = 0; n <= 18; ++n) EXPECT_EQ(AcFieldName(n).Str(), names[n]) << n;
  EXPECT_EQ(AcFieldPlainName(kAcAccId), "ACC_ID");
}

// A dictionary without a field of message 1020 answers the field-reference
// error naming field and file.
TEST_F(LayerTest, MissingFieldNamesFieldAndFile) {
  std::ifstream in(std::string(KX_SOURCE_DIR) + "/apps/accounting/demo/CODICC.DAT", std::ios::binary);
  std::string dic((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t at = dic.find("08 CODE  010 ACODE");
  ASSERT_NE(at, std::string::npos);
  dic.replace(at, 18, "08 CODE  010 ACODX");
  Write(app + "/CODICC.DAT", dic);
  ASSERT_EQ(DicLoad(Sv(app), StrFromC("CO"), Sv(app)), 0) << ErrText(-1).Str();
  EXPECT_EQ(AcAccountCodeWidth(), 0);
  EXPECT_EQ(ErrGet() & 0xffff, st::SINTAXERROR);
  EXPECT_EQ(ErrDetail().Str(), "Field:CODE{8}");
  AcAmounts a = AcAccountBalance("57", 20240101, 20241231, "", kAcIdAll);
  EXPECT_EQ(a.status, st::SINTAXERROR);
}

// The opening date goes into the parameter file of the data directory,
// which is read again.
TEST_F(LayerTest, OpeningDateIsSavedAndReloaded) {
  Write(data + "/COPARINI.DAT", "KEEP$='x'\r\nFAPE$='20230101'\r\n");
  ASSERT_EQ(AcSaveOpeningDate(StrFromC("20250101")), 0) << ErrText(-1).Str();
  EXPECT_EQ(ExpEvalStr(StrFromC("FAPE$")).Str(), "20250101");
  std::ifstream in(data + "/COPARINI.DAT");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(all.find("FAPE$='20250101'"), std::string::npos) << all;
  EXPECT_NE(all.find("KEEP$='x'"), std::string::npos) << all;
  EXPECT_EQ(all.find("20230101"), std::string::npos) << all;
}

}  // namespace
