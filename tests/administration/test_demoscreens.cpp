// The demo's bank-details and invoice screens, opened headless from their
// files over the demo's records, and the expressions they carry: the bank
// account completed by Iban$ (an empty answer refuses it), the invoice's
// total in words under the catalogue's label.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/messages.h"
#include "runtime/strlist.h"
#include "runtime/strutil.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/datascreens/mantwin.h"
#include "screens/menus/menucmd.h"
#include "screens/window/screenprops.h"
#include "screens/window/winlist.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "tests/administration/adm_ui_fixture.h"

namespace {

class DemoScreenTest : public AdmUiTest {
 protected:
  void SetUp() override {
    AdmUiTest::SetUp();
    for (const char* f : {"GABANK.PPN", "GABANK.PAN", "GAINV.PPN", "GAINV.PAN", "GALANGVARS.DAT", "KX_LANG_ES.MSJ"})
      std::filesystem::copy_file(kDemoDir + "/" + f, app.dir() + "/" + f);
  }
  // Opens the screen over its file; the names of its fields by number.
  std::vector<std::string> Open(const char* screen, int file) {
    window = WinCreateKind(kWinKindMant, 0, StrFromC(screen), 0, 0, 0, nullptr);
    EXPECT_NE(window, 0u);
    EXPECT_EQ(ScreenCreate(StrFromC(screen), StrFromC(screen), 1, static_cast<uint16_t>(file), Sv("")), 0)
        << ErrDetail().Str();
    EXPECT_EQ(ScreenSetWin(0), 0);
    EXPECT_EQ(WinCurrent().dataFile, file);
    std::vector<std::string> names;
    for (int n = 1; n <= ScreenCurrent().fieldCount; ++n) {
      std::string name = StrListItem(ScreenProp(kPropFd, 0), ',', static_cast<uint32_t>(n)).Str();
      FieldDesc f = FieldGet(n);
      names.push_back(name + (f.keyFile ? "{" + std::to_string(f.keyFile) + "." + std::to_string(f.keyField) + "}" : "") +
                      (f.editOrder ? "" : " ro"));
    }
    return names;
  }
  void Close() {
    EXPECT_EQ(WinRecordClose(kCurrentIndex), 0);
    EXPECT_FALSE(ui::is_window(window));
  }
  static std::string S(const std::string& text) { return AdmApp::Str(text); }

  ui::Hwnd window = 0;
};

// The account's check refuses what Iban$ answers empty for (an empty
// account passes, changing nothing). Leaving the account puts it into the
// customer's BANK field as the IBAN without its commas, shown below it; a
// refused one leaves BANK as it was.
TEST_F(DemoScreenTest, BankDetailsCheckedAndCompletedByIban) {
  EXPECT_EQ(Open("GABANK", kFCustomers),
            (std::vector<std::string>{"CODE{1.1}", "NAME{1.2} ro", "_BKPFX$", "_BKENT$", "_BKOFI$", "_BKDC$", "_BKACC$",
                                      "BANK{1.5} ro"}));
  ASSERT_EQ(DataFileReadKey(kFCustomers, 1, Sv("ACME"), 2), 0);
  ASSERT_EQ(FieldsRefresh(kCheckRefresh | kPutFromFile, 1, -1), 0) << ErrDetail().Str();
  EXPECT_EQ(FieldValue(2).Str().substr(0, 13), "Acme Supplies");
  EXPECT_EQ(FieldValue(8).Str(), "ES9121000418450200051332");
  struct Case {
    std::vector<const char*> parts;  // prefix, entity, office, control, account, as typed
    bool holds;
    const char* bank;                // BANK afterwards
  } cases[] = {
      {{"ES", "2100", "0813", "", "0123456789"}, true, "ES7921000813610123456789"},
      {{"ES00", "2100", "0418", "", "0200051332"}, false, "ES7921000813610123456789"},
      {{"ES", "2100", "0418", "44", "0200051332"}, false, "ES7921000813610123456789"},
      {{"ES", "21O0", "0418", "", "0200051332"}, false, "ES7921000813610123456789"},
      {{"ES91", "2100", "418", "45", "200051332"}, true, "ES9121000418450200051332"},
      {{"", "", "", "", ""}, true, "ES9121000418450200051332"},
      {{"", "2100", "0813", "", "0123456789"}, true, "ES7921000813610123456789"},
  };
  for (const Case& c : cases) {
    std::string id = std::string(c.parts[0]) + "/" + c.parts[1] + "/" + c.parts[2] + "/" + c.parts[3] + "/" + c.parts[4];
    for (uint16_t n = 3; n <= 7; ++n)
      ASSERT_LT(FieldPut(n == 7 ? kCheckInput : kCheckInput & ~kPutPerform, n, StrFromC(c.parts[n - 3])), 128) << id;
    EXPECT_EQ(ScreenPropCond(kPropAlarm, 7), c.holds ? 0 : st::BADUSERDATA) << id;
    EXPECT_EQ(FieldValue(8).Str(), std::string(c.bank) + std::string(24 - std::strlen(c.bank), ' ')) << id;
    EXPECT_EQ(S("FN$TRIM(BANK{1})"), c.bank) << id;
  }
  Close();
}

// The menu's verb 5 as the layer runs it: the maintenance window in mode 'V'.
Status MantMainDispatch(int code, StrValue rest) {
  if ((static_cast<uint32_t>(code) >> 16) == kVerbMantMain && (code & 0xFFFF) == 0) return MantWindow(rest, 86);
  return MenuCmdDispatch(code, rest);
}

// The customers through the menu's line "MantMain GACUST": the next record,
// its name changed and saved, the next one deleted, the window closed. The
// file holds exactly that and passes the checker.
TEST_F(DemoScreenTest, CustomersMaintainedThroughTheMenuLine) {
  std::filesystem::copy_file(kDemoDir + "/GACUST.PPN", app.dir() + "/GACUST.PPN");
  std::filesystem::copy_file(kDemoDir + "/GACUST.PAN", app.dir() + "/GACUST.PAN");
  WinProcReset();
  CtlSubclassHookSet(CtlSubclass);
  MenuCmdHandler before = MenuCmdHookGet();
  MenuCmdHookSet(MantMainDispatch);
  ui::Headless* hl = ui::headless();
  ASSERT_EQ(MenuCmdRun(Sv("MantMain GACUST"), MantMainDispatch), 0) << ErrDetail().Str();
  ui::Hwnd w = WinTop();
  EXPECT_EQ(StrTrim(FieldValue(1), 2).Str(), "ACME");
  hl->click(3005);  // NXT: B
  hl->key(ui::VK_HOME).key(ui::VK_END, ui::KEY_SHIFT).type("Bodega Sol");
  hl->click(3008);  // SVE
  hl->click(3005);  // NXT: C1
  hl->click(3010).answer(ui::IDYES);  // delete? (the catalogue is Spanish here)
  for (int i = 0; i < 100000 && hl->steps_left(); ++i) PumpMessages(0);
  EXPECT_EQ(hl->steps_left(), 0u);
  EXPECT_EQ(StrTrim(FieldValue(1), 2).Str(), "C10");  // the next one shown
  hl->close();
  for (int i = 0; i < 1000 && ui::is_window(w); ++i) PumpMessages(0);
  EXPECT_FALSE(ui::is_window(w));
  EXPECT_EQ(ScreenStackIndex(3), 0);
  MenuCmdHookSet(before);
  CtlSubclassHookSet(nullptr);
  ASSERT_LT(DataFileOpen(kFCustomers, 0), 128);
  EXPECT_EQ(AdmApp::Rows(kFCustomers, 1, {"CODE", "NAME"}),
            (std::vector<std::string>{"CODE=ACME NAME=Acme Supplies", "CODE=B NAME=Bodega Sol",
                                      "CODE=C10 NAME=Ciclos Diez", "CODE=MIX NAME=Mixto y Asociados",
                                      "CODE=ZETA12 NAME=Zeta Doce"}));
  EXPECT_EQ(DataFileCloseAll(), 0);
  EXPECT_EQ(app.CheckAll(), "");
}

// The invoice window: the header's total in words in two lines of 70, under
// the label of the catalogue (here the Spanish one).
TEST_F(DemoScreenTest, InvoiceTotalInWordsUnderTheCataloguesLabel) {
  ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, Sv("ES")), 0);
  MsgCatalogReset();
  ASSERT_EQ(LangVarsLoad(), 0);
  EXPECT_EQ(AdmApp::Str("WORDS$"), "Importe en letra");
  std::vector<std::string> fields = Open("GAINV", kFInvoices);
  ASSERT_EQ(fields.size(), 12u);
  EXPECT_EQ(fields[8], "TOTAL{14.14} ro");
  EXPECT_EQ(fields[10], "_WORDS1$ ro");
  auto shown = [](uint16_t n) { return StrTrim(FieldValue(n), 2).Str(); };
  ASSERT_EQ(DataFileReadKey(kFInvoices, 1, Sv("       6A25   "), 2), 0);
  ASSERT_EQ(FieldsRefresh(kCheckRefresh, 1, -1), 0) << ErrDetail().Str();
  EXPECT_EQ(shown(10), "Importe en letra:");
  EXPECT_EQ(shown(11), "diez con veintinueve");
  EXPECT_EQ(shown(12), "");
  // A long total: the words go on in the second line.
  ASSERT_EQ(AdmApp::Eval("TOTAL{14}=1777777777.77"), 0);
  ASSERT_EQ(FieldsRefresh(kCheckRefresh, 1, -1), 0) << ErrDetail().Str();
  std::string first = shown(11), second = shown(12);
  EXPECT_LE(first.size(), 70u);
  EXPECT_FALSE(second.empty());
  EXPECT_EQ(first + " " + second, S("FN$TXTN(TOTAL{14})"));
  Close();
}

}  // namespace
