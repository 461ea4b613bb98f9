// The statements on definitions and records (FILESTRUCT with its context
// levels, LOADSTRUCT, RC_...), the open-state stack, and what a procedure run
// unwinds at its end.
#include <unistd.h>

#include <climits>
#include <fstream>
#include <string>

#include "data/store/datafile.h"
#include "data/dictionary/dictionary.h"
#include "data/store/openstate.h"
#include "data/dictionary/runcontext.h"
#include "script/prc_fixture.h"
#include "script/statements.h"

namespace {

// An application "TT" with three data files in a private directory, which
// is also the current directory (files defined without a location live
// there); the framework's statement handlers registered.
class StructStmtTest : public PrcTest {
 protected:
  void SetUp() override {
    PrcTest::SetUp();
    ASSERT_NE(getcwd(oldDir_, sizeof oldDir_), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    for (int n = 1; n <= kMaxDataFiles; ++n) DataFileCtrlInit(n);
    ASSERT_EQ(DynStrSet(SettingsList, SetIdentityItem, S("TT:Test")), 0);
    ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir_.path())), 0);
    Write("TTDICC.DAT",
          "01 A**01ALPHA\r\n01       004 ACODE\r\n"
          "02 B**01BETA\r\n02       004 ACODE\r\n"
          "03 C**01GAMMA\r\n03       004 ACODE\r\n");
    ASSERT_EQ(DicLoad(S(dir_.path()), S("TT"), S("")), 0) << Detail();
    start_ = DicCountsGet();
    ExecRunUtilsInit();
  }
  void TearDown() override {
    while (RunContextDepth() > 0) RunContextRestore();
    DataFileCloseAll();
    ASSERT_EQ(chdir(oldDir_), 0);
    PrcTest::TearDown();
  }
  void ExpectStartCounts(const char* id) {
    DicCounts c = DicCountsGet();
    EXPECT_EQ(c.files, start_.files) << id;
    EXPECT_EQ(c.fields, start_.fields) << id;
    EXPECT_EQ(c.keys, start_.keys) << id;
    EXPECT_EQ(RunContextDepth(), 0) << id;
  }
  bool IsOpen(int n) { return DataFileStore(n) && DataFileStore(n)->IsOpen(); }
  std::string Bytes(const std::string& name) {
    std::ifstream in(dir_.File(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  DicCounts start_;
  char oldDir_[PATH_MAX] = {};
};

TEST_F(StructStmtTest, FileStructDefinesAFileForExpressionsAndRestoreTakesItBack) {
  VarSysIntSet(kSysCurFil, 1);
  ASSERT_EQ(FILESTRUCT(S("tmp"), S("CODE;4;A, NAME ; 2*5 ;Alpha"), S("0001004,<00050100001004")), 0) << Detail();
  DicCounts c = DicCountsGet();
  EXPECT_EQ(c.files, start_.files + 1);
  EXPECT_EQ(c.fields, start_.fields + 2);
  EXPECT_EQ(c.keys, start_.keys + 2);
  EXPECT_EQ(VarSysIntGet(kSysCurFil), 4);
  EXPECT_EQ(DicFileName(4).Str(), "TMP");
  EXPECT_EQ(DicFieldLen(4, 2), 10);
  EXPECT_EQ(DicFieldType(4, 2), 'A');
  EXPECT_EQ(KeyLen(4, 2, 0), 14);
  EXPECT_EQ(RunContextDepth(), 1);
  // Used from a procedure: opened, a field set and read back.
  ASSERT_EQ(Run("FILESELECT 'TMP'\nCODE{TMP}='AB12',NAME{TMP}='x'\nr$=CODE{TMP}+NAME{TMP}\n"), 0) << Detail();
  EXPECT_EQ(Str("r$"), "AB12x         ");
  EXPECT_FALSE(IsOpen(4));  // the run's open state was restored
  EXPECT_EQ(RunContextDepth(), 1);  // a level pushed before the run stays
  ASSERT_EQ(Run("FILESTRUCT 'Restore'\n"), 0) << Detail();
  ExpectStartCounts("restored");
  EXPECT_EQ(VarSysIntGet(kSysCurFil), 1);
  ExpectBalanced();
}

TEST_F(StructStmtTest, LevelsStopAtSevenAndAnEmptyRestoreIsRefused) {
  for (int i = 1; i <= 7; ++i) ASSERT_EQ(FILESTRUCT(S("T" + std::to_string(i)), S("A;2;A"), S("")), 0) << i;
  ErrClear();
  EXPECT_EQ(FILESTRUCT(S("T8"), S("A;2;A"), S("")), st::DATAOUTBOUND);
  EXPECT_EQ(DataFileCount(), start_.files + 7);
  for (int i = 1; i <= 7; ++i) ASSERT_EQ(FILESTRUCT(S("RESTORE"), S(""), S("")), 0) << i;
  ExpectStartCounts("seven popped");
  ErrClear();
  EXPECT_EQ(FILESTRUCT(S("RESTORE"), S(""), S("")), st::INTERNALERROR);
  EXPECT_EQ(Detail(), "FILESTRUCT RESTORE");
  ExpectStartCounts("empty restore");  // the start-up dictionary is intact
  EXPECT_EQ(DicFileName(3).Str(), "GAMMA");
  ExpectBalanced();
}

TEST_F(StructStmtTest, AFailedDefinitionUnwindsItsOwnLevel) {
  struct Case {
    const char* name;
    const char* fields;
    const char* keys;
    Status code;
    const char* detail;
  } cases[] = {
      {"BAD", "CODE;'x';A", "", st::BADINPUTDATA, "FILESTRUCT CODE;'x';A"},
      {"BAD", "CODE;0;A", "", st::BADINPUTDATA, "FILESTRUCT CODE;0;A"},
      {"BAD", "CODE;4", "", st::BADINPUTDATA, "FILESTRUCT CODE;4"},
      {"BAD", "A;20000;A,B;20000;A", "", st::BADINPUTDATA, "FILESTRUCT B;20000;A"},
      {"BAD", "CODE;4;A", "0009004", st::BADINPUTDATA, "FILESTRUCT 0009004"},
      {"BAD", "CODE;4;A", "12", st::BADINPUTDATA, "FILESTRUCT 12"},
      {"BAD", "", "", st::BADINPUTDATA, "FILESTRUCT BAD"},
      {"BAD", "CODE;1/0+'a';A", "", st::TYPEMISMATCH, "FILESTRUCT CODE;1/0+'a';A"},
  };
  for (const Case& c : cases) {
    ErrClear();
    EXPECT_EQ(FILESTRUCT(S(c.name), S(c.fields), S(c.keys)), c.code) << c.fields;
    EXPECT_EQ(Detail(), c.detail) << c.fields;
    ExpectStartCounts(c.fields);
  }
  ErrClear();
  EXPECT_EQ(Run("FILESTRUCT '../x','A;2;A'\n"), st::BADINPUTDATA);  // not a file name
  EXPECT_EQ(VarSysIntGet(kSysStat), st::BADINPUTDATA);
  ExpectStartCounts("bad name");
  ExpectBalanced();
}

TEST_F(StructStmtTest, ARunUnwindsItsLevelsButKeepsALoadedDictionary) {
  EXPECT_EQ(Run("FILESTRUCT 'T1','A;2;A'\nFILESTRUCT 'T2','A;2;A'\nFILESELECT 'T1,T2'\n"), 0) << Detail();
  ExpectStartCounts("ended");
  EXPECT_EQ(Run("FILESTRUCT 'T1','A;2;A'\nx=1+'a'\n"), st::TYPEMISMATCH);
  ExpectStartCounts("failed");
  EXPECT_EQ(Run("FILESELECT 'RESTORE'\n"), st::INTERNALERROR);  // nothing pushed
  // LOADSTRUCT outside a level stays loaded, its file names become variables.
  Write("UUDICC.DAT", "01 U**01UFILE\r\n01       006 ACODE\r\n");
  ASSERT_EQ(Run("LOADSTRUCT 'UU'\n"), 0) << Detail();
  EXPECT_EQ(DataFileCount(), start_.files + 1);
  EXPECT_EQ(Int("UFILE"), start_.files + 1);
  EXPECT_EQ(VarSysIntGet(kSysStat), 0);
  EXPECT_EQ(Run("LOADSTRUCT 'ZZ'\n"), st::FILENOTFOUND);
  EXPECT_EQ(VarSysIntGet(kSysStat), st::FILENOTFOUND);
  EXPECT_EQ(Run("LOADSTRUCT\n"), st::SINTAXERROR);
  ExpectBalanced();
}

TEST_F(StructStmtTest, RecordStatementsWriteThroughTheDataFileActions) {
  const char* source =
      "FILESTRUCT 'ITEMS','CODE;4;A,NAME;6;A','0001004'\n"
      "FILESELECT 'ITEMS'\n"
      "CODE{}='A001',NAME{}='first'\n"
      "RC_INSERT ''\n"
      "n=1,t=_STAT\n"
      "CODE{}='A002',NAME{}='second'\n"
      "RC_INSERT _CURFIL\n"
      "n=n+1,t=t+_STAT\n"
      "NAME{}='SECOND'\n"
      "RC_WRITE ','\n"
      "n=n+1,t=t+_STAT\n"
      "RC_UPDATE _CURFIL,\"NAME{}='2nd'\",0\n"
      "n=n+1,t=t+_STAT\n"
      "CODE{}='A003',NAME{}='third'\n"
      "RC_INSERT ''\n"
      "RC_DELETE ''\n"
      "n=n+1,t=t+_STAT\n";
  VarSysIntSet(kSysCurFil, 1);
  ASSERT_EQ(Run(source), 0) << Detail();
  EXPECT_EQ(Int("n"), 5);
  EXPECT_EQ(Int("t"), 0);
  EXPECT_EQ(Bytes("ITEMS.FD").substr(0, 20), "A001first A0022nd   ");
  ExpectStartCounts("unwound");
  EXPECT_EQ(Run("RC_INSERT ''\n"), st::FILENOTINIT);  // no open current file
  ExpectBalanced();
}

TEST_F(StructStmtTest, OpenStatesArePushedAppliedAndRestored) {
  ErrClear();
  struct Step {
    const char* text;
    Status answer;
    bool open[3];
    int current;
  } steps[] = {
      {"1;1, GAMMA", 0, {true, false, true}, 3},
      {"2", 0, {false, true, false}, 2},
      {"9", st::FILEOPENING, {false, true, false}, 2},  // not defined: nothing pushed
      {"restore", 0, {true, false, true}, 3},
      {"RESTORE", 0, {false, false, false}, 3},  // none left: every file closed
      {"RESTORE", st::INTERNALERROR, {false, false, false}, 3},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(DataFileStatePush(S(s.text)), s.answer) << s.text;
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(IsOpen(n), s.open[n - 1]) << s.text << " file " << n;
    EXPECT_EQ(VarSysIntGet(kSysCurFil), s.current) << s.text;
  }
  EXPECT_EQ(DynStrCount(OpenFileStatesList), 0u);
  EXPECT_EQ(DataFileStatePush(S("1;1,3")), 0);
  EXPECT_EQ(DataFileCtrl(1)->openFlags & dfopen::kReadOnly, dfopen::kReadOnly);
  EXPECT_EQ(DataFileCtrl(3)->openFlags & dfopen::kReadOnly, 0);
  EXPECT_EQ(DataFileStatePush(S("RESTORE")), 0);
  ExpectBalanced();
}

// A run unwinds every open state it pushed, one RESTORE each, down to the
// state before it.
TEST_F(StructStmtTest, ARunRestoresEveryOpenStateItPushed) {
  ASSERT_EQ(DataFileStatePush(S("ALPHA")), 0);
  base_[OpenFileStatesList] = 1;  // the balance check of the run counts from here
  EXPECT_EQ(Run("FILESELECT 'BETA'\nFILESELECT '1;1,GAMMA'\nFILESELECT 'BETA;1,ALPHA'\n"), 0) << Detail();
  EXPECT_EQ(DynStrCount(OpenFileStatesList), 1u);
  EXPECT_TRUE(IsOpen(1));
  EXPECT_FALSE(IsOpen(2));
  EXPECT_FALSE(IsOpen(3));
  EXPECT_EQ(DataFileCtrl(1)->openFlags, dfopen::kMakeCurrent);
  EXPECT_EQ(DataFileStatePush(S("RESTORE")), 0);
}

}  // namespace
