#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "runtime/dynstrings.h"
#include "runtime/errors.h"
#include "script/objparams.h"
#include "script/taskhooks.h"
#include "script/variables.h"
#include "support/runtime_fixture.h"

namespace {

StrValue S(const std::string& s) { return StrMake(s.data(), static_cast<uint32_t>(s.size())); }

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> ListOf(uint16_t n) {
  std::vector<std::string> out;
  for (uint32_t i = 0; i < DynStrCount(n); ++i) out.push_back(DynStrGet(n, i).Str());
  return out;
}

class ObjParamsTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    TaskHooksReset();
    ASSERT_EQ(VarSysInit(), 0);  // the string-list store and `_AUX`
  }
  void TearDown() override {
    EXPECT_TRUE(DynStrCheck());
    TaskHooksReset();
    RuntimeTest::TearDown();
  }
  void Events(int aux, const char* list) { ASSERT_EQ(ParmEventSet(aux, StrFromC(list)), 0); }
  std::string Path(const std::string& name) { return dir_.File(name); }
  // The path as a string-area copy, valid for the whole test.
  StrValue File(const std::string& name) { return StrFromView(Path(name)); }
  TempDir dir_;
};

// A definition of two kind-1 sections, CR LF and LF line ends mixed; the
// quoted value holds characters that would otherwise end it.
const char* const kTestPpn =
    "01 TITLE$:'Customers':SET$:a=1\r\n"
    "01 EDIT.SET$:'B=2' CALC$:'C#=IMP#/VNE'\r\n"
    "02 MENU$:second\n"
    "02 LOAD$:x\n"
    "xx not a tag\n";

TEST_F(ObjParamsTest, NamesByNumber) {
  struct Case {
    int n;
    const char* want;
  } cases[] = {
      {1, "MODULES$"}, {9, "STATMSG$"},  {11, "SCREENSIZE$"}, {29, "VOIDMODE%"},
      {31, "NUMCAB$"}, {48, "MAXLIN%"},  {51, "FD$"},         {67, "IK$(3)"},
      {71, "ATEND$"},  {81, "WD"},       {91, "DEVICE$"},     {99, "PRCNAME$"},
      {101, "ACCEPT_PRC%"}, {116, "STRUCT$"},
      // the named numbers the code uses, where a slip would swap two names
      {kParmOpen, "OPEN$"}, {kParmRelOpt, "RELOPT%"}, {kParmWd, "WD"}, {kParmStruct, "STRUCT$"},
      // band starts and numbers past a band's list have no name
      {0, ""}, {10, ""}, {30, ""}, {49, ""}, {82, ""}, {90, ""}, {100, ""}, {117, ""}, {-3, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ParmNameBase(c.n).Str(), c.want) << "n=" << c.n;
}

TEST_F(ObjParamsTest, NamesQualifiedByTheCurrentEvent) {
  struct Case {
    int aux;
    int n;
    const char* want;
  } cases[] = {
      {2, 12, "EDIT.SET$"}, {1, 12, "CREATE.SET$"}, {0, 12, "SET$"},
      {4, 12, "SET$"},   // no fourth event: no qualification
      {2, 82, ""},       // an empty name stays empty
  };
  for (const auto& c : cases) {
    Events(c.aux, " CREATE, EDIT ,X");
    EXPECT_EQ(ParmName(c.n).Str(), c.want) << "aux=" << c.aux << " n=" << c.n;
  }
}

TEST_F(ObjParamsTest, ValueLooksUpTheEventFirstThenThePlainName) {
  ASSERT_EQ(DynStrPush(kParmStack, S("SET$:a=1:EDIT.SET$:'b=2':OPEN$:x:EDIT.OPEN$::HELP$=h")), 0);
  struct Case {
    int aux;
    int n;
    const char* want;
  } cases[] = {
      {2, 12, "b=2"},  // quoted: kept as written
      {1, 12, "A=1"},  // no CREATE.SET$: the plain name, upper-cased
      {0, 12, "A=1"},
      {2, 13, ""},     // EDIT.OPEN$ is present and empty: no fallback
      {1, 13, "X"},
      {2, 19, "H"},    // NAME=value form
      {2, 14, ""},     // absent everywhere
  };
  for (const auto& c : cases) {
    Events(c.aux, "CREATE,EDIT");
    EXPECT_EQ(ParmValueByNum(c.n).Str(), c.want) << "aux=" << c.aux << " n=" << c.n;
  }
  EXPECT_EQ(ParmValue(StrFromC("EDIT.SET$")).Str(), "b=2");
  ASSERT_EQ(ParmStrPop(), 0);
  EXPECT_EQ(ParmValueByNum(12).Str(), "");  // nothing pushed
}

TEST_F(ObjParamsTest, EventStateSavedAndRestored) {
  Events(300, "CREATE,EDIT,X");  // an index above 255 needs both bytes
  uint16_t mark = StrAreaMark(-1);
  std::string saved = ParmEventSave().Str();
  StrAreaMark(mark);
  EXPECT_EQ(saved.size(), 2 + 13u);
  Events(2, "A,B");
  ASSERT_EQ(ParmEventRestore(S(saved)), 0);
  EXPECT_EQ(DynStrGet(SystemTextList, SysEventNamesItem).Str(), "CREATE,EDIT,X");
  EXPECT_EQ(ParmEventSave().Str(), saved);

  // -1 keeps the index, an empty list keeps the list
  ASSERT_EQ(ParmEventSet(-1, S("")), 0);
  EXPECT_EQ(ParmEventSave().Str(), saved);
  EXPECT_EQ(ParmEventRestore(S("x")), st::BADINPUTDATA);
  EXPECT_EQ(ParmEventSave().Str(), saved);
}

TEST_F(ObjParamsTest, LineTagsAndContentByKind) {
  struct Case {
    int kind;
    const char* line;
    int32_t tag;
    const char* content;
  } cases[] = {
      {1, "12 VALUE:1", 12, "VALUE:1"},
      {1, " 3 x", 3, "x"},            // a blank in the tag reads as 0
      {1, "1a x", -1, "x"},           // not a number: matches no tag
      {1, "-1 x", -1, "x"},
      {1, "7", 7, ""},                // shorter than the tag and the content
      {1, "", 0, ""},
      {2, "x07abcZ", 7, "abc"},       // last character dropped
      {2, "x01", 1, ""},
      {2, "x0", 0, ""},               // too short to drop anything
      {2, "", 0, ""},
      {3, "0012 NAME:1", 12, "NAME:1"},
      {4, "05MENU$:X", 5, "MENU$:X"},
      {6, "00042rest", 42, "00042rest"},
      {0, "12 anything", 0, "12 anything"},
      {5, "12 x", 0, "12 x"},
      {9, "12 x", 0, "12 x"},
  };
  for (const auto& c : cases) {
    StrValue line = StrFromC(c.line);
    EXPECT_EQ(ParmLineTag(c.kind, line), c.tag) << c.kind << " '" << c.line << "'";
    EXPECT_EQ(ParmLineContent(c.kind, line).Str(), c.content) << c.kind << " '" << c.line << "'";
  }
}

TEST_F(ObjParamsTest, LinesOfOneTagReadOntoAList) {
  WriteFile(Path("TEST.PPN"), kTestPpn);
  StrValue file = File("TEST.PPN");
  ASSERT_EQ(DynStrPush(20, S("kept")), 0);
  EXPECT_EQ(ParmLinesRead(file, 1, 2, 20), 2);
  EXPECT_EQ(ListOf(20), (std::vector<std::string>{"kept", "MENU$:second", "LOAD$:x"}));

  EXPECT_EQ(ParmLinesRead(file, 1, 9, 20), kParmMissing);           // no line of the tag
  EXPECT_EQ(ParmLinesRead(File("NONE.PPN"), 1, 1, 20), kParmMissing);
  EXPECT_EQ(DynStrCount(20), 3u);
  EXPECT_EQ(ErrGet(), 0u);  // a missing file is the caller's to report

  EXPECT_EQ(ParmLinesLoad(file, 0, 0), 5);  // kind 0: every line
  EXPECT_EQ(ParmLinesJoin(2, S("|")).Str(),
            "01 TITLE$:'Customers':SET$:a=1|01 EDIT.SET$:'B=2' CALC$:'C#=IMP#/VNE'");
  EXPECT_EQ(DynStrCount(kParmLineQueue), 3u);
  EXPECT_EQ(ParmLinesReload(file, 2), 5);  // two dropped, the file queued again
  EXPECT_EQ(ListOf(kParmLineQueue).front(), "xx not a tag");
  EXPECT_EQ(ListOf(kParmLineQueue).size(), 6u);
  EXPECT_EQ(ParmLinesJoin(-1, S("")).Str().substr(0, 14), "xx not a tag01");
  EXPECT_EQ(DynStrCount(kParmLineQueue), 0u);
  EXPECT_EQ(ParmLinesJoin(-1, S(",")).Str(), "");
}

TEST_F(ObjParamsTest, BareNamesAreSearchedAlongTheDefaultDirectories) {
  WriteFile(Path("TEST.PPN"), kTestPpn);
  ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, StrFromView(Path("none") + "," + dir_.path())), 0);
  EXPECT_EQ(ParmLinesLoad(S("test.ppn"), 1, 2), 2);  // any letter case
  EXPECT_EQ(ParmLinesLoad(S("sub\\TEST.PPN"), 1, 2), kParmMissing);  // a directory part: not searched
  EXPECT_EQ(DynStrCount(kParmLineQueue), 2u);
}

TEST_F(ObjParamsTest, ParameterStringPushedAndPopped) {
  WriteFile(Path("TEST.PPN"), kTestPpn);
  ASSERT_EQ(DynStrPush(kParmLineQueue, S("queued by another reader")), 0);
  ASSERT_EQ(ParmStrPush(File("TEST.PPN"), 1, 1), 0);
  EXPECT_EQ(DynStrTop(kParmStack).Str(),
            "TITLE$:'Customers':SET$:a=1:EDIT.SET$:'B=2' CALC$:'C#=IMP#/VNE'");
  EXPECT_EQ(ListOf(kParmLineQueue), (std::vector<std::string>{"queued by another reader"}));
  EXPECT_EQ(ParmValue(StrFromC("CALC$")).Str(), "C#=IMP#/VNE");
  EXPECT_EQ(ParmValue(StrFromC("TITLE$")).Str(), "Customers");
  Events(2, "CREATE,EDIT");
  EXPECT_EQ(ParmValueByNum(12).Str(), "B=2");
  EXPECT_EQ(ParmStrPop(), 0);
  EXPECT_EQ(DynStrCount(kParmStack), 0u);
}

// Every operation leaves list 31 one deeper (a push), as it was (a failed
// push, a lookup) or one shallower (a pop): never a stray element.
TEST_F(ObjParamsTest, EveryOperationKeepsTheStackBalanced) {
  WriteFile(Path("TEST.PPN"), kTestPpn);
  std::string big;
  for (int i = 0; i < 70; ++i) big += "00 " + std::string(1000, 'a' + i % 26) + "\n";
  WriteFile(Path("BIG.PPN"), big);
  ASSERT_EQ(DynStrPush(kParmStack, S("caller's")), 0);
  struct Step {
    const char* id;
    Status (*op)(StrValue);
    const char* file;
    Status want;
    int depth;  // change of the stack's count
  } steps[] = {
      {"push", [](StrValue f) { return ParmStrPush(f, 1, 2); }, "TEST.PPN", 0, +1},
      {"pop", [](StrValue) { return ParmStrPop(); }, "", 0, -1},
      {"missing", [](StrValue f) { return ParmStrPush(f); }, "NONE.PPN", st::NOTFOUND, 0},
      {"no-tag", [](StrValue f) { return ParmStrPush(f, 1, 7); }, "TEST.PPN", st::NOTFOUND, 0},
      {"or-empty", [](StrValue f) { return ParmStrPushOrEmpty(f); }, "NONE.PPN", 0, +1},
      {"pop-empty", [](StrValue) { return ParmStrPop(); }, "", 0, -1},
      {"oversize", [](StrValue f) { return ParmStrPush(f, 1, 0); }, "BIG.PPN", st::STROUTBOUND, 0},
  };
  for (const auto& s : steps) {
    uint32_t before = DynStrCount(kParmStack);
    EXPECT_EQ(s.op(File(s.file)), s.want) << s.id;
    EXPECT_EQ(static_cast<int>(DynStrCount(kParmStack)) - static_cast<int>(before), s.depth) << s.id;
  }
  EXPECT_EQ(DynStrTop(kParmStack).Str(), "caller's");
  EXPECT_EQ(ErrGet() & 0xffff, st::STROUTBOUND);
  EXPECT_NE(ErrDetail().Str().find("BIG.PPN"), std::string::npos);

  ASSERT_EQ(ParmStrPop(), 0);
  ErrClear();
  EXPECT_EQ(ParmStrPop(), st::INTERNALERROR);  // nothing left to pop
  EXPECT_EQ(DynStrCount(kParmStack), 0u);
}

TEST_F(ObjParamsTest, LinesThatDoNotFitLeaveNothingBehind) {
  std::string big;
  for (int i = 0; i < 64; ++i) big += std::string(1000, 'a' + i % 26) + "\n";
  WriteFile(Path("BIG.PPN"), big);
  ASSERT_EQ(DynStrPush(kParmLineQueue, S("first")), 0);
  EXPECT_EQ(ParmLinesLoad(File("BIG.PPN"), 0, 0), -int32_t{st::STROUTBOUND});
  EXPECT_EQ(ListOf(kParmLineQueue), (std::vector<std::string>{"first"}));
  EXPECT_GE(ErrGet() & 0xffff, 128u);

  // A join over 65535 bytes takes its lines and answers 159, never a cut text.
  ErrClear();
  for (int i = 0; i < 700; ++i) ASSERT_EQ(DynStrPush(kParmLineQueue, S("x")), 0);
  StrValue joined = ParmLinesJoin(-1, S(std::string(100, ',')));
  EXPECT_EQ(StrError(joined), st::STROUTBOUND);
  EXPECT_EQ(DynStrCount(kParmLineQueue), 0u);
}

TEST_F(ObjParamsTest, FileTypeNames) {
  struct Case {
    int n;
    const char* want;
  } cases[] = {{1, "X.PPN"}, {5, "X.DAT"}, {9, "X.PMT"}, {14, "X.CFG"}, {0, "X"}, {15, "X"}, {-1, "X"}};
  for (const auto& c : cases) EXPECT_EQ(FileTypeName(StrFromC("X"), c.n).Str(), c.want) << c.n;
}

TEST_F(ObjParamsTest, TitlesOfFiles) {
  WriteFile(Path("A.PRC"), "; Invoice run\r\nEND\r\n");
  WriteFile(Path("B.PRC"), ";TITLE$:'Year close' X:1\n");
  WriteFile(Path("C.PRC"), "TITLE$:plain\n");
  WriteFile(Path("D.PRC"), "; say \"hi\" and 'bye'\n");
  WriteFile(Path("E.PRC"), "");
  ASSERT_EQ(DynStrSet(SettingsList, SetDefaultDirItem, S(dir_.path())), 0);
  EXPECT_EQ(ParmTitlesOfFiles(StrFromC("A.PRC, B.PRC,C.PRC,D.PRC,E.PRC,NONE.PRC")).Str(),
            "\"Invoice run\",\"Year close\",\"PLAIN\",\"say 'hi' and 'bye'\",\"E.PRC\",\"NONE.PRC\"");
  EXPECT_EQ(ParmTitlesOfFiles(StrFromC("")).Str(), "");
}

}  // namespace
