// PDF documents: what the device's text becomes on the pages (through a
// recording library), the slots and the failures, then real files read back
// with the poppler tools.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "devices/device_fixture.h"
#include "devices/pdf.h"
#include "devices/pdf_fake.h"
#include "platform/ui/headless.h"
#include "platform/ui/ui.h"
#include "runtime/errors.h"
#include "tools/pngwrite.h"

namespace {

// A PNG of the size: dark at the top rows, white below.
void WritePicture(const std::string& path, unsigned w, unsigned h) {
  png::Picture p;
  p.width = w;
  p.height = h;
  p.palette = {{255, 255, 255}, {20, 40, 120}};
  p.pixels.assign(static_cast<size_t>(w) * h, 0);
  for (unsigned y = 0; y < h * 2 / 3; ++y)
    for (unsigned x = 0; x < w; ++x) p.At(x, y) = 1;
  WriteFile(path, png::Encode(p));
}

class PdfTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    WritePicture(Path("pdf_header.png"), 400, 60);
  }
  void TearDown() override {
    EXPECT_EQ(PdfSlotsBusy(), 0);
    DeviceTest::TearDown();
  }
  DevRecord Open(const std::string& spec) {
    DevRecord rec = DevParse(S(spec));
    EXPECT_EQ(rec.status, 0) << spec;
    return rec;
  }
  // Each text through the device, then closed.
  Status Print(const std::string& spec, const std::vector<std::string>& texts) {
    DevRecord rec = Open(spec);
    for (const std::string& t : texts) DevWrite(rec, S(t));
    return DevClose(rec);
  }
};

// ---- Through the recording library ---------------------------------------------

class PdfPagesTest : public PdfTest {
 protected:
  FakePdf fake;
};

TEST_F(PdfPagesTest, SizeCodesSeparatorsAndControlBytes) {
  struct Case {
    const char* what;
    std::vector<std::string> writes;
    std::vector<std::pair<std::string, float>> shown;
  } cases[] = {
      {"SO starts a 14-point line, SI ends it", {"\x0ETitle\x0F\r\n", "next\r\n"}, {{"Title", 14}, {"next", 6}}},
      {"a trailing DC2 sets 10 after", {"\x0Fsmall\x12\r\n", "normal\r\n"}, {{"small", 6}, {"normal", 10}}},
      {"DC4 is 10 points", {"\x0E\r\n", "\x14x\r\n"}, {{"x", 10}}},
      {"other bytes below 0x20 are not shown, a NUL cuts nothing",
       {std::string("a\x0E" "b\x01", 4) + std::string(1, '\0') + "c\r\n"},
       {{"abc", 10}}},
      {"separator lines are left out", {"=====\r\n", "== ==\r\n", "a = b\r\n", "====", "==\r\n"}, {{"a = b", 10}}},
      {"text without CR LF waits for its line end", {"ab", "cd  ", "\r\n"}, {{"abcd", 10}}},
      {"a last line without CR LF is shown at the close", {"x\r\n", "tail"}, {{"x", 10}, {"tail", 10}}},
  };
  for (const Case& c : cases) {
    fake.shown.clear();
    EXPECT_EQ(Print("c.pdf /WD:0", c.writes), 0) << c.what;
    std::vector<std::pair<std::string, float>> got;
    for (const FakePdf::Shown& s : fake.shown) {
      got.push_back({s.text, s.size});
      EXPECT_EQ(s.font, "Courier/CP1252") << c.what;
    }
    EXPECT_EQ(got, c.shown) << c.what;
  }
  EXPECT_EQ(fake.compression, pdf::kCompressAll);
  EXPECT_EQ(fake.live, 0);
  EXPECT_EQ(fake.textObjects, 0);
}

TEST_F(PdfPagesTest, PagesFollowTheDeviceLineEachWithThePicture) {
  DevRecord rec = Open("r.pdf /LP:3");
  for (int i = 1; i <= 7; ++i) DevWrite(rec, S("L" + std::to_string(i) + "\r\n"));
  ASSERT_EQ(DevClose(rec), 0);
  struct Want {
    const char* text;
    int page;
    float y;
  } want[] = {{"L1", 1, 762}, {"L2", 1, 752}, {"L3", 1, 742}, {"L4", 2, 762},
              {"L5", 2, 752}, {"L6", 2, 742}, {"L7", 3, 762}};
  ASSERT_EQ(fake.shown.size(), 7u);
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(fake.shown[i].text, want[i].text);
    EXPECT_EQ(fake.shown[i].page, want[i].page) << want[i].text;
    EXPECT_EQ(fake.shown[i].x, 80) << want[i].text;
    EXPECT_EQ(fake.shown[i].y, want[i].y) << want[i].text;
  }
  ASSERT_EQ(fake.drawn.size(), 3u);
  for (int p = 0; p < 3; ++p) {
    EXPECT_EQ(fake.drawn[p].page, p + 1);
    EXPECT_EQ(fake.drawn[p].what, "picture 400x60");
    EXPECT_EQ(fake.drawn[p].x, 0);
    EXPECT_EQ(fake.drawn[p].y, 842 - 60);
  }
  EXPECT_EQ(fake.loaded.size(), 1u);  // the picture is read once for the document
  ASSERT_EQ(fake.saved.size(), 1u);
  EXPECT_EQ(ReadFile(Path("r.pdf")).substr(0, 9), "%PDF-fake");
}

TEST_F(PdfPagesTest, LineEndsThatPassThePageEndInOneWrite) {
  // From line 3 of 4, the way to line 2 of the next page is three line ends
  // in one write: the next text stands on the second line of a new page.
  DevRecord rec = Open("g.pdf /LP:4");
  DevWrite(rec, S("A\r\nB\r\n"));
  ASSERT_EQ(DevGotoLineCol(rec, 2, 1), 0);
  DevWrite(rec, S("C\r\n"));
  ASSERT_EQ(DevClose(rec), 0);
  ASSERT_EQ(fake.shown.size(), 3u);
  EXPECT_EQ(fake.shown[2].text, "C");
  EXPECT_EQ(fake.shown[2].page, 2);
  EXPECT_EQ(fake.shown[2].y, 752);
}

TEST_F(PdfPagesTest, NoBaselineBelowTheMarginAndLargeLinesTakeTheirSize) {
  DevRecord rec = Open("m.pdf /LP:90");
  for (int i = 1; i <= 90; ++i) DevWrite(rec, S("line " + std::to_string(i) + "\r\n"));
  DevWrite(rec, S("after\r\n"));
  DevWrite(rec, S("\x0E" "Big\x12\r\n"));
  DevWrite(rec, S("small again\r\n"));
  ASSERT_EQ(DevClose(rec), 0);
  ASSERT_EQ(fake.shown.size(), 93u);
  for (const FakePdf::Shown& s : fake.shown) EXPECT_GE(s.y, 36) << s.text;
  // 73 lines fit between 762 and 36; the rest of the device page goes on a
  // second sheet, and the device's next page starts a third.
  EXPECT_EQ(fake.shown[72].page, 1);
  EXPECT_EQ(fake.shown[73].page, 2);
  EXPECT_EQ(fake.shown[73].y, 762);
  EXPECT_EQ(fake.shown[90].page, 3);
  EXPECT_EQ(fake.shown[91].y, fake.shown[90].y - 14);  // the 14-point line
  EXPECT_EQ(fake.shown[91].size, 14);
  EXPECT_EQ(fake.shown[92].y, fake.shown[91].y - 10);
  EXPECT_EQ(fake.shown[92].size, 10);
}

TEST_F(PdfPagesTest, TheReportsOwnPictureCountsFromTheFirstPage) {
  WritePicture(Path("pdf_R.png"), 300, 40);
  DevRecord rec = Open("p.pdf /LP:2");
  // The report engine names the report's picture after the device opened.
  ASSERT_EQ(DynStrSet(SystemTextList, SysPdfHeaderItem, S(Path("pdf_R.png"))), 0);
  for (int i = 0; i < 3; ++i) DevWrite(rec, S("x\r\n"));
  ASSERT_EQ(DevClose(rec), 0);
  ASSERT_EQ(fake.drawn.size(), 2u);
  EXPECT_EQ(fake.drawn[0].what, "picture 300x40");
  EXPECT_EQ(fake.drawn[1].what, "picture 300x40");
  EXPECT_EQ(fake.loaded.size(), 2u);  // the default at the open, the report's once
  EXPECT_EQ(DynStrGet(SystemTextList, SysPdfHeaderItem).len, 0);  // cleared by the close
}

TEST_F(PdfPagesTest, ALongLineWithoutLineEndIsOneLine) {
  DevRecord rec = Open("long.pdf /WD:0");
  std::string part(500, 'x');
  for (int i = 0; i < 4; ++i) DevWrite(rec, S(part));
  DevWrite(rec, S("\r\n"));
  ASSERT_EQ(DevClose(rec), 0);
  ASSERT_EQ(fake.shown.size(), 1u);
  EXPECT_EQ(fake.shown[0].text, std::string(2000, 'x'));
}

TEST_F(PdfPagesTest, EightDocumentsAtOnceAndFailedOpensFreeTheirSlot) {
  std::vector<DevRecord> open;
  for (int i = 0; i < kPdfSlots; ++i) open.push_back(Open("d" + std::to_string(i) + ".pdf"));
  EXPECT_EQ(PdfSlotsBusy(), 8);
  ErrClear();
  DevRecord ninth = DevParse(S("d8.pdf"));
  EXPECT_EQ(ninth.status, st::OUTOFMEMORY);
  EXPECT_EQ(fake.live, 8);  // nothing made for it
  DevClose(ninth);
  for (DevRecord& r : open) EXPECT_EQ(DevClose(r), 0);
  EXPECT_EQ(fake.live, 0);

  // A missing picture, one named by the report, a file that is no PNG.
  std::filesystem::remove(Path("pdf_header.png"));
  struct Case {
    const char* picture;
    std::string detail;
  } cases[] = {{"", "pdf_header.png"}, {"pdf_missing.png", Path("pdf_missing.png")}, {"pdf_text.png", Path("pdf_text.png")}};
  WriteFile(Path("pdf_text.png"), "not a picture");
  for (const Case& c : cases) {
    DynStrSet(SystemTextList, SysPdfHeaderItem, S(*c.picture ? Path(c.picture) : ""));
    ErrClear();
    DevRecord rec = DevParse(S("x.pdf"));
    EXPECT_EQ(rec.status, st::FILENOTFOUND) << c.detail;
    EXPECT_EQ(ErrGet(), st::FILENOTFOUND | (MOD_DEVICES << 16)) << c.detail;
    EXPECT_EQ(ErrDetail().Str(), c.detail);
    EXPECT_EQ(DevClose(rec), 0);
    EXPECT_EQ(PdfSlotsBusy(), 0);
    EXPECT_EQ(fake.live, 0);
  }
  DynStrSet(SystemTextList, SysPdfHeaderItem, S(""));
  WritePicture(Path("pdf_header.png"), 10, 10);
  for (int i = 0; i < 9; ++i) {  // failures used up no slot
    DevRecord rec = Open("x.pdf");
    EXPECT_EQ(DevClose(rec), 0);
  }

  fake.failNew = true;
  DevRecord none = DevParse(S("y.pdf"));
  EXPECT_EQ(none.status, 0xFFFF);
  DevClose(none);
}

TEST_F(PdfPagesTest, AFailedSaveLeavesNoFileAndFreesTheSlot) {
  fake.failSave = true;
  DevRecord rec = Open("s.pdf");
  DevWrite(rec, S("text\r\n"));
  ErrClear();
  EXPECT_EQ(DevClose(rec), st::DISKWRITERROR);
  EXPECT_EQ(ErrGet(), st::DISKWRITERROR | (MOD_DEVICES << 16));
  EXPECT_EQ(ErrDetail().Str(), "s.pdf");
  EXPECT_EQ(PdfSlotsBusy(), 0);
  EXPECT_EQ(fake.live, 0);
  for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
    EXPECT_EQ(e.path().filename().string().find("s.pdf"), std::string::npos) << e.path();
}

TEST_F(PdfPagesTest, AnEmptyDocumentHasOnePageAndTheViewOptionOpensTheReader) {
  ui::HeadlessOptions o;
  o.stall = ui::StallPolicy::Cancel;
  ui::init(std::make_unique<ui::Headless>(std::move(o)));
  DevRecord rec = Open("v.pdf /VW:Y");
  EXPECT_EQ(DevClose(rec), 0);
  EXPECT_EQ(fake.pages, 1);
  EXPECT_EQ(fake.drawn.size(), 1u);
  ASSERT_EQ(ui::headless()->viewers().size(), 1u);
  EXPECT_NE(ui::headless()->viewers()[0].find("v.pdf"), std::string::npos);
  ui::shutdown();
}

// ---- Real files ---------------------------------------------------------------------

// What a command prints on its standard output.
std::string Output(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

int CountLines(const std::string& text, const std::string& containing) {
  std::istringstream in(text);
  int n = 0;
  for (std::string line; std::getline(in, line);) n += line.find(containing) != std::string::npos;
  return n;
}

using PdfFileTest = PdfTest;

TEST_F(PdfFileTest, AReportReadsBackPagesPicturesTextAndFont) {
  DevRecord rec = Open("report.pdf /LP:20");
  for (int i = 1; i <= 50; ++i) DevWrite(rec, S("Line " + std::to_string(i) + " Espa\xF1" "a \xD1" "u \xE1 n\xBA\r\n"));
  ASSERT_EQ(DevClose(rec), 0);
  std::string file = "'" + Path("report.pdf") + "'";
  std::string info = Output("pdfinfo " + file);
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
  EXPECT_NE(info.find("A4"), std::string::npos) << info;
  EXPECT_EQ(CountLines(Output("pdfimages -list " + file), "image"), 3);  // one picture per page
  std::string fonts = Output("pdffonts " + file);
  EXPECT_NE(fonts.find("Courier"), std::string::npos) << fonts;
  std::string text = Output("pdftotext -layout " + file + " -");
  for (int i = 1; i <= 50; ++i)
    EXPECT_NE(text.find("Line " + std::to_string(i) + " España Ñu á nº"), std::string::npos) << i << "\n" << text;

  // The same report again gives the same bytes.
  std::string first = ReadFile(Path("report.pdf"));
  rec = Open("report.pdf /LP:20");
  for (int i = 1; i <= 50; ++i) DevWrite(rec, S("Line " + std::to_string(i) + " Espa\xF1" "a \xD1" "u \xE1 n\xBA\r\n"));
  ASSERT_EQ(DevClose(rec), 0);
  EXPECT_EQ(ReadFile(Path("report.pdf")), first);
}

TEST_F(PdfFileTest, SavingWhereNoFileCanBeAnswers137AndLeavesNothing) {
  std::filesystem::create_directory(Path("folder.pdf"));
  for (const char* name : {"folder.pdf", "missing/out.pdf"}) {
    DevRecord rec = Open(name);
    DevWrite(rec, S("text\r\n"));
    ErrClear();
    EXPECT_EQ(DevClose(rec), st::DISKWRITERROR) << name;
    EXPECT_EQ(ErrDetail().Str(), name);
  }
  EXPECT_TRUE(std::filesystem::is_directory(Path("folder.pdf")));
  EXPECT_FALSE(std::filesystem::exists(Path("missing")));
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(dir_.path())) left.push_back(e.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"folder.pdf", "pdf_header.png"}));
}

// A page rendered at 50 dpi as grey bytes (PGM), one row of width bytes each.
struct Raster {
  int width = 0, height = 0;
  std::string pixels;
  bool RowBlank(int y) const { return pixels.substr(static_cast<size_t>(y) * width, width).find_first_not_of('\xFF') == std::string::npos; }
};

Raster Render(const std::string& pdf, const std::string& stem) {
  Output("pdftoppm -r 50 -gray -f 1 -l 1 -singlefile '" + pdf + "' '" + stem + "'");
  std::string pgm = ReadFile(stem + ".pgm");
  Raster r;
  std::istringstream in(pgm);
  std::string magic;
  int maxval = 0;
  in >> magic >> r.width >> r.height >> maxval;
  in.get();
  if (magic != "P5" || maxval != 255) return Raster{};
  r.pixels = pgm.substr(static_cast<size_t>(in.tellg()));
  return r;
}

TEST_F(PdfFileTest, ThePictureBandIsDrawnAndTheBottomMarginStaysBlank) {
  DevRecord rec = Open("render.pdf /LP:90");
  for (int i = 1; i <= 90; ++i) DevWrite(rec, S(std::string(60, 'X') + "\r\n"));
  ASSERT_EQ(DevClose(rec), 0);
  Raster r = Render(Path("render.pdf"), Path("page"));
  ASSERT_GT(r.height, 500);  // A4 at 50 dpi: 413 x 585
  for (int y = 0; y < 25; ++y) EXPECT_FALSE(r.RowBlank(y)) << "picture row " << y;  // 36 of its 60 points are dark
  int margin = 36 * 50 / 72;
  for (int y = r.height - margin; y < r.height; ++y) EXPECT_TRUE(r.RowBlank(y)) << "margin row " << y;
  bool lastLine = false;  // the last line stands just above the margin
  for (int y = r.height - margin - 10; y < r.height - margin; ++y) lastLine = lastLine || !r.RowBlank(y);
  EXPECT_TRUE(lastLine);
}

}  // namespace
