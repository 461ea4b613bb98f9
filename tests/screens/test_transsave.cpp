// Saved transaction configurations: the file written by a save (tag 0 and
// the new tag in one rewrite, CR LF), the tag-replacing rewrite, quoting and
// names refused, the 100th save, and the save dialog answered by a person
// and by INPUT lines.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "data/transactions/trans.h"
#include "platform/host/files.h"
#include "runtime/dynstrings.h"
#include "runtime/paths.h"
#include "screens/transactions/transsave.h"
#include "form_fixture.h"

namespace {

class TransSaveTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    TransParmsClear();
    ppn = dir.File("COtrans.ppn");
  }
  void TearDown() override {
    TransParmsClear();
    DynStrClear(FileLinesQueue);
    host::FaultClear();
    FormTest::TearDown();
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Write(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
  }
  Status Store(const std::string& name, uint16_t mode) { return TransConfigStore(S(ppn), name, mode); }
  std::string ppn;
};

TEST_F(TransSaveTest, SavesFirstEmptyThenSecondAfterIt) {
  // A missing file is made of tag 0 and the new tag; empty parameters
  // leave the mode line alone.
  ASSERT_EQ(Store("A", 4), 0);
  EXPECT_EQ(Read(ppn), " 0 FD$='A'\r\n 1 TRANSPARMSMODE%=4\r\n");
  // The second keeps the first one's lines and follows them; a value with
  // "'" is quoted with '"', the external name is TARGET$.
  ASSERT_EQ(TransParmSet(kTrName, S("out.csv")), 0);
  ASSERT_EQ(TransParmSet(kTrCond, S("CODE{}='X'")), 0);
  ASSERT_EQ(TransParmSet(kTrStruct, S("CODE,QTY")), 0);
  ASSERT_EQ(TransParmSet(kTrFlDelim, S("\";\"")), 0);
  ASSERT_EQ(Store("Second one", 52), 0);
  EXPECT_EQ(Read(ppn),
            " 0 FD$='A','Second one'\r\n"
            " 1 TRANSPARMSMODE%=4\r\n"
            " 2 TRANSPARMSMODE%=52\r\n"
            " 2 TARGET$='out.csv'\r\n"
            " 2 COND$=\"CODE{}='X'\"\r\n"
            " 2 STRUCT$='CODE,QTY'\r\n"
            " 2 FLDELIM$='\";\"'\r\n");
  EXPECT_EQ(TransConfigNames(S(ppn)).Str(), "'A','Second one'");
  EXPECT_EQ(DynStrCount(FileLinesQueue), 0u);
}

TEST_F(TransSaveTest, RefusedSavesLeaveTheFileAlone) {
  ASSERT_EQ(Store("A", 4), 0);
  const std::string before = Read(ppn);
  struct Case {
    const char* name;
    const char* cond;
    Status want;
  } cases[] = {
      {"B", "A='x' && B=\"y\"", st::BADINPUTDATA},  // both quotes
      {"B", "A='x'\nB", st::BADINPUTDATA},          // a line end
      {"a,b", "", st::BADINPUTDATA},
      {"it's", "", st::BADINPUTDATA},
      {"say \"x\"", "", st::BADINPUTDATA},
      {"tab\there", "", st::BADINPUTDATA},
      {"", "", st::BADINPUTDATA},
      {"12345678901234567890123456789012345678901", "", st::BADINPUTDATA},  // 41
      {"a", "", st::FILEEXIST},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(TransParmSet(kTrCond, S(c.cond)), 0);
    EXPECT_EQ(Store(c.name, 4), c.want) << c.name << " / " << c.cond;
    EXPECT_EQ(Read(ppn), before) << c.name;
  }
  ASSERT_EQ(TransParmSet(kTrCond, S("")), 0);
  EXPECT_EQ(Store("1234567890123456789012345678901234567890", 4), 0);  // 40 is fine
  // 99 names: the 100th save is refused (the tag has two characters).
  std::string names = " 0 FD$=";
  for (int i = 1; i <= 99; ++i) names += (i > 1 ? ",'" : "'") + std::to_string(i) + "'";
  Write(ppn, names + "\r\n");
  EXPECT_EQ(Store("extra", 4), st::DATAOUTBOUND);
  EXPECT_EQ(Read(ppn), names + "\r\n");
  EXPECT_EQ(DynStrCount(FileLinesQueue), 0u);
}

TEST_F(TransSaveTest, MergeReplacesOneTag) {
  const std::string base = " 0 L0\r\n 1 a\r\n 1 b\r\n 3 c\r\n";
  struct Case {
    int tag;
    std::string want;
  } cases[] = {
      {2, " 0 L0\r\n 1 a\r\n 1 b\r\n 2 x\r\n 2 y\r\n 3 c\r\n"},
      {1, " 0 L0\r\n 1 x\r\n 1 y\r\n 3 c\r\n"},
      {9, " 0 L0\r\n 1 a\r\n 1 b\r\n 3 c\r\n 9 x\r\n 9 y\r\n"},
  };
  for (const Case& c : cases) {
    Write(ppn, base);
    ASSERT_EQ(TransTagLines(1, {"x", "y"}, c.tag), 0);
    EXPECT_EQ(TextFileMergeLines(S(ppn), 1, c.tag), 0);
    EXPECT_EQ(Read(ppn), c.want) << c.tag;
  }
  // A missing file gets the queued lines alone.
  host::Remove(ppn);
  ASSERT_EQ(TransTagLines(1, {"x"}, 12), 0);
  EXPECT_EQ(TextFileMergeLines(S(ppn), 1, 12), 0);
  EXPECT_EQ(Read(ppn), "12 x\r\n");
  // Tags out of order (a hand-edited file): every line is kept, the queued
  // ones before the first higher tag.
  Write(ppn, " 3 c\r\n 1 a\r\n");
  ASSERT_EQ(TransTagLines(1, {"x"}, 2), 0);
  EXPECT_EQ(TextFileMergeLines(S(ppn), 1, 2), 0);
  EXPECT_EQ(Read(ppn), " 2 x\r\n 3 c\r\n 1 a\r\n");
  // Lone LF line ends and lines without a tag are kept (in CR LF).
  Write(ppn, "text\n 2 old\n");
  ASSERT_EQ(TransTagLines(1, {"new"}, 2), 0);
  EXPECT_EQ(TextFileMergeLines(S(ppn), 1, 2), 0);
  EXPECT_EQ(Read(ppn), "text\r\n 2 new\r\n");
  // A failure before the rename keeps the old file byte for byte, leaves
  // nothing beside it and empties the queue.
  Write(ppn, base);
  ASSERT_EQ(TransTagLines(1, {"x"}, 2), 0);
  host::FaultArm(host::FaultOp::Rename, 1);
  EXPECT_NE(TextFileMergeLines(S(ppn), 1, 2), 0);
  EXPECT_EQ(Read(ppn), base);
  EXPECT_FALSE(host::Exists(ppn + ".~1"));
  EXPECT_EQ(DynStrCount(FileLinesQueue), 0u);
}

TEST_F(TransSaveTest, FieldFormatsAndNames) {
  EXPECT_EQ(TransFieldFormat(1, 7), " 7 ");
  EXPECT_EQ(TransFieldFormat(1, 42), "42 ");
  EXPECT_EQ(TransFieldFormat(2, 7), "\" 7");
  EXPECT_EQ(TransFieldFormat(3, 7), "   7 ");
  EXPECT_EQ(TransFieldFormat(0, 7), "");
  using V = std::vector<std::string>;
  EXPECT_EQ(TransNamesSplit("'A','B'"), (V{"A", "B"}));
  EXPECT_EQ(TransNamesSplit(" 'A b' , \"C,D\" ,,E"), (V{"A b", "C,D", "E"}));
  EXPECT_EQ(TransNamesSplit("'A','unclosed"), (V{"A", "unclosed"}));
  EXPECT_EQ(TransNamesSplit(""), V{});
  // A missing file or tag 0 without the names: no names.
  EXPECT_EQ(TransConfigNames(S(ppn)).Str(), "");
  Write(ppn, " 1 TRANSPARMSMODE%=4\r\n");
  EXPECT_EQ(TransConfigNames(S(ppn)).Str(), "");
}

TEST_F(TransSaveTest, SaveDialog) {
  ASSERT_EQ(DynStrSet(SettingsList, SetDocsDirItem, S(dir.File("docs"))), 0);
  const std::string path = TransPpnPath().Str();
  EXPECT_EQ(host::ResolvePath(path), host::ResolvePath(dir.File("data/trans.ppn")));  // no prefix set here
  // No: nothing asked, nothing saved.
  std::string err;
  ASSERT_TRUE(hl->load_script("answer No match \"Save this Configuration?\"\n", err)) << err;
  EXPECT_EQ(TransSaveConfig(4), 0);
  EXPECT_FALSE(host::Exists(host::ResolvePath(path)));
  // Yes: a name with a comma is asked again, an existing one shows 165
  // and is asked again, the third is saved (the data directory made).
  ASSERT_TRUE(hl->load_script("answer Yes\nanswer OK\n", err)) << err;
  Input({"'x,y'", "'Z'", "'Other'", "next"});
  ASSERT_EQ(TransTagLines(1, {"FD$='z'"}, 0), 0);
  ASSERT_EQ(PathMakeDirs(S(dir.File("data"))), 0);
  ASSERT_EQ(TextFileMergeLines(S(path), 1, 0), 0);
  EXPECT_EQ(TransSaveConfig(20), 0);
  EXPECT_EQ(InputRest(), "next");
  EXPECT_EQ(Read(host::ResolvePath(path)), " 0 FD$='z','Other'\r\n 2 TRANSPARMSMODE%=20\r\n");
  // A cancelled name form: 122, nothing saved.
  ASSERT_TRUE(hl->load_script("answer Yes\n", err)) << err;
  Input({"\x1B"});
  EXPECT_EQ(TransSaveConfig(20), st::USERCANCELED);
  EXPECT_EQ(Read(host::ResolvePath(path)), " 0 FD$='z','Other'\r\n 2 TRANSPARMSMODE%=20\r\n");
}

}  // namespace
