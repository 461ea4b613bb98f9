// The demo applications' first screens, opened headless from their own files
// over their own dictionaries: the accounts (accounting, file 8) and the
// customers (administration, file 1).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "data/store/recbuf.h"
#include "screens/window/actionchain.h"
#include "screens/window/actions.h"
#include "screens/window/fieldctl.h"
#include "screens/window/fieldvalues.h"
#include "screens/window/winproc.h"
#include "screens/window/winrecord.h"
#include "screen_fixture.h"

namespace {

struct Demo {
  const char* folder;
  const char* prefix;
  const char* screen;
  const char* title;
  uint8_t file;
  uint16_t numeric, logical, hidden;  // field numbers
  std::vector<std::string> transcript;  // what the screen's opening shows
  const char* keys;                     // a person filling the screen in
  std::vector<std::string> stored;      // the field values then
  std::vector<uint16_t> codes;          // the actions the keys gave
};

void PrintTo(const Demo& d, std::ostream* os) { *os << d.folder; }

class DemoScreenTest : public ScreenUiTest, public ::testing::WithParamInterface<Demo> {
 protected:
  void SetUp() override {
    ScreenUiTest::SetUp();
    ASSERT_EQ(DicTruncate(0), 0);  // the demo's own dictionary only
    std::string folder = std::string(KX_SOURCE_DIR) + "/apps/" + GetParam().folder + "/demo";
    ASSERT_EQ(DicLoad(S(folder), StrFromC(GetParam().prefix), StrFromC("")), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(folder)), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetTitleItem, StrFromC("Demo")), 0);
  }
};

TEST_P(DemoScreenTest, OpensWithItsFieldsLabelsAndStatusLine) {
  const Demo& d = GetParam();
  ui::Hwnd w = WinCreateKind(kWinKindMant, 0, StrFromC(d.title), 0, 0, 0, nullptr);
  ASSERT_NE(w, 0u);
  size_t from = hl->transcript().size();
  ASSERT_EQ(ScreenCreate(StrFromC(d.screen), StrFromC(d.screen), 1, 0, StrFromC("")), 0);
  ASSERT_EQ(ScreenSetWin(0), 0);
  EXPECT_EQ(ScreenCurrent().dataFile, d.file);
  EXPECT_EQ(WinCurrent().dataFile, d.file);
  EXPECT_EQ(WinCurrent().window, w);

  std::vector<std::string> shown(hl->transcript().begin() + static_cast<long>(from), hl->transcript().end());
  for (std::string& line : shown) {
    size_t rect = line.find(" rect=");  // positions are checked elsewhere
    if (rect != std::string::npos) line.erase(rect, line.find(' ', rect + 1) - rect);
    // A captioned window takes the layout's status text as its own title.
    if (line.starts_with("text #1 ")) line = line.substr(0, line.find('|'));
  }
  EXPECT_EQ(shown, d.transcript);
  EXPECT_TRUE(ui::get_style(ui::get_dlg_item(w, FieldCtlId(d.numeric))) & ui::ES_RIGHT);
  EXPECT_EQ(FieldGet(d.logical).type, 'L');
  EXPECT_TRUE(FieldIsHidden(FieldGet(d.hidden)));
  EXPECT_EQ(ui::get_dlg_item(w, FieldCtlId(d.hidden)), 0u);
  EXPECT_EQ(FieldGet(1).keyFile, d.file);
  EXPECT_TRUE(FieldGet(1).flags & kFieldOwnFile);

  ASSERT_EQ(WinRecordClose(kCurrentIndex), 0);
  EXPECT_FALSE(ui::is_window(w));
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), 0);
}

std::vector<uint16_t> g_codes;
std::vector<std::string> g_confirmed;  // the field values the exit handler saw
uint16_t g_fields = 0;
Status DemoHandler(uint16_t code) {
  g_codes.push_back(code);
  Status s = ScreenActionWinDefault(code);
  return s != st::BADINPUTDATA ? s : ScreenActionDefault(code);
}
Status DemoExit(uint8_t kind) {
  g_codes.push_back(static_cast<uint16_t>(0xE000 | kind));  // the exit handler's kind, marked
  g_confirmed.clear();
  for (uint16_t n = 1; n <= g_fields; ++n) {
    const StrAreaScope scope;
    g_confirmed.push_back(FieldValue(n).Str());
  }
  return ScreenCloseRestore(kind, kind == kActNavigate ? 4 : 0, 0);
}

TEST_P(DemoScreenTest, WorksByKeys) {
  const Demo& d = GetParam();
  WinProcReset();
  CtlSubclassHookSet(CtlSubclass);
  ASSERT_EQ(RecBufAlloc(d.file), 0);  // the record the fields are bound to
  g_fields = static_cast<uint16_t>(d.stored.size());
  auto open = [&] {
    ui::Hwnd w = WinCreateKind(kWinKindMant, 0, StrFromC(d.title), 0, 0, 0, ScreenWndProc);
    EXPECT_EQ(ScreenCreate(StrFromC(d.screen), StrFromC(d.screen), 1, 0, StrFromC("")), 0);
    EXPECT_EQ(ScreenSetWin(0), 0);
    ScreenActionSet(DemoHandler, nullptr, DemoExit);
    WinShowState(kWinShowNow);  // shown: its first activation focuses the first field
    return w;
  };
  ui::Hwnd w = open();
  EXPECT_EQ(ui::get_focus(), ui::get_dlg_item(w, FieldCtlId(1)));
  std::string error;
  ASSERT_TRUE(hl->load_script(d.keys, error)) << error;
  g_codes.clear();
  Drive();
  EXPECT_EQ(g_confirmed, d.stored);
  std::vector<uint16_t> codes = d.codes;
  codes.push_back(kActNextField);  // Enter on the last field
  codes.push_back(0xE000 | kActNavigate);  // confirms: the exit handler closes the record
  EXPECT_EQ(g_codes, codes);
  EXPECT_EQ(ScreenStackIndex(3), 0);
  ui::destroy_window(w);

  // Esc cancels: the exit handler's 24 closes the window, whose close request
  // closes the record.
  w = open();
  g_codes.clear();
  hl->type("9").key(ui::VK_ESCAPE);
  Drive();
  EXPECT_EQ(g_codes, (std::vector<uint16_t>{kActCancel, 0xE000 | kActCancel, kActCloseRequest,
                                            0xE000 | kActCloseRequest}));
  EXPECT_FALSE(ui::is_window(w));
  EXPECT_EQ(ScreenStackIndex(3), 0);
  EXPECT_EQ(LiveBlocksOf(MOD_SCREENS), 0);
  CtlSubclassHookSet(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Demos, DemoScreenTest,
    ::testing::Values(
        Demo{"accounting", "CO", "COACC", "Accounts", 8, 3, 5, 6,
             {
                 "text #1 \"Accounts\"",
                 "create #2 class=\"STATIC\" id=4194 parent=#1 text=\"Account\"",
                 "create #3 class=\"STATIC\" id=4322 parent=#1 text=\"Name\"",
                 "create #4 class=\"STATIC\" id=4450 parent=#1 text=\"Liabilities\"",
                 "create #5 class=\"STATIC\" id=4514 parent=#1 text=\"Assets\"",
                 "create #6 class=\"STATIC\" id=4642 parent=#1 text=\"Active\"",
                 "create #7 class=\"EDIT\" id=2000 parent=#1 text=\"\"",  // CODE: key of file 8
                 "create #8 class=\"EDIT\" id=2001 parent=#1 text=\"\"",  // NAME
                 "create #9 class=\"EDIT\" id=2002 parent=#1 text=\"\"",  // CURPA: numeric, read only
                 "create #10 class=\"EDIT\" id=2003 parent=#1 text=\"\"",
                 "create #11 class=\"EDIT\" id=2004 parent=#1 text=\"\"",  // ACTIVE: logical; NOTE is hidden
             },
             // CODE, NAME, back to CODE and on to NAME: the two balances
             // and ACTIVE (shown from the code) take no typing; F6 is FND.
             "type \"100\"\nkey Tab\ntype \"Cash\"\nkey Tab+Shift\nexpect-focus 2000\nkey Tab\n"
             "expect-focus 2001\nkey F6\nkey Enter\n",
             {"100       ", "Cash" + std::string(36, ' '), std::string(14, ' '), std::string(14, ' '), " "},
             {kActNextField, kActPrevField, kActNextField, ActionMake(kActNavigate, kNavFnd)}},
        Demo{"administration", "GA", "GACUST", "Customers", 1, 5, 6, 7,
             {
                 "text #1 \"Customers\"",
                 "create #2 class=\"STATIC\" id=4194 parent=#1 text=\"Customer\"",
                 "create #3 class=\"STATIC\" id=4322 parent=#1 text=\"Name\"",
                 "create #4 class=\"STATIC\" id=4450 parent=#1 text=\"Tax id\"",
                 "create #5 class=\"STATIC\" id=4514 parent=#1 text=\"Payment mode\"",
                 "create #6 class=\"STATIC\" id=4642 parent=#1 text=\"Credit limit\"",
                 "create #7 class=\"STATIC\" id=4706 parent=#1 text=\"Active\"",
                 "create #8 class=\"EDIT\" id=2000 parent=#1 text=\"\"",  // CODE: key of file 1
                 "create #9 class=\"EDIT\" id=2001 parent=#1 text=\"\"",
                 "create #10 class=\"EDIT\" id=2002 parent=#1 text=\"\"",
                 "create #11 class=\"EDIT\" id=2003 parent=#1 text=\"\"",
                 "create #12 class=\"EDIT\" id=2004 parent=#1 text=\"\"",  // CREDIT: numeric
                 "create #13 class=\"EDIT\" id=2005 parent=#1 text=\"\"",  // ACTIVE: logical; NOTE is hidden
             },
             "type \"C01\"\nkey Tab\ntype \"Ann\"\nkey Tab\nkey Tab\nkey Tab\ntype \"1250\"\nkey Tab+Shift\n"
             "expect-focus 2003\nkey Tab\nkey Tab\ntype \"n\"\nkey F8\nkey Enter\n",
             {"C01   ", "Ann" + std::string(37, ' '), std::string(12, ' '), "  ", "    1250", "0"},
             {kActNextField, kActNextField, kActNextField, kActNextField, kActPrevField, kActNextField,
              kActNextField, ActionMake(kActNavigate, kNavDel)}}),
    [](const ::testing::TestParamInfo<Demo>& info) { return std::string(info.param.folder); });

}  // namespace
