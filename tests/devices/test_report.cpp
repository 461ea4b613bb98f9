// The report engine on text-file devices: paging, copies, ranges, line
// kinds and the errors of definitions and runs.
#include <string>
#include <vector>

#include "devices/report_fixture.h"
#include "devices/devstack.h"

namespace {

const std::string kBs20(20, '\\');
const std::string kBs28(28, '\\');

// A head with the page number, a ruled plain line, a group line of the
// clients with totals from element 10 and its last line 4 above the page's
// end, a doubled "carried forward" foot while records remain, and a total.
std::string ClientList() {
  return "01001" + kBs20 + "|Page ###<17>'CLIENT LIST',_DEVPAG\n"
         "02001" + std::string(42, '=') + "\n"
         "03001\\\\\\\\\\\\|" + kBs20 + "|##,###,##0.00<19>CODE{1},NAME{1},BALANCE{1} /TOTALBASE%:10:MAXLINE%:-4\n"
         "00001IER()<2<TAB>" + kBs28 + "|##,###,##0.00<18><18>'carried forward',_#(12)\n"
         "19001" + kBs28 + "|##,###,##0.00<17>'Total',_#(12)\n";
}

std::string ClientLine(int i) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "C%02d    %-20s %13s", i, ("Client " + std::to_string(i)).c_str(),
                (std::to_string(i) + ".00").c_str());
  return buf;
}

// The 20-line pages of the client list over 25 clients.
std::vector<std::string> ClientPages() {
  std::vector<std::string> want;
  auto head = [&](int page) {
    want.push_back("CLIENT LIST          Page   " + std::to_string(page));
    want.push_back(std::string(42, '='));
  };
  head(1);
  for (int i = 1; i <= 14; ++i) want.push_back(ClientLine(i));
  want.push_back("carried forward                     105.00");
  want.resize(20);
  head(2);
  for (int i = 15; i <= 25; ++i) want.push_back(ClientLine(i));
  want.resize(38);
  want.push_back("Total                               325.00");
  want.resize(40);
  return want;
}

TEST_F(ReportTest, TheClientListBreaksItsPageWithTheDoubledFootAndTheHead) {
  ASSERT_NO_FATAL_FAILURE(AddClients(25));
  First();
  Definition("CLIENTS.PDC", ClientList());
  EXPECT_EQ(Run("out.txt /LP:20 /WD:60", "CLIENTS", "", "", "C"), 0) << ErrDetail().Str();
  EXPECT_EQ(Lines("out.txt"), ClientPages());
  EXPECT_EQ(Label(12), 32500);
  EXPECT_EQ(Label(10), 0);  // text fields add nothing
  EXPECT_EQ(DynStrCount(ReportLinesList), 0u);  // the loaded lines are gone
}

// Copies 2: three walks, each from page 1 with the totals cleared.
TEST_F(ReportTest, CopiesWalkAgainFromTheSamePageWithTheTotalsCleared) {
  ASSERT_NO_FATAL_FAILURE(AddClients(25));
  First();
  Definition("CLIENTS.PDC", ClientList());
  EXPECT_EQ(Run("out.txt /LP:20 /WD:60", "CLIENTS", "", "", "C", "1+1"), 0) << ErrDetail().Str();
  std::vector<std::string> want, one = ClientPages();
  for (int copy = 0; copy < 3; ++copy) want.insert(want.end(), one.begin(), one.end());
  EXPECT_EQ(Lines("out.txt"), want);
  EXPECT_EQ(Label(12), 32500);
}

// The errors of definitions and runs, each with its detail; the output a
// failing run leaves.
TEST_F(ReportTest, ErrorsOfDefinitionsAndRunsNameTheirCause) {
  struct Case {
    const char* id;
    std::string definition;  // ERR.PDC
    std::string limits;
    Status code;
    const char* detail;
  } cases[] = {
      {"missing include", "01001\\\\<17>'a'\n00000:INCLUDE 'NOPE'\n", "", st::FILENOTFOUND, "NOPE.PDC"},
      {"self include", "00000:INCLUDE 'ERR.PDC'\n", "", st::BADINPUTDATA, "ERR.PDC"},
      {"dynamic self", "00000:DYNAMIC_LINE 'DYN.TXT'\n", "", st::BADINPUTDATA, "DYN.TXT"},
      {"unknown directive", "00000:PRINT 'x'\n", "", st::BADINPUTDATA, "ERR.PDC line 1"},
      {"short header", "01001\\\\<17>'a'\n0100\n", "", st::BADINPUTDATA, "ERR.PDC line 2"},
      {"letters in header", "\n01x01\\\\<17>'a'\n", "", st::BADINPUTDATA, "ERR.PDC line 2"},
      {"total past the labels", "01001##|##<17>1,2 /TOTALBASE%:255\n", "", st::DATAOUTBOUND, "ERR"},
      {"quote in key for [$]", "01001##<19>1 /BRKEND$:\"KEY$()>'[$]'\"\n", "", st::BADINPUTDATA, "ERR"},
      {"moves nothing, prints nothing", "01001##<19>1 /ATEND$:1:COND$:0\n", "", st::DATAOUTBOUND, "ERR"},
      {"run condition false", "01001\\\\<17>'a'\n", "1==2", st::OUTOFDATA, ""},
      {"undefined screen field", "01001###,.9<17>1\n", "", st::VARSCREENFIELD, "_V9$"},
  };
  WriteFile(Path("DYN.TXT"), ":DYNAMIC_LINE 'DYN.TXT'\r\n");
  ASSERT_NO_FATAL_FAILURE(Add("O'B", "quoted", "1"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    First();
    ErrClear();
    Definition("ERR.PDC", c.definition);
    DevRecord dev = DevParse(S("out.txt"));
    ASSERT_EQ(dev.status, 0);
    std::string key = std::string(c.id) == "quote in key for [$]" ? "O'B" : "";
    EXPECT_EQ(ReportRun(S(""), &dev, S("ERR"), S(c.limits), S(""), S(key), S(""), S("NONE"), S("")), c.code);
    if (c.code >= 128) {
      EXPECT_EQ(ErrDetail().Str(), c.detail);
    }
    EXPECT_EQ(DevClose(dev), 0);
    EXPECT_EQ(Read("out.txt"), "");
    EXPECT_EQ(DynStrCount(ReportLinesList), 0u);
  }
  ErrClear();
  EXPECT_EQ(Run("out.txt", ""), st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().Str(), "Not defined");
  EXPECT_EQ(Run("out.txt", "NONE.PDC"), st::FILENOTFOUND);
  EXPECT_EQ(ErrDetail().Str(), "NONE.PDC");
}

// Without paging there is no last line: 30 records give 30 lines and the
// run ends.
TEST_F(ReportTest, WithoutPagingEveryRecordPrintsOnceAndTheRunEnds) {
  ASSERT_NO_FATAL_FAILURE(AddClients(30));
  First();
  Definition("LIST.PDC", "01001\\\\\\\\\\\\<19>CODE{1}\n");
  EXPECT_EQ(Run("out.txt /LP:0", "LIST", "", "", "C"), 0) << ErrDetail().Str();
  std::vector<std::string> want;
  for (int i = 1; i <= 30; ++i) want.push_back(ClientLine(i).substr(0, 6));
  EXPECT_EQ(Lines("out.txt"), want);
}

// A range given by a key text: the default continuation and the default end
// of a group reach every key that begins with it, national letters (above
// 'z') included, and a key text with a quote stays a literal.
TEST_F(ReportTest, AKeyRangeReachesNationalLettersAndQuotesStayLiterals) {
  for (const char* code : {"OA", "O'B", "O'C", "PEA", "PEz", "PE\xD1" "A", "PF"}) {
    ASSERT_NO_FATAL_FAILURE(Add(code, "n", "1"));
  }
  Definition("ONE.PDC", "01001\\\\\\\\\\\\<17>CODE{1}\n");   // one record per pass
  Definition("GROUP.PDC", "01001\\\\\\\\\\\\<19>CODE{1}\n");  // every record in one group
  struct Case {
    const char* key;
    const char* start;
    std::vector<std::string> want;
  } cases[] = {
      {"PE", "PEA", {"PEA   ", "PEz   ", "PE\xD1" "A  "}},
      {"P", "PEz", {"PEz   ", "PE\xD1" "A  ", "PF    "}},
      {"O'B", "O'B", {"O'B   "}},
  };
  int n = 0;
  for (const char* def : {"ONE", "GROUP"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(def) + " " + c.key);
      ASSERT_EQ(DataFileReadKey(1, 1, S(c.start), 0), 0);
      std::string out = "out" + std::to_string(++n) + ".txt";
      EXPECT_EQ(Run(out + " /LP:0", def, "", "", c.key), 0) << ErrDetail().Str();
      EXPECT_EQ(Lines(out), c.want);
    }
  }
}

// MAXLINE% -5 on a 66-line page: group lines stop after line 61 and go on at
// the next page. A device the caller gave comes back open with its counters.
TEST_F(ReportTest, MaxLineCountsBackFromThePageAndTheCallersDeviceStaysOpen) {
  ASSERT_NO_FATAL_FAILURE(AddClients(70));
  First();
  Definition("LIST.PDC", "01001\\\\\\\\\\\\<19>CODE{1} /MAXLINE%:-5\n");
  DevRecord dev = DevParse(S("out.txt /LP:66"));
  ASSERT_EQ(dev.status, 0);
  EXPECT_EQ(ReportRun(S(""), &dev, S("LIST"), S(""), S(""), S("C"), S(""), S("NONE"), S("")), 0);
  EXPECT_NE(dev.handle, kDevClosed);
  EXPECT_EQ(dev.page, 3);
  EXPECT_EQ(dev.line, 1);
  EXPECT_EQ(VarSysIntGet(kSysDevPag), 3);
  EXPECT_EQ(DevWrite(dev, S("after")), 0);
  EXPECT_EQ(DevClose(dev), 0);
  std::vector<std::string> lines = Lines("out.txt");
  ASSERT_EQ(lines.size(), 133u);
  EXPECT_EQ(lines[60], "C61   ");
  for (int i = 61; i < 66; ++i) EXPECT_EQ(lines[i], "") << i;
  EXPECT_EQ(lines[66], "C62   ");
  EXPECT_EQ(lines[74], "C70   ");
  EXPECT_EQ(lines[132], "after");
}

// Where lines print: plain text at L (the next line when L is 0), an L = 0
// line without TAB has no condition, an empty condition is true, a false
// one skips the line; relative lines count from the line before.
TEST_F(ReportTest, LinesPrintWhereTheirKindPutsThem) {
  VarSysIntSet(kSysCurFil, 0);  // a report of no data file
  Definition("KINDS.PDC",
             "02003plain at 2\n"
             "00001<TAB>empty condition\n"
             "00001no tab: no condition\n"
             "000011==2<TAB>skipped\n"
             "03001\\\\\\\\\\\\|\\\\\\\\<18>'rel',_DEVLIN\n"
             "00004\\\\\\\\\\\\<18>'next'\n"
             "06001\\\\\\\\\\\\<18><18>'six'\n"
             "11002\\\\\\\\\\\\\\\\<17>'fixed 11'\n");
  EXPECT_EQ(Run("out.txt /LP:0", "KINDS"), 0) << ErrDetail().Str();
  std::vector<std::string> want = {"", "  plain at 2", "empty condition", "no tab: no condition", "rel    5   ",
                                   "   next  ", "", "", "six   ", "", " fixed 11"};
  EXPECT_EQ(Lines("out.txt"), want);
}

// Templates: ",.#" takes _DX (or _PRECIS), ",.n" the type digit of screen
// field n, and [segments] are expanded when the line prints.
TEST_F(ReportTest, TemplatesTakeTheirDecimalsAndSegmentsWhenTheyPrint) {
  VarSysIntSet(kSysCurFil, 0);
  ASSERT_EQ(Eval("_V1$='1',W$='\\\\\\\\'"), 0);
  Definition("MASKS.PDC", "01001####0,.#|####0,.1|[W$]|\\\\\\<17>1.2345,1.25,'abcdef',''\n");
  EXPECT_EQ(Run("out.txt /LP:0", "MASKS"), 0) << ErrDetail().Str();
  ASSERT_EQ(Eval("_DX=3,W$='\\\\'"), 0);
  EXPECT_EQ(Run("out.txt /LP:0", "MASKS"), 0) << ErrDetail().Str();
  std::vector<std::string> want = {"    1.23      1.3 abcd    ", "   1.230      1.3 ab    "};
  EXPECT_EQ(Lines("out.txt"), want);
}

// A group line directly followed by another runs the second for the record
// it printed; the outer group goes on from the record the inner one ended at.
TEST_F(ReportTest, ANestedGroupRunsForEachRecordOfTheOuterOne) {
  for (const char* code : {"A1", "A2", "B1", "B2", "B3"}) {
    ASSERT_NO_FATAL_FAILURE(Add(code, "n", "1"));
  }
  First();
  Definition("NEST.PDC",
             "01001\\\\<19>G$=FN$MIDS(CODE{1};1;1)\n"
             "00003\\\\\\\\<19>CODE{1} /BRKEND$:'FN$MIDS(CODE{1};1;1)<>G$'\n"
             "00001\\\\\\\\<18>'end'\n");
  EXPECT_EQ(Run("out.txt /LP:0", "NEST", "", "", "\xFF"), 0) << ErrDetail().Str();
  std::vector<std::string> want = {"A ", "  A1  ", "  A2  ", "B ", "  B1  ", "  B2  ", "  B3  ", "end "};
  EXPECT_EQ(Lines("out.txt"), want);
}

// BREAK$ true after a printed line breaks the page; a CONTINUE% on a line
// printed in a page break goes back to the group n group lines back and
// skips the rest of the break (the head), and one with no group line before
// it is 132.
TEST_F(ReportTest, BreakForcesAPageBreakAndContinueGoesBackToTheGroup) {
  ASSERT_NO_FATAL_FAILURE(AddClients(3));
  struct Case {
    const char* id;
    std::string definition;
    Status code;
    std::vector<std::string> want;
  } cases[] = {
      {"break", "01001\\\\\\\\<17>'HEAD'\n02001\\\\\\<19>CODE{1} /BREAK$:1:MAXLINE%:-1\n", 0,
       {"HEAD", "C01", "", "", "HEAD", "C02", "", "", "HEAD", "C03", "", ""}},
      {"continue", "01001\\\\\\\\<17>'HEAD'\n02001\\\\\\<19>CODE{1} /BREAK$:1:MAXLINE%:-1\n"
                   "00001\\\\\\\\<18><18>'foot' /CONTINUE%:'9:1'\n", 0,
       {"HEAD", "C01", "foot", "", "", "", "C02", "foot", "", "", "C03", "foot"}},
      {"off the start", "01001\\\\\\\\<17>'HEAD' /CONTINUE%:'9:1'\n02001\\\\\\<19>CODE{1} /BREAK$:1:MAXLINE%:-1\n",
       st::PROCEDUREEXEC, {"HEAD", "C01", "", "", "HEAD"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    First();
    Definition("BRK.PDC", c.definition);
    std::string out = "brk" + std::to_string(++n) + ".txt";
    EXPECT_EQ(Run(out + " /LP:4", "BRK", "", "", "C"), c.code) << ErrDetail().Str();
    EXPECT_EQ(Lines(out), c.want);
  }
}

// A definition that does not fit the string-list store is 159 naming it;
// none of its lines stays in the store.
TEST_F(ReportTest, ADefinitionTooLargeForTheStoreNamesTheReport) {
  std::string big;
  for (int i = 0; i < 2100; ++i) big += "01001\\\\<17>'x'\n";
  Definition("BIG.PDC", big);
  ErrClear();
  EXPECT_EQ(Run("out.txt", "BIG"), st::STROUTBOUND);
  EXPECT_EQ(ErrDetail().Str().substr(0, 3), "BIG");
  EXPECT_EQ(DynStrCount(ReportLinesList), 0u);
  EXPECT_TRUE(DynStrCheck());
}

}  // namespace
