// Choice windows: list boxes and option buttons, their keys and clicks,
// sizes, the window's life, and the three callers (the PrcExec chooser, the
// Font command and WINMENU).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/sysvars.h"
#include "screens/window/actions.h"
#include "screens/forms/choice.h"
#include "screens/menus/fontfile.h"
#include "screens/menus/prcexec.h"
#include "script/evaluator.h"
#include "script/handlers.h"
#include "script/procedures.h"
#include "script/statements.h"
#include "screen_fixture.h"

namespace {

constexpr int kList = kChoiceWindow | kChoiceList;

class ChoiceTest : public ScreenUiTest {
 protected:
  void SetUp() override {
    ScreenUiTest::SetUp();
    owner = Window();
  }
  // Runs the choice after the scripted steps; the steps must all be taken.
  int Choose(const char* items, int flags, const char* title = "Pick") {
    Status s = 0;
    int n = WinChoice(StrFromC(title), StrFromC(items), flags, &s);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(hl->steps_left(), 0u);
    EXPECT_EQ(VarSysIntGet(kSysStat), static_cast<int16_t>(n));
    return n;
  }
  // After a choice the window is open on top; the caller closes it and the
  // owner is enabled and focused again.
  void CloseAfterChoice() {
    ui::Hwnd top = WinTop();
    EXPECT_NE(top, owner);
    EXPECT_EQ(ui::get_owner(top), owner);
    EXPECT_FALSE(ui::is_enabled(owner));  // modal over it
    EXPECT_EQ(WinChoiceClose(), 0);
    ExpectOwnerBack();
  }
  void ExpectOwnerBack() {
    EXPECT_EQ(WinTop(), owner);
    EXPECT_EQ(WinCount(), 1);
    EXPECT_TRUE(ui::is_enabled(owner));
    EXPECT_EQ(ui::get_focus(), owner);
  }
  ui::Hwnd owner = 0;
};

TEST_F(ChoiceTest, ListBoxKeysAndDoubleClicks) {
  hl->key(ui::VK_DOWN).key(ui::VK_RETURN);
  EXPECT_EQ(Choose("a,b,c", kList), 2);
  EXPECT_EQ(ui::listbox_count(ui::get_dlg_item(WinTop(), kIdListBoxFirst)), 3);
  CloseAfterChoice();

  hl->key(ui::VK_RETURN);  // the caret starts on the first item
  EXPECT_EQ(Choose("a,b,c", kList), 1);
  CloseAfterChoice();

  hl->key(ui::VK_UP).key(ui::VK_END).key(ui::VK_DOWN).key(ui::VK_RETURN);  // a list box does not wrap
  EXPECT_EQ(Choose("a,b,c", kList), 3);
  CloseAfterChoice();

  hl->list_select(kIdListBoxFirst, 1, true);
  EXPECT_EQ(Choose("a,b,c", kList), 2);
  CloseAfterChoice();

  hl->key(ui::VK_DOWN).key(ui::VK_ESCAPE);  // Esc closes the window itself
  EXPECT_EQ(Choose("a,b,c", kList), 0);
  ExpectOwnerBack();

  hl->close();  // so does the close box
  EXPECT_EQ(Choose("a,b,c", kList), 0);
  ExpectOwnerBack();
}

TEST_F(ChoiceTest, OptionButtonsWrapTheHighlightAndAnswerClicks) {
  struct Case {
    const char* name;
    std::vector<uint16_t> keys;  // then Enter
    int answer;
  } cases[] = {
      {"down-without-highlight-takes-the-last", {ui::VK_DOWN}, 3},
      {"up-without-highlight-takes-the-first", {ui::VK_UP}, 1},
      {"up-from-the-first-wraps", {ui::VK_UP, ui::VK_UP}, 3},
      {"down-from-the-last-wraps", {ui::VK_DOWN, ui::VK_DOWN}, 1},
      {"down-then-up", {ui::VK_UP, ui::VK_DOWN, ui::VK_DOWN, ui::VK_UP}, 2},
  };
  for (const Case& c : cases) {
    for (uint16_t vk : c.keys) hl->key(vk);
    hl->key(ui::VK_RETURN);
    EXPECT_EQ(Choose("a,b,c", kChoiceWindow), c.answer) << c.name;
    std::vector<int> ids;
    for (ui::Hwnd b : ui::children(WinTop())) ids.push_back(ui::get_ctrl_id(b));
    EXPECT_EQ(ids, (std::vector<int>{1500, 1501, 1502})) << c.name;
    CloseAfterChoice();
  }
  hl->click(1501);
  EXPECT_EQ(Choose("a,b,c", kChoiceWindow), 2);
  CloseAfterChoice();
  // Enter with nothing highlighted chooses nothing and the window stays.
  hl->key(ui::VK_RETURN).key(ui::VK_SPACE).key(ui::VK_ESCAPE);
  EXPECT_EQ(Choose("a,b,c", kChoiceWindow), 0);
  ExpectOwnerBack();
}

TEST_F(ChoiceTest, EmptyTitleOrListAndAWindowThatCannotBeMade) {
  Status s = 0;
  VarSysIntSet(kSysStat, 5);
  EXPECT_EQ(WinChoice(StrFromC(""), StrFromC("a,b"), kList, &s), kChoiceEmpty);
  EXPECT_EQ(WinChoice(StrFromC("T"), StrFromC(""), kChoiceWindow, &s), kChoiceEmpty);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(static_cast<uint16_t>(VarSysIntGet(kSysStat)), kChoiceEmpty);
  EXPECT_EQ(WinChoice(StrErr(st::STRINGTOOLONG), StrFromC("a"), kList, &s), 0);
  EXPECT_EQ(s, st::STRINGTOOLONG);
  EXPECT_EQ(WinChoiceAndClose(StrFromC("T"), StrFromC(""), kList, &s), 0);
  EXPECT_EQ(WinCount(), 1);
  // A full window list: the window is not made, no loop runs.
  while (WinCount() < kWinSlots) Window();
  TextWinGeomState before = TextWinGeomSave();
  EXPECT_EQ(WinChoice(StrFromC("T"), StrFromC("a,b"), kList, &s), kChoiceEmpty);
  EXPECT_EQ(s, st::WINCONTROLERROR);
  EXPECT_EQ(ErrDetail().Str(), "WinChoice");
  EXPECT_EQ(WinCount(), kWinSlots);
  EXPECT_EQ(TextWinGeomSave().current, before.current);
}

TEST_F(ChoiceTest, MoreThan200OptionsUseAListBox) {
  std::string items;
  for (int i = 1; i <= 201; ++i) items += (i > 1 ? "," : "") + std::string("item") + std::to_string(i);
  hl->key(ui::VK_END).key(ui::VK_RETURN);
  EXPECT_EQ(Choose(items.c_str(), kChoiceWindow), 201);
  ui::Hwnd list = ui::get_dlg_item(WinTop(), kIdListBoxFirst);
  ASSERT_NE(list, 0u);
  EXPECT_EQ(ui::listbox_count(list), 201);
  EXPECT_EQ(ui::children(WinTop()).size(), 1u);  // no option button
  CloseAfterChoice();
}

TEST_F(ChoiceTest, SizesPlacesAndTheGeometryPutBack) {
  ui::Hwnd field = ui::create_window(ui::CreateSpec{"EDIT", "", ui::WS_CHILD | ui::WS_VISIBLE, 0, 300, 200, 80, 16,
                                                   owner, 2000, 0});
  std::string many;  // 200 options of 60 characters: wider than the work area
  for (int i = 1; i <= 200; ++i) many += (i > 1 ? "," : "") + std::string(60, 'x');
  struct Case {
    const char* name;
    std::string items;
    int flags;
    bool focusField;
    int click;  // an option button to click, else Enter in the list box
    ui::Rect rect;
  } cases[] = {
      // 15 columns of 8, items of 16 - 3 pixels, cascaded from the owner.
      {"list", "a,b,c", kList, false, 0, {100, 60, 220, 99}},
      {"list-long-item", "a,'a long item here'", kList, false, 0, {100, 60, 268, 86}},
      {"list-long-title", "a", kList, false, 0, {100, 60, 100 + 8 * 40, 73}},
      // Option grid: 12 columns and a quarter, 3 rows an item, system cell.
      {"options", "a,b,c", kChoiceWindow, false, 1500, {100, 60, 220, 204}},
      // Beside the focused control: right of it, at its top.
      {"beside", "a,b,c", kList | kChoiceBeside, true, 0, {380, 200, 500, 239}},
      {"beside-without-focus", "a,b,c", kList | kChoiceBeside, false, 0, {100, 60, 220, 99}},
      // 1296 x 592 by the fitting, kept inside the 1280-pixel work area.
      {"options-clamped", many, kChoiceWindow, false, 1699, {0, 60, 1280, 652}},
  };
  TextWinGeomState before = TextWinGeomSave();
  for (const Case& c : cases) {
    ui::set_focus(c.focusField ? field : owner);
    if (c.click) hl->click(c.click);
    else hl->key(ui::VK_RETURN);
    std::string title = std::string(c.name) == "list-long-title" ? std::string(40, 'T') : "Pick";
    int n = Choose(c.items.c_str(), c.flags, title.c_str());
    EXPECT_EQ(n, c.click ? c.click - 1499 : 1) << c.name;
    EXPECT_EQ(ui::get_window_rect(WinTop()), c.rect) << c.name;
    if (ui::Hwnd list = ui::get_dlg_item(WinTop(), kIdListBoxFirst)) {
      EXPECT_EQ(ui::listbox_item_height(list), 13) << c.name;
      EXPECT_EQ(ui::get_client_rect(list), ui::get_client_rect(WinTop())) << c.name;
    }
    EXPECT_EQ(TextWinGeomSave().current, before.current) << c.name;
    EXPECT_EQ(TextWinGeomSave().defaults, before.defaults) << c.name;
    EXPECT_EQ(WinChoiceClose(), 0);
  }
  // A given position is kept inside the work area too.
  ui::Point at{1250, 990};
  hl->key(ui::VK_RETURN);
  EXPECT_EQ(WinChoiceEx(StrFromC("Pick"), StrFromC("a,b,c"), kList, &at), 1);
  EXPECT_EQ(ui::get_window_rect(WinTop()), (ui::Rect{1160, 961, 1280, 1000}));
  EXPECT_EQ(WinChoiceClose(), 0);
}

// ---- The callers ----------------------------------------------------------------

class ChoiceCallerTest : public ChoiceTest {
 protected:
  void SetUp() override {
    ChoiceTest::SetUp();
    old = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
  }
  void TearDown() override {
    std::filesystem::current_path(old);
    ChoiceTest::TearDown();
  }
  static void Write(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }
  static std::string Read(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::filesystem::path old;
};

TEST_F(ChoiceCallerTest, PrcExecRunsTheChosenProcedureUntilNothingIsChosen) {
  Write("A.PRC", "; TITLE$:'First'\r\nx=WRITE('a.txt';-3;'a')\r\n");
  Write("B.PRC", "; TITLE$:'Second'\r\nx=WRITE('b.txt';-3;'b')\r\n");
  // The second title, then the chooser comes back over the owner.
  hl->key(ui::VK_DOWN).key(ui::VK_RETURN).wait_top("Target File").key(ui::VK_ESCAPE);
  EXPECT_EQ(PrcExec(StrFromC("*.PRC"), nullptr), 0);
  EXPECT_EQ(hl->steps_left(), 0u);
  EXPECT_FALSE(std::filesystem::exists("a.txt"));
  EXPECT_EQ(Read("b.txt"), "b");
  ExpectOwnerBack();
}

TEST_F(ChoiceCallerTest, TheFontCommandPutsTheChosenLineFirst) {
  Write("KXFONT.PPN", "24;12;;Lucida Console\r\n16;8;;Courier New\r\n20;10;BOLD;Fixed, wide\r\n18;9;;Mono\r\n");
  // A list box: the third line (option buttons would wrap to the first).
  hl->key(ui::VK_DOWN).key(ui::VK_DOWN).key(ui::VK_RETURN);
  EXPECT_EQ(FontSelect(), 0);
  EXPECT_EQ(Read("KXFONT.PPN"), "20;10;BOLD;Fixed, wide\r\n24;12;;Lucida Console\r\n16;8;;Courier New\r\n18;9;;Mono");
  ExpectOwnerBack();
  hl->key(ui::VK_ESCAPE);  // nothing chosen: the file stays
  EXPECT_EQ(FontSelect(), 0);
  EXPECT_EQ(Read("KXFONT.PPN"), "20;10;BOLD;Fixed, wide\r\n24;12;;Lucida Console\r\n16;8;;Courier New\r\n18;9;;Mono");
  ExpectOwnerBack();
}

TEST_F(ChoiceCallerTest, WinMenuLeavesTheChoiceInStatAndClosesItsWindow) {
  ExecRunUtilsInit();
  ChoiceStatementsRegister();
  Write("T.PRC", "WINMENU 'Colour','Red,Green,Blue'\r\nc=_STAT\r\n");
  struct Case {
    const char* name;
    std::vector<uint16_t> keys;
    int stat;
  } cases[] = {
      {"chosen", {ui::VK_UP, ui::VK_UP, ui::VK_RETURN}, 3},  // option buttons: Up wraps
      {"cancelled", {ui::VK_ESCAPE}, 0},
  };
  for (const Case& c : cases) {
    hl->wait_top("Colour");  // the runner pumps messages before the window is there
    for (uint16_t vk : c.keys) hl->key(vk);
    EXPECT_EQ(PrcCall(S(""), S("T.PRC"), 0), 0) << c.name;
    EXPECT_EQ(hl->steps_left(), 0u) << c.name;
    EXPECT_EQ(ExpEvalInt(S("c")), c.stat) << c.name;
    ExpectOwnerBack();
  }
  Write("U.PRC", "WINMENU 'Colour'\r\n");
  EXPECT_EQ(PrcCall(S(""), S("U.PRC"), 0), st::SINTAXERROR);
  Write("V.PRC", "WINMENU 'Colour',''\r\nc=_STAT\r\n");
  EXPECT_EQ(PrcCall(S(""), S("V.PRC"), 0), 0);
  EXPECT_EQ(ExpEvalInt(S("c")), -1);  // 0xFFFF: an empty list, no window
  ExecHandlersReset();
}

}  // namespace
