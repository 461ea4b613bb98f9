// The built-ins on data files as scripts call them: FILEFIND, FILELOCATE,
// KEY$, IER, FN#FLEN, FN$FLDS and the open-state push of FILESEL.
#include <gtest/gtest.h>

#include <fstream>

#include "data/bridges/databuiltins.h"
#include "data/store/openstate.h"
#include "data/dictionary/runcontext.h"
#include "data/scans/scan.h"
#include "script/procedures.h"
#include "sel_fixture.h"

namespace {

class DataBuiltinTest : public SelTest {
 protected:
  void SetUp() override {
    SelTest::SetUp();
    DataBuiltinsRegister();
    DataStatementsRegister();
    for (const char* code : {"10", "30", "50"}) Add(3, std::string("CODE{3}='") + code + "'");
  }
  int Int(const std::string& text) { return ExpEvalInt(Sv(text)); }
  Status Stat(const std::string& text) { return ExpExecText(Sv(text)) >= 128 ? ErrGet() & 0xffff : 0; }
};

TEST_F(DataBuiltinTest, FileFindReadsAndInsertsMissingKeys) {
  struct Step {
    const char* call;
    int answer;
    const char* current;  // CODE of file 3 afterwards
  } steps[] = {
      {"FILEFIND('30';3)", 0, "30  "},
      {"FILEFIND('20';3)", 1, "30  "},        // not found: nothing read
      {"FILEFIND('20';3;1;4)", 0, "20  "},    // found in the middle: inserted
      {"FILEFIND('60';3;1;4)", 0, "60  "},    // past the end: inserted
      {"FILEFIND('20';3)", 0, "20  "},
      {"FILEFIND('3';3;1;8)", 0, "20  "},     // the top, then the next one, inside the limit
      {"FILEFIND('1';3;1;8)", 2, "20  "},     // the next one is beyond the limit
  };
  for (const Step& s : steps) {
    EXPECT_EQ(Int(s.call), s.answer) << s.call << " " << ErrDetail().Str();
    EXPECT_EQ(Cur(3), s.current) << s.call;
  }
  uint32_t n = 0;
  ASSERT_EQ(DataFileCountRange(3, 1, Sv(""), Sv(""), Sv(""), &n), 0);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(Check(3), "");
}

TEST_F(DataBuiltinTest, FileLocateMovesAndDeletesByCommandWord) {
  ASSERT_EQ(DataFileReadKey(1, 1, Sv("A010"), 0), 0);
  struct Step {
    const char* call;
    int answer;
    const char* code;
  } steps[] = {
      {"FILELOCATE('NEXT')", 0, "A011"}, {"FILELOCATE('NXT';1)", 0, "A012"}, {"FILELOCATE('previous')", 0, "A011"},
      {"FILELOCATE()", 0, "A012"},       {"FILELOCATE('TOP')", 0, "A001"},   {"FILELOCATE('BOT')", 0, "B007"},
      {"FILELOCATE('NXT')", 2, "    "},  {"IER()", 2, "    "},               {"FILELOCATE('TOP';1)", 0, "A001"},
      {"IER(1)", 0, "A001"},             {"FILELOCATE('DEL')", 1, "A002"},    // re-read by the deleted key
  };
  for (const Step& s : steps) {
    EXPECT_EQ(Int(s.call), s.answer) << s.call << " " << ErrDetail().Str();
    EXPECT_EQ(Code(), s.code) << s.call;
  }
  EXPECT_EQ(DataFileReadKey(1, 1, Sv("A001"), 0), 1);
  for (const char* word : {"'JUMP'", "'SVE'", "'INS'", "'IMP'", "''"}) {
    ErrClear();
    EXPECT_EQ(Stat(std::string("FILELOCATE(") + word + ")"), st::SINTAXERROR) << word;
  }
  EXPECT_EQ(Check(1), "");
}

TEST_F(DataBuiltinTest, KeyTextsAndLastStatus) {
  ASSERT_EQ(DataFileReadKey(1, 1, Sv("A011"), 0), 0);
  Add(2, "GRP{2}='G7',SEQ{2}='03',VAL{2}='v'");
  ASSERT_EQ(Eval("CODE{1}='Z999'"), 0);  // the current record changes, its saved copy does not
  struct Case {
    const char* call;
    const char* want;
  } cases[] = {
      {"KEY$()", "Z999"},      {"KEY$(1;1;0;2)", "A011"}, {"KEY$(1;2)", "nA011 "}, {"KEY$(2)", "G703"},
      {"KEY$(2;1;1)", "G7"},   {"KEY$(1;0)", ""},         {"KEY$(1;-1;0;2)", "A011"},
  };
  for (const Case& c : cases) EXPECT_EQ(Str(c.call), c.want) << c.call;
  ErrClear();
  EXPECT_EQ(Stat("KEY$(1;3)"), st::DATAOUTBOUND);
  EXPECT_EQ(Int("IER(2)"), 0);
  EXPECT_EQ(DataFileReadKey(2, 1, Sv("G9"), 0), 2);
  EXPECT_EQ(Int("IER(2)"), 2);
}

TEST_F(DataBuiltinTest, RecordCountsAndFileSizes) {
  std::ofstream(dir.File("five.txt"), std::ios::binary) << "12345";
  EXPECT_EQ(Int("FN#FLEN('ITEMS')"), 40);
  EXPECT_EQ(Int("FN#FLEN(1)"), 40);
  EXPECT_EQ(Int("FN#FLEN('OTHER')"), 3);
  EXPECT_EQ(Int("FN#FLEN('" + dir.File("five.txt") + "')"), 5);
  EXPECT_EQ(Int("FN#FLEN('" + dir.File("none.txt") + "')"), 0);
  ASSERT_EQ(DataFileClose(5), 0);
  ErrClear();
  EXPECT_EQ(Stat("FN#FLEN('FIVE')"), st::FILENOTINIT);
  ASSERT_EQ(DataFileReadKey(1, 1, Sv("A011"), 0), 0);
  EXPECT_EQ(Str("FN$FLDS(NAME{1})"), "nA011 ");
  ASSERT_EQ(Eval("NAME{1}='new'"), 0);
  EXPECT_EQ(Str("FN$FLDS(NAME{1})"), "new   ");
  EXPECT_EQ(Str("FN$FLDS(NAME{1};2)"), "nA011 ");  // the saved copy
  ErrClear();
  EXPECT_EQ(Stat("FN$FLDS(NOPE{1})"), st::SINTAXERROR);
}

// FILESEL pushes open states on the stack the statements use; a procedure
// run that leaves them pushed has them restored at its end.
TEST_F(DataBuiltinTest, FileSelPushesOpenStatesThatARunUnwinds) {
  EXPECT_EQ(Int("FILESEL('OTHER;1,ITEMS')"), 0);
  EXPECT_EQ(DataFileCtrl(3)->openFlags, dfopen::kReadOnly);
  EXPECT_EQ(DataFileCtrl(2)->openFlags, 0);
  EXPECT_EQ(Int("FILESEL('RESTORE')"), 0);
  EXPECT_EQ(DataFileCtrl(1)->openFlags, 0);  // nothing below: every file closed
  ErrClear();
  EXPECT_EQ(Stat("FILESEL('RESTORE')"), st::INTERNALERROR);
  ASSERT_EQ(DataFileStatePush(Sv("GROUPS")), 0);
  Write("T.PRC", "x=FILESEL('ITEMS')\ny=FILESEL('OTHER,FIVE')\n");
  ErrClear();
  EXPECT_EQ(PrcCall(Sv(""), Sv(dir.File("T.PRC")), 0), 0) << ErrDetail().Str();
  EXPECT_EQ(DynStrCount(OpenFileStatesList), 1u);
  EXPECT_EQ(DataFileCtrl(2)->openFlags, dfopen::kMakeCurrent);
  EXPECT_EQ(DataFileCtrl(5)->openFlags, 0);
  EXPECT_EQ(DataFileStatePush(Sv("RESTORE")), 0);
}

}  // namespace
