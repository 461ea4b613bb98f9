// The screen device and the report window, on the headless window system in
// `fail` mode (a wait the test did not script fails it).
#include <algorithm>
#include <string>
#include <vector>

#include "devices/device_fixture.h"
#include "devices/screenout.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "screens/window/winlist.h"
#include "support/headless_fixture.h"

namespace {

class ReportWinTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    hl = HeadlessFailMode(reports);
  }
  void TearDown() override {
    EXPECT_TRUE(reports.empty()) << reports.front();
    ui::shutdown();
    WinListReset();
    DeviceTest::TearDown();
  }
  // The main window, shown as the main loop shows it.
  ui::Hwnd OpenMain() {
    ui::Hwnd h = WinClassCreate(StrFromC("Orbis"), StrFromC("Main"), ui::WS_OVERLAPPED, 0, 0, 800, 600, 0, nullptr);
    WinShowState(kWinShowNow);
    return h;
  }
  void Script(const std::string& text) {
    std::string error;
    ASSERT_TRUE(hl->load_script(text, error)) << error;
  }
  bool Logged(const std::string& part) const {
    const auto& t = hl->transcript();
    return std::any_of(t.begin(), t.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
  size_t TempFiles() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_.path()), {}));
  }
  // A CON report of the text, shown and closed by the script.
  Status Report(const std::string& text, const std::string& script) {
    DevRecord rec = DevParse(S("CON"));
    EXPECT_EQ(rec.status, 0);
    EXPECT_EQ(TempFiles(), 1u);
    if (!text.empty()) {
      EXPECT_EQ(DevWrite(rec, S(text)), 0);
    }
    Script(script);
    Status s = DevFinish(rec);
    DevClose(rec);
    return s;
  }

  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
};

TEST_F(ReportWinTest, AnEmptyReportShowsEmptyTextAndCancelAndKeepsTheCurrentField) {
  ui::Hwnd main = OpenMain();
  VarSysIntSet(kSysCurEdFld, 7);
  EXPECT_EQ(Report("", "wait-top class=Report\nexpect-text 1 \"\"\nexpect-text 3000 \"Cancel\"\nclick \"Cancel\"\n"), 0);
  EXPECT_EQ(VarSysIntGet(kSysCurEdFld), 7);
  EXPECT_TRUE(Logged("class=\"Report\" title=\"ReportWin\""));
  EXPECT_TRUE(Logged("enable #" + std::to_string(main) + " 0"));
  EXPECT_TRUE(ui::is_enabled(main));
  EXPECT_EQ(WinTop(), main);
  EXPECT_EQ(TempFiles(), 0u);  // the screen-output file is gone
  EXPECT_EQ(hl->steps_left(), 0u);
}

TEST_F(ReportWinTest, TheTextAsTheScreenShowsIt) {
  EXPECT_EQ(Report("Total\x0E\xD1\x1C!\r\nend", "expect-text 1 \"Total \\xD1!\\r\\nend\"\nkey Esc\n"), 0);
}

TEST_F(ReportWinTest, AsAConfirmationFormTheButtonPositionComesBack) {
  ASSERT_EQ(DynStrSet(SettingsList, 9, S("Cancel,Skip,Confirm")), 0);
  VarSysIntSet(kSysCurEdFld, 5);
  EXPECT_EQ(Report("Invoice 1\r\n", "expect-text 1 \"Invoice 1\\r\\n\"\nclick \"Skip\"\n"), 0);
  EXPECT_EQ(VarSysIntGet(kSysCurEdFld), 1);
  // Esc and the close box leave what the caller preset.
  VarSysIntSet(kSysCurEdFld, 5);
  EXPECT_EQ(Report("Invoice 2\r\n", "key Esc\n"), 0);
  EXPECT_EQ(VarSysIntGet(kSysCurEdFld), 5);
  EXPECT_EQ(Report("Invoice 3\r\n", "close\n"), 0);
  EXPECT_EQ(VarSysIntGet(kSysCurEdFld), 5);
  EXPECT_EQ(Report("Invoice 4\r\n", "click 3002\n"), 0);
  EXPECT_EQ(VarSysIntGet(kSysCurEdFld), 2);
}

TEST_F(ReportWinTest, ButtonsPastTheWindowWidthAreLeftOut) {
  ASSERT_EQ(DynStrSet(SettingsList, 9, S("A,B,C,D,E,F")), 0);
  EXPECT_EQ(Report("short", "click \"C\"\n"), 0);
  EXPECT_EQ(VarSysIntGet(kSysCurEdFld), 2);
  EXPECT_TRUE(Logged("id=3002"));
  EXPECT_FALSE(Logged("id=3003"));
}

TEST_F(ReportWinTest, OutputOf64MiBIsRefusedWithoutAWindow) {
  DevRecord rec = DevParse(S("CON"));
  ASSERT_EQ(rec.status, 0);
  ASSERT_EQ(DevWrite(rec, S("x")), 0);
  std::filesystem::path file = *std::filesystem::directory_iterator(dir_.path());
  std::filesystem::resize_file(file, kReportWinMaxBytes);  // sparse
  EXPECT_EQ(DevFinish(rec), st::STRINGTOOLONG);
  EXPECT_FALSE(Logged("class=\"Report\""));
  DevClose(rec);
  EXPECT_EQ(TempFiles(), 0u);
}

TEST_F(ReportWinTest, AScreenDeviceClosedUnshownLeavesNoFile) {
  DevRecord rec = DevParse(S("CON"));
  ASSERT_EQ(DevWrite(rec, S("never shown")), 0);
  EXPECT_EQ(TempFiles(), 1u);
  DevClose(rec);
  EXPECT_EQ(TempFiles(), 0u);
}

TEST_F(ReportWinTest, NoTemporaryDirectoryNoScreenDevice) {
  setenv("TEMP", (dir_.path() + "/missing").c_str(), 1);
  DevRecord rec = DevParse(S("CON"));
  EXPECT_EQ(rec.status, st::FILENOTFOUND);
  EXPECT_EQ(DevFinish(rec), st::FILENOTFOUND);
  EXPECT_FALSE(Logged("class=\"Report\""));
  DevClose(rec);
}

TEST(DevUnixNameTest, PrinterNamesThatMapToOneFile) {
  struct Case {
    const char* name;
    const char* want;
  } cases[] = {
      {"lp0", "unixprn.txt"},  {"lp2", "unixprn.txt"},  {"usb0", "unixprn.txt"}, {"usb4", "unixprn.txt"},
      {"lp3", "lp3"},          {"usb5", "usb5"},        {"LP0", "LP0"},          {"lp0 ", "lp0 "},
  };
  for (const Case& c : cases) EXPECT_EQ(DevUnixName(StrFromC(c.name)).Str(), c.want) << c.name;
}

}  // namespace
