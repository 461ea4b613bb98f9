// The window list, window creation and the message loops, on the headless
// window system in `fail` mode (an unscripted wait is reported and fails the
// test).
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/dynstrings.h"
#include "screens/window/winlist.h"
#include "support/headless_fixture.h"
#include "support/runtime_fixture.h"

namespace {

using ui::Hwnd;
constexpr uint16_t kF1 = ui::VK_F1, kF2 = ui::VK_F1 + 1, kF3 = ui::VK_F1 + 2;

std::vector<std::string> g_log;
std::map<Hwnd, std::string> g_names;
std::map<Hwnd, std::function<void(ui::WParam)>> g_onKey;
std::map<Hwnd, bool> g_refuseClose;

std::string Name(Hwnd h) { return g_names.count(h) ? g_names[h] : "#" + std::to_string(h); }

// Behaves as the screens' base procedure does towards the list: a destroyed
// window leaves it, and the last one leaving posts the quit of the main loop.
ui::LResult BaseProc(Hwnd h, ui::Msg m, ui::WParam wp, ui::LParam lp) {
  switch (m) {
    case ui::WM_SETFOCUS:
      g_log.push_back(Name(h) + " setfocus");
      return 0;
    case ui::WM_CLOSE:
      g_log.push_back(Name(h) + " close");
      if (!g_refuseClose[h]) ui::destroy_window(h);
      return 0;
    case ui::WM_DESTROY:
      g_log.push_back(Name(h) + " destroy");
      if (WinUnregister(h)) PostQuit(h);
      return 0;
    case ui::WM_KEYDOWN:
      if (g_onKey.count(h)) g_onKey[h](wp);
      return 0;
    default:
      return ui::def_window_proc(h, m, wp, lp);
  }
}

ui::LResult RefuseCreate(Hwnd, ui::Msg m, ui::WParam, ui::LParam) { return m == ui::WM_CREATE ? -1 : 0; }

class WinListTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(DynStrInit(), 0);
    g_log.clear();
    g_names.clear();
    g_onKey.clear();
    g_refuseClose.clear();
    Backend();
  }
  void TearDown() override {
    EXPECT_TRUE(reports.empty()) << reports.front();
    AppSignalsRestore();
    ui::shutdown();
    WinListReset();
    RuntimeTest::TearDown();
  }
  // A fresh headless window system and an empty list.
  void Backend() {
    hl = HeadlessInstall(&reports);
    WinListReset();
  }
  Hwnd Open(const char* name, uint32_t style = ui::WS_CAPTION, const char* cls = "Mant") {
    Hwnd h = WinClassCreate(StrFromC(cls), StrFromC(name), style, 10, 20, 400, 300, 0, BaseProc);
    if (h) g_names[h] = name;
    return h;
  }
  Hwnd OpenModal(const char* name) { return Open(name, ui::WS_POPUP | ui::WS_CAPTION | kWinModalStyle, "Dialogx"); }
  // The main window, shown as the main loop shows it.
  Hwnd OpenMain() {
    Hwnd a = Open("A", ui::WS_OVERLAPPED, "Orbis");
    WinShowState(kWinShowMaximized);
    WinShowState(kWinShowNow);
    return a;
  }
  std::vector<std::string> Log(const std::string& part) {
    std::vector<std::string> out;
    for (const std::string& s : g_log)
      if (s.find(part) != std::string::npos) out.push_back(s);
    return out;
  }

  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
};

// ---- The list ---------------------------------------------------------------

TEST_F(WinListTest, RaisingKeepsTheOthersInOrderAndRemovingALowerWindowLeavesTheTopAlone) {
  EXPECT_EQ(WinTop(), 0u);  // uninitialised
  EXPECT_EQ(WinCount(), 0);
  Hwnd a = Open("A"), b = Open("B"), c = Open("C"), d = Open("D");
  EXPECT_EQ(WinTopId(d), kWinNoRecord);
  EXPECT_EQ(WinRegister(b, 7), b);
  EXPECT_EQ(WinCount(), 4);
  EXPECT_EQ(WinTopId(b), 7);
  EXPECT_EQ(WinTopId(0), kWinNoRecord);

  // The top's field keeps the focus when a window below leaves.
  WinShowState(kWinShowNow);
  ui::CreateSpec field;
  field.cls = "EDIT";
  field.style = ui::WS_CHILD | ui::WS_VISIBLE;
  field.parent = b;
  Hwnd edit = ui::create_window(field);
  ui::set_focus(edit);
  g_log.clear();
  EXPECT_FALSE(WinUnregister(c));
  EXPECT_EQ(WinTop(), b);
  EXPECT_EQ(ui::get_focus(), edit);
  EXPECT_TRUE(g_log.empty());
  EXPECT_FALSE(WinUnregister(c));  // no longer listed: nothing changes
  EXPECT_EQ(WinCount(), 3);

  // What is left, from the top: B, D, A.
  std::vector<Hwnd> order;
  for (Hwnd top = WinTop(); top; top = WinTop()) {
    order.push_back(top);
    WinUnregister(top);
  }
  EXPECT_EQ(order, (std::vector<Hwnd>{b, d, a}));
  EXPECT_EQ(Log("setfocus"), (std::vector<std::string>{"D setfocus", "A setfocus"}));
  EXPECT_TRUE(WinUnregister(a));
  EXPECT_TRUE(PumpMessages(0));
  WinShowState(kWinShowNow);  // nothing to show, nothing happens
}

TEST_F(WinListTest, AFullListTakesNoMoreWindowsAndAFreedSlotIsReused) {
  Hwnd first = Open("A");
  std::vector<Hwnd> all{first};
  for (int i = 1; i < kWinSlots; ++i) all.push_back(Open("W"));
  ASSERT_EQ(WinCount(), kWinSlots);
  EXPECT_EQ(WinSlotFind(0), kWinSlots);
  Hwnd owner = WinTop();
  size_t tops = ui::top_levels().size();

  ui::CreateSpec plain;
  plain.cls = "Mant";
  EXPECT_EQ(WinRegister(ui::create_window(plain), 1), 0u);
  EXPECT_EQ(WinTop(), owner);
  // A modal window that cannot be listed is not kept, and its owner is not
  // left disabled.
  EXPECT_EQ(OpenModal("M"), 0u);
  EXPECT_EQ(ui::top_levels().size(), tops + 1);  // only the unlisted plain window
  EXPECT_TRUE(ui::is_enabled(owner));
  EXPECT_EQ(WinCount(), kWinSlots);

  int slot = WinSlotFind(all[5]);
  WinUnregister(all[5]);
  EXPECT_EQ(WinSlotFind(0), slot);
  Hwnd again = OpenModal("M");
  ASSERT_NE(again, 0u);
  EXPECT_EQ(WinSlotFind(again), slot);
  EXPECT_FALSE(ui::is_enabled(owner));
}

// ---- Creation ---------------------------------------------------------------

TEST_F(WinListTest, CreationListsTheWindowOwnedByTheTopAndTheModalBitDisablesTheOwner) {
  Hwnd a = Open("A");
  Hwnd b = WinClassCreate(StrFromC("Grid"), StrFromC("B"), ui::WS_POPUP | kWinModalStyle, kWinDefault, kWinDefault,
                          kWinDefault, kWinDefault, 0, nullptr);
  ASSERT_NE(b, 0u);
  EXPECT_TRUE(ui::class_exists("Grid"));
  EXPECT_EQ(ui::get_window_proc(b), ui::def_window_proc);  // no procedure given
  EXPECT_EQ(ui::get_owner(b), a);
  EXPECT_EQ(ui::get_ex_style(b), ui::WS_EX_DLGMODALFRAME);
  EXPECT_EQ(ui::get_window_rect(b).Width(), ui::profile().defaultWidth);
  EXPECT_EQ(ui::get_window_rect(b).Height(), ui::profile().defaultHeight);
  EXPECT_EQ(WinTop(), b);
  EXPECT_EQ(WinTopId(b), kWinNoRecord);
  EXPECT_FALSE(ui::is_enabled(a));

  // A class keeps the procedure it was registered with.
  Hwnd c = WinClassCreate(StrFromC("Grid"), StrFromC("C"), ui::WS_POPUP, 1, 2, 30, 40, 0, BaseProc);
  EXPECT_EQ(ui::get_window_proc(c), ui::def_window_proc);
  EXPECT_EQ(ui::get_window_rect(c), (ui::Rect{1, 2, 31, 42}));
  EXPECT_TRUE(ui::is_enabled(b));  // not modal: its owner stays enabled

  EXPECT_EQ(WinDestroy(c), 0);
  EXPECT_EQ(WinDestroy(c), 0xFFFF);
  WinSetText(b, StrFromC("Lines"));
  WinSetText(0, StrFromC("ignored"));
  EXPECT_EQ(ui::get_text(b), "Lines");
}

TEST_F(WinListTest, AFailedCreationGivesNullAndEnablesTheOwnerAgain) {
  Hwnd a = Open("A");
  WinShowState(kWinShowNow);
  EXPECT_EQ(WinClassCreate(StrFromC("Broken"), StrFromC("X"), ui::WS_POPUP | kWinModalStyle, 0, 0, 10, 10, 0,
                           RefuseCreate),
            0u);
  EXPECT_TRUE(ui::is_enabled(a));
  EXPECT_EQ(ui::get_focus(), a);
  EXPECT_EQ(WinCount(), 1);
  EXPECT_EQ(WinClassCreate(StrErr(st::OUTOFMEMORY), StrFromC("X"), 0, 0, 0, 10, 10, 0, BaseProc), 0u);
  EXPECT_EQ(WinClassCreate(StrFromC(""), StrFromC("X"), kWinModalStyle, 0, 0, 10, 10, 0, BaseProc), 0u);
  EXPECT_TRUE(ui::is_enabled(a));
}

TEST_F(WinListTest, ShowStatesOfTheTopWindow) {
  const ui::Rect work = ui::profile().workArea;
  struct Case {
    const char* id;
    std::vector<uint16_t> requests;
    bool maximized;
  } cases[] = {
      {"state 4 shows maximised", {kWinShowMaximized, kWinShowNow}, true},
      {"1 stores 0", {kWinShowMaximized, kWinShowReset, kWinShowNow}, false},
      {"2 restores, state kept", {kWinShowMaximized, kWinShowNow, kWinShowRestore}, false},
      {"state kept after 2", {kWinShowMaximized, kWinShowNow, kWinShowRestore, kWinShowNow}, true},
      {"plain window", {kWinShowNow}, false},
  };
  for (const Case& c : cases) {
    Hwnd h = Open("A");
    for (uint16_t r : c.requests) WinShowState(r);
    EXPECT_TRUE(ui::is_visible(h)) << c.id;
    EXPECT_EQ(ui::is_maximized(h), c.maximized) << c.id;
    EXPECT_EQ(ui::get_window_rect(h) == work, c.maximized) << c.id;
    ui::destroy_window(h);
  }
}

// ---- Loops ------------------------------------------------------------------

TEST_F(WinListTest, AModalLoopEndsWhenItsWindowIsDestroyedThenTheMainLoopOnTheLastOne) {
  Hwnd a = OpenMain();
  Hwnd b = OpenModal("B");
  EXPECT_FALSE(ui::is_enabled(a));
  hl->close().close();
  g_log.clear();
  EXPECT_EQ(WinModalReturn(a, b), 0);
  EXPECT_FALSE(ui::is_window(b));
  EXPECT_TRUE(ui::is_enabled(a));
  EXPECT_EQ(ui::get_focus(), a);
  EXPECT_EQ(g_log, (std::vector<std::string>{"B setfocus", "B close", "B destroy", "A setfocus"}));

  EXPECT_EQ(WinRunModal(0), 0);
  EXPECT_FALSE(ui::is_window(a));
  EXPECT_EQ(WinTop(), 0u);
  EXPECT_EQ(ui::pending_count(), 0u);  // the quit and the rest were taken
}

TEST_F(WinListTest, AQuitEndsOnlyTheInnerOfTwoNestedLoops) {
  Hwnd a = OpenMain();
  Hwnd b = OpenModal("B");
  Hwnd c = 0;
  bool innerEndedOnTop = false;
  g_onKey[b] = [&](ui::WParam vk) {
    g_log.push_back("B key " + std::to_string(vk));
    if (vk != kF1) return;
    c = OpenModal("C");
    g_onKey[c] = [&](ui::WParam) { PostQuit(c); };
    WinModalReturn(b, c);
    innerEndedOnTop = WinTop() == c;
    g_log.push_back("inner loop returned");
    WinDestroy(c);
  };
  hl->key(kF1).key(kF2).key(kF3).close();
  g_log.clear();
  WinModalReturn(a, b);
  EXPECT_TRUE(innerEndedOnTop);
  // F2 went to C; the caller B is given the focus back as the inner loop returns.
  EXPECT_EQ(g_log, (std::vector<std::string>{"B setfocus", "B key 112", "C setfocus", "B setfocus",
                                             "inner loop returned", "C destroy", "B key 114", "B close",
                                             "B destroy", "A setfocus"}));
  EXPECT_EQ(WinTop(), a);
}

TEST_F(WinListTest, AQuitMetByAPumpInsideTheWorkEndsTheLoopItWasMeantFor) {
  OpenMain();
  Hwnd b = OpenModal("B");
  bool pumpSawQuit = false;
  g_onKey[b] = [&](ui::WParam) {
    PostQuit(b);
    pumpSawQuit = PumpMessages(0);  // as a long piece of work pumps
  };
  hl->key(ui::VK_RETURN);
  WinRunModal(b);
  EXPECT_TRUE(pumpSawQuit);
  EXPECT_EQ(WinTop(), b);  // ended by the quit, not by leaving the top
}

// A window that comes on top ends the loop beneath it, as if its window had
// been closed: script authors opening a window from a form see the form's
// loop return.
TEST_F(WinListTest, AWindowComingOnTopEndsTheLoopBelow) {
  OpenMain();
  Hwnd b = OpenModal("B");
  g_onKey[b] = [&](ui::WParam) { Open("Output"); };
  hl->key(ui::VK_RETURN);
  WinRunModal(b);
  EXPECT_TRUE(ui::is_window(b));
  EXPECT_EQ(g_names[WinTop()], "Output");
}

// ---- Signals ----------------------------------------------------------------

class WinSignalTest : public WinListTest {
 protected:
  void SetUp() override {
    WinListTest::SetUp();
    setenv("KX_UI", "headless", 1);
    ASSERT_EQ(AppInstanceInit(nullptr, nullptr, nullptr), 0);
    unsetenv("KX_UI");
    Backend();  // the test's own back end, fresh list
  }
  // Main window A; F1 on A runs modal window B, F2 on B raises the signal.
  Hwnd MainWithModal() {
    Hwnd a = OpenMain();
    g_onKey[a] = [this, a](ui::WParam vk) {
      if (vk != kF1) return;
      Hwnd b = OpenModal("B");
      g_onKey[b] = [b](ui::WParam vk) {
        if (vk == kF2) {
          std::raise(SIGTERM);
          AppSignalsRestore();  // a hang stays killable
        }
        if (vk == kF3) ui::destroy_window(b);
      };
      g_refuseClose[b] = refuseB;
      WinModalReturn(a, b);
    };
    return a;
  }
  bool refuseB = false;
};

TEST_F(WinSignalTest, ASignalClosesTheWindowsFromTheTopThroughTheLoop) {
  Hwnd a = MainWithModal();
  hl->key(kF1).key(kF2);
  EXPECT_EQ(WinRunModal(0), 0);
  EXPECT_FALSE(ui::is_window(a));
  EXPECT_EQ(AppCloseSignalled(), SIGTERM);
  EXPECT_EQ(Log("close"), (std::vector<std::string>{"B close", "A close"}));
  EXPECT_EQ(Log("destroy"), (std::vector<std::string>{"B destroy", "A destroy"}));
}

TEST_F(WinSignalTest, AWindowThatRefusesTheCloseEndsTheRequest) {
  refuseB = true;
  Hwnd a = MainWithModal();
  // B refuses; the loop goes idle; B then goes away by itself and A is not
  // asked: only the person's own close ends it.
  hl->key(kF1).key(kF2).advance(1).key(kF3).close();
  WinRunModal(0);
  EXPECT_FALSE(ui::is_window(a));
  EXPECT_EQ(Log("close"), (std::vector<std::string>{"B close", "A close"}));
  EXPECT_EQ(hl->steps_left(), 0u);
}

TEST_F(WinSignalTest, ASecondSignalBeforeTheFirstIsTakenUpEndsTheProgramAtOnce) {
  EXPECT_EXIT(
      {
        std::raise(SIGTERM);
        std::raise(SIGTERM);
        std::exit(0);
      },
      testing::KilledBySignal(SIGTERM), "");
}

// ---- Start ------------------------------------------------------------------

TEST_F(WinListTest, StartStoresTheInstanceAndTheCommandLineWithQuotedBlankPairsMadeSingle) {
  struct Case {
    const char* line;
    const char* stored;
  } cases[] = {
      {"PROG a\"  \"b", "PROG a\" \"b"},
      {"x\"  \"y\"  \"z", "x\" \"y\" \"z"},
      {"\"   \" \"  x\"", "\"   \" \"  x\""},
      {"/DPATH=C:\\KX", "/DPATH=C:\\KX"},
  };
  setenv("KX_UI", "headless", 1);
  int instance = 0;
  for (const Case& c : cases) {
    ASSERT_EQ(AppInstanceInit(&instance, c.line, nullptr), 0) << c.line;
    EXPECT_EQ(DynStrGet(SettingsList, SetCommandLineItem).View(), c.stored) << c.line;
  }
  EXPECT_EQ(AppInstance(), &instance);
  // The callback's status is the answer only when no command line follows it.
  auto failing = []() -> Status { return st::BADINPUTDATA; };
  EXPECT_EQ(AppInstanceInit(nullptr, nullptr, failing), st::BADINPUTDATA);
  EXPECT_EQ(AppInstanceInit(nullptr, "P", failing), 0);
  // A back-end setting that cannot be honoured is told, on a working back end.
  setenv("KX_UI", "paper", 1);
  EXPECT_EQ(AppInstanceInit(nullptr, "P", nullptr), st::BADINPUTDATA);
  EXPECT_STREQ(ui::backend().name(), "headless");
  unsetenv("KX_UI");
  Backend();
}

}  // namespace
