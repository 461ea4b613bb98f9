// The report statements DOCPRINT and REPORT in a procedure, printing a text
// file, and the limits and PDF header picture of a report.
#include <string>
#include <vector>

#include "devices/devstack.h"
#include "devices/report_fixture.h"
#include "runtime/dynstrings.h"
#include "script/procedures.h"

namespace {

class ReportStmtTest : public ReportTest {
 protected:
  void TearDown() override {
    DevStackCloseAll();
    ReportTest::TearDown();
  }
};

TEST_F(ReportStmtTest, DocprintRunsOnTheTopDeviceAndReportPrintsAFile) {
  ASSERT_NO_FATAL_FAILURE(AddClients(3));
  First();
  Definition("LIST.PDC", "01001\\\\\\\\\\\\<19>CODE{1}\n");
  Definition("LINES.PDC", "01001\\\\\\\\\\\\\\\\\\\\<19>'* '+_$()\n");
  WriteFile(Path("in.txt"), "first\r\nsecond\r\nthird\r\n");
  WriteFile(Path("stmt.prc"),
            "DEVICE 'doc.txt /LP:0'\r\n"
            "DPRINT 'clients:'+FN$CHRS(13)+FN$CHRS(10)\r\n"
            "DOCPRINT 'LIST','','C'\r\n"
            "s1=_STAT\r\n"
            "DOCPRINT 'NOPE'\r\n"
            "s2=_STAT\r\n"
            "DPRINT 'end'\r\n"
            "ENDDEVICE\r\n"
            "REPORT 'copy.txt<in.txt'\r\n"
            "s3=_STAT\r\n"
            "REPORT 'list.txt /LP:0<in.txt','LINES'\r\n"
            "s4=_STAT\r\n"
            "REPORT '<in.txt'\r\n"
            "s5=_STAT\r\n"
            "REPORT 'CLIENTS'\r\n"
            "s6=_STAT\r\n"
            "REPORT 'x.txt<missing.txt'\r\n"
            "s7=_STAT\r\n"
            "x=WRITE('stat.txt';-3;FN$TRIM(s1)+' '+FN$TRIM(s2)+' '+FN$TRIM(s3)+' '+FN$TRIM(s4)+' '+"
            "FN$TRIM(s5)+' '+FN$TRIM(s6)+' '+FN$TRIM(s7))\r\n"
            "DOCPRINT 'LIST'\r\n"
            "x=WRITE('after.txt';-3;'not reached')\r\n");
  ErrClear();
  EXPECT_EQ(PrcRunSpec(S("stmt.prc")), st::DATAOUTBOUND);  // DOCPRINT without a device stops the run
  EXPECT_EQ(ErrDetail().Str().substr(0, 8), "DOCPRINT");
  // Nobody answers the device selection of the last two (the unattended
  // headless back end cancels it).
  EXPECT_EQ(Read("stat.txt"), "0.00 164.00 0.00 0.00 122.00 122.00 164.00");
  EXPECT_FALSE(std::filesystem::exists(Path("after.txt")));
  EXPECT_EQ(Read("doc.txt"), "clients:\r\nC01   \r\nC02   \r\nC03   \r\nend");
  EXPECT_EQ(Read("copy.txt"), "first\r\nsecond\r\nthird\r\n");
  EXPECT_EQ(Read("list.txt"), "* first   \r\n* second  \r\n* third   \r\n");
  EXPECT_EQ(DynStrCount(ResultsStack), 0u);
  EXPECT_FALSE(std::filesystem::exists(Path("x.txt")));
}

TEST_F(ReportStmtTest, LimitsOfASpecAndTheKeyLimit) {
  struct Case {
    const char* limits;
    int selector;
    const char* want;
  } cases[] = {
      {"A,Z", 1, "A"},          {"A,Z", 2, "Z"},
      {" Z ", 1, ""},           {" Z ", 2, "Z"},
      {"'A'+'B',Z FILE:1", 1, "AB"}, {"FILE:1,'A'+'B',Z", 2, "Z"},
      {"A,Z FILE:1", 3, "1"},
  };
  for (const Case& c : cases) {
    StrAreaScope scope;
    EXPECT_EQ(ReportLimitItem(S(c.limits), c.selector).Str(), c.want) << c.limits << " " << c.selector;
  }
  EXPECT_EQ(StrError(ReportLimitItem(S("A,Z"), 4)), st::BADINPUTDATA);
  StrAreaScope scope;
  EXPECT_EQ(ReportKeyLimitCond(S("a,b,,d"), 3, S("O'B")).Str(), "(IER()<2&&KEY$()<=\"O'B\xFF\")");
  EXPECT_EQ(ReportKeyLimitCond(S("a,b,c"), 3, S("PE")).Str(), "c");
  EXPECT_EQ(ReportKeyLimitCond(S("a,b,c,d"), 4, S("PE")).Str(), "d");
  VarSysIntSet(kSysCurFil, 0);
  EXPECT_EQ(ReportKeyLimitCond(S(""), 3, S("PE")).Str(), "");  // no data file: no key limit
}

TEST_F(ReportStmtTest, ThePdfHeaderPictureByNameThenByPattern) {
  for (const char* f : {"pdf_RPSALES.png", "pdf_SALES.png", "pdf_STOCK.png", "pdf_S@S.png", "pdf_?UY.png"})
    WriteFile(Path(f), "png");
  struct Case {
    const char* report;
    const char* want;  // file name, empty when none
  } cases[] = {
      {"SALES.PDC", "pdf_RPSALES.png"}, {"STOCK", "pdf_STOCK.png"}, {"SUMS", "pdf_S@S.png"},
      {"buy.pdc", "pdf_?UY.png"},       {"LIST", ""},
  };
  for (const Case& c : cases) {
    StrAreaScope scope;
    std::string got = ReportPdfHeaderFind(S(c.report)).Str();
    std::string want = *c.want ? std::string(c.want) : "";
    EXPECT_EQ(got.substr(got.find_last_of("\\/") + 1), want) << c.report;
    EXPECT_EQ(DynStrGet(SystemTextList, kReportPdfHeaderItem).Str(), got) << c.report;
  }
}

}  // namespace
