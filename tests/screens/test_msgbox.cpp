// Message boxes on the headless window system: each kind's buttons, icon and
// default caption, and the answers as the language's letters.
#include <gtest/gtest.h>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "screens/msgbox.h"
#include "screens/winlist.h"
#include "support/headless_fixture.h"
#include "support/runtime_fixture.h"

namespace {

class MsgBoxTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
    hl = HeadlessInstall(&reports);
    WinListReset();
  }
  void TearDown() override {
    EXPECT_TRUE(reports.empty()) << reports.front();
    ui::shutdown();
    WinListReset();
    RuntimeTest::TearDown();
  }
  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
};

TEST_F(MsgBoxTest, KindsButtonsCaptionsAndAnswers) {
  struct Row {
    int kind;
    int button;
    uint32_t type;
    const char* caption;
    int answer;
  } rows[] = {
      {0, ui::IDOK, 0x40, "Information Request", 'Y'},  {1, ui::IDOK, 0x30, "Information Message", 'Y'},
      {2, ui::IDCANCEL, 0x41, "Information Request", 3}, {3, ui::IDOK, 0x10, "Fatal Error Ocurred", 'Y'},
      {4, ui::IDRETRY, 0x15, "Information Message", 'Y'}, {5, ui::IDNO, 0x44, "Information Request", 'N'},
      {6, ui::IDNO, 0x43, "Information Request", 'N'},   {6, ui::IDCANCEL, 0x43, "Information Request", 3},
      {9, ui::IDOK, 0x00, "Information Request", 'Y'},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.kind);
    hl->answer(r.button);
    EXPECT_EQ(MsgBox(StrFromC("Text"), StrMake("", 0), r.kind), r.answer);
    ASSERT_FALSE(hl->boxes().empty());
    EXPECT_EQ(hl->boxes().back().type, r.type);
    EXPECT_EQ(hl->boxes().back().caption, r.caption);
  }
  hl->answer(ui::IDOK);
  MsgBox(StrFromC("Text"), StrFromC("Own caption"), 0);
  EXPECT_EQ(hl->boxes().back().caption, "Own caption");
}

TEST_F(MsgBoxTest, AskAnswersFromTheButton) {
  hl->answer(ui::IDYES, "Recovering");
  EXPECT_EQ(MsgAsk(StrFromC("Last session uncorrectly closed. Recovering data")), 1);
  hl->answer(ui::IDNO);
  EXPECT_EQ(MsgAsk(StrFromC("Again?")), 0);
  EXPECT_EQ(hl->boxes().back().type, 0x44u);
}

}  // namespace
