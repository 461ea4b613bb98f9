// The invoicing run's confirmation form: with the confirmation field set,
// each delivery note is shown in the report window (the demo's
// kxInvSel.pdc) over the buttons Cancel, Skip and Confirm, on the headless
// window system in `fail` mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "apps/administration/invoicing.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "screens/window/winlist.h"
#include "support/headless_fixture.h"
#include "tests/administration/adm_fixture.h"

namespace {

// A definition written with visible markers, as the build turns it into
// bytes.
std::string Placeholders(std::string text) {
  for (const char* mark : {"<17>", "<18>", "<19>"}) {
    char byte = static_cast<char>(std::strtol(mark + 1, nullptr, 16));
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark)) text.replace(at, 4, 1, byte);
  }
  return text;
}

class InvSelectTest : public AdmDemoTest {
 protected:
  void SetUp() override {
    AdmDemoTest::SetUp();
    std::ifstream in(kDemoDir + "/pdc/kxInvSel.pdc", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::ofstream(app.dir() + "/kxInvSel.pdc", std::ios::binary) << Placeholders(text.str());
    const char* temp = std::getenv("TEMP");
    if (temp) oldTemp_ = temp;
    setenv("TEMP", app.dir().c_str(), 1);
    hl_ = HeadlessFailMode(reports_);
    WinClassCreate(StrFromC("Orbis"), StrFromC("Main"), ui::WS_OVERLAPPED, 0, 0, 800, 600, 0, nullptr);
    WinShowState(kWinShowNow);
    ASSERT_EQ(AdmApp::Eval("INVASK=1"), 0);
  }
  void TearDown() override {
    EXPECT_TRUE(reports_.empty()) << reports_.front();
    ui::shutdown();
    WinListReset();
    if (oldTemp_.empty()) unsetenv("TEMP");
    else setenv("TEMP", oldTemp_.c_str(), 1);
    AdmDemoTest::TearDown();
  }
  void Script(const std::string& text) {
    std::string error;
    ASSERT_TRUE(hl_->load_script(text, error)) << error;
  }
  bool Shown(const std::string& part) const {
    const auto& t = hl_->transcript();
    return std::any_of(t.begin(), t.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
  std::string Note(int number) {
    for (const std::string& r : AdmApp::Rows(kFNotes, 1, {"NUMBER", "INVOICE"}))
      if (r.rfind("NUMBER=" + std::to_string(number) + ".00 ", 0) == 0) return r;
    return "";
  }

  ui::Headless* hl_ = nullptr;
  std::vector<std::string> reports_;
  std::string oldTemp_;
};

// ACME's notes come first: 105 and 116 in mode 01, then 110 in mode 02.
// Confirm invoices 105, Skip leaves 116, Esc on 110 cancels the run with
// 122; END still runs.
TEST_F(InvSelectTest, ConfirmInvoicesSkipLeavesAndEscCancels) {
  ASSERT_NO_FATAL_FAILURE(Script(
      "wait-top class=Report\nclick \"Confirm\"\n"
      "wait-top class=Report\nclick \"Skip\"\n"
      "wait-top class=Report\nkey Esc\n"));
  EXPECT_EQ(AdmInvoicingRun(), st::USERCANCELED);
  EXPECT_EQ(hl_->steps_left(), 0u);
  EXPECT_EQ(AdmApp::Cents("INVRUNS"), 100);  // END ran
  EXPECT_EQ(Note(105), "NUMBER=105.00 INVOICE=7.00");
  EXPECT_EQ(Note(116), "NUMBER=116.00 INVOICE=0.00");
  EXPECT_EQ(Note(110), "NUMBER=110.00 INVOICE=0.00");
  EXPECT_EQ(AdmApp::Rows(kFInvoices, 1, {"NUMBER", "DELNOTE"}).size(), 2u + 2u + 2u);  // 5, 6 and the new 7
  EXPECT_TRUE(Shown("Invoice this delivery note?"));
  EXPECT_TRUE(Shown("Note       105"));
  EXPECT_TRUE(Shown("Confirm"));
  EXPECT_EQ(DynStrGet(SettingsList, 9).Str(), "");  // the buttons are put back
  EXPECT_EQ(VarSysIntGet(kSysCurFil), kFInvoices);
  ASSERT_EQ(DataFileCloseAll(), 0);
  EXPECT_EQ(app.CheckAll(), "");
}

}  // namespace
