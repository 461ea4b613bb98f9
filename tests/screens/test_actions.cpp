// Action codes: command ids, the key-map table, key classes and their sets,
// window specs and the status line.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/fmtdate.h"
#include "screens/window/actions.h"
#include "screens/window/winlist.h"
#include "screen_fixture.h"

namespace {

using ActionTest = ScreenTest;

// The product rule the codes were first computed with: id x 256 plus a
// constant per range, in 16 bits.
uint16_t Product(uint32_t id, int64_t constant) { return static_cast<uint16_t>(id * 256 + constant); }

TEST_F(ActionTest, CommandIdsTranslateAndMarkTheLastKey) {
  struct Case {
    uint32_t id;
    uint16_t want;
  } cases[] = {
      {1499, kNoAction},
      {1500, Product(1500, 0x2410)},  {1699, 0xC710},
      {1700, Product(1700, 0x5C0F)},  {1949, Product(1949, 0x5C0F)},
      {1950, kNoAction},
      {3000, Product(3000, 0x4819)},  {3020, Product(3020, 0x4819)},
      {3021, kNoAction},
      {3100, 0x6419},                 {3101, 0x6519},
      {3600, Product(3600, -0xFD5)},  {3649, Product(3649, -0xFD5)},
      {3650, Product(3650, -934356)}, {3905, 0xFF2C},
      {3906, kNoAction},  // its parameter would pass 255
  };
  for (const Case& c : cases) {
    VarSysIntSet(kSysLastKey, 9);
    EXPECT_EQ(CommandToAction(c.id), c.want) << c.id;
    EXPECT_EQ(VarSysIntGet(kSysLastKey), c.want == kNoAction ? 9 : kKeyOther) << c.id;
  }
}

TEST_F(ActionTest, KeyMapTableByMode) {
  // class -> {mode 0, mode 1}; every other class is 0 in both.
  const std::map<int, std::pair<uint16_t, uint16_t>> table = {
      {0, {1, 1}},           {3, {21, 21}},         {8, {2, 2}},           {9, {1, 1}},
      {11, {19, 19}},        {12, {20, 20}},        {13, {0x0D19, 0x0F19}}, {14, {0x0C19, 0}},
      {15, {0x1119, 0x1119}}, {16, {0x0719, 0x0719}}, {17, {0x0E19, 0x0E19}}, {18, {0x0A19, 0x0A19}},
      {19, {0x0919, 0x0919}}, {20, {0x1019, 0x1019}}, {21, {0x1019, 0x0F19}}, {22, {32, 32}},
      {23, {0x0319, 0x0319}}, {28, {31, 31}},        {29, {0x0519, 0x0519}}, {32, {22, 22}},
  };
  for (int mode = 0; mode <= 2; ++mode) {
    VarSysIntSet(kSysKeyMap, static_cast<int16_t>(mode));
    for (uint16_t cls = 0; cls <= 33; ++cls) {
      auto it = table.find(cls);
      uint16_t want = it == table.end() || mode == 2 || cls > 32 ? 0 : (mode == 0 ? it->second.first : it->second.second);
      EXPECT_EQ(KeyToAction(cls), want) << "mode " << mode << " class " << cls;
    }
  }
}

TEST_F(ActionTest, KeyClassesAndTheirSets) {
  struct Case {
    uint16_t vk, cls;
  } cases[] = {
      {ui::VK_RETURN, 0}, {ui::VK_TAB, 9},    {ui::VK_ESCAPE, 3}, {ui::VK_F1, 11},   {ui::VK_F1 + 5, 16},
      {ui::VK_F11, 21},   {ui::VK_F12, 4},    {ui::VK_UP, 22},    {ui::VK_PRIOR, 23}, {ui::VK_LEFT, 4},
      {ui::VK_RIGHT, 4},  {ui::VK_DOWN, 28},  {ui::VK_NEXT, 29},  {ui::VK_EF, 6},    {ui::VK_HOME, 4},
      {'A', 4},
  };
  for (const Case& c : cases) EXPECT_EQ(KeyClass(c.vk), c.cls) << c.vk;

  const int moves[] = {0, 8, 9, 19, 22, 28, 29, 23, 32};
  for (uint16_t cls = 0; cls <= 33; ++cls) {
    int at = -1;
    for (int i = 0; i < 9; ++i)
      if (moves[i] == cls) at = i;
    EXPECT_EQ(KeyClassIsMove(cls), at) << cls;
    EXPECT_EQ(KeyClassIsPage(cls), cls == 23 ? 0 : cls == 29 ? 1 : -1) << cls;
  }
}

TEST_F(ActionTest, MoveBitsKeepTheHighByte) {
  struct Case {
    uint16_t code, want;
  } cases[] = {
      {0, 2},        {9, 2},        {3, 32},     {8, 4},      {22, 12},    {23, 0x14}, {28, 10},
      {29, 0x12},    {32, 0x40},    {11, 1},     {21, 1},     {4, 0},      {6, 0},     {33, 0},
      {0x0500, 0x0502}, {0xAB1D, 0xAB12}, {0xFF0B, 0xFF01},
  };
  for (const Case& c : cases) EXPECT_EQ(KeyClassMoveBits(c.code), c.want) << std::hex << c.code;
}

TEST_F(ActionTest, WindowSpecs) {
  WinSpec w = WinSpecParse(StrFromC("CUST;2,5,10,12,300,7,9,Title,Text,42,extra"));
  EXPECT_EQ(w.file.Str(), "CUST");
  EXPECT_EQ(w.index.Str(), "2");
  EXPECT_EQ(w.row, 5);
  EXPECT_EQ(w.col, 10);
  EXPECT_EQ(w.height, 12);
  EXPECT_EQ(w.width, 44);  // 300 keeps its low 8 bits
  EXPECT_EQ(w.item6, 7);
  EXPECT_EQ(w.item7, 9);
  EXPECT_EQ(w.title.Str(), "Title");
  EXPECT_EQ(w.text.Str(), "Text");
  EXPECT_EQ(w.number, 42);

  WinSpec five = WinSpecParse(StrFromC("CUST;,x,3,,20"));
  EXPECT_EQ(five.index.Str(), "CUST;x");  // empty index part: item 1 joined with item 2
  EXPECT_EQ(five.row, 0);                 // non-numeric
  EXPECT_EQ(five.height, 0);              // missing
  EXPECT_EQ(five.width, 20);
  EXPECT_EQ(five.item6, 0xFFFF);
  EXPECT_EQ(five.number, 0);
}

TEST_F(ActionTest, StatusLineOfTheMainWindow) {
  ASSERT_EQ(DynStrSet(SettingsList, SetTitleItem, S("Books")), 0);
  ASSERT_EQ(DynStrSet(SettingsList, SetDatabaseItem, S("host,'ledger',me")), 0);
  std::string today = FmtDate(StrMake("", 0), kDateShort).Str();
  std::string dir = std::filesystem::current_path().filename().string();
  std::string tail = std::string(" |  ") + kMakerWebAddress + "  ";
  EXPECT_EQ(StatusLineText(StrMake("", 0)).Str(), " Books  |  " + today + "  |  ledger " + dir + tail);
  std::string longTitle(300, 'x');
  EXPECT_EQ(StatusLineText(S(longTitle)).Str(), " " + longTitle.substr(0, 255) + "  |  " + today + "  |  ledger " +
                                                    dir + tail);

  ui::HeadlessOptions o;
  o.stall = ui::StallPolicy::Fail;
  ui::init(std::make_unique<ui::Headless>(std::move(o)));
  ui::Hwnd w = WinClassCreate(S("TstMain"), S("old"), 0, 0, 0, 200, 100, 0, nullptr);
  ASSERT_NE(w, 0u);
  EXPECT_EQ(StatusLineShow(S("Hello")), 0);
  EXPECT_EQ(ui::get_text(w), StatusLineText(S("Hello")).Str());
  ui::shutdown();
  WinListReset();
}

}  // namespace
