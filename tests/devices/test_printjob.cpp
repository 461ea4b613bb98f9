// Printer jobs: the page model, raw jobs and ports on the spooler's queues,
// and the page printer on a recording PDF library. The spooler's tools are
// the stand-ins of tests/fixtures/fakespool, first on PATH: they list the
// queues a test names and keep each job with its arguments.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "devices/device_fixture.h"
#include "devices/pdf_fake.h"
#include "devices/printjob.h"
#include "platform/print/spooler.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "runtime/options.h"
#include "screens/window/winlist.h"
#include "support/headless_fixture.h"

namespace {

TEST(GdiGeometryTest, ThePageModelOfAPage) {
  struct Case {
    int horz, vert;
    GdiGeometry want;
  } cases[] = {
      {4800, 6600, {80, 64, 105, 95, 330, 264, 6402}},
      {6600, 4800, {136, 36, 85, 123, 240, 192, 4656}},
      {5000, 5000, {80, 36, 109, 128, 250, 200, 4850}},
      {4961, 7016, {80, 64, 109, 101, 351, 281, 6806}},  // A4 at 600 dots per inch
  };
  for (const Case& c : cases) {
    GdiGeometry g = GdiGeometryOf(c.horz, c.vert);
    SCOPED_TRACE(std::to_string(c.horz) + "x" + std::to_string(c.vert));
    EXPECT_EQ(g.columns, c.want.columns);
    EXPECT_EQ(g.lines, c.want.lines);
    EXPECT_EQ(g.cell, c.want.cell);
    EXPECT_EQ(g.lineHeight, c.want.lineHeight);
    EXPECT_EQ(g.top, c.want.top);
    EXPECT_EQ(g.left, c.want.left);
    EXPECT_EQ(g.bottom, c.want.bottom);
  }
}

print::Paper g_paper;
print::Paper TestPaper() { return g_paper; }

TEST(GdiGeometryTest, TheLocalesPaperAt600DotsPerInch) {
  print::PaperQueryInstall(TestPaper);
  struct Case {
    print::Paper paper;
    bool landscape;
    int horz, vert;
  } cases[] = {
      {{210, 297}, false, 4961, 7016}, {{216, 279}, false, 5102, 6591}, {{0, 0}, false, 4961, 7016},
      {{210, 297}, true, 7016, 4961},  {{-3, 10}, false, 4961, 7016},
  };
  for (const Case& c : cases) {
    g_paper = c.paper;
    int h = 0, v = 0;
    GdiPaperDots(c.landscape, &h, &v);
    EXPECT_EQ(h, c.horz) << c.paper.widthMm;
    EXPECT_EQ(v, c.vert) << c.paper.heightMm;
  }
  print::PaperQueryInstall(nullptr);
  // The locale's own answer: the C locale's paper is A4.
  setenv("LC_PAPER", "C", 1);
  print::Paper p = print::LocalePaper();
  unsetenv("LC_PAPER");
  EXPECT_EQ(p.widthMm, 210);
  EXPECT_EQ(p.heightMm, 297);
}

// A spooler whose queues the test names; jobs are kept in spool/jobs.
class SpoolTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    spool_ = Path("spool");
    std::filesystem::create_directories(spool_);
    setenv("KX_FAKE_SPOOL", spool_.c_str(), 1);
    const char* path = std::getenv("PATH");
    oldPath_ = path ? path : "";
    setenv("PATH", (std::string(KX_FIXTURES_DIR) + "/fakespool:" + oldPath_).c_str(), 1);
    DynStrSet(SettingsList, SetTitleItem, S("Demo books"));
  }
  void TearDown() override {
    setenv("PATH", oldPath_.c_str(), 1);
    unsetenv("KX_FAKE_SPOOL");
    DeviceTest::TearDown();
  }
  void Queues(const std::string& names, const std::string& def) {
    WriteFile(spool_ + "/queues", names);
    WriteFile(spool_ + "/default", def);
  }
  void Refuse(const std::string& text) { WriteFile(spool_ + "/refuse", text); }
  int Jobs() const {
    std::string dir = spool_ + "/jobs";
    return std::filesystem::exists(dir) ? static_cast<int>(std::distance(std::filesystem::directory_iterator(dir), {})) / 2 : 0;
  }
  std::string Job(int n) const { return ReadFile(spool_ + "/jobs/" + std::to_string(n) + ".job"); }
  // The job's arguments, the file's name (the last one) left out.
  std::string JobArgs(int n) const {
    std::string a = ReadFile(spool_ + "/jobs/" + std::to_string(n) + ".args");
    a.pop_back();
    return a.substr(0, a.rfind('\n') + 1);
  }

  std::string spool_;

 private:
  std::string oldPath_;
};

TEST_F(SpoolTest, QueuesAndTheDefaultComeFromTheSpooler) {
  Queues("office\nlab\n", "lab\n");
  print::Queues q = print::QueueList();
  EXPECT_EQ(q.names, (std::vector<std::string>{"office", "lab"}));
  EXPECT_EQ(q.defaultName, "lab");
  EXPECT_EQ(SpoolPrinterExists(S("office")), 0);
  EXPECT_EQ(SpoolPrinterExists(S("offic")), st::BADINPUTDATA);
  EXPECT_EQ(ErrGet(), 0u);
  // Without the tools there are no queues.
  setenv("PATH", "/nonexistent", 1);
  EXPECT_TRUE(print::QueueList().names.empty());
  EXPECT_EQ(SpoolPrinterExists(S("office")), st::BADINPUTDATA);
}

TEST_F(SpoolTest, RawJobsReachTheQueueUnchanged) {
  Queues("office\nlab\n", "lab\n");
  std::string bytes("\x1B@bold\x0E\xD1\0end\r\n", 12);
  struct Case {
    const char* printer;
    const char* queue;
  } cases[] = {{"office", "office"}, {"", "lab"}};
  int n = 0;
  for (const Case& c : cases) {
    ASSERT_EQ(SpoolBegin(S(c.printer), S("Demo books")), 0) << c.printer;
    EXPECT_EQ(SpoolWrite(S(bytes.substr(0, 5))), 0);
    EXPECT_EQ(SpoolWrite(S(bytes.substr(5))), 0);
    EXPECT_EQ(Jobs(), n);  // nothing goes before the end
    ASSERT_EQ(SpoolEnd(), 0);
    ++n;
    EXPECT_EQ(Job(n), bytes);
    EXPECT_EQ(JobArgs(n), std::string("-d\n") + c.queue + "\n-t\nDemo books\n-o\nraw\n");
  }
  // No temporary file stays behind.
  for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
    EXPECT_EQ(e.path().extension(), "") << e.path();
  EXPECT_EQ(SpoolEnd(), 0);  // no job: nothing happens
  ASSERT_EQ(SpoolBegin(S("office"), S("empty")), 0);
  EXPECT_EQ(SpoolEnd(), 0);
  EXPECT_EQ(Jobs(), 2);  // an empty job is not submitted
}

TEST_F(SpoolTest, JobsThatCannotStartOrAreRefused) {
  Queues("office\n", "");
  struct Case {
    const char* printer;
    Status status;
    const char* detail;
  } cases[] = {{"", st::INTERNALERROR, "no default printer"}, {"nowhere", st::BADINPUTDATA, "nowhere"}};
  for (const Case& c : cases) {
    ErrClear();
    EXPECT_EQ(SpoolBegin(S(c.printer), S("doc")), c.status) << c.printer;
    EXPECT_EQ(ErrDetail().Str(), c.detail);
    EXPECT_EQ(SpoolWrite(S("x")), st::DEVICEIOERROR);  // nothing was left open
    EXPECT_EQ(SpoolEnd(), 0);
  }
  // The device string names the queue (the switch makes it a printer name);
  // a job the spooler refuses is the close's error.
  VarSysIntSet(kSysSysCompat, 128);
  DevRecord rec = DevParse(S("office"));
  EXPECT_EQ(rec.kind, 0x90);
  EXPECT_EQ(rec.status, 0);
  EXPECT_EQ(DevWrite(rec, S("text\r\n")), 0);
  Refuse("lp: Error - the printer is not accepting jobs.\n");
  ErrClear();
  EXPECT_EQ(DevClose(rec), st::DEVICEIOERROR);
  EXPECT_EQ(ErrDetail().Str(), "office: lp: Error - the printer is not accepting jobs.");
  EXPECT_EQ(Jobs(), 0);
}

TEST_F(SpoolTest, PortsPrintToTheQueueTheirNameResolvesTo) {
  PortFiles();
  Table({TestPort()});
  Queues("office\n", "office\n");
  // LPT1$ names a queue: the port's sequences, code page and text as one raw job.
  ASSERT_EQ(VarAssign(S("LPT1$"), S("office")), 0);
  DevRecord rec = DevParse(S("LPT1"));
  ASSERT_EQ(rec.status, 0);
  EXPECT_EQ(rec.kind, 0xD4);
  DevWrite(rec, S("\x1C" "Bold \xD1\r\n"));
  EXPECT_EQ(DevFinish(rec), 0);
  EXPECT_EQ(DevClose(rec), 0);
  ASSERT_EQ(Jobs(), 1);
  EXPECT_EQ(Job(1), TestPortOff() + "\x1B" "EBold \xA5\r\n<C->" + TestPortOff());
  EXPECT_EQ(JobArgs(1), "-d\noffice\n-t\nDemo books\n-o\nraw\n");

  // LPT1$ naming a path writes that file; unset, with no queue LPT1, the
  // file LPT1 set up beside the program; without that file no printer
  // stands behind the port: an error naming it, and no file is made.
  ASSERT_EQ(VarAssign(S("LPT1$"), S("port.prn")), 0);
  rec = DevParse(S("LPT1"));
  EXPECT_EQ(rec.kind, 0xC5);
  DevWrite(rec, S("to a file\r\n"));
  DevClose(rec);
  EXPECT_NE(Read("port.prn").find("to a file"), std::string::npos);
  ASSERT_EQ(VarAssign(S("LPT1$"), S("")), 0);
  rec = DevParse(S("LPT1"));
  EXPECT_EQ(rec.kind, 0xC5);
  DevWrite(rec, S("plain\r\n"));
  DevClose(rec);
  EXPECT_NE(Read("LPT1").find("plain"), std::string::npos);
  std::filesystem::remove(Path("LPT1"));
  rec = DevParse(S("LPT1"));
  EXPECT_EQ(rec.status, st::BADINPUTDATA);
  EXPECT_EQ(ErrDetail().Str(), "LPT1 (no such printer)");
  EXPECT_EQ(DevWrite(rec, S("lost\r\n")), st::BADINPUTDATA);
  DevClose(rec);
  EXPECT_FALSE(std::filesystem::exists(Path("LPT1")));
  EXPECT_EQ(Jobs(), 1);
}

// The page printer, drawing on the recording library.
class PagePrinterTest : public SpoolTest {
 protected:
  void SetUp() override {
    SpoolTest::SetUp();
    hl = HeadlessFailMode(reports);
    print::PaperQueryInstall(TestPaper);
    g_paper = {0, 0};
    Queues("office\nlab\n", "lab\n");
  }
  void TearDown() override {
    print::PaperQueryInstall(nullptr);
    EXPECT_TRUE(reports.empty()) << reports.front();
    ui::shutdown();
    WinListReset();
    SpoolTest::TearDown();
  }
  // Opens WINPRN choosing the queue at the position (1 the default).
  DevRecord OpenPrinter(const std::string& spec, int position) {
    std::string script = "wait-top title=Print\n";
    for (int i = 1; i < position; ++i) script += "key Down\n";
    script += "key Enter\n";
    std::string error;
    EXPECT_TRUE(hl->load_script(script, error)) << error;
    VarSysIntSet(kSysSysCompat, 128);
    DevRecord rec = DevParse(S(spec));
    EXPECT_EQ(hl->steps_left(), 0u);
    return rec;
  }

  ui::Headless* hl = nullptr;
  std::vector<std::string> reports;
  FakePdf fake;
};

TEST_F(PagePrinterTest, ControlCharactersChooseTheFont) {
  DevRecord rec = OpenPrinter("WINPRN", 2);
  ASSERT_EQ(rec.status, 0);
  EXPECT_EQ(rec.kind, 0x80);
  const GdiPageState& s = GdiPageStateGet();
  EXPECT_EQ(s.horzres, 4961);
  EXPECT_EQ(s.vertres, 7016);
  DevWrite(rec, S("\x1C\x0E" "Title\r\n"));
  EXPECT_EQ(s.fontCode, 0xD0);
  EXPECT_EQ(s.fontAttrs, kGdiBold);
  EXPECT_EQ(s.fontWidth, 104);
  EXPECT_EQ(s.fontHeight, 82);  // 3/4 of the cell of 109
  DevWrite(rec, S("kept\r\n"));
  EXPECT_EQ(s.fontWidth, 104);
  DevWrite(rec, S("\x0F\x12x\r\n"));
  EXPECT_EQ(s.fontCode, 0);
  EXPECT_EQ(s.fontWidth, 55);  // half the cell, rounded up from 54.5
  DevWrite(rec, S("\x10\x1E" "u\r\n"));
  EXPECT_EQ(s.fontAttrs, kGdiUnderline | kGdiItalic);
  ASSERT_EQ(DevClose(rec), 0);

  ASSERT_EQ(fake.shown.size(), 4u);
  struct Want {
    const char* text;
    const char* font;
    float scale;
  } want[] = {{"Title", "Courier-Bold/CP1252", 100.0f * 104 / (0.6f * 82)},
              {"kept", "Courier-Bold/CP1252", 100.0f * 104 / (0.6f * 82)},
              {"x", "Courier/CP1252", 100.0f * 55 / (0.6f * 82)},
              {"u", "Courier-Oblique/CP1252", 100.0f * 55 / (0.6f * 82)}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(fake.shown[i].text, want[i].text);
    EXPECT_EQ(fake.shown[i].font, want[i].font) << want[i].text;
    EXPECT_FLOAT_EQ(fake.shown[i].scale, want[i].scale) << want[i].text;
    EXPECT_FLOAT_EQ(fake.shown[i].size, 82 * 72.0f / 600) << want[i].text;
    EXPECT_FLOAT_EQ(fake.shown[i].x, 281 * 72.0f / 600) << want[i].text;  // the left margin
  }
  // Lines 101 dots apart from the top of 351, baselines 4/5 of the font down.
  EXPECT_FLOAT_EQ(fake.shown[0].y, (7016 - 351 - 0.8f * 82) * 72 / 600);
  EXPECT_NEAR(fake.shown[0].y - fake.shown[1].y, 101 * 72.0f / 600, 1e-3);
  ASSERT_EQ(fake.drawn.size(), 1u);  // the underline
  EXPECT_EQ(fake.drawn[0].what, "line");
  // The job: one PDF on the chosen queue, an ordinary job.
  ASSERT_EQ(Jobs(), 1);
  EXPECT_EQ(Job(1).substr(0, 9), "%PDF-fake");
  EXPECT_EQ(JobArgs(1), "-d\noffice\n-t\nDemo books\n");
}

TEST_F(PagePrinterTest, PagesBreakAtTheBottomLimit) {
  DevRecord rec = OpenPrinter("WINPRN /LP:30", 1);
  for (int i = 1; i <= 65; ++i) DevWrite(rec, S("line " + std::to_string(i) + "\r\n"));
  EXPECT_EQ(GdiPageStateGet().pages, 2);
  ASSERT_EQ(DevClose(rec), 0);
  ASSERT_EQ(fake.shown.size(), 65u);
  EXPECT_EQ(fake.shown[63].page, 1);  // the 64th line on the first page
  EXPECT_EQ(fake.shown[64].page, 2);
  EXPECT_FLOAT_EQ(fake.shown[64].y, fake.shown[0].y);  // the 65th at the top
  EXPECT_EQ(JobArgs(1), "-d\nlab\n-t\nDemo books\n");
}

TEST_F(PagePrinterTest, LandscapeCancelAndEmptyJobs) {
  DevRecord rec = OpenPrinter("WINPRN /LP:60 /LANDSCAPE", 1);
  ASSERT_EQ(rec.status, 0);
  GdiGeometry g = GdiPageStateGet().geometry;
  EXPECT_EQ(GdiPageStateGet().horzres, 7016);
  EXPECT_EQ(g.columns, 136);
  EXPECT_EQ(g.lines, 36);
  EXPECT_EQ(DevClose(rec), 0);
  EXPECT_EQ(Jobs(), 0);  // no page: nothing submitted
  EXPECT_EQ(fake.live, 0);

  std::string error;
  ASSERT_TRUE(hl->load_script("wait-top title=Print\nkey Esc\n", error)) << error;
  rec = DevParse(S("WINPRN"));
  EXPECT_EQ(rec.status, st::USERCANCELED);
  DevClose(rec);
  EXPECT_EQ(fake.live, 0);

  Queues("", "");
  ErrClear();
  rec = DevParse(S("WINPRN"));
  EXPECT_EQ(rec.status, st::INTERNALERROR);
  EXPECT_EQ(ErrDetail().Str(), "no printer");
  DevClose(rec);
  EXPECT_EQ(Jobs(), 0);
}

}  // namespace
