// Run-time windows of procedures: WINOPEN, WINCLOSE, WINSELECT, LOCATE,
// COLOR, PRINT, ACCEPT, READ and WAIT through the statement chain, the two
// stacks behind them, the window procedure, and a run that ends with
// windows open.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "data/dictionary/compat.h"
#include "screens/window/actions.h"
#include "screens/menus/prcexec.h"
#include "screens/forms/runwin.h"
#include "screens/forms/runwinstmts.h"
#include "screens/forms/screenstmts.h"
#include "script/evaluator.h"
#include "script/handlers.h"
#include "script/statements.h"
#include "form_fixture.h"

namespace {

class RunWinTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    RunWinReset();
    ExecHandlersReset();
    ExecRunUtilsInit();
    ScreenStatementsRegister();
  }
  void TearDown() override {
    RunWinCloseTo(0);
    RunWinReset();
    ExecHandlersReset();
    FormTest::TearDown();
  }
  // One statement with its argument text, outside any run.
  Status Exec(uint16_t code, const std::string& args) {
    const StrAreaScope scope;
    ExecArgs a;
    if (!args.empty()) {
      if (Status s = ExecArgsRead(S(args), a)) return s;
    }
    ErrClear();
    return ExecHandlerCall(code, a);
  }
  Status Run(const std::string& text) {
    std::ofstream(dir.File("T.PRC"), std::ios::binary) << text;
    ErrClear();
    return PrcExec(StrFromC("T.PRC"), nullptr);
  }
  void Keys(const std::string& script) {
    std::string error;
    ASSERT_TRUE(hl->load_script(script, error)) << error;
  }
  static int LastKey() { return VarSysIntGet(kSysLastKey); }
  static ui::Rect Rect(ui::Hwnd w) { return ui::get_window_rect(w); }
  // The texts of the window's labels, by id.
  static std::vector<std::pair<int, std::string>> Labels(ui::Hwnd w) {
    std::vector<std::pair<int, std::string>> out;
    for (ui::Hwnd c : ui::children(w))
      if (ui::get_ctrl_id(c) >= kIdLabelFirst) out.emplace_back(ui::get_ctrl_id(c), ui::get_text(c));
    std::sort(out.begin(), out.end());
    return out;
  }
  int Alive() {
    int n = 0;
    for (ui::Hwnd w : ui::top_levels())
      if (ui::get_window_proc(w) == RunWinProc) ++n;
    return n;
  }
};

// WINOPEN sizes the window in cells (rows + 1 high), titles it with the
// first item and shows the others as labels from row 2; it opens at the top
// window's corner plus the pixel place of the cursor, which under `_COMPAT`
// 1 counts from the frame's origin. Cell 8 x 16, frames 0.
TEST_F(RunWinTest, OpenPlacesAndSizesInCells) {
  struct Case {
    int compat;
    int x, y;  // the second window's corner
  } cases[] = {
      {0, 117 + 73, 67 + 65},  // + WinColX(10), WinRowY(5)
      {1, 117 + 57, 67 + 49},  // row 5 - 2 + 1, column 10 - 3 + 1
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.compat);
    ui::Hwnd host = Window(100, 50);
    VarSysIntSet(kSysCompat, 0);
    ASSERT_EQ(Exec(kStmtLocate, "2,3"), 0);
    ASSERT_EQ(Exec(kStmtWinOpen, "40,10,'T,l1,l2'"), 0);
    ui::Hwnd first = RunWinCurrent();
    ASSERT_NE(first, 0u);
    EXPECT_EQ(WinTop(), first);
    EXPECT_EQ(ui::get_text(first), "T");
    EXPECT_EQ(Rect(first), (ui::Rect{117, 67, 117 + 320, 67 + 176}));  // 40 x 8, 11 x 16
    auto labels = Labels(first);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0].second, "l1");
    EXPECT_EQ(labels[1].second, "l2");
    ui::Hwnd l2 = ui::get_dlg_item(first, labels[1].first);
    EXPECT_EQ(ui::get_window_rect(l2).top - Rect(first).top, 33);  // row 3
    WinFrame f = WinFrameTop();
    EXPECT_EQ(f.window, 1);
    EXPECT_EQ(f.originRow, 2);
    EXPECT_EQ(f.originCol, 3);
    EXPECT_EQ(f.columns, 40);
    EXPECT_EQ(f.rows, 10);
    EXPECT_EQ(TextWinGeomGet().columns, 40);
    VarSysIntSet(kSysCompat, static_cast<int16_t>(c.compat));
    ASSERT_EQ(Exec(kStmtLocate, "5,10"), 0);
    ASSERT_EQ(Exec(kStmtWinOpen, "20,5,'U'"), 0);
    EXPECT_EQ(Rect(RunWinCurrent()), (ui::Rect{c.x, c.y, c.x + 160, c.y + 96}));
    EXPECT_FALSE(ui::is_enabled(first));  // modal over the window below
    ASSERT_EQ(RunWinCloseTo(0), 0);
    // The geometry from before the first window is back.
    EXPECT_EQ(TextWinGeomGet(), (TextWinGeom{80, 25, 0, 0, 0, 0}));
    EXPECT_TRUE(ui::is_enabled(host));
    WinDestroy(host);
  }
  VarSysIntSet(kSysCompat, 0);
  // Sizes are clamped to 1-255 cells and the window kept in the work area.
  ASSERT_EQ(Exec(kStmtWinOpen, "0,9999,'Z'"), 0);
  EXPECT_EQ(WinFrameTop().columns, 1);
  EXPECT_EQ(WinFrameTop().rows, 255);
  EXPECT_LE(Rect(RunWinCurrent()).bottom, 1000);
  EXPECT_EQ(Exec(kStmtWinOpen, "10,10"), st::SINTAXERROR);
}

// Eight windows at most: the eighth shares the seventh frame, the ninth is
// refused with nothing made; closing them walks the frames back down, and a
// second WINCLOSE after the last is 168.
TEST_F(RunWinTest, EightWindowsSevenFrames) {
  ASSERT_EQ(Exec(kStmtWinOpen, "20,5,'A'"), 0);
  EXPECT_EQ(Exec(kStmtWinClose, ""), 0);
  EXPECT_EQ(Exec(kStmtWinClose, ""), st::DATAOUTBOUND);
  EXPECT_EQ(Alive(), 0);
  for (int i = 1; i <= 8; ++i) ASSERT_EQ(Exec(kStmtWinOpen, "20,5,'W" + std::to_string(i) + "'"), 0) << i;
  EXPECT_EQ(RunWinCount(), 8);
  EXPECT_EQ(WinFrameLevel(), 7);
  EXPECT_EQ(Exec(kStmtWinOpen, "20,5,'W9'"), st::DATAOUTBOUND);
  EXPECT_EQ(RunWinCount(), 8);
  EXPECT_EQ(WinFrameLevel(), 7);
  EXPECT_EQ(Alive(), 8);
  std::vector<int> levels;
  for (int i = 0; i < 8; ++i) {
    ASSERT_EQ(Exec(kStmtWinClose, ""), 0);
    levels.push_back(WinFrameLevel());
  }
  EXPECT_EQ(levels, (std::vector<int>{7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(Alive(), 0);
}

// WINSELECT: a level outside the windows is 163 and changes nothing; a good
// one raises its window, makes its frame current and takes its size. PRINT
// writes at the cursor of the current window and moves the column on.
TEST_F(RunWinTest, SelectLocateAndPrint) {
  ASSERT_EQ(Exec(kStmtWinOpen, "30,6,'One'"), 0);
  ui::Hwnd one = RunWinCurrent();
  ASSERT_EQ(Exec(kStmtWinOpen, "20,4,'Two'"), 0);
  ui::Hwnd two = RunWinCurrent();
  for (const char* n : {"0", "3", "-1"}) {
    EXPECT_EQ(Exec(kStmtWinSelect, n), st::BADINPUTDATA) << n;
    EXPECT_EQ(RunWinLevel(), 2);
    EXPECT_EQ(WinFrameLevel(), 2);
    EXPECT_EQ(WinTop(), two);
  }
  ASSERT_EQ(Exec(kStmtWinSelect, "1"), 0);
  EXPECT_EQ(WinTop(), one);
  EXPECT_EQ(ui::get_focus(), one);
  EXPECT_EQ(RunWinLevel(), 1);
  EXPECT_EQ(WinFrameLevel(), 1);
  EXPECT_EQ(TextWinGeomGet().columns, 30);
  EXPECT_EQ(TextWinGeomGet().rows, 6);
  ASSERT_EQ(Exec(kStmtLocate, "2,3"), 0);
  ASSERT_EQ(Exec(kStmtColor, "7,1"), 0);
  ASSERT_EQ(Exec(kStmtPrint, "'Hello'"), 0);
  ASSERT_EQ(Exec(kStmtPrint, "12.5"), 0);
  EXPECT_EQ(Labels(one), (std::vector<std::pair<int, std::string>>{{4000 + 60 + 3, "Hello"}, {4000 + 60 + 8, "12.50"}}));
  EXPECT_EQ(ui::get_window_rect(ui::get_dlg_item(one, 4068)).left - Rect(one).left, 57);  // WinColX(8)
  EXPECT_EQ(WinFrameTop().cursorCol, 13);
  EXPECT_EQ(WinFrameTop().colorFore, 7);
  EXPECT_TRUE(Labels(two).empty());
  // The frame of the second window was kept: closing it drops it, the
  // first stays current.
  EXPECT_EQ(WinFrameDepth(), 2);
  ASSERT_EQ(Exec(kStmtWinClose, ""), 0);
  EXPECT_EQ(RunWinLevel(), 1);
  EXPECT_EQ(WinFrameLevel(), 1);
  EXPECT_EQ(WinFrameTop().cursorCol, 13);
  ASSERT_EQ(Exec(kStmtWinClose, ""), 0);
  // With no window at all PRINT has nowhere to write.
  EXPECT_EQ(Exec(kStmtPrint, "'x'"), st::DATAOUTBOUND);
  EXPECT_EQ(Exec(kStmtLocate, "1"), st::SINTAXERROR);
}

// WAIT 'KEY' takes one key's class; WAIT n lets n milliseconds of the clock
// pass (a number read whole; negative waits none).
TEST_F(RunWinTest, WaitForAKeyOrATime) {
  ASSERT_EQ(Exec(kStmtWinOpen, "20,5,'W'"), 0);
  hl->key(ui::VK_F1 + 1);
  ASSERT_EQ(Exec(kStmtWait, "'KEY'"), 0);
  EXPECT_EQ(LastKey(), 12);
  struct Case {
    const char* arg;
    uint64_t ms;
  } cases[] = {{"500", 500}, {"40000", 40000}, {"-5", 0}, {"'key'", 0}};
  for (const Case& c : cases) {
    uint64_t start = ui::now_ms();
    ASSERT_EQ(Exec(kStmtWait, c.arg), 0) << c.arg;
    EXPECT_EQ(ui::now_ms() - start, c.ms) << c.arg;
  }
  EXPECT_EQ(ui::pending_count(), 0u);
  // A quit that ends a wait is not the wait's: it is posted again for the
  // run or loop it belongs to.
  for (const char* arg : {"'KEY'", "500"}) {
    VarSysIntSet(kSysLastKey, 7);
    ui::post_quit(0);
    uint64_t start = ui::now_ms();
    ASSERT_EQ(Exec(kStmtWait, arg), 0) << arg;
    EXPECT_LT(ui::now_ms() - start, 500u) << arg;
    EXPECT_EQ(LastKey(), 7) << arg;
    ui::Message m;
    ASSERT_TRUE(ui::peek(m)) << arg;
    EXPECT_EQ(m.msg, ui::WM_QUIT) << arg;
  }
}

// READ runs the fields ACCEPT queued as a form on the current window: Ok
// confirms (`_LASTKEY` 0, the variables assigned), Esc asks and Yes cancels
// (`_LASTKEY` 15, nothing assigned); a second READ shows only its own
// fields; the queue is back at its count after each.
TEST_F(RunWinTest, ReadRunsTheQueuedFields) {
  ASSERT_EQ(VarAssign(S("c$"), S("old")), 0);
  ASSERT_EQ(ExpExecText(S("q#=0")), 0);
  Window();
  ASSERT_EQ(Exec(kStmtWinOpen, "40,8,'Card'"), 0);
  ui::Hwnd w = RunWinCurrent();
  ASSERT_EQ(Exec(kStmtLocate, "2,12"), 0);
  ASSERT_EQ(Exec(kStmtAccept, "\"'Code:':'A6':c$\""), 0);
  EXPECT_EQ(DynStrGet(AcceptQueueList, 0).Str(), "'Code:':'A6':c$/ROW=2/COL=12");
  ASSERT_EQ(Exec(kStmtLocate, "3,12"), 0);
  ASSERT_EQ(Exec(kStmtAccept, "\"'Qty:':'N4':q#\""), 0);
  EXPECT_EQ(Exec(kStmtAccept, "''"), st::SINTAXERROR);
  EXPECT_EQ(Exec(kStmtAccept, "'a','b'"), st::SINTAXERROR);
  // Esc on a field asks first; No goes on with the form.
  Keys("expect-focus 2000\ntype \"AB\"\nkey Esc\nanswer No match \"Cancel\"\nkey Tab\ntype \"12\"\nclick \"Ok\"\n");
  ASSERT_EQ(Exec(kStmtRead, ""), 0);
  EXPECT_EQ(LastKey(), 0);
  EXPECT_EQ(FormTest::Str("c$"), "AB");
  EXPECT_EQ(ExpEvalInt(S("q#")), 12);
  EXPECT_EQ(DynStrCount(AcceptQueueList), 0u);
  EXPECT_EQ(WinTop(), w);
  // The form's fields and its Ok lie inside the window's client area (the
  // form's text origin and bottom rows grow the window).
  ui::Rect client = ui::get_client_rect(w);
  for (int id : {2000, 2001, 3100}) {
    ui::Hwnd c = ui::get_dlg_item(w, id);
    ASSERT_TRUE(c) << id;
    ui::Rect r = ui::get_window_rect(c);
    ui::Point from = ui::screen_to_client(w, {r.left, r.top}), to = ui::screen_to_client(w, {r.right, r.bottom});
    EXPECT_TRUE(from.x >= 0 && from.y >= 0 && to.x <= client.right && to.y <= client.bottom)
        << id << " at " << from.x << "," << from.y << "-" << to.x << "," << to.y << " in " << client.right << "x"
        << client.bottom;
  }
  EXPECT_EQ(ScreenStackIndex(3), 0);  // the form's record went with its values
  // The fields stay to show what was read, and take no more input.
  EXPECT_EQ(ui::get_text(ui::get_dlg_item(w, 2000)), "AB");
  EXPECT_FALSE(ui::is_enabled(ui::get_dlg_item(w, 2001)));
  EXPECT_EQ(ui::get_focus(), w);
  // The same fields again, cancelled: nothing assigned.
  ASSERT_EQ(Exec(kStmtAccept, "\"'Code:':'A6':c$\""), 0);
  Keys("type \"ZZ\"\nkey Esc\nanswer Yes match \"Cancel\"\n");
  ASSERT_EQ(Exec(kStmtRead, ""), 0);
  EXPECT_EQ(LastKey(), kRunWinCancelled);
  EXPECT_EQ(FormTest::Str("c$"), "AB");
  EXPECT_EQ(DynStrCount(AcceptQueueList), 0u);
  EXPECT_NE(ui::get_dlg_item(w, 2000), 0u);
  EXPECT_EQ(ui::get_dlg_item(w, 2001), 0u) << "the first READ's second field is still there";
  // Enter on the last field confirms like Ok.
  ASSERT_EQ(Exec(kStmtAccept, "\"'Code:':'A6':c$\""), 0);
  Keys("type \"CD\"\nkey Enter\n");
  ASSERT_EQ(Exec(kStmtRead, ""), 0);
  EXPECT_EQ(LastKey(), 0);
  EXPECT_EQ(FormTest::Str("c$"), "CD");
  EXPECT_EQ(TextWinGeomGet().columns, 40);  // the window's own geometry again
  EXPECT_EQ(TextWinGeomGet().originCol, 0);
  // A bad list is the error of its form; the queue is cut back all the same.
  ASSERT_EQ(Exec(kStmtAccept, "\"'X:':'Q3':x$\""), 0);
  EXPECT_EQ(Exec(kStmtRead, ""), st::BADINPUTDATA);
  EXPECT_EQ(DynStrCount(AcceptQueueList), 0u);
  ASSERT_EQ(Exec(kStmtWinClose, ""), 0);
  // No window: 168, the queue cut back.
  ASSERT_EQ(Exec(kStmtAccept, "\"'Code:':'A6':c$\""), 0);
  EXPECT_EQ(Exec(kStmtRead, ""), st::DATAOUTBOUND);
  EXPECT_EQ(DynStrCount(AcceptQueueList), 0u);
}

// A READ whose window is closed (Esc answered No first, then the close
// box): the READ ends as closing, 3, and assigns nothing, so that the
// procedure does not go on as if the form had been confirmed.
TEST_F(RunWinTest, ReadEndsAsClosingWhenItsWindowIsClosed) {
  ASSERT_EQ(Exec(kStmtWinOpen, "40,8,'Card'"), 0);
  ASSERT_EQ(Exec(kStmtAccept, "\"'Code:':'A6':c$\""), 0);
  Keys("type \"AB\"\nkey Esc\nanswer No match \"Cancel\"\nclose\n");
  ASSERT_EQ(Exec(kStmtRead, ""), 0);
  EXPECT_EQ(LastKey(), kRunWinClosing);
  EXPECT_EQ(FormTest::Str("c$"), "");
  EXPECT_EQ(ScreenStackIndex(3), 0);  // the form's record closed
  EXPECT_EQ(Exec(kStmtWinClose, ""), 0);
}

// The window's procedure outside a READ: Esc asks and Yes leaves 15; a
// close request with nothing pending closes the window (3 afterwards); no
// quit is ever posted that would cancel the running procedure, and the
// next WINCLOSE takes the closed window's place without harm.
TEST_F(RunWinTest, WindowProcedureOutsideAWait) {
  ASSERT_EQ(Exec(kStmtWinOpen, "20,5,'A'"), 0);
  ASSERT_EQ(Exec(kStmtWinOpen, "20,5,'B'"), 0);
  ui::Hwnd b = RunWinCurrent();
  hl->answer(ui::IDYES, "Cancel");
  ui::send(b, ui::WM_KEYDOWN, ui::VK_ESCAPE);
  EXPECT_EQ(LastKey(), kRunWinCancelled);
  VarSysIntSet(kSysLastKey, kKeyEnter);
  ui::send(b, ui::WM_CLOSE);  // confirmed: kept
  EXPECT_TRUE(ui::is_window(b));
  VarSysIntSet(kSysLastKey, kKeyOther);
  ui::send(b, ui::WM_CLOSE);
  EXPECT_FALSE(ui::is_window(b));
  EXPECT_EQ(LastKey(), kRunWinClosing);
  ui::Message m;
  bool quit = false;
  while (ui::peek(m))
    if (m.msg == ui::WM_QUIT) quit = true;
  EXPECT_FALSE(quit);
  EXPECT_EQ(RunWinCurrent(), 0u);
  EXPECT_EQ(WinTop(), RunWinHandle(1));
  EXPECT_EQ(Exec(kStmtPrint, "'x'"), 0);  // nowhere to show it, and no error
  EXPECT_TRUE(Labels(RunWinHandle(1)).empty());
  VarSysIntSet(kSysLastKey, kKeyOther);
  EXPECT_EQ(Exec(kStmtRead, ""), st::DATAOUTBOUND);
  EXPECT_EQ(Exec(kStmtWinClose, ""), 0);
  EXPECT_EQ(RunWinCount(), 1);
  EXPECT_EQ(WinFrameLevel(), 1);
}

// A run closes the windows it opened, newest first, with their frames and
// the fields it queued, whether it fails or ends well; windows open before
// it stay.
TEST_F(RunWinTest, ARunClosesItsWindows) {
  ASSERT_EQ(Exec(kStmtWinOpen, "20,5,'Before'"), 0);
  ASSERT_EQ(Exec(kStmtAccept, "\"'X:':'A2':x$\""), 0);
  const char* sources[] = {
      "WINOPEN 30,5,'A'\nWINOPEN 30,5,'B'\nACCEPT \"'Y:':'A2':y$\"\nKILL\n",  // fails: too few arguments
      "WINOPEN 30,5,'A'\nWINOPEN 30,5,'B'\nACCEPT \"'Y:':'A2':y$\"\nPRINT 'x'\n",
  };
  for (const char* src : sources) {
    SCOPED_TRACE(src);
    Status s = Run(src);
    EXPECT_EQ(s, src == sources[0] ? st::SINTAXERROR : 0);
    EXPECT_EQ(RunWinCount(), 1);
    EXPECT_EQ(WinFrameLevel(), 1);
    EXPECT_EQ(Alive(), 1);
    EXPECT_EQ(DynStrCount(AcceptQueueList), 1u);
    EXPECT_EQ(TextWinGeomGet().columns, 20);
    EXPECT_TRUE(ui::is_enabled(RunWinHandle(1)));  // modal no longer
    EXPECT_EQ(WinTop(), RunWinHandle(1));
  }
}

}  // namespace
