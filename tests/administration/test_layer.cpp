#include <gtest/gtest.h>

#include "apps/administration/docactions.h"
#include "apps/administration/filewin.h"
#include "apps/administration/invoicing.h"
#include "apps/administration/layer.h"
#include "screens/forms/accept.h"
#include "screens/transactions/jobsteps.h"
#include "screens/menus/menucmd.h"
#include "screens/grids/payschedule.h"
#include "script/builtins.h"
#include "script/handlers.h"
#include "tests/administration/adm_fixture.h"

namespace {

class LayerTest : public AdmDemoTest {
 protected:
  bool Builtins() const override { return false; }
  void Config(const std::string& name, const std::string& text) {
    std::ofstream(app.dir() + "/" + name, std::ios::binary) << text;
  }
  static std::string Detail() { return ErrDetail().Str(); }
  TempDir again;  // for a second start
};

// Phase 1 sets the task hooks: the invoicing run as 10, the statistics
// steps as 7, and for the work of later Parts seams that answer 148 with
// their names.
TEST_F(LayerTest, PhaseOneRegistersTheTaskHooks) {
  ASSERT_EQ(AdmAppCallback(2 * 16 + 1), 0);
  EXPECT_EQ(TaskHookGet(10), TaskFn(AdmTaskInvoicing));
  EXPECT_EQ(TaskHookGet(7), TaskFn(JobStepsHook));
  EXPECT_EQ(TaskHookGet(4), TaskFn(AcceptParmExit));
  EXPECT_EQ(TaskHookGet(5), TaskFn(AcceptDocExit));
  EXPECT_EQ(TaskHookGet(6), TaskFn(AcceptStepsExit));
  EXPECT_EQ(TaskHookGet(8), TaskFn(MovsKeySelectAction));
  EXPECT_EQ(TaskHookGet(11), TaskFn(PaymentsTask));
  EXPECT_EQ(TaskHookGet(12), TaskFn(AdmTaskDocActions));
  struct Seam {
    int id;
    const char* name;
  } seams[] = {{23, "TaskLowLevel"}};
  for (const Seam& s : seams) {
    ErrClear();
    EXPECT_EQ(TaskHookRun(s.id, kTaskExecute), st::FEATUREREMOVED) << s.id;
    EXPECT_EQ(Detail(), s.name);
  }
  EXPECT_NE(TaskHookGetAs<FieldHelpFn>(kHookFieldHelp), nullptr);
  EXPECT_NE(BuiltinCode(StrFromC("StatMove")), 0);
  EXPECT_NE(ExecHandlerFind(0), nullptr);  // the statement handlers
}

// Phase 2 registers the built-ins in their order, sets the help directory,
// runs the configuration files (the fixed one must exist) and RLV=1; a
// failure ends it at once.
TEST_F(LayerTest, PhaseTwoBuiltinsHelpAndConfiguration) {
  EXPECT_EQ(AdmAppCallback(2 * 16 + 2), st::FILENOTFOUND);
  EXPECT_EQ(AdmApp::Cents("RLV"), 0);
  app.Stop();
  ASSERT_NO_FATAL_FAILURE(app.Start(again.path(), AdmDemoSpec{}, "", false));
  Config("GACLCFIX.DAT", "A=1\r\nB=1\r\n");
  Config("KXCLCUSR.DAT", "B=2\r\n");
  ASSERT_EQ(AdmAppCallback(2 * 16 + 2), 0) << Detail();
  EXPECT_EQ(AdmApp::Cents("A*100+B*10+RLV"), 12100);
  const char* names[] = {"VATv", "VAT$", "AUTONUM", "DocSer$", "FN$TXTN", "PayDate$", "Iban$", "Mod"};
  uint16_t first = BuiltinCode(StrFromC(names[0]));
  ASSERT_GE(first, kBiFirstExt);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(BuiltinCode(StrFromC(names[i])), first + i) << names[i];
  // The built-ins themselves, not seams.
  struct Call {
    const char* expr;
    const char* value;
  } calls[] = {
      {"VATv(VAT$('';21;100);1;1)", "100"},
      {"FN#SLEN(VAT$('';'21,10'))", "32"},
      {"AUTONUM('T')", "1"},
      {"DocSer$('A';'20250314')", "A25"},
      {"FN$TXTN(21)", "veintiuno"},
      {"Iban$('ES';'2100';'0418';'';'0200051332')", "ES91,2100,0418,45,0200051332"},
      {"Mod('ES')", "70"},
      {"PayDate$('20240115';30;0;0;1)", "20240215"},
  };
  for (const Call& c : calls) EXPECT_EQ(AdmApp::Str(c.expr), c.value) << c.expr << " " << Detail();
  std::string help = DynStrGet(SettingsList, SetHelpDirItem).Str();
  EXPECT_EQ(help.substr(help.size() - 5), "\\Help");
  EXPECT_EQ(AdmAppCallback(3), 0);
  EXPECT_EQ(AdmAppCallback(0x13), 0);  // phase 3 again: deleting twice is harmless
}

// The dispatcher: first the run status check, then verb 5 opens the
// maintenance window in mode 'V', verb 8 the "File Maintenance" window,
// others go to the framework's verbs.
TEST_F(LayerTest, MenuActionsByVerb) {
  EXPECT_EQ(kAdmMantMode, 86);
  Config("GACLCFIX.DAT", "Z=1\r\n");
  ASSERT_EQ(AdmAppCallback(2 * 16 + 2), 0) << Detail();
  // The maintenance window looks for the screen's layout.
  EXPECT_EQ(AdmMenuAction(kVerbMantMain << 16, Sv("CUSTOMERS")), st::FILENOTFOUND);
  EXPECT_EQ(Detail(), "CUSTOMERS.PAN");
  ErrClear();
  EXPECT_EQ(AdmMenuAction(kVerbLnManMain << 16, Sv("NOTES")), st::FILENOTFOUND);
  EXPECT_EQ(Detail(), "NOTES.PAN");
  MenuCommand c = MenuCmdParse(Sv("ExpEval Z=5"));
  EXPECT_EQ(AdmMenuAction(static_cast<int>(c.code), c.rest), 0);
  EXPECT_EQ(AdmApp::Cents("Z"), 500);
  // Another program writes the run status file: no command runs.
  std::string status = app.dir() + "/GAFSTAT.DAT";
  auto before = std::filesystem::last_write_time(status);
  std::ofstream(status, std::ios::binary) << "1";
  std::filesystem::last_write_time(status, before + std::chrono::seconds(1));
  MenuCommand again = MenuCmdParse(Sv("ExpEval Z=7"));
  EXPECT_EQ(AdmMenuAction(static_cast<int>(again.code), again.rest), st::NETACCESERROR);
  EXPECT_EQ(AdmApp::Cents("Z"), 500);
}

}  // namespace
