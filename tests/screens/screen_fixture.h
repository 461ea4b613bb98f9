// Shared set-up of the screen tests: a runtime with the system variables, a
// two-file dictionary (CUST with a two-part key, ZONE), the default text
// geometry, and helpers to parse a definition text into a screen.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"

#include "data/dictionary/dictionary.h"
#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "screens/window/fonttable.h"
#include "screens/window/geometry.h"
#include "screens/window/screendef.h"
#include "screens/window/winlist.h"
#include "script/objparams.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

inline StrValue S(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

inline uint16_t LiveBlocksOf(uint16_t owner) {
  uint16_t n = 0;
  for (uint16_t i = 0; i < MemSlotCount(); ++i)
    if (MemSlotAt(i)->ptr && MemSlotAt(i)->owner == owner) ++n;
  return n;
}

// A layout field: row, column, width (length, limit and display width) and type.
inline FieldDesc LayoutField(uint16_t row, uint16_t col, uint16_t width, char type) {
  FieldDesc f;
  f.row = row;
  f.col = col;
  f.length = f.limit = f.width = width;
  f.type = type;
  return f;
}

class ScreenTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    TaskHooksReset();
    ASSERT_EQ(VarSysInit(), 0);
    TextWinGeomReset();
    ASSERT_EQ(DicDefineFile(0, S("CUST"), S("")), 0);  // file 1
    ASSERT_EQ(DicDefineField(S("CODE"), 6, 'A'), 0);
    ASSERT_EQ(DicDefineField(S("NAME"), 30, 'A'), 0);
    ASSERT_EQ(DicDefineField(S("CITY"), 20, 'A'), 0);
    ASSERT_EQ(DicDefineFile(0, S("ZONE"), S("")), 0);  // file 2
    ASSERT_EQ(DicDefineField(S("ZCODE"), 4, 'A'), 0);
    ASSERT_EQ(DicDefineField(S("ZNAME"), 20, 'A'), 0);
  }
  void TearDown() override {
    TextWinGeomReset();
    TaskHooksReset();
    RuntimeTest::TearDown();
  }

  // Pushes the definition as the current parameter string and parses it
  // with the layout; the parameter string is popped again.
  Status Parse(const std::string& text, const std::vector<FieldDesc>& layout = {}, const std::string& name = "TST",
               ScreenDesc desc = {}) {
    EXPECT_EQ(DynStrPush(ObjParamsList, S(text)), 0);
    Status s = ScreenDefParse(desc, layout.data(), static_cast<uint16_t>(layout.size()), StrFromView(name));
    ParmStrPop();
    return s;
  }
  static std::string FieldName(int n) {
    const ScreenDesc* s = ScreenGet(kCurrentIndex);
    return ScreenSliceText(*s, s->fields[n - 1].name).Str();
  }
};

// Screens with windows: the headless window system in `fail` mode (frames 0,
// work area 1280 x 1000, cell 8 x 16) and a private default directory that
// definition and layout files are written into, the log file too (not the
// current folder).
class ScreenUiTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    FontTableReset();
    Backend();
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir.path())), 0);
    ASSERT_EQ(LogSetName(S(dir.File("log.txt"))), 0);
  }
  // A fresh window system with frames 0 (window and client sizes equal, as
  // the worked examples assume) and an empty window list.
  void Backend(int workHeight = 1000) {
    ui::HeadlessOptions o;
    o.stall = ui::StallPolicy::Fail;
    o.onFailure = [this](const std::string& r) { reports.push_back(r); };
    ui::Profile& p = o.profile;
    p.caption = p.menuBar = p.border = p.dialogFrame = p.thickFrame = p.clientEdge = 0;
    p.workArea.bottom = workHeight;
    ui::init(std::make_unique<ui::Headless>(std::move(o)));
    hl = ui::headless();
    WinListReset();
  }
  void TearDown() override {
    EXPECT_TRUE(reports.empty()) << reports.front();
    ui::shutdown();
    WinListReset();
    FontTableReset();
    ScreenTest::TearDown();
  }
  // Takes every scripted step, as the message loop of a window would, and
  // what they leave pending.
  void Drive() {
    while (hl->steps_left()) PumpMessages(0);
    PumpMessages(0);
  }
  // A definition or layout file of tag-1 lines ("01 " in front of each).
  void WriteTagged(const std::string& name, const std::vector<std::string>& lines) {
    std::ofstream out(dir.File(name), std::ios::binary);
    for (const std::string& l : lines) out << "01 " << l << "\r\n";
  }
  // A plain top-level window on top of the list, as a screen family makes one.
  // With a procedure, the window is of a class of its own that has it.
  ui::Hwnd Window(int x = 0, int y = 0, int w = 800, int h = 600, ui::WndProc proc = nullptr) {
    ui::Hwnd win = WinClassCreate(S(proc ? "TstProc" : "TstScreen"), S("screen"), 0, static_cast<uint16_t>(x),
                                  static_cast<uint16_t>(y), static_cast<uint16_t>(w), static_cast<uint16_t>(h), 0, proc);
    EXPECT_NE(win, 0u);
    return win;
  }
  TempDir dir;
  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
};
