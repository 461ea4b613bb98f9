// The progress window on the headless window system in `fail` mode: the
// bar's count and scaling, the window and its controls, the ways to cancel,
// the copy pump's throttle and text mode.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "screens/forms/progress.h"
#include "screens/window/winlist.h"
#include "support/runtime_fixture.h"

namespace {

class ProgressTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
    ui::HeadlessOptions o;
    o.stall = ui::StallPolicy::Fail;
    o.hostClock = true;  // the millisecond clock follows the virtual one
    o.onFailure = [this](const std::string& r) { reports.push_back(r); };
    ui::init(std::make_unique<ui::Headless>(std::move(o)));
    hl = ui::headless();
    WinListReset();
  }
  void TearDown() override {
    ProgressClose();
    EXPECT_TRUE(reports.empty()) << reports.front();
    ui::shutdown();
    WinListReset();
    RuntimeTest::TearDown();
  }
  // A listed window on top, as a screen is when work starts from it.
  ui::Hwnd Owner() {
    ui::Hwnd w = WinClassCreate(StrFromC("TstOwner"), StrFromC("owner"), 0, 0, 0, 800, 600, 0, nullptr);
    EXPECT_NE(w, 0u);
    ui::show_window(w, ui::Show::Show);
    return w;
  }
  // The window's child of a class.
  static ui::Hwnd ChildOf(const char* cls) {
    for (ui::Hwnd c : ui::children(ProgressWindow()))
      if (ui::class_name(c) == cls) return c;
    return 0;
  }
  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
};

TEST_F(ProgressTest, BarCountsAndScalesIntoItsRange) {
  struct Row {
    const char* id;
    uint32_t total;
    uint64_t divisorFirst;
    uint32_t steps;
    uint32_t position;
    uint32_t range;
    uint64_t divisor;
  } rows[] = {
      // Without a total the bar cycles through 1 to 200.
      {"cycle-1", 0, 0, 1, 1, 200, 0},
      {"cycle-200", 0, 0, 200, 200, 200, 0},
      {"cycle-201", 0, 0, 201, 1, 200, 0},
      {"cycle-400", 0, 0, 400, 200, 200, 0},
      // 1,000,000 halved four times: 16 units per step of the bar, halves up.
      {"million-8", 1000000, 0, 8, 1, 62500, 16},
      {"million-24", 1000000, 0, 24, 2, 62500, 16},
      {"million-all", 1000000, 0, 1000000, 62500, 62500, 16},
      // A divisor of 65,536 doubles in full: the bar barely moves.
      {"divisor-65536", 1000000, 65536, 1000000, 1, 62500, 65536u * 16},
      {"small-total", 10, 0, 12, 12, 10, 0},  // the record counts on past the range
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    ASSERT_EQ(ProgressOpen(0, r.total), 0);
    if (r.divisorFirst) ProgressSetDivisor(r.divisorFirst);
    for (uint32_t i = 0; i < r.steps; ++i) ASSERT_EQ(ProgressAdvance(r.total, 1), 0);
    EXPECT_EQ(ProgressPosition(), r.position);
    EXPECT_EQ(ProgressRangeGet(), r.range);
    EXPECT_EQ(ProgressDivisor(), r.divisor);
    ui::Hwnd bar = ChildOf("msctls_progress32");
    EXPECT_EQ(ui::progress_range(bar), (std::pair<int, int>{0, static_cast<int>(r.range)}));
    EXPECT_EQ(ui::progress_pos(bar), static_cast<int>(std::min(r.position, r.range)));
    ProgressClose();
    EXPECT_EQ(ProgressPosition(), 0u);
    EXPECT_EQ(ProgressDivisor(), 0u);
  }
}

TEST_F(ProgressTest, WindowIsCentredModalAndGivesItsOwnerBack) {
  struct Row {
    int width;
    ui::Rect rect;  // 1280 x 1024 screen, work area 1280 x 1000, dialog frame 3
  } rows[] = {
      {0, {420, 467, 860, 563}},
      {-1, {420, 467, 860, 563}},
      {300, {470, 467, 810, 563}},
      {5000, {0, 467, 1280, 563}},  // reduced to the work area less 40, never left of the screen
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.width);
    ui::Hwnd owner = Owner();
    ASSERT_EQ(ProgressOpen(r.width, 10), 0);
    ui::Hwnd w = ProgressWindow();
    EXPECT_EQ(WinTop(), w);
    EXPECT_EQ(ui::class_name(w), "Progress");
    EXPECT_EQ(ui::get_text(w), "Process in progress.....");
    EXPECT_EQ(ui::get_window_rect(w), r.rect);
    EXPECT_FALSE(ui::is_enabled(owner));
    EXPECT_EQ(ui::get_focus(), w);  // so that Esc reaches the window
    int width = r.rect.Width() - 40;
    ui::Hwnd bar = ChildOf("msctls_progress32");
    EXPECT_EQ(ui::get_window_rect(bar).Width(), width);
    ui::Hwnd button = ui::get_dlg_item(w, kProgressCancelId);
    ASSERT_NE(button, 0u);
    EXPECT_EQ(ui::get_text(button), "Cancel");
    ui::Point corner = ui::screen_to_client(w, {ui::get_window_rect(button).left, ui::get_window_rect(button).top});
    EXPECT_EQ(corner.x, width - 50);
    EXPECT_EQ(corner.y, 35);
    EXPECT_EQ(ProgressOpen(r.width, 10), 0);  // open already: the same window
    EXPECT_EQ(ProgressWindow(), w);
    ProgressClose();
    EXPECT_FALSE(ui::is_window(w));
    EXPECT_EQ(WinTop(), owner);
    EXPECT_TRUE(ui::is_enabled(owner));
    EXPECT_EQ(WinCount(), 1);
    WinDestroy(owner);
    WinUnregister(owner);
  }
}

TEST_F(ProgressTest, CancelStaysUntilCloseAndTheCloseBoxKeepsTheWindow) {
  struct Row {
    const char* id;
    void (*act)(ui::Headless&);
  } rows[] = {
      {"esc", [](ui::Headless& h) { h.wait_top("Progress").key(ui::VK_ESCAPE); }},
      {"cancel-button", [](ui::Headless& h) { h.click(kProgressCancelId); }},
      {"esc-on-button",
       [](ui::Headless& h) {
         ui::set_focus(ui::get_dlg_item(ProgressWindow(), kProgressCancelId));
         h.key(ui::VK_ESCAPE);
       }},
      {"close-box", [](ui::Headless& h) { h.close(); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    ui::Hwnd owner = Owner();
    ASSERT_EQ(ProgressStep(100, 1, StrMake("", 0)), 0);
    ui::Hwnd w = ProgressWindow();
    r.act(*hl);
    EXPECT_EQ(ProgressStep(100, 1, StrMake("", 0)), st::USERCANCELED);
    EXPECT_EQ(ProgressPoll(), st::USERCANCELED);  // the flag stays
    EXPECT_EQ(ProgressStep(100, 1, StrMake("", 0)), st::USERCANCELED);
    EXPECT_TRUE(ui::is_window(w));  // the work closes it, not the user
    EXPECT_EQ(WinTop(), w);
    EXPECT_EQ(WinCount(), 2);
    ProgressClose();
    EXPECT_TRUE(ui::is_enabled(owner));
    EXPECT_EQ(WinTop(), owner);
    EXPECT_EQ(ProgressStep(100, 1, StrMake("", 0)), 0);  // a new run starts uncancelled
    ProgressClose();
    WinDestroy(owner);
    WinUnregister(owner);
    EXPECT_EQ(hl->steps_left(), 0u);
  }
}

TEST_F(ProgressTest, AWindowDestroyedWithItsOwnerLeavesTheListAndStopsTheWork) {
  ui::Hwnd owner = Owner();
  ASSERT_EQ(ProgressOpen(0, 10), 0);
  ui::Hwnd w = ProgressWindow();
  ui::destroy_window(owner);  // owned windows go first
  EXPECT_FALSE(ui::is_window(w));
  EXPECT_FALSE(ProgressIsOpen());
  EXPECT_EQ(WinSlotFind(w), kWinSlots);
  EXPECT_EQ(ProgressStep(10, 1, StrMake("", 0)), st::USERCANCELED);
  EXPECT_FALSE(ProgressIsOpen());  // not opened again for a stopped work
  WinUnregister(owner);
  ProgressClose();
  EXPECT_EQ(ProgressStep(10, 1, StrMake("", 0)), 0);
}

TEST_F(ProgressTest, CopyPumpMovesTheBarAtMostEvery32Ms) {
  ASSERT_EQ(ProgressOpen(0, 0), 0);
  ProgressPumpHook(0);
  // Every pump that finds nothing to do lets a virtual millisecond pass.
  for (int i = 0; i < 10; ++i) ProgressPumpHook(2);
  EXPECT_EQ(ProgressPosition(), 0u);
  hl->advance_clock(20);  // 31 ms since the restart with the next pump
  ProgressPumpHook(2);
  EXPECT_EQ(ProgressPosition(), 0u);
  ProgressPumpHook(2);  // 32
  EXPECT_EQ(ProgressPosition(), 1u);
  for (int i = 0; i < 10; ++i) ProgressPumpHook(2);
  EXPECT_EQ(ProgressPosition(), 1u);
  hl->advance_clock(31);
  ProgressPumpHook(2);
  EXPECT_EQ(ProgressPosition(), 2u);
  ProgressPumpHook(0);
  hl->advance_clock(40);
  ProgressPumpHook(1);  // pumps only
  EXPECT_EQ(ProgressPosition(), 2u);
}

TEST_F(ProgressTest, TextModeShowsOneLineAndTakesOverABarWindow) {
  ProgressSetTitle(StrFromC("Import of CUST.TXT"));
  ASSERT_EQ(ProgressText(StrFromC("Reading\r\nCUST")), 0);
  ui::Hwnd w = ProgressWindow();
  EXPECT_EQ(ui::get_text(w), "Import of CUST.TXT");
  EXPECT_EQ(ui::get_window_rect(w).Width(), 440);
  ui::Hwnd text = ChildOf("STATIC");
  ASSERT_NE(text, 0u);
  EXPECT_EQ(ui::get_text(text), "Reading  CUST");
  EXPECT_EQ(ProgressStep(0, 1, StrFromC("Writing")), 0);  // text mode: the text, not the bar
  EXPECT_EQ(ui::get_text(text), "Writing");
  EXPECT_EQ(ProgressPosition(), 0u);
  ProgressSetTitle(StrFromC("Export"));
  EXPECT_EQ(ui::get_text(w), "Export");
  ProgressClose();
  // A bar window switched to text keeps text for the rest of its life.
  ASSERT_EQ(ProgressOpen(0, 5), 0);
  EXPECT_EQ(ui::get_text(ProgressWindow()), "Process in progress.....");  // the title went with the close
  ASSERT_EQ(ProgressStep(5, 1, StrMake("", 0)), 0);
  ASSERT_EQ(ProgressText(StrFromC("Key 0042")), 0);
  EXPECT_EQ(ChildOf("msctls_progress32"), 0u);
  EXPECT_EQ(ui::get_text(ChildOf("STATIC")), "Key 0042");
  EXPECT_EQ(ProgressStep(5, 1, StrFromC("Key 0043")), 0);
  EXPECT_EQ(ui::get_text(ChildOf("STATIC")), "Key 0043");
  EXPECT_EQ(ui::get_dlg_item(ProgressWindow(), kProgressCancelId) != 0, true);
}

}  // namespace
