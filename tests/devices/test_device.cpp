// The output layer: device strings, the file and port paths, wrapping,
// paging, positioning, translation for the device and the kind paths.
#include <string>
#include <vector>

#include "devices/devpath.h"
#include "devices/device_fixture.h"
#include "platform/host/clock.h"
#include "platform/host/files.h"
#include "runtime/errors.h"
#include "runtime/options.h"

namespace {

// Parses, writes and closes; answers the record as it was before closing.
DevRecord PrintTo(const std::string& spec, const std::string& text) {
  DevRecord rec = DevParse(S(spec));
  EXPECT_EQ(rec.status, 0) << spec;
  if (!text.empty()) DevWrite(rec, S(text));
  DevRecord before = rec;
  DevClose(rec);
  return before;
}

int16_t Sys(int slot) { return VarSysIntGet(slot); }

using DeviceParseTest = DeviceTest;

TEST_F(DeviceParseTest, DeviceStringsGiveKindPortPageSizeAndOptions) {
  PortFiles();
  struct Case {
    const char* spec;
    uint8_t kind;
    int16_t printer, lines, width, step;
    uint8_t view;
    const char* name;
  } cases[] = {
      {"", 0x82, 0, 72, 80, 1, 0, "CON"},
      {"CON /LP:20", 0x82, 0, 20, 80, 1, 0, "CON"},
      {"/VW:Y", 0x82, 0, 72, 80, 1, 1, "CON"},
      {"CON /VW:N /ST:3", 0x82, 0, 72, 80, 3, 0, "CON"},
      {"LPT3 /WD:40", 0xC5, 3, 72, 40, 1, 0, "LPT3"},
      {"a.txt", 0x81, 0, 72, 80, 1, 0, "a.txt"},
      {"  a.txt\t/LP=0 /WD=x", 0x81, 0, 0, 0, 1, 0, "a.txt"},
      {"usb3", 0xC5, 0, 72, 80, 1, 0, "usb3"},
      {"LP0", 0x81, 0, 72, 80, 1, 0, "LP0"},
      {"reports/STATS/out.txt /LP:5", 0x81, 0, 5, 80, 1, 0, "reports/STATS/out.txt"},
      {"b.txt /LP:-5 /WD:-1", 0x81, 0, 0, 0, 1, 0, "b.txt"},
  };
  std::filesystem::create_directories(Path("reports/STATS"));
  for (const Case& c : cases) {
    DevRecord rec = DevParse(S(c.spec));
    EXPECT_EQ(rec.status, 0) << c.spec;
    EXPECT_EQ(rec.kind, c.kind) << c.spec;
    EXPECT_EQ(rec.printer, c.printer) << c.spec;
    EXPECT_EQ(rec.lines, c.lines) << c.spec;
    EXPECT_EQ(rec.width, c.width) << c.spec;
    EXPECT_EQ(rec.step, c.step) << c.spec;
    EXPECT_EQ(rec.view, c.view) << c.spec;
    EXPECT_EQ(rec.Name().Str(), c.name) << c.spec;
    EXPECT_EQ(rec.page, 1);
    EXPECT_EQ(rec.line, 1);
    EXPECT_EQ(rec.column, 1);
    DevClose(rec);
    EXPECT_EQ(rec.name, nullptr) << c.spec;
  }
  EXPECT_TRUE(std::filesystem::exists(Path("reports/STATS/out.txt")));
  EXPECT_TRUE(std::filesystem::exists(Path("unixprn.txt")));  // usb3
  EXPECT_TRUE(std::filesystem::exists(Path("LPT3")));
}

TEST_F(DeviceParseTest, KindsOfNames) {
  struct Case {
    const char* name;
    uint8_t kind;
  } cases[] = {
      {"", 0x82},      {"CON", 0x82},       {"CON x", 0x82},   {"con", 0x81},     {"LPT1", 0xC5},
      {"LPT", 0xC5},   {"lp2", 0xC5},       {"usb5", 0xC5},    {"LPT1:", 0x81},   {"COM1:", 0xC8},
      {"COM2:9600,N,8,1", 0xC8}, {"COM1", 0x81}, {"x.pdf", 0xA0}, {"dir.pdf\\x", 0x81}, {"x.PdF", 0xA0},
  };
  for (const Case& c : cases) EXPECT_EQ(DevKind(S(c.name)), c.kind) << c.name;
}

TEST_F(DeviceParseTest, PrintToFileModeSendsPortsAndSerialNamesToOneFile) {
  ASSERT_EQ(OptNormalise(S("prog /MODE:PRNTOFILE")), 0);
  EXPECT_EQ(DevKind(S("COM1:")), 0xC1);
  PrintTo("COM1:", "serial ");
  PrintTo("LPT2", "port");
  EXPECT_EQ(Read("unixprn.txt"), "serial port");
  EXPECT_FALSE(std::filesystem::exists(Path("LPT2")));
}

TEST_F(DeviceParseTest, PortNameVariableRedirectsThePort) {
  ASSERT_EQ(VarAssign(S("LPT1$"), S("port1.prn")), 0);
  EXPECT_EQ(DevFullPath(S("LPT1"), 0xC5).Str(), "port1.prn");
  EXPECT_EQ(DevFullPath(S("LPT1"), 0x81).Str(), "LPT1");      // files keep their name
  EXPECT_EQ(DevFullPath(S("LPT1:x"), 0xC5).Str(), "LPT1:x");  // not a variable name: never evaluated
  EXPECT_EQ(DevFullPath(S("LPT2"), 0xC5).Str(), "LPT2");      // no such variable
  PrintTo("LPT1", "to the redirected port");
  EXPECT_EQ(Read("port1.prn"), "to the redirected port");
}

TEST_F(DeviceParseTest, PortsWriteToAFifoOrADeviceNode) {
  ASSERT_EQ(std::system(("mkfifo " + Path("lp.fifo")).c_str()), 0);
  ASSERT_EQ(VarAssign(S("LPT1$"), S(Path("lp.fifo"))), 0);
  ASSERT_EQ(VarAssign(S("LPT2$"), S("/dev/null")), 0);
  DevRecord fifo = DevParse(S("LPT1"));
  DevRecord node = DevParse(S("LPT2"));
  ASSERT_EQ(fifo.status, 0);
  ASSERT_EQ(node.status, 0);
  EXPECT_EQ(DevWrite(fifo, S("to the printer\r\n")), 0);
  EXPECT_EQ(DevWrite(node, S("nowhere")), 0);
  std::ifstream reader(Path("lp.fifo"), std::ios::binary);
  char got[16] = {};
  reader.read(got, 16);
  EXPECT_EQ(std::string(got, 16), "to the printer\r\n");
  EXPECT_EQ(DevClose(fifo), 0);
  EXPECT_EQ(DevClose(node), 0);
}

TEST_F(DeviceParseTest, LogAndOutFilesStartEmptyOthersAreAppendedTo) {
  for (const char* name : {"old.log", "old.out", "old.txt", "old.lst"}) WriteFile(Path(name), "old\r\n");
  for (const char* name : {"old.log", "old.out", "old.txt", "old.lst"}) PrintTo(name, "new");
  EXPECT_EQ(Read("old.log"), "new");
  EXPECT_EQ(Read("old.out"), "new");
  EXPECT_EQ(Read("old.txt"), "old\r\nnew");
  EXPECT_EQ(Read("old.lst"), "old\r\nnew");
}

TEST_F(DeviceParseTest, FailedOpensReportTheirCodeAndKeepNoName) {
  DevRecord rec = DevParse(S("missing/dir/x.txt"));
  EXPECT_EQ(rec.status, st::FILENOTFOUND);
  EXPECT_EQ(ErrGet(), st::FILENOTFOUND | (MOD_DEVICES << 16));
  EXPECT_NE(ErrDetail().Str().find("x.txt"), std::string::npos);
  EXPECT_EQ(rec.name, nullptr);
  EXPECT_EQ(DevWrite(rec, S("x")), st::FILENOTFOUND);  // a failed device writes nothing
  DevClose(rec);

  ErrClear();
  rec = DevParse(StrErr(st::STRINGTOOLONG));
  EXPECT_EQ(rec.status, st::STRINGTOOLONG);
  EXPECT_EQ(rec.kind, 0);
  DevClose(rec);

  // A PDF without a header picture to put on its pages.
  ErrClear();
  rec = DevParse(S("b.PDF"));
  EXPECT_EQ(rec.kind, 0xA0);
  EXPECT_EQ(rec.status, st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().Str(), "pdf_header.png");
  DevClose(rec);
}

TEST_F(DeviceParseTest, CloseAfterAFailedOpenClosesTheStream) {
  PortFiles();
  Table({TestPort()});
  host::FaultArm(host::FaultOp::Write, 1, ENOSPC);  // the port's first sequence fails
  DevRecord rec = DevParse(S("LPT1"));
  host::FaultClear();
  EXPECT_EQ(rec.status, st::DEVICEIOERROR);
  EXPECT_EQ(rec.name, nullptr);
  uint16_t slot = rec.handle;
  ASSERT_GE(StreamGet(slot), 0);
  DevClose(rec);
  EXPECT_EQ(StreamGet(slot), -1);
  ErrClear();
  EXPECT_EQ(DevClose(rec), 0);  // a second close does nothing
  EXPECT_EQ(ErrGet(), 0u);
}

// --- Wrapping, counters, paging and positioning ----------------------------------

using DeviceWriteTest = DeviceTest;

TEST_F(DeviceWriteTest, LongTextWrapsAtTheWidthAndCountersArePublished) {
  DevRecord rec = DevParse(S("w.txt /WD:40 /LP:66"));
  std::string text(100, 'a');
  for (int i = 0; i < 100; ++i) text[i] = static_cast<char>('0' + i % 10);
  ASSERT_EQ(DevWrite(rec, S(text)), 0);
  EXPECT_EQ(rec.line, 3);
  EXPECT_EQ(rec.column, 21);
  EXPECT_EQ(Sys(kSysDevHig), 66);
  EXPECT_EQ(Sys(kSysDevWid), 40);
  EXPECT_EQ(Sys(kSysDevLin), 3);
  EXPECT_EQ(Sys(kSysDevPos), 21);
  EXPECT_EQ(Sys(kSysDevPag), 1);
  DevClose(rec);
  EXPECT_EQ(Read("w.txt"), text.substr(0, 40) + "\r\n" + text.substr(40, 40) + "\r\n" + text.substr(80));
}

TEST_F(DeviceWriteTest, WrappingAndLineEnds) {
  struct Case {
    const char* id;
    int column;  // written first as blanks
    std::string text;
    std::string file;
    uint16_t line, col;
  } cases[] = {
      {"exactly the width", 1, std::string(10, 'x'), std::string(10, 'x') + "\r\n", 2, 1},
      {"full line and its own line end", 1, "0123456789\r\n", "0123456789\r\n", 2, 1},
      {"later line of a text wraps too", 1, "ab\r\n" + std::string(13, 'y'), "ab\r\n" + std::string(10, 'y') + "\r\nyyy", 3, 4},
      {"at the last column one character fills it", 10, "abc", std::string(9, ' ') + "a\r\nbc", 2, 3},
      {"exactly the rest of the line", 5, "abcdef", "    abcdef\r\n", 2, 1},
      {"from column 5", 5, "abcdefghij", "    abcdef\r\nghij", 2, 5},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(Path("c.txt"));
    DevRecord rec = DevParse(S("c.txt /WD:10"));
    if (c.column > 1) DevGotoLineCol(rec, 1, c.column);
    EXPECT_EQ(DevWrite(rec, S(c.text)), 0) << c.id;
    EXPECT_EQ(rec.line, c.line) << c.id;
    EXPECT_EQ(rec.column, c.col) << c.id;
    DevClose(rec);
    EXPECT_EQ(Read("c.txt"), c.file) << c.id;
  }
}

TEST_F(DeviceWriteTest, LastLineOfAPageAndANewLineStartThePageAfter) {
  DevRecord rec = DevParse(S("p.txt /LP:66"));
  host::FaultClear();
  ASSERT_EQ(DevGotoLineCol(rec, 66, 1), 0);
  EXPECT_EQ(host::FaultCalls(host::FaultOp::Write), 1u);  // a page skip is one write
  EXPECT_EQ(rec.line, 66);
  EXPECT_EQ(rec.page, 1);
  ASSERT_EQ(DevWrite(rec, S("last\r\n")), 0);
  EXPECT_EQ(rec.page, 2);
  EXPECT_EQ(rec.line, 1);
  EXPECT_EQ(Sys(kSysDevPag), 2);
  DevClose(rec);
}

TEST_F(DeviceWriteTest, PositioningAlwaysEnds) {
  struct Case {
    const char* id;
    const char* spec;
    int fromLine, fromCol;  // reached first
    int line, col;          // target
    uint16_t page, wantLine, wantCol;
    std::string written;    // after reaching the start
  } cases[] = {
      {"line 0 on a paged device is the current line", "/LP:10", 3, 1, 0, 5, 1, 3, 5, "    "},
      {"negative line", "/LP:10", 3, 1, -7, 2, 1, 3, 2, " "},
      {"column left of the current one", "/LP:0", 2, 10, 2, 3, 1, 3, 3, "\r\n  "},
      {"same line, column to the left, paged: next page", "/LP:5", 2, 10, 2, 3, 2, 2, 3, "\r\n\r\n\r\n\r\n\r\n  "},
      {"column past the width", "/WD:40", 1, 1, 1, 45, 1, 2, 5, "\r\n    "},
      {"line past the page", "/LP:10", 3, 1, 12, 1, 2, 2, 1, std::string(18, '\0')},
      {"column 0 does nothing", "/LP:10", 3, 4, 9, 0, 1, 3, 4, ""},
      {"earlier line without paging stays", "/LP:0", 5, 1, 2, 1, 1, 5, 1, ""},
  };
  for (Case& c : cases) {
    if (c.written == std::string(18, '\0')) {
      c.written.clear();
      for (int i = 0; i < 9; ++i) c.written += "\r\n";
    }
    std::filesystem::remove(Path("g.txt"));
    DevRecord rec = DevParse(S(std::string("g.txt ") + c.spec));
    ASSERT_EQ(DevGotoLineCol(rec, c.fromLine, c.fromCol), 0) << c.id;
    ASSERT_EQ(StreamSync(rec.handle), 0);  // the file is read here past the stream table
    std::string start = Read("g.txt");
    EXPECT_EQ(DevGotoLineCol(rec, c.line, c.col), 0) << c.id;
    EXPECT_EQ(rec.page, c.page) << c.id;
    EXPECT_EQ(rec.line, c.wantLine) << c.id;
    EXPECT_EQ(rec.column, c.wantCol) << c.id;
    DevClose(rec);
    EXPECT_EQ(Read("g.txt").substr(start.size()), c.written) << c.id;
  }
}

TEST_F(DeviceWriteTest, PageSizesComeBackFromTheSystemVariablesOnReload) {
  DevRecord rec = DevParse(S("r.txt /LP:66 /WD:80"));
  VarSysIntSet(kSysDevHig, 20);
  VarSysIntSet(kSysDevWid, -3);
  DevCountersPublish(rec, true);
  EXPECT_EQ(rec.lines, 20);
  EXPECT_EQ(rec.width, 0);
  EXPECT_EQ(Sys(kSysDevWid), 0);
  DevClose(rec);
}

// --- Translation for the device and the printer table ------------------------------

// A recording path: what a kind receives, byte for byte.
std::vector<std::string> g_recorded;
Status RecOpen(DevRecord& rec, StrValue) {
  rec.handle = 0;
  g_recorded.push_back("open");
  return 0;
}
Status RecWrite(DevRecord&, StrValue bytes) {
  g_recorded.push_back(bytes.Str());
  return 0;
}
Status RecClose(DevRecord&) {
  g_recorded.push_back("close");
  return 0;
}
const DevPath kRecording{RecOpen, RecWrite, RecClose};

class DevicePathTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_recorded.clear();
  }
  void TearDown() override {
    for (DevPathKind k : {DevPathKind::Serial, DevPathKind::Pdf, DevPathKind::Spool, DevPathKind::PagePrinter})
      DevPathInstall(k, nullptr);
    DeviceTest::TearDown();
  }
};

TEST_F(DevicePathTest, ControlCharactersAndLettersAsEachDeviceNeedsThem) {
  PortFiles();
  Table({TestPort()});
  DevPathInstall(DevPathKind::Pdf, &kRecording);
  const std::string text = "A\x1C" "B\x1D" "C \xD1\xE1\x0E!";
  DevRecord lpt = DevParse(S("LPT1"));
  DevRecord file = DevParse(S("plain.txt"));
  DevRecord pdf = DevParse(S("doc.pdf"));
  for (DevRecord* rec : {&lpt, &file, &pdf}) {
    ASSERT_EQ(rec->status, 0);
    ASSERT_EQ(DevWrite(*rec, S(text)), 0);
    EXPECT_EQ(rec->column, 11);  // the text as given is counted
  }
  ASSERT_EQ(DevFinish(lpt), 0);
  for (DevRecord* rec : {&lpt, &file, &pdf}) DevClose(*rec);
  EXPECT_EQ(Read("LPT1"), TestPortOff() + "A\x1B" "EB\x1B" "FC \xA5\xA0<W+>!" + "<C->" + TestPortOff());
  EXPECT_EQ(Read("plain.txt"), "ABC \xD1\xE1 !");
  EXPECT_EQ(g_recorded, (std::vector<std::string>{"open", text, "close"}));
}

// Whatever a text holds, a port and a plain file receive exactly what
// translation and the control-code pass make of it, texts that need neither
// included: random texts over the bytes that matter and their neighbours.
TEST_F(DevicePathTest, EveryTextIsWrittenAsTranslationMakesIt) {
  PortFiles();
  Table({TestPort()});
  const std::string bytes = std::string("aZ 9~\x7F\x80\xFF\x01\x0D\x13\x1B\x20\xA0\xBA\xD1\xF1\xE1\xE9\xED\xF3\xFA"
                                        "\x0F\x12\x0E\x14\x10\x11\x1C\x1D\x1E\x1F");
  DevRecord lpt = DevParse(S("LPT1 /WD:0"));
  DevRecord file = DevParse(S("plain.txt /WD:0"));
  ASSERT_EQ(lpt.status, 0);
  ASSERT_EQ(file.status, 0);
  std::string wantLpt, wantFile;
  uint32_t seed = 78;
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    int length = static_cast<int>((seed = seed * 1103515245u + 12345u) >> 16) % 24;
    // Half the texts draw from printable letters only.
    size_t range = i % 2 ? 5 : bytes.size();
    for (int k = 0; k < length; ++k) text += bytes[((seed = seed * 1103515245u + 12345u) >> 16) % range];
    const StrAreaScope scope;
    wantLpt += DevCtrlCodesApply(lpt, DevTranslate(lpt, S(text))).Str();
    wantFile += DevCtrlCodesApply(file, DevTranslate(file, S(text))).Str();
    ASSERT_EQ(DevWrite(lpt, S(text)), 0);
    ASSERT_EQ(DevWrite(file, S(text)), 0);
  }
  DevClose(lpt);
  DevClose(file);
  EXPECT_EQ(Read("LPT1"), TestPortOff() + wantLpt + TestPortOff());
  EXPECT_EQ(Read("plain.txt"), wantFile);
}

TEST_F(DevicePathTest, PortsWithoutATableRecordUseTheDefaults) {
  PortFiles();
  Table({TestPort()});
  DevRecord lpt1 = DevParse(S("LPT1"));
  DevRecord lpt2 = DevParse(S("LPT2 /LP:10"));
  EXPECT_EQ(lpt1.width, 132);  // a width above 127 reads unsigned
  EXPECT_EQ(lpt1.lines, 66);
  EXPECT_EQ(lpt2.width, 80);
  EXPECT_EQ(lpt2.lines, 10);
  ASSERT_EQ(DevWrite(lpt2, S("x\x1C" "y")), 0);
  DevClose(lpt1);
  DevClose(lpt2);
  EXPECT_EQ(Read("LPT2"), "xy");
}

TEST_F(DevicePathTest, SlowSerialWriteIsATimeout) {
  static ManualClock clock(1000000);
  ClockScope scope(&clock);
  static const DevPath slow{RecOpen,
                            [](DevRecord&, StrValue bytes) -> Status {
                              clock.Advance(bytes.len > 1 ? 1500 : 10);
                              return 0;
                            },
                            RecClose};
  DevPathInstall(DevPathKind::Serial, &slow);
  DevRecord rec = DevParse(S("COM1:9600,N,8,1"));
  ASSERT_EQ(rec.status, 0);
  EXPECT_EQ(DevWrite(rec, S("x")), 0);
  EXPECT_EQ(DevWrite(rec, S("slow")), st::DEVICETIMEOUT);
  EXPECT_EQ(rec.column, 6);  // the slow text was written and counted
  EXPECT_EQ(ErrGet(), st::DEVICETIMEOUT | (MOD_DEVICES << 16));
  EXPECT_EQ(ErrDetail().Str(), "COM1:9600,N,8,1");
  EXPECT_EQ(DevWrite(rec, S("more")), st::DEVICETIMEOUT);
  DevClose(rec);
}

TEST_F(DevicePathTest, PrinterNamesWhenTheCompatibilitySwitchIsOn) {
  VarSysIntSet(kSysSysCompat, 128);
  EXPECT_EQ(DevKind(S("WINPRN")), 0x80);
  // The spool path is not built: no printer exists, and the probe leaves
  // no error behind.
  EXPECT_EQ(DevKind(S("a.txt")), 0x81);
  EXPECT_EQ(ErrGet(), 0u);
  DevPathInstall(DevPathKind::PagePrinter, &kRecording);
  PrintTo("WINPRN /LP:60 /LANDSCAPE", "page");
  EXPECT_EQ(g_recorded, (std::vector<std::string>{"open", "page", "close"}));
}

}  // namespace
